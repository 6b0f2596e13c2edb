// The saver's own windows under a private X server: the Test window with the
// error box drifting over black, ended by closing the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "tests/host/recording_saver.h"
#include "tests/host/screen_pixel.h"
#include "tests/support/xvfb_server.h"

namespace {

// Looks at the screen while the error box is shown, then closes the window.
class PaintingSaver : public RecordingSaver {
public:
    using RecordingSaver::RecordingSaver;
    int paints = 0;
    uint32_t insideBox = 0;
    uint32_t outsideBox = 0;

    void PaintIdleWindow(HWND paintWindow, HDC dc) override {
        ++paints;
        if (paints == 4) {
            // What the earlier paints left on the screen.
            POINT origin = {0, 0};
            ClientToScreen(paintWindow, &origin);
            const RECT box = {static_cast<LONG>(monitors[0].boxX),
                              static_cast<LONG>(monitors[0].boxY), 0, 0};
            insideBox = ScreenPixel(origin.x + box.left + 4, origin.y + box.top + 4);
            outsideBox = ScreenPixel(origin.x + 2, origin.y + 2);
            PostMessage(window, WM_CLOSE, 0, 0);
        }
        CD3DScreensaver::PaintIdleWindow(paintWindow, dc);
    }
};

// One X server for the whole process: the video system binds to the first
// display it opens.
bool StartPrivateDisplay() {
    static XvfbServer server(1024, 768);
    return server.Running();
}

TEST(SaverWindow, TestWindowShowsTheErrorBoxAndEndsWhenClosed) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    std::vector<std::string> log;
    PaintingSaver saver(&log);
    // The start of Initialise without its drop to idle priority, which would
    // starve this test on a busy machine.
    saver.mode = ScreenSaverMode::Test;
    saver.EnumerateMonitors();
    ASSERT_EQ(saver.CreateSaverWindows(), S_OK);
    ASSERT_NE(saver.window, nullptr);
    EXPECT_EQ(saver.monitors[0].window, saver.window);
    RECT client = {};
    GetClientRect(saver.window, &client);
    EXPECT_EQ(client.right - client.left, 600);
    EXPECT_EQ(client.bottom - client.top, 400);
    EXPECT_EQ(saver.totalRenderRect.right, 600);
    EXPECT_EQ(saver.totalRenderRect.bottom, 400);

    // Whatever the graphics system offers, show the error display.
    saver.errorMode = TRUE;
    saver.errorCode = SaverErrCreateDeviceFailed;
    EXPECT_EQ(saver.RunMode(), 0);

    EXPECT_GE(saver.paints, 4);
    EXPECT_STREQ(saver.errorText, "Could not create the Direct3D device.");
    EXPECT_EQ(saver.insideBox, 0xFFFFFFu);
    EXPECT_EQ(saver.outsideBox, 0x000000u);
    // Closing the window ended the run once, without a scene to start.
    EXPECT_EQ(std::count(log.begin(), log.end(), "ShutdownScene"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "InitScene"), 0);
    EXPECT_EQ(saver.direct3d, nullptr);
    EXPECT_EQ(saver.adapters[0], nullptr);
}

