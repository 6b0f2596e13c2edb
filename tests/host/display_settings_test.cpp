// Per-screen display settings: the registry values under "Screen %d" and the
// Display Settings dialogs, driven through the headless dialog backend.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "host/d3d_screensaver.h"
#include "platform/win32/dialog_testing.h"
#include "tests/support/temp_folder.h"

namespace {

AdapterRecord* MakeAdapter(int monitor, BYTE idByte) {
    auto* adapter = new AdapterRecord{};
    adapter->monitorIndex = monitor;
    adapter->identifier.DeviceIdentifier.Data4[0] = idByte;
    adapter->hasHardware = adapter->hasCompatibleHardware = TRUE;
    adapter->deviceCount = 1;
    DeviceRecord& device = adapter->devices[0];
    device.modeCount = 2;
    device.modes[0] = ModeRecord{640, 480, D3DFMT_X8R8G8B8, 0, D3DFMT_D16};
    device.modes[1] = ModeRecord{800, 600, D3DFMT_R5G6B5, 0, D3DFMT_D16};
    return adapter;
}

class DisplaySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        UseHeadlessDialogs(true);
        ClearHeadlessMessageBoxes();
    }
    void TearDown() override {
        SetDialogShownHook(nullptr);
        UseHeadlessDialogs(false);
        unsetenv("XDG_CONFIG_HOME");
    }
    void AddScreens(int count) {
        for (int i = 0; i < count; ++i) {
            std::snprintf(saver.monitors[i].adapterName, 128, "Adapter %d", i + 1);
            saver.monitors[i].monitorHandle =
                reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(i + 1));
            saver.monitors[i].adapterIndex = i;
            saver.adapters[i] = MakeAdapter(i, static_cast<BYTE>(i + 1));
        }
        saver.monitorCount = saver.adapterCount = static_cast<DWORD>(count);
    }
    INT_PTR Run(std::function<void(HWND, int)> act) {
        SetDialogShownHook(act);
        return saver.ShowDisplaySettingsDialog(nullptr);
    }
    HKEY Key() {
        HKEY key;
        DWORD disposition;
        RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Quintaro\\Velmora", 0, nullptr,
                       REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
        return key;
    }

    TempFolder folder;
    CD3DScreensaver saver;
};

std::string ComboText(HWND dialog, int index) {
    char text[100] = {};
    SendDlgItemMessage(dialog, 2011, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

}  // namespace

TEST_F(DisplaySettingsTest, OneAdapterUsesDialog200AndListsItsModes) {
    AddScreens(1);
    saver.adapters[0]->userWidth = 800;
    saver.adapters[0]->userHeight = 600;
    saver.adapters[0]->userFormat = D3DFMT_R5G6B5;
    INT_PTR result = Run([](HWND dialog, int id) {
        EXPECT_EQ(id, 200);
        EXPECT_EQ(SendDlgItemMessage(dialog, 2011, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(ComboText(dialog, 0), "Automatic");
        EXPECT_EQ(ComboText(dialog, 1), "640 by 480, 32 bit color");
        EXPECT_EQ(ComboText(dialog, 2), "800 by 600, 16 bit color");
        EXPECT_EQ(SendDlgItemMessage(dialog, 2011, CB_GETCURSEL, 0, 0), 2);
        EXPECT_TRUE(DialogUserSelectComboItem(dialog, 2011, 0));  // Automatic
        DialogUserClick(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(saver.adapters[0]->userWidth, 0u);
    EXPECT_EQ(saver.adapters[0]->userHeight, 0u);
    EXPECT_EQ(saver.adapters[0]->userFormat, D3DFMT_UNKNOWN);

    HKEY key = Key();
    saver.SaveScreenSettings(key);
    HKEY screen;
    ASSERT_EQ(RegOpenKeyEx(key, "Screen 1", 0, KEY_READ, &screen), ERROR_SUCCESS);
    DWORD width = 7, size = sizeof(width), type = 0;
    RegQueryValueEx(screen, "Width", nullptr, &type, reinterpret_cast<BYTE*>(&width), &size);
    EXPECT_EQ(width, 0u);
    RegCloseKey(screen);
    RegCloseKey(key);
}

TEST_F(DisplaySettingsTest, CancelRevertsEveryMonitorAndTheSameImageSwitch) {
    AddScreens(2);
    INT_PTR result = Run([](HWND dialog, int id) {
        EXPECT_EQ(id, 201);
        EXPECT_EQ(SendDlgItemMessage(dialog, 2000, TCM_GETITEMCOUNT, 0, 0), 2);
        EXPECT_TRUE(DialogUserSelectTab(dialog, 2000, 1));
        EXPECT_TRUE(DialogUserSelectComboItem(dialog, 2011, 1));
        EXPECT_TRUE(DialogUserClick(dialog, 2015));
        DialogUserClick(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(saver.adapters[1]->userWidth, 0u);
    EXPECT_FALSE(saver.allScreensSame);
}

TEST_F(DisplaySettingsTest, MonitorWithoutACompatibleDeviceIsGreyedAndBlack) {
    AddScreens(2);
    AdapterRecord& second = *saver.adapters[1];
    second.hasCompatibleHardware = second.hasSoftware = second.hasCompatibleSoftware = FALSE;
    Run([](HWND dialog, int) {
        DialogUserSelectTab(dialog, 2000, 1);
        char text[200];
        GetDlgItemText(dialog, 2003, text, sizeof(text));
        EXPECT_STREQ(text, "The screen saver cannot be displayed on this monitor.");
        EXPECT_EQ(IsDlgButtonChecked(dialog, 2008), static_cast<UINT>(BST_CHECKED));
        EXPECT_FALSE(DialogUserClick(dialog, 2007));  // greyed
        EXPECT_FALSE(DialogUserSelectComboItem(dialog, 2011, 1));
        DialogUserClick(dialog, 2004);  // Help
        DialogUserClick(dialog, IDOK);
    });
    ASSERT_EQ(HeadlessMessageBoxes().size(), 1u);
    EXPECT_EQ(HeadlessMessageBoxes()[0].caption, "Adapter 2");
    EXPECT_EQ(
        HeadlessMessageBoxes()[0].text.rfind("This video adapter supports hardware 3D rendering, "
                                             "but this screensaver requires functionality",
                                             0),
        0u);
}

TEST_F(DisplaySettingsTest, AnotherAdapterDropsTheModeButKeepsLeaveBlack) {
    AddScreens(1);
    saver.adapters[0]->leaveBlack = TRUE;
    saver.adapters[0]->userWidth = 640;
    saver.adapters[0]->userHeight = 480;
    saver.adapters[0]->userFormat = D3DFMT_X8R8G8B8;
    HKEY key = Key();
    saver.SaveScreenSettings(key);

    CD3DScreensaver other;
    std::strcpy(other.monitors[0].adapterName, "New card");
    other.monitors[0].adapterIndex = 0;
    other.adapters[0] = MakeAdapter(0, 9);  // another device identifier
    other.monitorCount = other.adapterCount = 1;
    other.LoadScreenSettings(key);
    EXPECT_TRUE(other.adapters[0]->leaveBlack);
    EXPECT_EQ(other.adapters[0]->userWidth, 0u);

    saver.adapters[0]->leaveBlack = FALSE;
    saver.adapters[0]->userWidth = 0;
    saver.LoadScreenSettings(key);  // the same card reads everything back
    EXPECT_TRUE(saver.adapters[0]->leaveBlack);
    EXPECT_EQ(saver.adapters[0]->userWidth, 640u);
    RegCloseKey(key);
}
