// velmora-render: the saver's scene, rendered offscreen to PNG files.
//   velmora-render [--size WxH] [--step SECONDS] [--at T]... [--out DIR]
// Media.dat is found as the saver finds it: the registry value "Path", else
// the current folder; a "media" folder in the current folder overrides it.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "platform/win32/command_line.h"
#include "platform/win32/heap_policy.h"
#include "tools/render/frame_renderer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-render [--size WxH] [--step SECONDS] [--at T]... [--out DIR]\n"
                 "  --size WxH      frame size in pixels (default 1024x768)\n"
                 "  --step SECONDS  scene time per frame (default 1/30)\n"
                 "  --at T          write the frame at scene time T (repeatable; default 1)\n"
                 "  --out DIR       folder for the PNG files (default: the current folder)\n");
    return 2;
}

bool ParseNumber(const char* text, float* value) {
    char* end = nullptr;
    *value = std::strtof(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

}  // namespace

int main(int argc, char** argv) {
    // Loads as the saver does.
    Win32ApplyHeapPolicy();
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
        } else if (arg == "--out") {
            options.outputFolder = value;
        } else {
            return Usage();
        }
    }
    if (options.times.empty()) options.times.push_back(1.0f);
    std::sort(options.times.begin(), options.times.end());
    mkdir(options.outputFolder.c_str(), 0755);

    // No display and no sound: an offscreen GL device and a silent mixer.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Win32SetCommandLineArguments({argv[0], "/t"});
    FrameRenderer renderer(options);
    return renderer.Run();
}