TEST(SaverWindow, WithoutMultiMonitorFunctionsOneDisplayCoversTheScreen) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    SetMultiMonitorFunctions(&EmulatedMultiMonitor());
    std::vector<std::string> log;
    RecordingSaver saver(&log);
    saver.EnumerateMonitors();
    ASSERT_EQ(saver.monitorCount, 1u);
    EXPECT_STREQ(saver.monitors[0].adapterName, "DISPLAY");
    EXPECT_EQ(saver.monitors[0].monitorHandle, PRIMARY_MONITOR_HANDLE);
    EXPECT_EQ(saver.monitors[0].screenRect.left, 0);
    EXPECT_EQ(saver.monitors[0].screenRect.top, 0);
    EXPECT_EQ(saver.monitors[0].screenRect.right, 1024);
    EXPECT_EQ(saver.monitors[0].screenRect.bottom, 768);

    const MultiMonitorFunctions& emulated = EmulatedMultiMonitor();
    MONITORINFOEX info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(
        emulated.getMonitorInfo(PRIMARY_MONITOR_HANDLE, reinterpret_cast<LPMONITORINFO>(&info)));
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
    EXPECT_STREQ(info.szDevice, "DISPLAY");
    EXPECT_FALSE(emulated.getMonitorInfo(reinterpret_cast<HMONITOR>(uintptr_t{7}),
                                         reinterpret_cast<LPMONITORINFO>(&info)));
    const RECT offScreen = {2000, 0, 2100, 100};
    EXPECT_EQ(emulated.monitorFromRect(&offScreen, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(emulated.monitorFromRect(&offScreen, MONITOR_DEFAULTTONEAREST),
              PRIMARY_MONITOR_HANDLE);
    DISPLAY_DEVICE second = {};
    second.cb = sizeof(second);
    EXPECT_FALSE(emulated.enumDisplayDevices(nullptr, 1, &second, 0));
    SetMultiMonitorFunctions(nullptr);
}

// The smallest scene: it clears each frame to one colour, and closes the
// window after looking at what the earlier frames put on the screen.
class ClearingScene : public CD3DScreensaver {
public:
    int frames = 0;
    int shutdowns = 0;
    uint32_t shown = 0;

    HRESULT RenderFrame() override {
        ++frames;
        if (frames == 6) {
            POINT origin = {300, 200};
            ClientToScreen(window, &origin);
            shown = ScreenPixel(origin.x, origin.y);
            PostMessage(window, WM_CLOSE, 0, 0);
        }
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 200, 0), 1.0f, 0);
        device->EndScene();
        return S_OK;
    }
    HRESULT ShutdownScene() override {
        ++shutdowns;
        return S_OK;
    }
    // A run that fell into error mode ends too, so the test fails instead of
    // waiting for ever.
    void PaintIdleWindow(HWND paintWindow, HDC dc) override {
        if (errorMode) PostMessage(window, WM_CLOSE, 0, 0);
        CD3DScreensaver::PaintIdleWindow(paintWindow, dc);
    }
};

TEST(SaverWindow, TestModeDrawsASceneWithARealDevice) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    Win32SetCommandLineArguments({"C:\\Program Files\\velmora-saver\\velmora.scr", "/t"});
    ClearingScene scene;
    ASSERT_EQ(scene.Initialise(nullptr), S_OK);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    ASSERT_EQ(scene.mode, ScreenSaverMode::Test);
    ASSERT_FALSE(scene.errorMode) << std::hex << scene.errorCode;
    ASSERT_GE(scene.adapterCount, 1u);
    ASSERT_EQ(scene.monitors[0].adapterIndex, 0);
    EXPECT_EQ(scene.RunMode(), 0);
    EXPECT_GE(scene.frames, 6);
    EXPECT_EQ(scene.shown, 0x00C800u);
    EXPECT_EQ(scene.shutdowns, 1);
    EXPECT_FALSE(scene.errorMode);
    EXPECT_STRNE(scene.deviceStatsText, "");
}

}  // namespace

// A preview needs its host's window: an id that names none (no number, a
// number no window has) ends the program at once with status 2 and a line
// that says so, instead of an invisible error display that runs for ever.
TEST(SaverWindow, PreviewOfAnIdThatIsNoWindowEndsAtOnceWithStatusTwo) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    for (uintptr_t id : {0u, 5u, 12345u}) {
        EXPECT_EXIT(
            {
                std::vector<std::string> log;
                RecordingSaver saver(&log);
                saver.mode = ScreenSaverMode::Preview;
                saver.parentWindow = reinterpret_cast<HWND>(id);
                saver.EnumerateMonitors();
                saver.CreateSaverWindows();
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(2), "cannot preview: no window has the id " + std::to_string(id))
            << id;
    }
}
