// The saver's own windows under a private X server: the Test window with the
// error box drifting over black, ended by closing the window.
#include <gtest/gtest.h>

#include <algorithm>

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

TEST(SaverWindow, TestWindowShowsTheErrorBoxAndEndsWhenClosed) {
    XvfbServer xvfb(1024, 768);
    if (!xvfb.Running()) GTEST_SKIP() << "no Xvfb";
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

}  // namespace
