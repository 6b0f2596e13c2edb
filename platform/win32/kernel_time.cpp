// Clocks on CLOCK_MONOTONIC (the millisecond clocks and the counter) and the
// local wall-clock time.
#include <windows.h>

#include <sched.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

namespace {

uint64_t MonotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000000000ull + uint64_t(now.tv_nsec);
}

void FillSystemTime(LPSYSTEMTIME out, bool local) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    tm parts{};
    if (local) {
        localtime_r(&seconds, &parts);
    } else {
        gmtime_r(&seconds, &parts);
    }
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    out->wSecond = static_cast<WORD>(parts.tm_sec < 60 ? parts.tm_sec : 59);
    out->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

}  // namespace

DWORD timeGetTime() {
    return static_cast<DWORD>(MonotonicNanoseconds() / 1000000ull);
}

DWORD GetTickCount() {
    return timeGetTime();
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = 1000000000ll;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (count == nullptr) return FALSE;
    count->QuadPart = static_cast<LONGLONG>(MonotonicNanoseconds());
    return TRUE;
}

void GetLocalTime(LPSYSTEMTIME time) {
    if (time != nullptr) FillSystemTime(time, true);
}

void GetSystemTime(LPSYSTEMTIME time) {
    if (time != nullptr) FillSystemTime(time, false);
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) pause();
    }
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}
