// The saver as a hack of a real XScreenSaver daemon under Xvfb: activated, it
// draws the scene in the daemon's window; deactivated, the daemon's SIGTERM
// ends it cleanly. Options on the hack's command line hold for that run only,
// and the settings program's preview pane shows the scene however often it is
// opened.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/x_screen.h"
#include "tests/support/xscreensaver_daemon.h"
#include "tests/support/xvfb_server.h"

namespace {

using std::chrono::seconds;

constexpr int kWidth = 1024, kHeight = 768;

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// A day frame at a glance: the scene, with a sky bluer than it is red.
bool LooksLikeDay(const std::vector<uint32_t>& screen) {
    const ScreenLook whole = LookAtPixels(screen, kWidth, 0, 0, kWidth, kHeight);
    const ScreenLook sky = LookAtPixels(screen, kWidth, 0, 0, kWidth, kHeight / 5);
    return whole.LooksLikeTheScene() && sky.blue > sky.red + 20;
}

// A night frame: a dark, bluish sky over a scene with many colours.
bool LooksLikeNight(const std::vector<uint32_t>& screen) {
    const ScreenLook whole = LookAtPixels(screen, kWidth, 0, 0, kWidth, kHeight);
    const ScreenLook sky = LookAtPixels(screen, kWidth, 0, 0, kWidth, kHeight / 5);
    return whole.colours > 100 && sky.red + sky.green + sky.blue < 3 * 90 &&
           sky.blue > sky.red;
}

// How many columns of the bottom-right corner, where the clock is, hold its
// yellow text.
int ClockColumns(const std::vector<uint32_t>& screen) {
    int columns = 0;
    for (int x = kWidth / 2; x < kWidth; ++x) {
        for (int y = kHeight * 7 / 8; y < kHeight; ++y) {
            const uint32_t p = screen[size_t(y) * kWidth + x];
            if (((p >> 16) & 0xFF) > 180 && ((p >> 8) & 0xFF) > 180 && (p & 0xFF) < 100) {
                ++columns;
                break;
            }
        }
    }
    return columns;
}

// Whether the disk audio file holds anything but silence.
bool SoundWasPlayed(const std::string& path) {
    const std::string samples = ReadWholeFile(path);
    return std::any_of(samples.begin(), samples.end(), [](char byte) { return byte != 0; });
}

class XScreenSaverHackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        // A connection held for the whole test, as a desktop session holds
        // one: an X server with no clients left resets, and a daemon that
        // connects at that moment is refused.
        session = XOpenDisplay(nullptr);
        ASSERT_NE(session, nullptr);
        if (!XScreenSaverInstalled()) GTEST_SKIP() << "XScreenSaver is not installed";
        home = folder.Path();
        // Settings the saver must leave as they are, with the key of the
        // screen's settings its first run creates.
        folder.WriteFile(".config/velmora/registry.reg",
                         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                         "\"Enable Sound\"=dword:00000000\n\"Time\"=dword:00000000\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora\\Screen 1]\n");
        settings = ReadWholeFile(home + "/.config/velmora/registry.reg");
    }

    void TearDown() override {
        daemon.reset();
        const std::string pid = ReadWholeFile(home + "/saver.pid");
        if (!pid.empty()) kill(std::atoi(pid.c_str()), SIGKILL);
        if (session != nullptr) XCloseDisplay(session);
    }

    // The daemon with the saver, started as `command` in the build folder
    // through the hack script, as its one hack.
    void StartDaemon(const std::string& command) {
        const std::string script = WriteHackScript(home, VELMORA_BINARY_DIR, command);
        daemon = std::make_unique<XScreenSaverDaemon>(home, script);
        ASSERT_TRUE(daemon->Running()) << daemon->Log();
    }

    // Activates the daemon and waits until the screen shows what `shows`
    // looks for; the screen last seen.
    template <typename Shows>
    std::vector<uint32_t> ActivateUntil(Shows shows) {
        for (const char* file : {"saver.pid", "terminated", "ended", "exit-status"}) {
            unlink((home + "/" + file).c_str());
        }
        EXPECT_EQ(daemon->Command("activate"), 0);
        std::vector<uint32_t> screen;
        const bool shown = WaitUntil(
            [&] {
                screen = GrabScreen(0, 0, kWidth, kHeight);
                return (screen.size() == size_t(kWidth) * kHeight && shows(screen)) ||
                       Exists(home + "/ended");
            },
            seconds(90));
        EXPECT_TRUE(shown && !Exists(home + "/ended")) << daemon->Log();
        return screen;
    }

    // Deactivates the daemon and waits for the saver's end; its exit status.
    int Deactivate() {
        EXPECT_EQ(daemon->Command("deactivate"), 0);
        const bool ended = WaitUntil([&] { return Exists(home + "/exit-status"); }, seconds(20));
        EXPECT_TRUE(ended) << daemon->Log();
        EXPECT_TRUE(Exists(home + "/terminated")) << "the daemon did not send SIGTERM";
        const double fromSignal = std::atof(ReadWholeFile(home + "/ended").c_str()) -
                                  std::atof(ReadWholeFile(home + "/terminated").c_str());
        std::printf("SIGTERM to exit: %.3f s\n", fromSignal);
        return ended ? std::atoi(ReadWholeFile(home + "/exit-status").c_str()) : -1;
    }

    XvfbServer xvfb{kWidth, kHeight};
    Display* session = nullptr;
    TempFolder folder;
    std::string home;
    std::string settings;
    std::unique_ptr<XScreenSaverDaemon> daemon;
};

}  // namespace

