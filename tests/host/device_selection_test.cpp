// Monitors, adapters, device types and modes as the host chooses them, over
// scripted displays and a scripted Direct3D object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/host/recording_saver.h"
#include "tests/support/temp_folder.h"

namespace {

D3DDISPLAYMODE Mode(UINT w, UINT h, D3DFORMAT f) {
    return {w, h, 60, f};
}

class DeviceSelection : public testing::Test {
protected:
    DeviceSelection()
        : monitors({{"Adapter", "Monitor", {0, 0, 1280, 1024}, true, true}}),
          direct3d(&log),
          saver(&log) {
        saver.mode = ScreenSaverMode::FullScreen;
        saver.window = FakeWindow(1);
        saver.EnumerateMonitors();
        saver.monitors[0].window = FakeWindow(1);
        saver.direct3d = &direct3d;
        adapter.monitor = ScriptedMonitors::Handle(0);
        adapter.desktop = Mode(1280, 1024, D3DFMT_X8R8G8B8);
    }

    // Builds the tables and creates the full-screen device of adapter 0.
    HRESULT CreateFullScreen() {
        direct3d.adapters = {adapter};
        EXPECT_EQ(saver.BuildAdapterList(), S_OK);
        screen = ScreenDevice{};
        screen.adapterIndex = 0;
        saver.adapters[0]->deviceWindow = FakeWindow(1);
        return saver.CreateFullScreenDevice(screen);
    }
    const D3DPRESENT_PARAMETERS& Created() { return screen.presentParameters; }

    std::vector<std::string> log;
    ScriptedMonitors monitors;
    ScriptedDirect3D direct3d;
    RecordingSaver saver;
    ScriptedAdapter adapter;
    ScreenDevice screen = {};
};

TEST_F(DeviceSelection, SameSizeModesListR5G6B5First) {
    adapter.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(800, 600, D3DFMT_R5G6B5),
                     Mode(640, 480, D3DFMT_R5G6B5), Mode(320, 240, D3DFMT_R5G6B5)};
    adapter.halFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    direct3d.adapters = {adapter};
    ASSERT_EQ(saver.BuildAdapterList(), S_OK);
    const DeviceRecord& hal = saver.adapters[0]->devices[0];
    ASSERT_EQ(hal.modeCount, 3u);
    EXPECT_EQ(hal.modes[0].width, 640u);
    EXPECT_EQ(hal.modes[1].format, D3DFMT_R5G6B5);
    EXPECT_EQ(hal.modes[2].format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(hal.currentMode, 0u);  // the 16-bit 640 by 480 mode
    EXPECT_TRUE(hal.canDoWindowed);
    EXPECT_STREQ(hal.typeName, "HAL");
    EXPECT_EQ(saver.adapters[0]->monitorIndex, 0);
    EXPECT_EQ(saver.monitors[0].adapterIndex, 0);
}

TEST_F(DeviceSelection, BehaviourIsConfirmedBestFirst) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    direct3d.adapters = {adapter};
    saver.rejectedFlags = {0x50, 0x40};
    saver.multithreaded = TRUE;
    saver.useDepthBuffer = TRUE;
    saver.BuildAdapterList();
    ASSERT_EQ(saver.acceptDeviceCalls.size(), 3u);
    EXPECT_EQ(saver.acceptDeviceCalls[0].flags, 0x50u);
    EXPECT_EQ(saver.acceptDeviceCalls[1].flags, 0x40u);
    EXPECT_EQ(saver.acceptDeviceCalls[2].flags, 0x80u);
    const ModeRecord& mode = saver.adapters[0]->devices[0].modes[0];
    EXPECT_EQ(mode.behaviourFlags, 0x84u);
    EXPECT_EQ(mode.depthFormat, D3DFMT_D16);
}

TEST_F(DeviceSelection, FormatWithoutDepthBufferIsNotOffered) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.depthFormats = {};
    direct3d.adapters = {adapter};
    saver.useDepthBuffer = TRUE;
    saver.BuildAdapterList();
    EXPECT_EQ(saver.adapters[0]->deviceCount, 0u);
    EXPECT_TRUE(saver.adapters[0]->hasHardware);
    EXPECT_FALSE(saver.adapters[0]->hasCompatibleHardware);
}

