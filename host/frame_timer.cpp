#include "host/frame_timer.h"

namespace {

BOOL SystemFrequency(LARGE_INTEGER* frequency) {
    return QueryPerformanceFrequency(frequency);
}
BOOL SystemCounter(LARGE_INTEGER* counter) {
    return QueryPerformanceCounter(counter);
}
DWORD SystemMilliseconds() {
    return timeGetTime();
}

const FrameTimerClock systemClock = {SystemFrequency, SystemCounter, SystemMilliseconds};

struct TimerState {
    const FrameTimerClock* clock = &systemClock;
    bool initialised = false;
    bool usingCounter = false;
    LONGLONG ticksPerSecond = 0;
    bool stopped = true;
    // Counter path, in ticks.
    LONGLONG baseTime = 0;
    LONGLONG stopTime = 0;
    LONGLONG lastElapsedTime = 0;
    // Millisecond path, in seconds.
    double baseSeconds = 0.0;
    double stopSeconds = 0.0;
    double lastElapsedSeconds = 0.0;
};

TimerState state;

bool IsKnown(TimerCommand command) {
    return static_cast<int32_t>(command) >= static_cast<int32_t>(TimerCommand::Reset) &&
           static_cast<int32_t>(command) <= static_cast<int32_t>(TimerCommand::ElapsedTime);
}

// A stopped clock stands still, except for starting it and for the absolute time.
bool ReadsStopTime(TimerCommand command) {
    return command != TimerCommand::Start && command != TimerCommand::AbsoluteTime;
}

float CounterPath(TimerCommand command) {
    LONGLONG now;
    if (state.stopTime != 0 && ReadsStopTime(command)) {
        now = state.stopTime;
    } else {
        LARGE_INTEGER counter = {};
        state.clock->queryCounter(&counter);
        now = counter.QuadPart;
    }
    const double perSecond = static_cast<double>(state.ticksPerSecond);
    switch (command) {
        case TimerCommand::ElapsedTime: {
            const double elapsed = static_cast<double>(now - state.lastElapsedTime) / perSecond;
            state.lastElapsedTime = now;
            return static_cast<float>(elapsed);
        }
        case TimerCommand::AppTime:
            return static_cast<float>(static_cast<double>(now - state.baseTime) / perSecond);
        case TimerCommand::Reset:
            state.baseTime = now;
            state.lastElapsedTime = now;
            state.stopTime = 0;
            state.stopped = false;
            return 0.0f;
        case TimerCommand::Start:
            if (state.stopped) state.baseTime += now - state.stopTime;
            state.stopTime = 0;
            state.lastElapsedTime = now;
            state.stopped = false;
            return 0.0f;
        case TimerCommand::Stop:
            state.stopTime = now;
            state.lastElapsedTime = now;
            state.stopped = true;
            return 0.0f;
        case TimerCommand::Advance:
            state.stopTime += state.ticksPerSecond / 10;
            return 0.0f;
        case TimerCommand::AbsoluteTime:
            return static_cast<float>(static_cast<double>(now) / perSecond);
    }
    return -1.0f;
}

float MillisecondPath(TimerCommand command) {
    double now;
    if (state.stopSeconds != 0.0 && ReadsStopTime(command)) {
        now = state.stopSeconds;
    } else {
        now = static_cast<double>(state.clock->milliseconds()) * 0.001;
    }
    switch (command) {
        case TimerCommand::ElapsedTime: {
            const double elapsed = now - state.lastElapsedSeconds;
            state.lastElapsedSeconds = now;
            return static_cast<float>(elapsed);
        }
        case TimerCommand::AppTime:
            return static_cast<float>(now - state.baseSeconds);
        case TimerCommand::Reset:
            state.baseSeconds = now;
            state.lastElapsedSeconds = now;
            state.stopSeconds = 0.0;
            state.stopped = false;
            return 0.0f;
        case TimerCommand::Start:
            if (state.stopped) state.baseSeconds += now - state.stopSeconds;
            state.stopSeconds = 0.0;
            state.lastElapsedSeconds = now;
            state.stopped = false;
            return 0.0f;
        case TimerCommand::Stop:
            state.stopSeconds = now;
            state.lastElapsedSeconds = now;
            state.stopped = true;
            return 0.0f;
        case TimerCommand::Advance:
            state.stopSeconds += static_cast<double>(0.1f);
            return 0.0f;
        case TimerCommand::AbsoluteTime:
            return static_cast<float>(now);
    }
    return -1.0f;
}

}  // namespace

float FrameTimer(TimerCommand command) {
    if (!state.initialised) {
        state.initialised = true;
        LARGE_INTEGER frequency = {};
        state.usingCounter =
            state.clock->queryFrequency(&frequency) != FALSE && frequency.QuadPart > 0;
        if (state.usingCounter) state.ticksPerSecond = frequency.QuadPart;
    }
    if (!IsKnown(command)) return -1.0f;
    return state.usingCounter ? CounterPath(command) : MillisecondPath(command);
}

void SetFrameTimerClock(const FrameTimerClock* clock) {
    state = TimerState{};
    state.clock = clock != nullptr ? clock : &systemClock;
}
