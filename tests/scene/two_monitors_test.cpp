// The whole saver in full-screen mode on two monitors side by side (the
// monitor seam over one wide private X screen): one window and one device
// per monitor, drawing their parts of one wide image, or each the whole
// image with "AllScreensSame".
#include <gtest/gtest.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/monitor_seams.h"
#include "scene/rerir_screensaver.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

// libdbus, loaded by SDL's X11 video start-up, keeps one allocation for the
// whole process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace {

constexpr int kMonitorWidth = 640, kMonitorHeight = 480;

// Runs frames until both screens have drawn a while, then grabs the screen
// and quits.
class ScreenshotSaver : public CRerirScreensaver {
public:
    HRESULT AdvanceFrame() override {
        if (++frames == 40) {
            Display* display = XOpenDisplay(nullptr);
            if (display != nullptr) {
                XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0,
                                          2 * kMonitorWidth, kMonitorHeight, AllPlanes, ZPixmap);
                if (image != nullptr) {
                    pixels.resize(size_t(2) * kMonitorWidth * kMonitorHeight);
                    for (int y = 0; y < kMonitorHeight; ++y) {
                        for (int x = 0; x < 2 * kMonitorWidth; ++x) {
                            pixels[size_t(y) * 2 * kMonitorWidth + x] =
                                static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
                        }
                    }
                    XDestroyImage(image);
                }
                XCloseDisplay(display);
            }
            screensDrawn = screenDeviceCount;
            PostQuitMessage(0);
        }
        return CRerirScreensaver::AdvanceFrame();
    }

    int frames = 0;
    DWORD screensDrawn = 0;
    std::vector<uint32_t> pixels;
};

uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) {
    return pixels[size_t(y) * 2 * kMonitorWidth + x];
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16}) d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    return d / 3;
}

// Mean distance between the left monitor's pixels and the right one's.
double HalvesDistance(const std::vector<uint32_t>& pixels) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < kMonitorHeight; y += 2) {
        for (int x = 0; x < kMonitorWidth; x += 2) {
            sum += ChannelDistance(At(pixels, x, y), At(pixels, x + kMonitorWidth, y));
            ++count;
        }
    }
    return sum / count;
}

// Mean distance across the seam (last column of the left monitor against
// the first of the right), against the mean distance between neighbouring
// columns inside the left monitor.
double SeamDistance(const std::vector<uint32_t>& pixels) {
    double sum = 0;
    for (int y = 0; y < kMonitorHeight; ++y) {
        sum += ChannelDistance(At(pixels, kMonitorWidth - 1, y), At(pixels, kMonitorWidth, y));
    }
    return sum / kMonitorHeight;
}

double LitShare(const std::vector<uint32_t>& pixels, int left) {
    int lit = 0, count = 0;
    for (int y = 0; y < kMonitorHeight; y += 4) {
        for (int x = left; x < left + kMonitorWidth; x += 4) {
            uint32_t p = At(pixels, x, y);
            lit += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) > 60;
            ++count;
        }
    }
    return double(lit) / count;
}

class TwoMonitorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        static const Win32ScriptedMonitor monitors[] = {
            {{0, 0, kMonitorWidth, kMonitorHeight}, {}, nullptr, "Left adapter", "Left monitor",
             DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE, 32, 60},
            {{kMonitorWidth, 0, 2 * kMonitorWidth, kMonitorHeight}, {}, nullptr, "Right adapter",
             "Right monitor", DISPLAY_DEVICE_ATTACHED_TO_DESKTOP, 32, 60},
        };
        Win32SetScriptedMonitors(monitors, 2);
        Win32SetCommandLineArguments({"velmora", "/s"});
    }
    void TearDown() override {
        Win32SetScriptedMonitors(nullptr, 0);
        unsetenv("XDG_CONFIG_HOME");
    }

    // Runs the saver with these registry values and returns its screenshot.
    std::vector<uint32_t> Run(const std::string& values, DWORD* screens) {
        folder.WriteFile("velmora/registry.reg",
                         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                         "\"Enable Sound\"=dword:00000000\n\"Time\"=dword:00000000\n" +
                             values + "\n");
        std::filesystem::current_path(VELMORA_BINARY_DIR);  // where the build put Media.dat
        ScreenshotSaver saver;
        EXPECT_EQ(saver.Initialise(GetModuleHandle(nullptr)), S_OK);
        EXPECT_EQ(saver.RunMode(), 0);
        std::filesystem::current_path(folder.Path());
        *screens = saver.screensDrawn;
        return saver.pixels;
    }

    XvfbServer xvfb{2 * kMonitorWidth, kMonitorHeight};
    TempFolder folder;
};

}  // namespace

TEST_F(TwoMonitorsTest, EachMonitorDrawsItsPartOfOneWideImage) {
    DWORD screens = 0;
    std::vector<uint32_t> pixels = Run("\"AllScreensSame\"=dword:00000000\n", &screens);
    ASSERT_EQ(pixels.size(), size_t(2) * kMonitorWidth * kMonitorHeight);
    EXPECT_EQ(screens, 2u);
    EXPECT_GT(LitShare(pixels, 0), 0.9);
    EXPECT_GT(LitShare(pixels, kMonitorWidth), 0.9);
    // Two different views that meet at the seam as one picture.
    const double halves = HalvesDistance(pixels), seam = SeamDistance(pixels);
    std::printf("wide image: halves differ by %.1f, the seam by %.1f\n", halves, seam);
    EXPECT_GT(halves, 10.0);
    EXPECT_LT(seam, halves / 2);
}

TEST_F(TwoMonitorsTest, WithAllScreensSameEachMonitorDrawsTheWholeImage) {
    DWORD screens = 0;
    std::vector<uint32_t> pixels = Run("\"AllScreensSame\"=dword:00000001\n", &screens);
    ASSERT_EQ(pixels.size(), size_t(2) * kMonitorWidth * kMonitorHeight);
    EXPECT_EQ(screens, 2u);
    EXPECT_GT(LitShare(pixels, 0), 0.9);
    EXPECT_GT(LitShare(pixels, kMonitorWidth), 0.9);
    const double halves = HalvesDistance(pixels);
    std::printf("same image: halves differ by %.1f\n", halves);
    EXPECT_LT(halves, 3.0);
}
