// What the saver window does with user activity, system commands and the
// preview start, per run mode.
#include <gtest/gtest.h>

#include "host/mouse_activity.h"
#include "tests/host/recording_saver.h"

namespace {

class WindowMessages : public testing::Test {
protected:
    WindowMessages() : saver(&log) {
        ForgetMousePosition();
        saver.mode = ScreenSaverMode::FullScreen;
        saver.window = FakeWindow(1);
    }
    ~WindowMessages() override { DrainMessages(); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return saver.HandleWindowMessage(FakeWindow(1), message, wParam, lParam);
    }
    bool Ended() const {
        for (const std::string& entry : log) {
            if (entry == "ShutdownScene") return true;
        }
        return false;
    }

    std::vector<std::string> log;
    RecordingSaver saver;
};

TEST_F(WindowMessages, SixthMoveToANewPositionEndsTheSaver) {
    for (int i = 0; i < 5; ++i) {
        Send(WM_MOUSEMOVE, 0, MAKELONG(100 + i, 100));
        EXPECT_FALSE(Ended()) << "move " << i + 1;
    }
    Send(WM_MOUSEMOVE, 0, MAKELONG(100, 200));
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(DrainMessages());
}

TEST_F(WindowMessages, MovesToTheSamePositionNeverEndIt) {
    for (int i = 0; i < 50; ++i) Send(WM_MOUSEMOVE, 0, MAKELONG(300, 300));
    EXPECT_FALSE(Ended());
    EXPECT_EQ(saver.mouseMoveCount, 1u);
}

TEST_F(WindowMessages, ExitOnMouseOffIgnoresMovesButNotKeys) {
    const BYTE off = 0;
    saver.exitOnMouse = &off;
    for (int i = 0; i < 50; ++i) Send(WM_MOUSEMOVE, 0, MAKELONG(i, i));
    EXPECT_FALSE(Ended());
    Send(WM_KEYDOWN, 'A');
    EXPECT_TRUE(Ended());
}

TEST_F(WindowMessages, KeysAndButtonsEndTheFullScreenSaver) {
    for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        log.clear();
        RecordingSaver fresh(&log);
        fresh.mode = ScreenSaverMode::FullScreen;
        fresh.HandleWindowMessage(FakeWindow(1), message, 0, 0);
        EXPECT_TRUE(Ended()) << message;
        DrainMessages();
    }
    // Releases and double clicks do not.
    for (UINT message : {WM_KEYUP, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) {
        log.clear();
        Send(message);
        EXPECT_FALSE(Ended()) << message;
    }
}

TEST_F(WindowMessages, DeactivationEndsTheSaverActivationDoesNot) {
    Send(WM_ACTIVATEAPP, TRUE);
    EXPECT_FALSE(Ended());
    Send(WM_ACTIVATEAPP, FALSE);
    EXPECT_TRUE(Ended());
}

TEST_F(WindowMessages, TestWindowIgnoresActivityAndEndsWhenClosed) {
    saver.mode = ScreenSaverMode::Test;
    Send(WM_KEYDOWN, 'A');
    Send(WM_LBUTTONDOWN);
    Send(WM_ACTIVATEAPP, FALSE);
    for (int i = 0; i < 20; ++i) Send(WM_MOUSEMOVE, 0, MAKELONG(i, 0));
    EXPECT_FALSE(Ended());
    Send(WM_DESTROY);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(DrainMessages());
}

TEST_F(WindowMessages, PreviewEndsOnlyWithItsWindow) {
    saver.mode = ScreenSaverMode::Preview;
    Send(WM_KEYDOWN, 'A');
    Send(WM_ACTIVATEAPP, FALSE);
    EXPECT_FALSE(Ended());
    Send(WM_DESTROY);
    EXPECT_TRUE(Ended());
}

TEST_F(WindowMessages, FullScreenSwallowsCloseScreenSaveAndWindowSwitching) {
    for (WPARAM command : {SC_SCREENSAVE, SC_CLOSE, SC_NEXTWINDOW, SC_PREVWINDOW}) {
        EXPECT_EQ(Send(WM_SYSCOMMAND, command), 0);
        // The low four bits are the system's own and do not change the command.
        EXPECT_EQ(Send(WM_SYSCOMMAND, command | 0x2), 0);
    }
    EXPECT_FALSE(Ended());
}

TEST_F(WindowMessages, SuspendEndsTheSaverOnlyWithoutAPasswordCheck) {
    Send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND);
    EXPECT_FALSE(Ended());
    saver.verifyPassword = [](HWND) -> BOOL { return FALSE; };
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    EXPECT_FALSE(Ended());
    saver.verifyPassword = nullptr;
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND);
    EXPECT_TRUE(Ended());
}

TEST_F(WindowMessages, CursorIsHiddenOnlyInFullScreenOutsideThePasswordDialog) {
    EXPECT_EQ(Send(WM_SETCURSOR), 1);
    saver.checkingPassword = TRUE;
    Send(WM_KEYDOWN, 'A');  // the password dialog has the keyboard
    EXPECT_FALSE(Ended());
}

TEST_F(WindowMessages, PreviewStartTimerClearsTheWait) {
    saver.waitingForPreviewStart = TRUE;
    Send(WM_USER);
    EXPECT_TRUE(saver.waitingForPreviewStart);
    Send(WM_TIMER, 1);
    EXPECT_FALSE(saver.waitingForPreviewStart);
}

TEST_F(WindowMessages, WrongPasswordOnTheNinetyFiveFamilyRestoresTheScene) {
    ScriptedDirect3D direct3d(&log);
    ScriptedAdapter adapter;
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.modes = {{1280, 1024, 60, D3DFMT_X8R8G8B8}};
    adapter.monitor = ScriptedMonitors::Handle(0);
    direct3d.adapters = {adapter};
    ScriptedMonitors monitors({{"A", "M", {0, 0, 1280, 1024}, true, true}});
    saver.EnumerateMonitors();
    saver.monitors[0].window = FakeWindow(1);
    saver.direct3d = &direct3d;
    saver.BuildAdapterList();
    saver.CreateScreenDevices();
    saver.isWin9x = TRUE;
    static int asked = 0;
    asked = 0;
    saver.verifyPassword = [](HWND) -> BOOL {
        ++asked;
        return FALSE;
    };
    saver.mouseMoveCount = 3;
    log.clear();
    Send(WM_KEYDOWN, 'A');
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Ended());
    EXPECT_EQ(saver.mouseMoveCount, 0u);
    EXPECT_FALSE(saver.errorMode);
    EXPECT_NE(saver.screenDevices[0].device, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "SelectScreen 0", "ReleaseVolatileResources", "DestroyDeviceResources",
                       "Release device0", "CreateDevice 0 HAL 1280x1024 fmt 22 flags 0x40",
                       "SelectScreen 0", "CreateDeviceResources", "RestoreDeviceResources"}));
    // The right password ends it.
    saver.verifyPassword = [](HWND) -> BOOL { return TRUE; };
    Send(WM_KEYDOWN, 'A');
    EXPECT_TRUE(Ended());
}

}  // namespace
