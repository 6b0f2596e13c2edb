// Starting SDL's video where an X display is named: a display that is not
// ready at first (an X server starting, or resetting as its last client
// left) is waited for, and the windows never end up on a driver that draws
// nowhere. Each case runs in a child process, since video starts once.
#include <gtest/gtest.h>

#include <SDL.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/video_connection.h"

namespace {

// A display number nobody uses: the server for it starts late.
std::string UnusedDisplay() {
    for (int number = 300 + getpid() % 300;; ++number) {
        char socket[64], display[16];
        std::snprintf(socket, sizeof socket, "/tmp/.X11-unix/X%d", number);
        std::snprintf(display, sizeof display, ":%d", number);
        if (access(socket, F_OK) != 0) return display;
    }
}

pid_t StartXvfbLater(const std::string& display, int delayMilliseconds) {
    pid_t pid = fork();
    if (pid == 0) {
        usleep(delayMilliseconds * 1000);
        execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "320x240x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

class VideoStartTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

}  // namespace

TEST_F(VideoStartTest, AnXDisplayThatComesUpLateIsWaitedForAndUsed) {
    const std::string display = UnusedDisplay();
    EXPECT_EXIT(
        {
            unsetenv("SDL_VIDEODRIVER");
            setenv("DISPLAY", display.c_str(), 1);
            pid_t server = StartXvfbLater(display, 700);
            bool started = Win32EnsureVideo();
            const char* driver = SDL_GetCurrentVideoDriver();
            bool onX11 = started && driver != nullptr && std::strcmp(driver, "x11") == 0;
            kill(server, SIGTERM);
            waitpid(server, nullptr, 0);
            std::_Exit(onX11 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(VideoStartTest, AnXDisplayThatNeverComesUpIsAFailureNotAnotherDriver) {
    const std::string display = UnusedDisplay();
    EXPECT_EXIT(
        {
            unsetenv("SDL_VIDEODRIVER");
            setenv("DISPLAY", display.c_str(), 1);
            std::_Exit(Win32EnsureVideo() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(VideoStartTest, AChosenDriverIsLeftAsChosen) {
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            bool started = Win32EnsureVideo();
            const char* driver = SDL_GetCurrentVideoDriver();
            std::_Exit(started && driver != nullptr && std::strcmp(driver, "offscreen") == 0 ? 0
                                                                                              : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
