// On Windows the system's heap, its Direct3D 8 and the renderer's hidden
// window need nothing set up; CPU time comes from the kernel's accounting.
#include "tools/render/render_platform.h"

#include <windows.h>

namespace {

// User and kernel time together, in seconds (FILETIME counts 100 ns units).
double CpuSeconds(const FILETIME& kernel, const FILETIME& user) {
    auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

}  // namespace

void PrepareRenderProcess() {}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    return CpuSeconds(kernel, user);
}

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    return CpuSeconds(kernel, user);
}
