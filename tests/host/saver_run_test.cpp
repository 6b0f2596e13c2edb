// Hook order and device life over whole runs, against the recording scene and
// the scripted Direct3D object.
#include <gtest/gtest.h>

#include <algorithm>

#include "host/frame_timer.h"
#include "tests/host/recording_saver.h"

namespace {

ScriptedAdapter HardwareAdapter(HMONITOR monitor) {
    ScriptedAdapter a;
    a.monitor = monitor;
    a.desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    a.modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    a.halFormats = {D3DFMT_X8R8G8B8};
    return a;
}

class SaverRun : public testing::Test {
protected:
    SaverRun()
        : monitors({{"Adapter A", "Monitor A", {0, 0, 1024, 768}, true, true},
                    {"Adapter B", "Monitor B", {1024, 0, 2048, 768}}}),
          direct3d(&log),
          saver(&log) {
        direct3d.adapters = {HardwareAdapter(ScriptedMonitors::Handle(0)),
                             HardwareAdapter(ScriptedMonitors::Handle(1))};
        saver.mode = ScreenSaverMode::FullScreen;
        saver.EnumerateMonitors();
        saver.monitors[0].window = FakeWindow(1);
        saver.monitors[1].window = FakeWindow(2);
        saver.window = FakeWindow(1);
        saver.direct3d = &direct3d;
        EXPECT_EQ(saver.BuildAdapterList(), S_OK);
        log.clear();
    }
    ~SaverRun() override { DrainMessages(); }

    // Starts the scene and its devices as the saver loop does.
    void Start() {
        ASSERT_EQ(saver.InitScene(), S_OK);
        saver.CreateScreenDevices();
    }

    std::vector<std::string> log;
    ScriptedMonitors monitors;
    ScriptedDirect3D direct3d;
    RecordingSaver saver;
};

TEST_F(SaverRun, HookOrderOverAWholeRun) {
    Start();
    saver.DrawAllScreens();
    saver.CloseSaver();
    const std::vector<std::string> expected = {
        "InitScene",
        "CreateDevice 0 HAL 1024x768 fmt 22 flags 0x40",
        "AcceptMode",
        "CreateDevice 1 HAL 1024x768 fmt 22 flags 0x40",
        "AcceptMode",
        "SelectScreen 0",
        "CreateDeviceResources",
        "RestoreDeviceResources",
        "SelectScreen 1",
        "CreateDeviceResources",
        "RestoreDeviceResources",
        "DescribeDevice",
        // One frame.
        "AdvanceFrame",
        "UpdateFrameRateText",
        "SelectScreen 0",
        "RenderFrame",
        "SelectScreen 1",
        "RenderFrame",
        "SelectScreen 0",
        "Present device0",
        "SelectScreen 1",
        "Present device1",
        // The end.
        "SelectScreen 0",
        "ReleaseVolatileResources",
        "DestroyDeviceResources",
        "Release device0",
        "SelectScreen 1",
        "ReleaseVolatileResources",
        "DestroyDeviceResources",
        "Release device1",
        "ShutdownScene",
    };
    EXPECT_EQ(log, expected);
    EXPECT_STREQ(saver.screenDevices[0].deviceStatsText, "HAL (hw vp): Scripted adapter");
    EXPECT_TRUE(DrainMessages());  // the quit message
    EXPECT_EQ(saver.direct3d, nullptr);
    EXPECT_EQ(direct3d.references, 0u);
    EXPECT_FALSE(saver.errorMode);
    // The whole desktop is one picture.
    EXPECT_EQ(saver.totalRenderRect.right, 2048);
    EXPECT_EQ(saver.totalRenderRect.bottom, 768);
}

TEST_F(SaverRun, LostDeviceSkipsTheFrameAndResetRestoresThatScreen) {
    Start();
    log.clear();
    direct3d.createdDevices[1]->cooperativeLevel = D3DERR_DEVICELOST;
    saver.DrawAllScreens();
    // The first screen is drawn but nothing is presented.
    EXPECT_EQ(log, (std::vector<std::string>{"AdvanceFrame", "UpdateFrameRateText",
                                             "SelectScreen 0", "RenderFrame", "SelectScreen 1"}));
    log.clear();
    direct3d.createdDevices[1]->cooperativeLevel = D3DERR_DEVICENOTRESET;
    saver.DrawAllScreens();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "AdvanceFrame", "UpdateFrameRateText", "SelectScreen 0", "RenderFrame",
                       "SelectScreen 1", "ReleaseVolatileResources", "Reset device1",
                       "RestoreDeviceResources", "RenderFrame", "SelectScreen 0", "Present device0",
                       "SelectScreen 1", "Present device1"}));
    EXPECT_FALSE(saver.errorMode);
    saver.CloseSaver();
}