TEST_F(DeviceSelection, HardwareAutomaticModeIsTheDesktopIn32Bit) {
    adapter.modes = {Mode(640, 480, D3DFMT_R5G6B5), Mode(1280, 1024, D3DFMT_R5G6B5),
                     Mode(1280, 1024, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    ASSERT_EQ(CreateFullScreen(), S_OK);
    EXPECT_EQ(Created().BackBufferWidth, 1280u);
    EXPECT_EQ(Created().BackBufferHeight, 1024u);
    EXPECT_EQ(Created().BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Created().FullScreen_PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);
    EXPECT_EQ(Created().SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_FALSE(Created().Windowed);
    EXPECT_EQ(screen.monitorIndex, 0);
    EXPECT_EQ(screen.deviceType, D3DDEVTYPE_HAL);
}

TEST_F(DeviceSelection, HardwareTakesTheDesktopSizeIn16BitWhenThatIsAll) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8), Mode(1280, 1024, D3DFMT_R5G6B5)};
    adapter.halFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    ASSERT_EQ(CreateFullScreen(), S_OK);
    EXPECT_EQ(Created().BackBufferWidth, 1280u);
    EXPECT_EQ(Created().BackBufferFormat, D3DFMT_R5G6B5);
}

TEST_F(DeviceSelection, SoftwareDeviceSkipsHeight400) {
    adapter.modes = {Mode(640, 400, D3DFMT_R5G6B5), Mode(640, 480, D3DFMT_R5G6B5),
                     Mode(800, 600, D3DFMT_R5G6B5)};
    adapter.swFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    ASSERT_EQ(CreateFullScreen(), S_OK);
    EXPECT_EQ(screen.deviceType, D3DDEVTYPE_SW);
    EXPECT_EQ(Created().BackBufferWidth, 640u);
    EXPECT_EQ(Created().BackBufferHeight, 480u);
    EXPECT_TRUE(saver.adapters[0]->hasCompatibleSoftware);
    EXPECT_FALSE(saver.adapters[0]->hasHardware);
}