TEST_F(XScreenSaverHackTest, ActivatedItDrawsTheSceneAndDeactivatedItEndsCleanly) {
    StartDaemon("./app/velmora --root");
    ActivateUntil(LooksLikeDay);
    EXPECT_EQ(Deactivate(), 0);
    EXPECT_EQ(ReadWholeFile(home + "/.config/velmora/registry.reg"), settings);
}

TEST_F(XScreenSaverHackTest, OptionsHoldForOneRunAndLeaveTheStoredSettingsAlone) {
    // The options come from a file the test rewrites between activations;
    // the disk audio driver writes whatever the saver plays.
    StartDaemon("SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + home +
                "/sound.raw' ./app/velmora --root $(cat '" + home + "/options')");

    folder.WriteFile("options", "--time night --clock 24 --no-sound\n");
    const std::vector<uint32_t> night24 = ActivateUntil(LooksLikeNight);
    EXPECT_EQ(Deactivate(), 0);
    EXPECT_FALSE(SoundWasPlayed(home + "/sound.raw"));

    folder.WriteFile("options", "--time night --clock 12 --sound\n");
    const std::vector<uint32_t> night12 = ActivateUntil(LooksLikeNight);
    EXPECT_EQ(Deactivate(), 0);
    EXPECT_TRUE(SoundWasPlayed(home + "/sound.raw"));

    // "06:14" against "06:14am": the 24-hour clock has no suffix.
    ASSERT_FALSE(night24.empty() || night12.empty());
    const int columns24 = ClockColumns(night24), columns12 = ClockColumns(night12);
    EXPECT_GT(columns24, 20);
    EXPECT_GT(columns12, columns24 * 6 / 5) << columns24 << " against " << columns12;
    EXPECT_EQ(ReadWholeFile(home + "/.config/velmora/registry.reg"), settings);
}

TEST_F(XScreenSaverHackTest, SettingsPreviewPaneShowsTheSceneEachTimeItOpens) {
    if (RunCommand("command -v xscreensaver-settings >/dev/null") != 0) {
        GTEST_SKIP() << "the settings program is not installed";
    }
    StartDaemon("./app/velmora");
    for (int opening = 1; opening <= 3; ++opening) {
        SCOPED_TRACE("opening " + std::to_string(opening));
        for (const char* file : {"arguments", "saver.pid", "ended", "exit-status"}) {
            unlink((home + "/" + file).c_str());
        }
        const pid_t settingsProgram =
            daemon->StartBeside("xscreensaver-settings", {}, "settings.log");
        ASSERT_GT(settingsProgram, 0);
        ASSERT_TRUE(WaitUntil([&] { return Exists(home + "/saver.pid"); }, seconds(60)))
            << ReadWholeFile(home + "/settings.log");
        const std::string arguments = ReadWholeFile(home + "/arguments");
        const size_t named = arguments.find("--window-id ");
        ASSERT_NE(named, std::string::npos) << arguments;
        const unsigned long pane = std::strtoul(arguments.c_str() + named + 12, nullptr, 0);

        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(session, pane, &attributes));
        ScreenLook look;
        const bool drawn = WaitUntil(
            [&] {
                const std::vector<uint32_t> pixels =
                    GrabWindow(pane, attributes.width, attributes.height);
                if (pixels.empty()) return false;
                look = LookAtPixels(pixels, attributes.width, 0, 0, attributes.width,
                                    attributes.height);
                return look.LooksLikeTheScene() || Exists(home + "/ended");
            },
            seconds(90));
        EXPECT_TRUE(drawn && look.LooksLikeTheScene())
            << "lit " << look.litShare << ", colours " << look.colours << "\n"
            << ReadWholeFile(home + "/settings.log");

        // Closing the settings program takes the pane, and the saver with it.
        kill(settingsProgram, SIGTERM);
        waitpid(settingsProgram, nullptr, 0);
        EXPECT_TRUE(WaitUntil([&] { return Exists(home + "/exit-status"); }, seconds(20)));
    }
}
