// The saver as a hostile or unlucky user meets it, under a private X server:
// a registry lock held for ever, a registry file of a megabyte, a signal in
// the middle of start-up, the X server killed, a FIFO among the loose media,
// an archive of another password and preview ids that name no window. None
// hangs, none aborts, and each says what is wrong. Time limits are hang
// bounds, many times what the saver needs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "tests/app/saver_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kWidth = 1024, kHeight = 768;

const char kSaverKey[] = "\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n";
const char kScreenKey[] = "\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora\\Screen 1]\n";

// Waits until the area looks like the scene; false after `limit`.
bool WaitForScene(int x, int y, int width, int height, milliseconds limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end;) {
        if (LookAtScreen(x, y, width, height).LooksLikeTheScene()) return true;
        std::this_thread::sleep_for(milliseconds(100));
    }
    return false;
}

// Waits for the process to end; its raw wait status, or -1 after `limit`
// (it is then killed).
int WaitForStatus(pid_t pid, milliseconds limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

class SaverFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override {
        if (lockHolder >= 0) close(lockHolder);
        unsetenv("XDG_CONFIG_HOME");
    }

    void StoreRegistry(const std::string& text) { config.WriteFile("velmora/registry.reg", text); }

    // Takes registry.lock the way a hung process would, for the whole test.
    void HoldRegistryLock() {
        config.WriteFile("velmora/registry.lock", "");
        lockHolder = open((config / "velmora/registry.lock").c_str(), O_RDWR);
        ASSERT_GE(lockHolder, 0);
        ASSERT_EQ(flock(lockHolder, LOCK_EX), 0);
    }

    std::string Errors() const { return config.ReadFile("stderr.txt"); }

    TempFolder config;
    XvfbServer xvfb{kWidth, kHeight};
    int lockHolder = -1;
};

}  // namespace

TEST_F(SaverFaultsTest, AHeldRegistryLockStallsNeitherTheSaverNorItsEnd) {
    StoreRegistry(std::string("REGEDIT4\n") + kSaverKey + "\"Time\"=dword:00000000\n" +
                  kScreenKey + "\"Leave Black\"=dword:00000000\n");
    HoldRegistryLock();
    pid_t saver = StartSaver({"/s"}, "", {}, config / "stderr.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForScene(0, 0, kWidth, kHeight, seconds(60))) << Errors();
    kill(saver, SIGTERM);
    EXPECT_EQ(WaitFor(saver, seconds(5)), 0) << Errors();
}

// With the lock held and no settings yet, start-up waits two seconds for
// the lock to create the saver's key: a signal then ends the saver at once,
// the default way, long before start-up would have finished.
TEST_F(SaverFaultsTest, ASignalDuringStartUpEndsTheSaverPromptly) {
    HoldRegistryLock();
    pid_t saver = StartSaver({"/s"}, "", {}, config / "stderr.txt");
    SaverGuard guard(saver);
    std::this_thread::sleep_for(milliseconds(700));
    ASSERT_TRUE(StillRunning(saver));
    auto signalled = Clock::now();
    kill(saver, SIGTERM);
    int status = WaitForStatus(saver, seconds(20));
    double after = std::chrono::duration<double>(Clock::now() - signalled).count();
    std::printf("SIGTERM during start-up to exit: %.2f s\n", after);
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) ||
                (WIFEXITED(status) && WEXITSTATUS(status) == 0))
        << status;
    EXPECT_LT(after, 1.5) << Errors();
}

TEST_F(SaverFaultsTest, AMegabyteRegistryFileDelaysTheFirstFrameByLittle) {
    std::string text = std::string("REGEDIT4\n") + kSaverKey + "\"Enable Sound\"=dword:00000000\n";
    for (int i = 0; text.size() < (1u << 20); ++i) {
        text += "\"Left over " + std::to_string(i) + "\"=dword:00000001\n";
    }
    StoreRegistry(text + kScreenKey + "\"Leave Black\"=dword:00000000\n");
    auto start = Clock::now();
    pid_t saver = StartSaver({"/t"}, "", {}, config / "stderr.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    const WindowBox box = FindWindowBox("^Velmora$");
    ASSERT_TRUE(WaitForScene(box.x, box.y, box.width, box.height, seconds(30))) << Errors();
    std::printf("start to the scene with a %zu byte registry: %.2f s\n", text.size(),
                std::chrono::duration<double>(Clock::now() - start).count());
    ASSERT_TRUE(CloseWindowNamed("^Velmora$"));
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0);
}

