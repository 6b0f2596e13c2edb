// Dialog templates: 106 (the scene's configuration), 200 (display settings of
// a single monitor) and 201 (display settings with one tab per monitor).
#include "resources/resources.h"

#include <commctrl.h>

#include <iterator>

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kRadioButton = kChild | BS_AUTORADIOBUTTON;
// Static text starts a new group, which closes the radio button group before it.
constexpr DWORD kText = kChild | WS_GROUP | SS_LEFT;
constexpr DWORD kHiddenText = WS_CHILD | WS_GROUP | SS_LEFT;
constexpr DWORD kTrackbar = kChild | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS;
constexpr DWORD kDropDownList = kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kModalDialog =
    DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;

const DialogControlResource kSceneConfigControls[] = {
    {IDC_STATIC, "BUTTON", "Display Settings", kGroupBox, 6, 6, 102, 48},
    {1006, "BUTTON", "&Display Settings...", kPushButton, 12, 24, 90, 14},
    {IDC_STATIC, "BUTTON", "Misc Options", kGroupBox, 114, 6, 180, 48},
    {1007, "BUTTON", "Show Time", kCheckBox, 120, 18, 50, 10},
    {1008, "BUTTON", "12h style", kRadioButton | WS_TABSTOP, 126, 30, 45, 10},
    {1009, "BUTTON", "24h style", kRadioButton, 126, 42, 45, 10},
    {1010, "BUTTON", "Show FPS", kCheckBox, 204, 18, 47, 10},
    {1011, "BUTTON", "Exit on Mouse move", kCheckBox, 204, 30, 80, 10},
    {IDC_STATIC, "BUTTON", "Camera Control", kGroupBox, 6, 60, 228, 30},
    {1020, "STATIC", "Camera Change Delay: 15 sec", kText, 12, 72, 98, 8},
    {1015, TRACKBAR_CLASS, "", kTrackbar, 126, 72, 102, 12},
    {IDC_STATIC, "BUTTON", "Sound", kGroupBox, 6, 96, 228, 30},
    {1016, "BUTTON", "Enable Sound", kCheckBox, 12, 108, 59, 10},
    {IDC_STATIC, "STATIC", "Sound Volume", kText, 78, 108, 46, 8},
    {1017, TRACKBAR_CLASS, "", kTrackbar, 126, 108, 102, 12},
    {IDC_STATIC, "BUTTON", "Time", kGroupBox, 240, 60, 54, 66},
    {1012, "BUTTON", "Day", kRadioButton | WS_TABSTOP, 246, 72, 29, 10},
    {1013, "BUTTON", "Night", kRadioButton, 246, 90, 33, 10},
    {1014, "BUTTON", "Random", kRadioButton, 246, 108, 42, 10},
    {IDC_STATIC, "BUTTON", "Information", kGroupBox, 6, 132, 288, 30},
    {IDC_STATIC, "STATIC", "Visit our site for more high quality animated 3D ScreenSavers", kText,
     12, 144, 196, 8},
    {1018, "BUTTON", "Visit Site", kPushButton, 234, 144, 50, 14},
    {IDOK, "BUTTON", "OK", kDefaultButton, 186, 174, 50, 14},
    {IDCANCEL, "BUTTON", "Cancel", kPushButton, 244, 174, 50, 14},
};

const DialogControlResource kSingleMonitorControls[] = {
    {IDC_STATIC, "BUTTON", "Video adapter", kGroupBox, 7, 7, 241, 64},
    {IDC_STATIC, "STATIC", "Name:", kText, 13, 20, 38, 8},
    {2002, "STATIC", "", kText, 55, 20, 187, 8},
    {IDC_STATIC, "STATIC", "Rendering:", kText, 13, 32, 38, 8},
    {2003, "STATIC", "", kText, 55, 32, 187, 18},
    {2005, "BUTTON", "&Disable hardware 3D rendering", kCheckBox | WS_DISABLED, 13, 54, 150, 10},
    {2004, "BUTTON", "&Help", kPushButton, 192, 52, 50, 14},
    {2009, "BUTTON", "Display mode", kGroupBox, 7, 76, 241, 68},
    {2010, "STATIC", "Display &mode for this video adapter:", kText, 13, 89, 229, 8},
    {2011, "COMBOBOX", "", kDropDownList, 13, 100, 229, 120},
    {2013, "STATIC",
     "Note: The Automatic display mode finds a mode that works well with your current screen "
     "saver settings and video adapter.",
     kText, 13, 118, 229, 24},
    {2012, "STATIC", "Automatic", kHiddenText, 13, 150, 40, 8},
    {2016, "STATIC", "%d by %d, %d bit color", kHiddenText, 13, 160, 80, 8},
    {IDOK, "BUTTON", "OK", kDefaultButton, 144, 150, 50, 14},
    {IDCANCEL, "BUTTON", "Cancel", kPushButton, 198, 150, 50, 14},
};

