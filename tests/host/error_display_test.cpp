// The error messages and the error box over black screens.
#include <gtest/gtest.h>

#include "tests/host/recording_saver.h"

namespace {

TEST(ErrorText, CodesGiveTheirMessages) {
    std::vector<std::string> log;
    RecordingSaver saver(&log);
    char text[400];
    EXPECT_TRUE(saver.LookupErrorText(D3DERR_OUTOFVIDEOMEMORY, text, sizeof(text)));
    EXPECT_STREQ(text, "Not enough video memory.");
    EXPECT_FALSE(saver.LookupErrorText(SaverErrDeviceResourcesFailed, text, sizeof(text)));
    EXPECT_STREQ(text, "There was an unspecified problem with this screen saver.");
    EXPECT_TRUE(saver.LookupErrorText(SaverErrNoDirect3D, text, sizeof(text)));
    EXPECT_STREQ(text,
                 "Direct3D 8.0 could not be initialized.  Please install the latest version of "
                 "DirectX.");
    // A small buffer gets the start of the message.
    char small[8];
    EXPECT_TRUE(saver.LookupErrorText(SaverErrNoPreview, small, sizeof(small)));
    EXPECT_STREQ(small, "No prev");
}

class ErrorBoxRun : public testing::Test {
protected:
    ErrorBoxRun()
        : monitors({{"A", "M", {0, 0, 1024, 768}, true, true}}), direct3d(&log), saver(&log) {}
    ~ErrorBoxRun() override { DrainMessages(); }

    std::vector<std::string> log;
    ScriptedMonitors monitors;
    ScriptedDirect3D direct3d;
    RecordingSaver saver;
};

TEST_F(ErrorBoxRun, FullScreenBoxStartsCentredAndKeepsItsText) {
    saver.mode = ScreenSaverMode::FullScreen;
    saver.EnumerateMonitors();
    saver.monitors[0].window = FakeWindow(1);
    saver.errorMode = TRUE;
    saver.errorCode = SaverErrNoCompatibleDevices;
    saver.AnimateErrorBox();
    const MonitorRecord& m = saver.monitors[0];
    EXPECT_FLOAT_EQ(m.boxX, 362.0f);
    EXPECT_FLOAT_EQ(m.boxY, 309.0f);
    EXPECT_FLOAT_EQ(m.boxWidth, 300.0f);
    EXPECT_FLOAT_EQ(m.boxHeight, 150.0f);
    EXPECT_FLOAT_EQ(m.boxVelocityX, 102.4f);
    EXPECT_FLOAT_EQ(m.boxVelocityY, 38.4f);
    EXPECT_STREQ(saver.errorText, "Could not find any compatible Direct3D devices.");
    // The text stays what it was when first shown.
    saver.errorCode = E_OUTOFMEMORY;
    Sleep(30);
    saver.AnimateErrorBox();
    EXPECT_STREQ(saver.errorText, "Could not find any compatible Direct3D devices.");
    EXPECT_GT(saver.monitors[0].boxX, 362.0f);
    EXPECT_GT(saver.monitors[0].boxY, 309.0f);
}

TEST_F(ErrorBoxRun, PreviewWithoutDeviceShowsAStillBoxFillingTheWindow) {
    saver.mode = ScreenSaverMode::Preview;
    saver.EnumerateMonitors();
    saver.monitors[0].window = FakeWindow(1);
    saver.totalRenderRect = {0, 0, 152, 112};
    saver.errorMode = TRUE;
    saver.errorCode = SaverErrNoPreview;
    saver.AnimateErrorBox();
    EXPECT_STREQ(saver.errorText, "No preview available");
    const RECT box = {static_cast<LONG>(saver.monitors[0].boxX),
                      static_cast<LONG>(saver.monitors[0].boxY),
                      static_cast<LONG>(saver.monitors[0].boxWidth),
                      static_cast<LONG>(saver.monitors[0].boxHeight)};
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 152);
    EXPECT_EQ(box.bottom, 112);
    Sleep(30);
    saver.AnimateErrorBox();
    EXPECT_FLOAT_EQ(saver.monitors[0].boxX, 0.0f);
    EXPECT_FLOAT_EQ(saver.monitors[0].boxY, 0.0f);
}

TEST_F(ErrorBoxRun, ChangePasswordWithoutTheSystemServiceDoesNothing) {
    saver.mode = ScreenSaverMode::ChangePassword;
    EXPECT_EQ(saver.RunMode(), 0);
    EXPECT_TRUE(log.empty());
}

}  // namespace
