#include "platform/startup_profile.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

const bool startupProfileEnabled = std::getenv("VELMORA_STARTUP_PROFILE") != nullptr;

namespace {

std::atomic<int64_t> phaseNanoseconds[kStartupPhaseCount];
std::atomic<bool> reported{false};
thread_local StartupPhaseScope* innermost = nullptr;

int64_t Now(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Milliseconds since the kernel started this process (its start time is kept
// in clock ticks since boot, so the figure is good to one tick, 10 ms).
double MillisecondsSinceProcessStart() {
    FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) return -1.0;
    char text[1024];
    size_t length = std::fread(text, 1, sizeof(text) - 1, stat);
    std::fclose(stat);
    text[length] = '\0';
    // Field 22, counted after the command name, which ends at the last ')'.
    char* field = nullptr;
    for (char* p = text; *p; ++p)
        if (*p == ')') field = p;
    if (field == nullptr) return -1.0;
    unsigned long long startTicks = 0;
    if (std::sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d "
                               "%*d %*d %*d %llu",
                    &startTicks) != 1)
        return -1.0;
    const double startSeconds = static_cast<double>(startTicks) / sysconf(_SC_CLK_TCK);
    return (Now(CLOCK_BOOTTIME) / 1e9 - startSeconds) * 1000.0;
}

}  // namespace

void StartupPhaseScope::Enter(StartupPhase which) {
    entered = true;
    phase = which;
    startNanoseconds = Now(CLOCK_THREAD_CPUTIME_ID);
    outer = innermost;
    if (outer != nullptr)
        phaseNanoseconds[static_cast<int>(outer->phase)] += startNanoseconds - outer->startNanoseconds;
    innermost = this;
}

void StartupPhaseScope::Leave() {
    const int64_t now = Now(CLOCK_THREAD_CPUTIME_ID);
    phaseNanoseconds[static_cast<int>(phase)] += now - startNanoseconds;
    if (outer != nullptr) outer->startNanoseconds = now;
    innermost = outer;
}

void ReportStartupProfile() {
    if (reported.exchange(true)) return;
    auto ms = [](StartupPhase p) { return phaseNanoseconds[static_cast<int>(p)] / 1e6; };
    std::fprintf(stderr,
                 "startup: first frame %.0f ms after process start (%.0f ms of CPU); archive "
                 "reads %.1f ms, image decoding %.1f ms, model loading %.1f ms, GL upload %.1f ms, "
                 "shader builds %.1f ms\n",
                 MillisecondsSinceProcessStart(), Now(CLOCK_PROCESS_CPUTIME_ID) / 1e6,
                 ms(StartupPhase::ArchiveRead),
                 ms(StartupPhase::ImageDecode), ms(StartupPhase::ModelLoad),
                 ms(StartupPhase::GlUpload), ms(StartupPhase::ShaderBuild));
}
