// Termination signals as a request to quit. Each case runs in a child
// process of its own (a death test), since the handlers stay installed.
#include <gtest/gtest.h>
#include <windows.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/win32/termination_signals.h"

namespace {

// Signals come as a session sends them: to the process, not to a thread.
void SendToSelf(int signal) {
    kill(getpid(), signal);
}

// Exits 0 when the first message this thread retrieves is WM_QUIT with code
// 0; the watcher hands the request over moments after the signal.
void ExitWithQuitSeen() {
    MSG message{};
    for (int look = 0; look < 10000; ++look) {
        if (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            std::_Exit(message.message == WM_QUIT && message.wParam == 0 ? 0 : 1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::_Exit(4);
}

// Waits until the watcher has recorded the request (a modal loop's look).
void WaitUntilPending() {
    while (!Win32TerminationPending()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

class TerminationSignalsTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

}  // namespace

TEST_F(TerminationSignalsTest, EachSignalBecomesOneQuitMessage) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EXIT(
            {
                Win32QuitOnTerminationSignals();
                SendToSelf(signal);
                ExitWithQuitSeen();
            },
            ::testing::ExitedWithCode(0), "")
            << signal;
    }
    // Taken once: the following retrieval finds nothing.
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            SendToSelf(SIGTERM);
            WaitUntilPending();
            MSG message{};
            PeekMessage(&message, nullptr, 0, 0, PM_REMOVE);
            std::_Exit(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(TerminationSignalsTest, OnlyTheWatchingThreadGetsTheQuit) {
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            SendToSelf(SIGTERM);
            WaitUntilPending();
            bool otherSaw = true;
            std::thread other([&] {
                MSG message{};
                otherSaw = PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
            });
            other.join();
            if (otherSaw) std::_Exit(2);
            ExitWithQuitSeen();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(TerminationSignalsTest, ASecondSignalBeforeTheFirstIsTakenEndsTheProcess) {
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            SendToSelf(SIGTERM);
            WaitUntilPending();
            SendToSelf(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(30));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

TEST_F(TerminationSignalsTest, WithoutWatchingASignalKeepsItsDefaultMeaning) {
    EXPECT_EXIT(
        {
            SendToSelf(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(30));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

// A program that is busy starting or loading (here: asleep) never looks for
// messages: the request still ends it, promptly and the default way.
TEST_F(TerminationSignalsTest, ARequestNobodyComesForEndsTheProcessSoon) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            SendToSelf(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(30));
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    // A hang bound only: the request waits 150 ms on a quiet machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// A modal loop that sees the request closes for it and leaves it to the loop
// below: meanwhile the watchdog leaves the process alone.
TEST_F(TerminationSignalsTest, ARequestAModalLoopHasSeenIsLeftToTheProgram) {
    EXPECT_EXIT(
        {
            Win32QuitOnTerminationSignals();
            SendToSelf(SIGTERM);
            WaitUntilPending();
            std::this_thread::sleep_for(std::chrono::seconds(1));
            ExitWithQuitSeen();
        },
        ::testing::ExitedWithCode(0), "");
}
