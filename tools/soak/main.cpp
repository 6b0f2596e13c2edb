// velmora-soak: the scene over a long stretch of scene time on the offscreen
// device, fast-forwarded at a fixed step, with a forced device reset at every
// interval; prints resident memory, live objects, particles and frame time,
// and exits non-zero when any of them grew.
//   velmora-soak [--hours H | --minutes M] [--step SECONDS] [--size WxH]
//                [--reset-every SECONDS] [--resident-growth MIB]
//                [--frame-time-growth FACTOR] [--out DIR]
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/command_line.h"
#include "platform/win32/heap_policy.h"
#include "resources/resource_registration.h"
#include "tools/soak/soak_renderer.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-soak [--hours H | --minutes M] [--step SECONDS] [--size WxH]\n"
                 "                    [--reset-every SECONDS] [--resident-growth MIB]\n"
                 "                    [--frame-time-growth FACTOR] [--out DIR]\n"
                 "  --hours H, --minutes M  scene time to run (default 24 hours)\n"
                 "  --step SECONDS          scene time per frame (default 0.5)\n"
                 "  --size WxH              frame size (default 64x48)\n"
                 "  --reset-every SECONDS   scene time between forced device resets (default 600)\n"
                 "  --resident-growth MIB   allowed memory growth, 0 for no check (default 16)\n"
                 "  --frame-time-growth F   allowed frame time factor, 0 for no check (default 2)\n"
                 "  --out DIR               folder for the last frame's PNG (default .)\n");
    return 2;
}

bool ParseNumber(const char* text, double low, double high, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value) && *value >= low && *value <= high;
}

}  // namespace

int main(int argc, char** argv) {
    // Loads as the saver does.
    Win32ApplyHeapPolicy();
    SoakOptions options;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* value = argv[i + 1];
        double number = 0.0;
        if (arg == "--size") {
            unsigned w = 0, h = 0;
            if (std::sscanf(value, "%ux%u", &w, &h) != 2 || w < 16 || h < 16 || w > 8192 ||
                h > 8192)
                return Usage();
            options.width = w;
            options.height = h;
        } else if (arg == "--out") {
            options.outputFolder = value;
        } else if (arg == "--hours" && ParseNumber(value, 0.01, 24 * 30, &number)) {
            options.seconds = number * 3600.0;
        } else if (arg == "--minutes" && ParseNumber(value, 1, 24 * 60 * 30, &number)) {
            options.seconds = number * 60.0;
        } else if (arg == "--step" && ParseNumber(value, 0.001, 10, &number)) {
            options.step = static_cast<float>(number);
        } else if (arg == "--reset-every" && ParseNumber(value, 1, 86400, &number)) {
            options.resetEvery = number;
        } else if (arg == "--resident-growth" && ParseNumber(value, 0, 1e6, &number)) {
            options.residentGrowthMiB = number;
        } else if (arg == "--frame-time-growth" && ParseNumber(value, 0, 1e6, &number)) {
            options.frameTimeGrowth = number;
        } else {
            return Usage();
        }
    }
    // No display and no sound: an offscreen GL device and a silent mixer.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Win32SetCommandLineArguments({argv[0], "/t"});
    RegisterProgramResources();
    SoakRenderer soak(options);
    return soak.Run();
}
