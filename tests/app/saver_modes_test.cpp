// The saver program end to end under Xvfb: full screen ended by input, the
// preview inside a foreign X11 window, the configuration dialog and the
// password mode.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/saver_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;

class SaverModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    TempFolder folder;
    XvfbServer xvfb{800, 600};
};

// A black window of another program at the screen's origin, mapped: the
// host's preview area.
Window MapHostWindow(Display* display, int width, int height) {
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height,
                                        0, 0, 0x000000);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

}  // namespace

TEST_F(SaverModesTest, PasswordModeReturnsAtOnce) {
    pid_t saver = StartSaver({"/a"});
    SaverGuard guard(saver);
    EXPECT_EQ(WaitFor(saver, std::chrono::seconds(20)), 0);
}

TEST_F(SaverModesTest, FullScreenEndsSoonAfterAClick) {
    pid_t saver = StartSaver({"/s"});
    SaverGuard guard(saver);
    // Wait for the full-screen window, then give the first frames time.
    ASSERT_TRUE(WaitForWindow("Velmora", std::chrono::seconds(60)));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_EQ(waitpid(saver, nullptr, WNOHANG), 0) << "the saver ended by itself";
    // A click ends it. Under load the first click may land before the window
    // takes input, so click again while it still runs.
    bool ended = false;
    int status = -1;
    for (int click = 0; click < 10 && !ended; ++click) {
        ASSERT_EQ(RunCommand("xdotool mousemove 400 300 click 1"), 0);
        auto clicked = Clock::now();
        while (!ended && Clock::now() - clicked < std::chrono::seconds(2)) {
            int raw = 0;
            if (waitpid(saver, &raw, WNOHANG) == saver) {
                ended = true;
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    }
    if (!ended) {
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(status, 0);
}

TEST_F(SaverModesTest, PreviewShowsItsBitmapInsideAForeignWindow) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Window parent = MapHostWindow(display, 200, 150);
    pid_t saver = StartSaver({"/p", std::to_string(parent)});
    SaverGuard guard(saver);

    // The preview bitmap (a frame of the scene, sky at the top) shows at the
    // top left of the parent, which sits at the screen's origin.
    int lit = 0;
    for (int attempt = 0; attempt < 100 && lit < 300; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        XImage* image =
            XGetImage(display, DefaultRootWindow(display), 0, 0, 152, 112, AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr);
        lit = 0;
        for (int y = 0; y < 112; y += 4) {
            for (int x = 0; x < 152; x += 4) lit += (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
        }
        XDestroyImage(image);
    }
    EXPECT_GE(lit, 300);

    // Destroying the host's window ends the preview.
    XDestroyWindow(display, parent);
    XSync(display, False);
    EXPECT_EQ(WaitFor(saver, std::chrono::seconds(10)), 0);
    XCloseDisplay(display);
}

TEST_F(SaverModesTest, ConfigurationDialogSavesOnEnter) {
    pid_t saver = StartSaver({"/c"});
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", std::chrono::seconds(60)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Enter presses the default button, OK, which stores every value.
    RunCommand(
        "xdotool search --onlyvisible --name '^Velmora$' windowfocus --sync key Return"
        " >/dev/null 2>&1");
    EXPECT_EQ(WaitFor(saver, std::chrono::seconds(20)), 0);
    std::string stored = folder.ReadFile("velmora/registry.reg");
    EXPECT_NE(stored.find("\"Show Time\"=dword:00000001"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"Camera Change\"=dword:0000000f"), std::string::npos);
    EXPECT_NE(stored.find("\"Sound Volume\"=dword:00000064"), std::string::npos);
}

TEST_F(SaverModesTest, DisplaySettingsOpenFromTheConfigurationDialog) {
    pid_t saver = StartSaver({"/c"});
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", std::chrono::seconds(60)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const WindowBox options106 = FindWindowBox("^Velmora$");
    const int x = options106.x, y = options106.y;
    const int width = options106.width, height = options106.height;
    // Dialog 106: a light dialog face with dark text, centred.
    ScreenLook options = LookAtScreen(x, y, width, height);
    EXPECT_GT(options.litShare, 0.95);
    EXPECT_GT(options.red, 200);

    // "Display Settings..." sits in its group box at the top left.
    RunCommand("xdotool mousemove " + std::to_string(x + 100) + " " + std::to_string(y + 50) +
               " click 1");
    ASSERT_TRUE(WaitForWindow("^Display Settings$", std::chrono::seconds(30)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const WindowBox settings = FindWindowBox("^Display Settings$");
    const int dx = settings.x, dy = settings.y, dw = settings.width, dh = settings.height;
    ASSERT_GT(dw, 100);
    ASSERT_GT(dh, 100);
    ScreenLook display = LookAtScreen(dx, dy, dw, dh);
    EXPECT_GT(display.litShare, 0.95);
    EXPECT_GT(display.colours, 5);

    // Its Cancel button (bottom right) closes it; OK of dialog 106 then
    // stores the options and ends the program.
    RunCommand("xdotool mousemove " + std::to_string(dx + dw - 56) + " " +
               std::to_string(dy + dh - 21) + " click 1");
    for (int i = 0; i < 100 && RunCommand("xdotool search --onlyvisible --name '^Display Settings$' "
                                          ">/dev/null 2>&1") == 0;
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RunCommand("xdotool mousemove " + std::to_string(x + width - 158) + " " +
               std::to_string(y + height - 25) + " click 1");
    EXPECT_EQ(WaitFor(saver, std::chrono::seconds(20)), 0);
    EXPECT_NE(folder.ReadFile("velmora/registry.reg").find("\"Show Time\"=dword:00000001"),
              std::string::npos);
}

TEST_F(SaverModesTest, PreviewWithoutAUsableGlSaysSoCentredAndStill) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Window parent = MapHostWindow(display, 152, 112);
    // Mesa then offers no 3.3 core context, so there is no device to preview with.
    pid_t saver = StartSaver({"/p", std::to_string(parent)}, "",
                             {{"MESA_GL_VERSION_OVERRIDE", "3.0"}});
    SaverGuard guard(saver);

    // A light box over the whole window with dark text whose middle is the
    // window's middle.
    std::vector<uint32_t> pixels;
    int dark = 0, light = 0, left = 152, right = -1, top = 112, bottom = -1;
    for (int attempt = 0; attempt < 100 && (dark < 30 || light < 152 * 112 / 2); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pixels = GrabScreen(0, 0, 152, 112);
        ASSERT_EQ(pixels.size(), size_t(152 * 112));
        dark = light = 0;
        left = 152, right = -1, top = 112, bottom = -1;
        for (int y = 0; y < 112; ++y) {
            for (int x = 0; x < 152; ++x) {
                uint32_t p = pixels[size_t(y) * 152 + x];
                int sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
                if (sum > 600) ++light;
                // Text: dark pixels inside the box, away from its frame.
                if (sum < 200 && x > 2 && x < 149 && y > 2 && y < 109) {
                    ++dark;
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        }
    }
    EXPECT_GT(light, 152 * 112 / 2);
    ASSERT_GE(dark, 30);
    EXPECT_NEAR((left + right) / 2.0, 75.5, 4.0);
    EXPECT_NEAR((top + bottom) / 2.0, 55.5, 4.0);
    // Still: the box does not move in preview.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(GrabScreen(0, 0, 152, 112), pixels);

    XDestroyWindow(display, parent);
    XSync(display, False);
    EXPECT_EQ(WaitFor(saver, std::chrono::seconds(10)), 0);
    XCloseDisplay(display);
}