const DialogControlResource kMultiMonitorControls[] = {
    {2000, WC_TABCONTROL, "", kChild | WS_TABSTOP, 7, 7, 256, 206},
    {2001, "STATIC", "Monitor %d", kHiddenText, 14, 262, 40, 8},
    {IDC_STATIC, "BUTTON", "Video adapter", kGroupBox, 14, 26, 242, 62},
    {IDC_STATIC, "STATIC", "Name:", kText, 20, 39, 38, 8},
    {2002, "STATIC", "", kText, 62, 39, 188, 8},
    {IDC_STATIC, "STATIC", "Rendering:", kText, 20, 51, 38, 8},
    {2003, "STATIC", "", kText, 62, 51, 188, 18},
    {2005, "BUTTON", "&Disable hardware 3D rendering on this monitor", kCheckBox | WS_DISABLED, 20,
     71, 172, 10},
    {2004, "BUTTON", "&Help", kPushButton, 200, 69, 50, 14},
    {2006, "BUTTON", "Monitor usage", kGroupBox, 14, 92, 242, 40},
    {2007, "BUTTON", "Display &screen saver on this monitor", kRadioButton | WS_GROUP | WS_TABSTOP,
     20, 104, 230, 10},
    {2008, "BUTTON", "Display &nothing on this monitor", kRadioButton, 20, 117, 230, 10},
    {2009, "BUTTON", "Display mode", kGroupBox, 14, 136, 242, 70},
    {2010, "STATIC", "Display &mode for this video adapter:", kText, 20, 149, 230, 8},
    {2011, "COMBOBOX", "", kDropDownList, 20, 160, 230, 120},
    {2013, "STATIC",
     "Note: The Automatic display mode finds a mode that works well with your current screen "
     "saver settings and video adapter.",
     kText, 20, 178, 230, 24},
    {2012, "STATIC", "Automatic", kHiddenText, 60, 262, 40, 8},
    {2016, "STATIC", "%d by %d, %d bit color", kHiddenText, 104, 262, 50, 8},
    {2014, "BUTTON", "General Monitor Settings", kGroupBox, 7, 218, 256, 34},
    {2015, "BUTTON", "Render same &image on all monitors", kCheckBox, 14, 232, 240, 10},
    {IDOK, "BUTTON", "OK", kDefaultButton, 159, 260, 50, 14},
    {IDCANCEL, "BUTTON", "Cancel", kPushButton, 213, 260, 50, 14},
};

#define VELMORA_COUNT(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

const DialogResource kDialogs[] = {
    {106, "Velmora", "MS Shell Dlg", 8, kModalDialog, 301, 196, kSceneConfigControls,
     VELMORA_COUNT(kSceneConfigControls)},
    {200, "Display Settings", "MS Shell Dlg", 8, kModalDialog, 255, 170, kSingleMonitorControls,
     VELMORA_COUNT(kSingleMonitorControls)},
    {201, "Display Settings", "MS Shell Dlg", 8, kModalDialog, 270, 281, kMultiMonitorControls,
     VELMORA_COUNT(kMultiMonitorControls)},
};

}  // namespace

const DialogResource* FindDialogResource(int id) {
    for (const DialogResource& dialog : kDialogs) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

int DialogResourceCount() {
    return static_cast<int>(std::size(kDialogs));
}

const DialogResource* DialogResourceAt(int index) {
    return index >= 0 && index < DialogResourceCount() ? &kDialogs[index] : nullptr;
}