TEST_F(SaverFaultsTest, LosingTheXServerEndsWithStatusOneAndNoAbort) {
    // Sound on: its feeder thread runs when the display goes.
    pid_t saver = StartSaver({"/t"}, "", {}, config / "stderr.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    const WindowBox box = FindWindowBox("^Velmora$");
    ASSERT_TRUE(WaitForScene(box.x, box.y, box.width, box.height, seconds(60))) << Errors();
    xvfb.Kill();
    int status = WaitForStatus(saver, seconds(20));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << "\n" << Errors();
    EXPECT_NE(Errors().find("the connection to the X server " + xvfb.Display() + " was lost"),
              std::string::npos)
        << Errors();
    EXPECT_EQ(Errors().find("terminate"), std::string::npos) << Errors();
}

TEST_F(SaverFaultsTest, AFifoAmongTheLooseMediaIsPassedOver) {
    TempFolder run;
    ASSERT_EQ(symlink((std::string(VELMORA_BINARY_DIR) + "/Media.dat").c_str(),
                      (run / "Media.dat").c_str()),
              0);
    run.WriteFile("media/texture/keep", "");
    ASSERT_EQ(mkfifo((run / "media/texture/shore.jpg").c_str(), 0644), 0);
    pid_t saver = StartSaver({"/t"}, run.Path(), {}, config / "stderr.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    const WindowBox box = FindWindowBox("^Velmora$");
    EXPECT_TRUE(WaitForScene(box.x, box.y, box.width, box.height, seconds(60))) << Errors();
    EXPECT_NE(Errors().find("media/texture/shore.jpg is a FIFO"), std::string::npos) << Errors();
    ASSERT_TRUE(CloseWindowNamed("^Velmora$"));
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0);
}

// An archive whose entries another password sealed is no media at all: the
// error display instead of a scene with every model missing, and standard
// error says what the archive is not.
TEST_F(SaverFaultsTest, AnArchiveOfAnotherPasswordShowsTheErrorAndSaysWhy) {
    TempFolder run;
    run.WriteFile("src/sound/ocean.ogg", std::string(4000, 'o'));
    run.WriteFile("src/models/scene.r3m", std::string(4000, 'm'));
    ASSERT_EQ(RunCommand("cd src && zip -q -r -X -e -P other7x ../Media.dat ."), 0);
    pid_t saver = StartSaver({"/s"}, run.Path(), {}, config / "stderr.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    // The message box is the only lit thing on the screen.
    ScreenLook look;
    for (auto end = Clock::now() + seconds(30); Clock::now() < end;) {
        look = LookAtScreen(0, 0, kWidth, kHeight);
        if (look.litShare > 0.01) break;
        std::this_thread::sleep_for(milliseconds(100));
    }
    EXPECT_GT(look.litShare, 0.01);
    EXPECT_LT(look.litShare, 0.3);
    EXPECT_NE(Errors().find("Media.dat is not a Velmora archive"), std::string::npos) << Errors();
    EXPECT_NE(Errors().find("Velmora: There was an unspecified problem with this screen saver."),
              std::string::npos)
        << Errors();
    EXPECT_EQ(Errors().find("sound file is bad"), std::string::npos) << Errors();
    kill(saver, SIGTERM);
    EXPECT_EQ(WaitFor(saver, seconds(10)), 0);
}

TEST_F(SaverFaultsTest, APreviewIdThatNamesNoWindowEndsAtOnceWithStatusTwo) {
    for (const char* id : {"0", "-5", "12345", "notanid"}) {
        pid_t saver = StartSaver({"/p", id}, "", {}, config / "stderr.txt");
        SaverGuard guard(saver);
        EXPECT_EQ(WaitFor(saver, seconds(10)), 2) << id;
        EXPECT_NE(Errors().find("cannot preview: no window has the id"), std::string::npos)
            << id << ": " << Errors();
    }
}
