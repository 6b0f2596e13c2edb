// Monitors from SDL's displays under Xvfb, and from the scripted test seam.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/monitor_seams.h"
#include "tests/win32_windows/x_display.h"

namespace {

class ScriptedMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        // Two side by side with the primary on the right, a detached third and a mirror.
        static const Win32ScriptedMonitor monitors[] = {
            {{-1280, 0, 0, 1024},
             {-1280, 0, 0, 1000},
             nullptr,
             "Left adapter",
             "Left monitor",
             DISPLAY_DEVICE_ATTACHED_TO_DESKTOP,
             16,
             75},
            {{0, 0, 1600, 1200},
             {0, 30, 1600, 1200},
             "\\\\.\\DISPLAY7",
             "Main adapter",
             "Main monitor",
             DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE,
             0,
             0},
            {{0, 0, 800, 600}, {}, nullptr, "Spare adapter", "Spare monitor", 0, 0, 0},
            {{0, 0, 1600, 1200},
             {},
             nullptr,
             "Mirror",
             "Mirror",
             DISPLAY_DEVICE_MIRRORING_DRIVER,
             0,
             0},
        };
        Win32SetScriptedMonitors(monitors, 4);
    }
    void TearDown() override { Win32SetScriptedMonitors(nullptr, 0); }
};

}  // namespace

TEST_F(ScriptedMonitors, DisplayDevicesListEveryDeviceWithItsMonitor) {
    DISPLAY_DEVICE device{};
    device.cb = sizeof device;
    ASSERT_TRUE(EnumDisplayDevices(nullptr, 0, &device, 0));
    EXPECT_STREQ(device.DeviceName, "\\\\.\\DISPLAY1");
    EXPECT_STREQ(device.DeviceString, "Left adapter");
    EXPECT_EQ(device.StateFlags, DWORD(DISPLAY_DEVICE_ATTACHED_TO_DESKTOP));
    ASSERT_TRUE(EnumDisplayDevices(nullptr, 1, &device, 0));
    EXPECT_STREQ(device.DeviceName, "\\\\.\\DISPLAY7");
    EXPECT_EQ(device.StateFlags, DWORD(5));
    ASSERT_TRUE(EnumDisplayDevices(nullptr, 3, &device, 0));
    EXPECT_EQ(device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER, DWORD(8));
    EXPECT_FALSE(EnumDisplayDevices(nullptr, 4, &device, 0));
    device.cb = 8;
    EXPECT_FALSE(EnumDisplayDevices(nullptr, 0, &device, 0));

    DISPLAY_DEVICE monitor{};
    monitor.cb = sizeof monitor;
    ASSERT_TRUE(EnumDisplayDevices("\\\\.\\DISPLAY7", 0, &monitor, 0));
    EXPECT_STREQ(monitor.DeviceString, "Main monitor");
    EXPECT_FALSE(EnumDisplayDevices("\\\\.\\DISPLAY7", 1, &monitor, 0));
    EXPECT_FALSE(EnumDisplayDevices("\\\\.\\NOWHERE", 0, &monitor, 0));

    DEVMODE mode{};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettings("\\\\.\\DISPLAY1", ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmPelsWidth, 1280u);
    EXPECT_EQ(mode.dmPelsHeight, 1024u);
    EXPECT_EQ(mode.dmBitsPerPel, 16u);
    EXPECT_EQ(mode.dmDisplayFrequency, 75u);
    EXPECT_EQ(mode.dmPosition.x, -1280);
    EXPECT_EQ(mode.dmPosition.y, 0);
    // A detached device has no current settings.
    EXPECT_FALSE(EnumDisplaySettings("\\\\.\\DISPLAY3", ENUM_CURRENT_SETTINGS, &mode));
}

