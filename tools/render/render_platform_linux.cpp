// On Linux: the heap policy the saver loads with, and SDL's offscreen video
// and silent audio drivers, so no display and no sound card are needed.
#include "tools/render/render_platform.h"

#include <cstdlib>
#include <ctime>

#include "platform/win32/heap_policy.h"

namespace {

double Seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

void PrepareRenderProcess() {
    Win32ApplyHeapPolicy();
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

double ProcessCpuSeconds() {
    return Seconds(CLOCK_PROCESS_CPUTIME_ID);
}

double ThreadCpuSeconds() {
    return Seconds(CLOCK_THREAD_CPUTIME_ID);
}