TEST_F(SaverRun, FailedResetEntersErrorModeAndTheErrorBoxReleasesDevices) {
    Start();
    log.clear();
    direct3d.createdDevices[0]->cooperativeLevel = D3DERR_DEVICENOTRESET;
    direct3d.createdDevices[0]->resetResult = D3DERR_INVALIDCALL;
    saver.DrawAllScreens();
    EXPECT_TRUE(saver.errorMode);
    // The device that could not be reset is not drawn on.
    EXPECT_EQ(std::count(log.begin(), log.end(), "RenderFrame"), 1);
    log.clear();
    saver.AnimateErrorBox();
    EXPECT_EQ(log,
              (std::vector<std::string>{
                  "SelectScreen 0", "DestroyDeviceResources", "Release device0", "SelectScreen 1",
                  "ReleaseVolatileResources", "DestroyDeviceResources", "Release device1"}));
    EXPECT_EQ(saver.screenDeviceCount, 0u);
    EXPECT_EQ(saver.direct3d, nullptr);
    // The scene itself is shut down only when the saver closes, and once.
    log.clear();
    saver.CloseSaver();
    saver.CloseSaver();
    EXPECT_EQ(log, (std::vector<std::string>{"ShutdownScene"}));
}

TEST_F(SaverRun, FailingResourcesEnterErrorModeAndReleaseOnlyWhatWasMade) {
    saver.failing = {"RestoreDeviceResources"};
    Start();
    EXPECT_TRUE(saver.errorMode);
    EXPECT_EQ(saver.errorCode, SaverErrDeviceResourcesFailed);
    log.clear();
    saver.AnimateErrorBox();
    EXPECT_EQ(std::count(log.begin(), log.end(), "ReleaseVolatileResources"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "DestroyDeviceResources"), 2);
}

TEST_F(SaverRun, DeviceThatCannotBeCreatedLeavesItsMonitorBlack) {
    direct3d.adapters[1].failingSizes = {{1024, 768}, {640, 480}};
    Start();
    EXPECT_EQ(saver.screenDeviceCount, 1u);
    EXPECT_TRUE(saver.errorMode);
    EXPECT_EQ(saver.errorCode, SaverErrCreateDeviceFailed);
    // With the error known before the scene's resources, none are made.
    EXPECT_EQ(std::count(log.begin(), log.end(), "CreateDeviceResources"), 0);
}

TEST_F(SaverRun, LeaveBlackAndOneScreenOnly) {
    saver.adapters[0]->leaveBlack = TRUE;
    Start();
    ASSERT_EQ(saver.screenDeviceCount, 1u);
    EXPECT_EQ(saver.screenDevices[0].adapterIndex, 1);
    saver.CloseSaver();
    DrainMessages();

    RecordingSaver single(&log);
    single.mode = ScreenSaverMode::FullScreen;
    single.oneScreenOnly = TRUE;
    single.EnumerateMonitors();
    ScriptedDirect3D other(&log);
    other.adapters = direct3d.adapters;
    other.adapters[1].failingSizes.clear();
    single.direct3d = &other;
    single.BuildAdapterList();
    single.CreateScreenDevices();
    ASSERT_EQ(single.screenDeviceCount, 1u);
    EXPECT_EQ(single.screenDevices[0].adapterIndex, 0);
    single.CloseSaver();
}

