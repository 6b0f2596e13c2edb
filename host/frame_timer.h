// The frame loop's clock: time since the saver started, time since the previous
// frame and an absolute time, from the performance counter when the system has
// one and from the millisecond clock otherwise. One process-wide state.
#pragma once

#include <windows.h>

#include <cstdint>

enum class TimerCommand : int32_t {
    Reset = 0,
    Start = 1,
    Stop = 2,
    Advance = 3,
    AbsoluteTime = 4,
    AppTime = 5,
    ElapsedTime = 6,
};

// Seconds for AbsoluteTime, AppTime and ElapsedTime; 0 for the other known
// commands; -1 for an unknown command.
float FrameTimer(TimerCommand command);

// The clocks the timer reads. Tests put their own in; null restores the system's.
// Installing a clock also forgets all timer state, as at program start.
struct FrameTimerClock {
    BOOL (*queryFrequency)(LARGE_INTEGER* frequency);
    BOOL (*queryCounter)(LARGE_INTEGER* counter);
    DWORD (*milliseconds)();
};
void SetFrameTimerClock(const FrameTimerClock* clock);