TEST_F(DeviceSelection, UserModeIsUsedWhenTheDeviceHasIt) {
    adapter.modes = {Mode(800, 600, D3DFMT_X8R8G8B8), Mode(1280, 1024, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    direct3d.adapters = {adapter};
    saver.BuildAdapterList();
    saver.adapters[0]->userWidth = 800;
    saver.adapters[0]->userHeight = 600;
    saver.adapters[0]->userFormat = D3DFMT_X8R8G8B8;
    screen.adapterIndex = 0;
    ASSERT_EQ(saver.CreateFullScreenDevice(screen), S_OK);
    EXPECT_EQ(Created().BackBufferWidth, 800u);
}

TEST_F(DeviceSelection, FailedCreationStepsDownAndRemembersTheMode) {
    TempFolder temp;
    setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    std::snprintf(saver.registryPath, sizeof(saver.registryPath), "%s",
                  "Software\\Quintaro\\Velmora");
    adapter.modes = {Mode(640, 480, D3DFMT_R5G6B5), Mode(1024, 768, D3DFMT_R5G6B5),
                     Mode(1280, 1024, D3DFMT_R5G6B5), Mode(1280, 1024, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    adapter.failingSizes = {{1280, 1024}};
    ASSERT_EQ(CreateFullScreen(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"CreateDevice 0 HAL 1280x1024 fmt 22 flags 0x40",
                                             "CreateDevice 0 HAL 1280x1024 fmt 23 flags 0x40",
                                             "CreateDevice 0 HAL 1024x768 fmt 23 flags 0x40",
                                             "AcceptMode"}));
    EXPECT_EQ(saver.adapters[0]->userWidth, 1024u);
    EXPECT_EQ(saver.adapters[0]->userHeight, 768u);
    EXPECT_EQ(saver.adapters[0]->userFormat, D3DFMT_R5G6B5);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quintaro\\Velmora\\Screen 1", 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    auto readDword = [&](const char* name) {
        DWORD value = 0, size = sizeof(value), type = 0;
        EXPECT_EQ(
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        return value;
    };
    EXPECT_EQ(readDword("Width"), 1024u);
    EXPECT_EQ(readDword("Height"), 768u);
    EXPECT_EQ(readDword("Format"), 23u);
    GUID id = {};
    DWORD size = sizeof(id), type = 0;
    EXPECT_EQ(
        RegQueryValueExA(key, "Adapter ID", nullptr, &type, reinterpret_cast<BYTE*>(&id), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(std::memcmp(&id, &adapter.deviceIdentifier, sizeof(GUID)), 0);
    RegCloseKey(key);
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(DeviceSelection, NothingLeftToStepDownToGivesTheFailure) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.failingSizes = {{640, 480}};
    EXPECT_EQ(CreateFullScreen(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(screen.device, nullptr);
    EXPECT_EQ(saver.adapters[0]->userWidth, 0u);
}

TEST_F(DeviceSelection, RejectedModeIsReleasedAndSteppedDown) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8), Mode(1280, 1024, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    saver.failing = {"AcceptMode"};
    EXPECT_EQ(CreateFullScreen(), E_FAIL);
    EXPECT_EQ(screen.device, nullptr);
    EXPECT_EQ(direct3d.createdDevices.size(), 2u);
    for (ScriptedDevice* d : direct3d.createdDevices) EXPECT_EQ(d->references, 0u);
}

TEST_F(DeviceSelection, ReferenceDeviceOnlyWhenAllowed) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.refFormats = {D3DFMT_X8R8G8B8};
    direct3d.adapters = {adapter};
    saver.BuildAdapterList();
    EXPECT_EQ(saver.adapters[0]->deviceCount, 0u);
    screen.adapterIndex = 0;
    EXPECT_EQ(saver.CreateFullScreenDevice(screen), E_FAIL);

    RecordingSaver withReference(&log);
    withReference.allowReference = TRUE;
    withReference.EnumerateMonitors();
    withReference.direct3d = &direct3d;
    direct3d.AddRef();
    withReference.BuildAdapterList();
    ASSERT_EQ(withReference.adapters[0]->deviceCount, 1u);
    EXPECT_STREQ(withReference.adapters[0]->devices[0].typeName, "REF");
    ScreenDevice reference = {};
    reference.adapterIndex = 0;
    EXPECT_EQ(withReference.CreateFullScreenDevice(reference), S_OK);
    EXPECT_EQ(reference.deviceType, D3DDEVTYPE_REF);
    reference.device->Release();
}

TEST_F(DeviceSelection, DisabledHardwareFallsBackToSoftware) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.swFormats = {D3DFMT_X8R8G8B8};
    direct3d.adapters = {adapter};
    saver.BuildAdapterList();
    ASSERT_EQ(saver.adapters[0]->deviceCount, 2u);
    saver.adapters[0]->disableHardware = TRUE;
    screen.adapterIndex = 0;
    ASSERT_EQ(saver.CreateFullScreenDevice(screen), S_OK);
    EXPECT_EQ(screen.deviceType, D3DDEVTYPE_SW);
    screen.device->Release();
    // With no software device either there is nothing to use.
    saver.adapters[0]->deviceCount = 1;
    EXPECT_EQ(saver.CreateFullScreenDevice(screen), SaverErrNoHardwareDevice);
}

TEST_F(DeviceSelection, WindowedDeviceUsesTheDesktopFormat) {
    adapter.desktop = Mode(1280, 1024, D3DFMT_R5G6B5);
    adapter.modes = {Mode(640, 480, D3DFMT_R5G6B5)};
    adapter.halFormats = {D3DFMT_R5G6B5};
    direct3d.adapters = {adapter};
    saver.BuildAdapterList();
    saver.adapters[0]->deviceWindow = FakeWindow(1);
    screen.adapterIndex = 0;
    ASSERT_EQ(saver.CreateWindowedDevice(screen), S_OK);
    EXPECT_TRUE(Created().Windowed);
    EXPECT_EQ(Created().BackBufferWidth, 0u);
    EXPECT_EQ(Created().BackBufferFormat, D3DFMT_R5G6B5);
    EXPECT_EQ(Created().SwapEffect, D3DSWAPEFFECT_COPY_VSYNC);
    EXPECT_EQ(Created().hDeviceWindow, FakeWindow(1));
    EXPECT_EQ(saver.adapters[0]->currentDevice, 0u);
    screen.device->Release();
}

TEST_F(DeviceSelection, PickBestAdapterPrefersHardware) {
    ScriptedMonitors two(
        {{"A", "M", {0, 0, 640, 480}, true, true}, {"B", "N", {640, 0, 1280, 480}}});
    saver.EnumerateMonitors();
    ScriptedAdapter software = adapter;
    software.monitor = ScriptedMonitors::Handle(0);
    software.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    software.swFormats = {D3DFMT_X8R8G8B8};
    ScriptedAdapter hardware = software;
    hardware.monitor = ScriptedMonitors::Handle(1);
    hardware.swFormats = {};
    hardware.halFormats = {D3DFMT_X8R8G8B8};
    direct3d.adapters = {software, hardware};
    saver.BuildAdapterList();
    int best = -1;
    ASSERT_TRUE(saver.PickBestAdapter(&best));
    EXPECT_EQ(best, 1);
    saver.adapters[1]->hasCompatibleHardware = FALSE;
    ASSERT_TRUE(saver.PickBestAdapter(&best));
    EXPECT_EQ(best, 0);
    saver.adapters[0]->hasCompatibleSoftware = FALSE;
    EXPECT_FALSE(saver.PickBestAdapter(&best));
    EXPECT_EQ(best, -1);
}

TEST_F(DeviceSelection, TablesStopAtTheirLimits) {
    // Ten adapters: the tenth is not used.
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    direct3d.adapters.assign(10, adapter);
    // A hundred and twenty distinct modes: the first hundred are kept.
    for (UINT i = 0; i < 120; ++i) {
        direct3d.adapters[0].modes.push_back(Mode(700 + i, 500, D3DFMT_X8R8G8B8));
    }
    ASSERT_EQ(saver.BuildAdapterList(), S_OK);
    EXPECT_EQ(saver.adapterCount, 9u);
    EXPECT_EQ(saver.adapters[0]->devices[0].modeCount, 100u);
    EXPECT_EQ(saver.adapters[0]->devices[0].modes[99].width, 798u);
}

TEST_F(DeviceSelection, DeviceTextIsCutToItsBuffer) {
    adapter.modes = {Mode(640, 480, D3DFMT_X8R8G8B8)};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.description = std::string(400, 'x');
    ASSERT_EQ(CreateFullScreen(), S_OK);
    saver.screenDevices[0] = screen;
    saver.screenDeviceCount = 1;
    saver.CD3DScreensaver::DescribeDevice();
    const std::string text = saver.screenDevices[0].deviceStatsText;
    EXPECT_EQ(text.size(), 89u);
    EXPECT_EQ(text.substr(0, 13), "HAL (hw vp): ");

    saver.screenDevices[0].deviceType = D3DDEVTYPE_SW;
    saver.screenDevices[0].behaviourFlags =
        D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    saver.CD3DScreensaver::DescribeDevice();
    EXPECT_STREQ(saver.screenDevices[0].deviceStatsText, "SW (simulated pure hw vp)");
    saver.screenDevices[0].behaviourFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    saver.CD3DScreensaver::DescribeDevice();
    EXPECT_STREQ(saver.screenDevices[0].deviceStatsText, "SW (sw vp)");
    saver.screenDevices[0].behaviourFlags = D3DCREATE_MIXED_VERTEXPROCESSING;
    saver.CD3DScreensaver::DescribeDevice();
    EXPECT_STREQ(saver.screenDevices[0].deviceStatsText, "SW (simulated mixed vp)");
}

TEST(Monitors, MirrorsAreSkippedDetachedHaveNoHandleAndTheTenthIsCut) {
    std::vector<ScriptedDisplay> displays;
    displays.push_back({"Primary", "Screen one", {0, 0, 1024, 768}, true, true});
    displays.push_back({"Mirror", "Copy", {0, 0, 1024, 768}, true, false, true});
    displays.push_back({"Detached", "Off", {0, 0, 800, 600}, false});
    for (int i = 0; i < 10; ++i) {
        displays.push_back({"More", "Extra", {1024 * (i + 1), 0, 1024 * (i + 2), 768}});
    }
    ScriptedMonitors monitors(displays);
    std::vector<std::string> log;
    RecordingSaver saver(&log);
    saver.EnumerateMonitors();
    ASSERT_EQ(saver.monitorCount, 9u);
    EXPECT_STREQ(saver.monitors[0].adapterName, "Primary");
    EXPECT_STREQ(saver.monitors[0].monitorName, "Screen one");
    EXPECT_EQ(saver.monitors[0].monitorHandle, ScriptedMonitors::Handle(0));
    EXPECT_EQ(saver.monitors[0].adapterIndex, -1);
    EXPECT_STREQ(saver.monitors[1].adapterName, "Detached");
    EXPECT_EQ(saver.monitors[1].monitorHandle, nullptr);
    EXPECT_EQ(saver.monitors[2].screenRect.left, 1024);
    EXPECT_EQ(saver.monitors[2].monitorHandle, ScriptedMonitors::Handle(3));
    EXPECT_EQ(saver.monitors[8].screenRect.left, 1024 * 7);
}

}  // namespace
