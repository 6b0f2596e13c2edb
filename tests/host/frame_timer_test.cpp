#include "host/frame_timer.h"

#include <gtest/gtest.h>

namespace {

// A clock the test moves by hand.
LONGLONG counterTicks = 0;
DWORD clockMilliseconds = 0;

BOOL Frequency(LARGE_INTEGER* f) {
    f->QuadPart = 1000000;
    return TRUE;
}
BOOL NoFrequency(LARGE_INTEGER*) {
    return FALSE;
}
BOOL Counter(LARGE_INTEGER* c) {
    c->QuadPart = counterTicks;
    return TRUE;
}
DWORD Milliseconds() {
    return clockMilliseconds;
}

const FrameTimerClock counterClock = {Frequency, Counter, Milliseconds};
const FrameTimerClock millisecondClock = {NoFrequency, Counter, Milliseconds};

// Moves both clocks by the same number of seconds.
void Wait(double seconds) {
    counterTicks += static_cast<LONGLONG>(seconds * 1000000.0 + 0.5);
    clockMilliseconds += static_cast<DWORD>(seconds * 1000.0 + 0.5);
}

class FrameTimerTest : public testing::TestWithParam<const FrameTimerClock*> {
protected:
    void SetUp() override {
        counterTicks = 5000000;  // the system has been up 5 seconds
        clockMilliseconds = 5000;
        SetFrameTimerClock(GetParam());
    }
    void TearDown() override { SetFrameTimerClock(nullptr); }
};

TEST_P(FrameTimerTest, CountsFromTheFirstStart) {
    EXPECT_EQ(FrameTimer(TimerCommand::Start), 0.0f);
    Wait(0.25);
    EXPECT_NEAR(FrameTimer(TimerCommand::ElapsedTime), 0.25f, 1e-6);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 0.25f, 1e-6);
    Wait(0.5);
    EXPECT_NEAR(FrameTimer(TimerCommand::ElapsedTime), 0.5f, 1e-6);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 0.75f, 1e-6);
    EXPECT_NEAR(FrameTimer(TimerCommand::AbsoluteTime), 5.75f, 1e-5);
}

TEST_P(FrameTimerTest, StopFreezesAppTimeButNotAbsoluteTime) {
    FrameTimer(TimerCommand::Start);
    Wait(1.0);
    FrameTimer(TimerCommand::Stop);
    Wait(2.0);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 1.0f, 1e-6);
    EXPECT_EQ(FrameTimer(TimerCommand::ElapsedTime), 0.0f);
    EXPECT_NEAR(FrameTimer(TimerCommand::AbsoluteTime), 8.0f, 1e-5);
    // Three steps of a tenth of a second while stopped.
    FrameTimer(TimerCommand::Advance);
    FrameTimer(TimerCommand::Advance);
    FrameTimer(TimerCommand::Advance);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 1.3f, 1e-6);
    // Starting again leaves the stopped span out, but keeps the advance.
    FrameTimer(TimerCommand::Start);
    Wait(0.5);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 1.8f, 1e-6);
}

TEST_P(FrameTimerTest, ResetRestartsAppTime) {
    FrameTimer(TimerCommand::Start);
    Wait(3.0);
    FrameTimer(TimerCommand::Reset);
    Wait(0.125);
    EXPECT_NEAR(FrameTimer(TimerCommand::AppTime), 0.125f, 1e-6);
    EXPECT_NEAR(FrameTimer(TimerCommand::ElapsedTime), 0.125f, 1e-6);
}

TEST_P(FrameTimerTest, UnknownCommandReturnsMinusOneAndChangesNothing) {
    FrameTimer(TimerCommand::Start);
    Wait(1.0);
    EXPECT_EQ(FrameTimer(static_cast<TimerCommand>(7)), -1.0f);
    EXPECT_EQ(FrameTimer(static_cast<TimerCommand>(-1)), -1.0f);
    EXPECT_NEAR(FrameTimer(TimerCommand::ElapsedTime), 1.0f, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Clocks, FrameTimerTest, testing::Values(&counterClock, &millisecondClock),
                         [](const testing::TestParamInfo<const FrameTimerClock*>& info) {
                             return std::string(info.param == &counterClock ? "Counter"
                                                                            : "Milliseconds");
                         });

TEST(FrameTimerMilliseconds, ResolutionIsOneMillisecond) {
    counterTicks = 0;
    clockMilliseconds = 1000;
    SetFrameTimerClock(&millisecondClock);
    FrameTimer(TimerCommand::Start);
    counterTicks += 1234;  // ignored without a counter
    clockMilliseconds += 1;
    EXPECT_NEAR(FrameTimer(TimerCommand::ElapsedTime), 0.001f, 1e-7);
    EXPECT_EQ(FrameTimer(TimerCommand::ElapsedTime), 0.0f);
    SetFrameTimerClock(nullptr);
}

}  // namespace
