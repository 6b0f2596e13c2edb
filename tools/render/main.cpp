// velmora-render: the saver's scene, rendered offscreen to PNG files.
//   velmora-render [--size WxH] [--step SECONDS] [--at T]... [--seed N] [--out DIR]
// Media.dat is found as the saver finds it: the registry value "Path", else
// the current folder; a "media" folder in the current folder overrides it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "resources/resource_registration.h"
#include "tools/render/frame_renderer.h"
#include "tools/render/render_platform.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-render [--size WxH] [--step SECONDS] [--at T]... [--seed N]"
                 " [--out DIR]\n"
                 "  --size WxH      frame size in pixels (default 1024x768)\n"
                 "  --step SECONDS  scene time per frame (default 1/30)\n"
                 "  --at T          write the frame at scene time T (repeatable; default 1)\n"
                 "  --seed N        seed of the scene's random draws (default 1)\n"
                 "  --out DIR       folder for the PNG files (default: the current folder)\n");
    return 2;
}

bool ParseNumber(const char* text, float* value) {
    char* end = nullptr;
    *value = std::strtof(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

bool ParseSeed(const char* text, uint32_t* seed) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || *end != '\0' || *text == '-' || value > UINT32_MAX) return false;
    *seed = static_cast<uint32_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    PrepareRenderProcess();
    FrameRendererOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (value == nullptr) return Usage();
        ++i;
        if (arg == "--size") {
            unsigned w = 0, h = 0;
            if (std::sscanf(value, "%ux%u", &w, &h) != 2 || w < 16 || h < 16 || w > 8192 ||
                h > 8192) {
                std::fprintf(stderr, "velmora-render: bad size %s\n", value);
                return 2;
            }
            options.width = w;
            options.height = h;
        } else if (arg == "--step") {
            if (!ParseNumber(value, &options.step) || options.step <= 0.0f ||
                options.step > 10.0f) {
                std::fprintf(stderr, "velmora-render: bad step %s\n", value);
                return 2;
            }
        } else if (arg == "--at") {
            float t;
            if (!ParseNumber(value, &t) || t < 0.0f || t > 86400.0f) {
                std::fprintf(stderr, "velmora-render: bad time %s\n", value);
                return 2;
            }
            options.times.push_back(t);
        } else if (arg == "--seed") {
            if (!ParseSeed(value, &options.seed)) {
                std::fprintf(stderr, "velmora-render: bad seed %s\n", value);
                return 2;
            }
        } else if (arg == "--out") {
            options.outputFolder = value;
        } else {
            return Usage();
        }
    }
    if (options.times.empty()) options.times.push_back(1.0f);
    std::sort(options.times.begin(), options.times.end());
    std::error_code ignored;  // a folder that cannot be made fails at the first frame
    std::filesystem::create_directories(options.outputFolder, ignored);

    RegisterProgramResources();
    FrameRenderer renderer(options);
    return renderer.Run();
}