TEST_F(ScriptedMonitors, MonitorsAreFoundByRectanglePointAndWindow) {
    RECT left{-600, 100, -500, 200};
    HMONITOR leftMonitor = MonitorFromRect(&left, MONITOR_DEFAULTTONULL);
    ASSERT_NE(leftMonitor, nullptr);
    MONITORINFOEX info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfo(leftMonitor, &info));
    EXPECT_EQ(info.rcMonitor.left, -1280);
    EXPECT_EQ(info.rcWork.bottom, 1000);
    EXPECT_EQ(info.dwFlags, 0u);
    EXPECT_STREQ(info.szDevice, "\\\\.\\DISPLAY1");

    // Straddling: the larger share wins.
    RECT straddle{-100, 0, 300, 10};
    HMONITOR main = MonitorFromRect(&straddle, MONITOR_DEFAULTTONULL);
    MONITORINFO plain{};
    plain.cbSize = sizeof plain;
    ASSERT_TRUE(GetMonitorInfo(main, &plain));
    EXPECT_EQ(plain.dwFlags, DWORD(MONITORINFOF_PRIMARY));
    EXPECT_EQ(plain.rcWork.top, 30);

    RECT far{5000, 5000, 5100, 5100};
    EXPECT_EQ(MonitorFromRect(&far, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromRect(&far, MONITOR_DEFAULTTOPRIMARY), main);
    EXPECT_EQ(MonitorFromRect(&far, MONITOR_DEFAULTTONEAREST), main);
    RECT farLeft{-9000, 10, -8000, 20};
    EXPECT_EQ(MonitorFromRect(&farLeft, MONITOR_DEFAULTTONEAREST), leftMonitor);
    EXPECT_EQ(MonitorFromPoint(POINT{-1, 0}, MONITOR_DEFAULTTONULL), leftMonitor);
    EXPECT_EQ(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONULL), main);
    EXPECT_EQ(MonitorFromWindow(nullptr, MONITOR_DEFAULTTOPRIMARY), main);
    EXPECT_EQ(MonitorFromWindow(nullptr, MONITOR_DEFAULTTONULL), nullptr);

    info.cbSize = 20;
    EXPECT_FALSE(GetMonitorInfo(main, &info));
    info.cbSize = sizeof info;
    EXPECT_FALSE(GetMonitorInfo(reinterpret_cast<HMONITOR>(0x12340042), &info));

    int count = 0;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT, LPARAM data) -> BOOL {
            ++*reinterpret_cast<int*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(count, 2);  // the detached and mirroring devices have no monitor on the desktop
}

TEST_F(ScriptedMonitors, MetricsDescribeThePrimaryAndTheVirtualScreen) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1600);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1200);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);  // neither the detached nor the mirror
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1280);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2880);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1200);
    EXPECT_EQ(GetSystemMetrics(SM_SAMEDISPLAYFORMAT), 0);
    RECT work;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.top, 30);
    BOOL previous = TRUE;
    EXPECT_TRUE(SystemParametersInfo(SPI_SCREENSAVERRUNNING, TRUE, &previous, 0));
    EXPECT_FALSE(previous);
    EXPECT_TRUE(SystemParametersInfo(SPI_SCREENSAVERRUNNING, FALSE, &previous, 0));
    EXPECT_TRUE(previous);
}

TEST(SdlMonitors, OneMonitorWithTheScreenOfTheXServer) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 1);
    DISPLAY_DEVICE device{};
    device.cb = sizeof device;
    ASSERT_TRUE(EnumDisplayDevices(nullptr, 0, &device, 0));
    EXPECT_EQ(device.StateFlags & 5, DWORD(5));
    EXPECT_FALSE(EnumDisplayDevices(nullptr, 1, &device, 0));
    DEVMODE mode{};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettings(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode));
    EXPECT_EQ(mode.dmPelsWidth, DWORD(kScreenWidth));
    EXPECT_EQ(mode.dmBitsPerPel, 32u);
    ASSERT_TRUE(EnumDisplaySettings(device.DeviceName, 0, &mode));
    RECT whole{0, 0, kScreenWidth, kScreenHeight};
    HMONITOR monitor = MonitorFromRect(&whole, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfo(monitor, &info));
    EXPECT_EQ(info.rcMonitor.right, kScreenWidth);
    EXPECT_EQ(info.dwFlags, DWORD(MONITORINFOF_PRIMARY));
}