TEST_F(SaverRun, SaverLoopRunsFramesUntilTheSaverEnds) {
    saver.endAfterFrames = 3;
    EXPECT_EQ(saver.RunSaverLoop(), S_OK);
    EXPECT_EQ(saver.frames, 3);
    EXPECT_EQ(std::count(log.begin(), log.end(), "ShutdownScene"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "InitScene"), 1);
    EXPECT_EQ(saver.mouseMoveCount, 0u);
}

TEST_F(SaverRun, FailedInitSceneStartsNothing) {
    saver.failing = {"InitScene"};
    EXPECT_EQ(saver.RunSaverLoop(), E_FAIL);
    EXPECT_EQ(log, (std::vector<std::string>{"InitScene"}));
}

LONGLONG scriptedTicks = 0;
BOOL ScriptedFrequency(LARGE_INTEGER* f) {
    f->QuadPart = 1000;
    return TRUE;
}
BOOL ScriptedCounter(LARGE_INTEGER* c) {
    c->QuadPart = scriptedTicks;
    return TRUE;
}
DWORD ScriptedMilliseconds() {
    return 0;
}

TEST_F(SaverRun, FrameRateTextStartsAtZeroAndChangesAtMostOncePerSecond) {
    const FrameTimerClock clock = {ScriptedFrequency, ScriptedCounter, ScriptedMilliseconds};
    scriptedTicks = 7000;
    SetFrameTimerClock(&clock);
    FrameTimer(TimerCommand::Start);
    ForgetFrameRateMeasurement();
    Start();
    saver.DrawAllScreens();
    EXPECT_STREQ(saver.screenDevices[0].frameStatsText, "0");
    EXPECT_STREQ(saver.screenDevices[1].frameStatsText, "0");
    EXPECT_STREQ(saver.frameStatsText, "0");  // the selected screen's copy
    for (int i = 0; i < 3; ++i) {
        scriptedTicks += 250;
        saver.DrawAllScreens();
        EXPECT_STREQ(saver.screenDevices[0].frameStatsText, "0");
    }
    scriptedTicks += 500;  // 1.25 s after the first frame, four frames later
    saver.DrawAllScreens();
    EXPECT_STREQ(saver.screenDevices[1].frameStatsText, "3");
    EXPECT_FLOAT_EQ(saver.framesPerSecond, 4.0f / 1.25f);
    EXPECT_FLOAT_EQ(saver.appTime, 1.25f);
    EXPECT_FLOAT_EQ(saver.elapsedTime, 0.5f);
    saver.CloseSaver();
    SetFrameTimerClock(nullptr);
}

TEST_F(SaverRun, OffCenterProjectionPerScreen) {
    Start();
    D3DMATRIX left, right;
    saver.SelectScreenDevice(0);
    saver.SetOffCenterProjection(1.0f, 100.0f, &left);
    saver.SelectScreenDevice(1);
    saver.SetOffCenterProjection(1.0f, 100.0f, &right);
    // Side by side: each screen sees its half, shifted sideways.
    EXPECT_FLOAT_EQ(left._11, 2.0f / (1024.0f / 768.0f));
    EXPECT_FLOAT_EQ(left._31, 1.0f);
    EXPECT_FLOAT_EQ(right._31, -1.0f);
    EXPECT_FLOAT_EQ(left._22, 2.0f);
    EXPECT_FLOAT_EQ(left._33, 100.0f / 99.0f);
    EXPECT_FLOAT_EQ(left._43, -100.0f / 99.0f);
    EXPECT_FLOAT_EQ(left._34, 1.0f);
    // The same picture on every screen: symmetric volumes.
    saver.allScreensSame = TRUE;
    saver.SetOffCenterProjection(1.0f, 100.0f, &right);
    EXPECT_FLOAT_EQ(right._31, 0.0f);
    EXPECT_FLOAT_EQ(right._11, 1.5f);
    saver.CloseSaver();
}

}  // namespace
