// Per-screen display settings: the registry values under "Screen %d" and the
// Display Settings dialogs (200 for one adapter, 201 with a tab per monitor).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/d3d_screensaver.h"

namespace {

enum DisplayControl {
    kMonitorTabs = 2000,
    kMonitorTitle = 2001,
    kAdapterName = 2002,
    kRenderingText = 2003,
    kHelpButton = 2004,
    kUsageGroup = 2006,
    kShowSaverRadio = 2007,
    kLeaveBlackRadio = 2008,
    kModeGroup = 2009,
    kModeLabel = 2010,
    kModeList = 2011,
    kAutomaticText = 2012,
    kModeNote = 2013,
    kSameImageCheck = 2015,
    kModeText = 2016,
};

// The adapter table and the global switch as they were when the dialog opened.
struct DisplaySettingsBackup {
    std::vector<AdapterRecord> adapters;
    BOOL allScreensSame = FALSE;
};
DisplaySettingsBackup backup;

// Reads a DWORD value into `field`; a missing value leaves it as it was.
template <typename T>
void QueryDword(HKEY key, const char* name, T* field) {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        size == sizeof(value)) {
        *field = static_cast<T>(value);
    }
}

void SetDword(HKEY key, const char* name, DWORD value) {
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

bool OpenScreenKey(HKEY parent, int monitorIndex, HKEY* key) {
    char name[32];
    std::snprintf(name, sizeof(name), "Screen %d", monitorIndex + 1);
    DWORD disposition;
    return RegCreateKeyEx(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, key, &disposition) == ERROR_SUCCESS;
}

void EnableControls(HWND dialog, std::initializer_list<int> ids, bool enable) {
    for (int id : ids) EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

int BitsPerPixel(D3DFORMAT format) {
    return (format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) ? 32
                                                                                               : 16;
}

INT_PTR CALLBACK DisplaySettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    CD3DScreensaver* host = ActiveScreensaver();
    if (host == nullptr) return FALSE;
    return host->HandleDisplaySettingsMessage(dialog, message, wParam, lParam);
}

}  // namespace

void CD3DScreensaver::LoadScreenSettings(HKEY key) {
    QueryDword(key, "AllScreensSame", &allScreensSame);
    for (DWORD i = 0; i < monitorCount; ++i) {
        int adapterIndex = monitors[i].adapterIndex;
        if (adapterIndex < 0 || adapterIndex >= static_cast<int>(adapterCount)) continue;
        AdapterRecord& adapter = *adapters[adapterIndex];
        HKEY screenKey;
        if (!OpenScreenKey(key, static_cast<int>(i), &screenKey)) continue;
        GUID stored = {};
        DWORD size = sizeof(stored), type = 0;
        RegQueryValueEx(screenKey, "Adapter ID", nullptr, &type, reinterpret_cast<BYTE*>(&stored),
                        &size);
        QueryDword(screenKey, "Leave Black", &adapter.leaveBlack);
        static const GUID kNone = {};
        if (std::memcmp(&stored, &adapter.identifier.DeviceIdentifier, sizeof(GUID)) == 0 ||
            std::memcmp(&stored, &kNone, sizeof(GUID)) == 0) {
            QueryDword(screenKey, "Disable Hardware", &adapter.disableHardware);
            QueryDword(screenKey, "Width", &adapter.userWidth);
            QueryDword(screenKey, "Height", &adapter.userHeight);
            QueryDword(screenKey, "Format", &adapter.userFormat);
        }
        RegCloseKey(screenKey);
    }
}

void CD3DScreensaver::SaveScreenSettings(HKEY key) {
    SetDword(key, "AllScreensSame", allScreensSame ? 1 : 0);
    for (DWORD i = 0; i < monitorCount; ++i) {
        int adapterIndex = monitors[i].adapterIndex;
        if (adapterIndex < 0 || adapterIndex >= static_cast<int>(adapterCount)) continue;
        const AdapterRecord& adapter = *adapters[adapterIndex];
        HKEY screenKey;
        if (!OpenScreenKey(key, static_cast<int>(i), &screenKey)) continue;
        SetDword(screenKey, "Leave Black", adapter.leaveBlack ? 1 : 0);
        SetDword(screenKey, "Disable Hardware", adapter.disableHardware ? 1 : 0);
        SetDword(screenKey, "Width", adapter.userWidth);
        SetDword(screenKey, "Height", adapter.userHeight);
        SetDword(screenKey, "Format", static_cast<DWORD>(adapter.userFormat));
        RegSetValueEx(screenKey, "Adapter ID", 0, REG_BINARY,
                      reinterpret_cast<const BYTE*>(&adapter.identifier.DeviceIdentifier),
                      sizeof(GUID));
        RegCloseKey(screenKey);
    }
}

INT_PTR CD3DScreensaver::ShowDisplaySettingsDialog(HWND owner) {
    int id = (adapterCount < 2 || oneScreenOnly) ? 200 : 201;
    return DialogBoxParam(instance, MAKEINTRESOURCE(id), owner, DisplaySettingsProc, 0);
}

int CD3DScreensaver::CurrentSettingsMonitor(HWND dialog) {
    if (oneScreenOnly) {
        int best = -1;
        if (PickBestAdapter(&best) && best >= 0) return adapters[best]->monitorIndex;
        return 0;
    }
    HWND tabs = GetDlgItem(dialog, kMonitorTabs);
    if (tabs == nullptr) return 0;
    int tab = static_cast<int>(SendMessage(tabs, TCM_GETCURSEL, 0, 0));
    return tab < 0 ? 0 : tab;
}

void CD3DScreensaver::FillAdapterPage(HWND dialog) {
    int monitorIndex = CurrentSettingsMonitor(dialog);
    if (monitorIndex < 0 || monitorIndex >= static_cast<int>(monitorCount)) return;
    MonitorRecord& monitor = monitors[monitorIndex];
    SetDlgItemText(dialog, kAdapterName, monitor.adapterName);

    AdapterRecord* adapter =
        (monitor.adapterIndex >= 0 && monitor.adapterIndex < static_cast<int>(adapterCount))
            ? adapters[monitor.adapterIndex]
            : nullptr;
    UINT rendering = 2212;
    if (adapter != nullptr && adapter->hasHardware && !adapter->disableHardware &&
        adapter->hasCompatibleHardware) {
        rendering = 2210;
    } else if (adapter != nullptr && adapter->hasSoftware && adapter->hasCompatibleSoftware) {
        rendering = 2211;
    }
    char text[200];
    LoadString(nullptr, rendering, text, sizeof(text));
    SetDlgItemText(dialog, kRenderingText, text);

    bool usable =
        adapter != nullptr && ((adapter->hasCompatibleHardware && !adapter->disableHardware) ||
                               adapter->hasCompatibleSoftware);
    if (usable) {
        CheckRadioButton(dialog, kShowSaverRadio, kLeaveBlackRadio,
                         adapter->leaveBlack ? kLeaveBlackRadio : kShowSaverRadio);
    } else {
        CheckRadioButton(dialog, kShowSaverRadio, kLeaveBlackRadio, kLeaveBlackRadio);
    }
    EnableControls(dialog, {kShowSaverRadio, kLeaveBlackRadio, kUsageGroup}, usable);
    bool showsSaver = IsDlgButtonChecked(dialog, kLeaveBlackRadio) != BST_CHECKED;
    EnableControls(dialog, {kModeList, kModeLabel, kModeGroup, kModeNote}, showsSaver);

    SendDlgItemMessage(dialog, kModeList, CB_RESETCONTENT, 0, 0);
    if (adapter == nullptr) return;
    char automatic[100], modeTemplate[100];
    GetDlgItemText(dialog, kAutomaticText, automatic, sizeof(automatic));
    GetDlgItemText(dialog, kModeText, modeTemplate, sizeof(modeTemplate));
    LRESULT item =
        SendDlgItemMessage(dialog, kModeList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(automatic));
    SendDlgItemMessage(dialog, kModeList, CB_SETITEMDATA, item, static_cast<LPARAM>(-1));
    int selected = 0;
    const DeviceRecord& device = adapter->devices[adapter->currentDevice];
    for (DWORD m = 0; m < device.modeCount; ++m) {
        const ModeRecord& mode = device.modes[m];
        char modeName[100];
        std::snprintf(modeName, sizeof(modeName), modeTemplate, mode.width, mode.height,
                      BitsPerPixel(mode.format));
        item = SendDlgItemMessage(dialog, kModeList, CB_ADDSTRING, 0,
                                  reinterpret_cast<LPARAM>(modeName));
        SendDlgItemMessage(dialog, kModeList, CB_SETITEMDATA, item, static_cast<LPARAM>(m));
        if (mode.width == adapter->userWidth && mode.height == adapter->userHeight &&
            mode.format == adapter->userFormat) {
            selected = static_cast<int>(item);
        }
    }
    SendDlgItemMessage(dialog, kModeList, CB_SETCURSEL, selected, 0);
}

UINT CD3DScreensaver::DisplayHelpText(int monitorIndex) {
    const MonitorRecord& monitor = monitors[monitorIndex];
    if (monitor.monitorHandle == nullptr || monitor.adapterIndex < 0 ||
        monitor.adapterIndex >= static_cast<int>(adapterCount)) {
        return 2206;
    }
    const AdapterRecord& a = *adapters[monitor.adapterIndex];
    if (a.hasHardware && a.disableHardware) {
        if (!a.hasSoftware) return 2209;
        return a.hasCompatibleSoftware ? 2207 : 2208;
    }
    if (a.hasHardware) {
        if (a.hasCompatibleHardware) return 2200;
        if (!a.hasSoftware) return 2203;
        return a.hasCompatibleSoftware ? 2201 : 2202;
    }
    if (!a.hasSoftware) return 2206;
    return a.hasCompatibleSoftware ? 2204 : 2205;
}

INT_PTR CD3DScreensaver::HandleDisplaySettingsMessage(HWND dialog, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND tabs = GetDlgItem(dialog, kMonitorTabs);
            if (tabs != nullptr) {
                char titleTemplate[100];
                GetDlgItemText(dialog, kMonitorTitle, titleTemplate, sizeof(titleTemplate));
                for (DWORD i = 0; i < monitorCount; ++i) {
                    char title[100];
                    std::snprintf(title, sizeof(title), titleTemplate, static_cast<int>(i) + 1);
                    TCITEM tab = {};
                    tab.mask = TCIF_TEXT;
                    tab.pszText = title;
                    SendMessage(tabs, TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&tab));
                }
            }
            backup.adapters.clear();
            for (DWORD i = 0; i < adapterCount; ++i) backup.adapters.push_back(*adapters[i]);
            backup.allScreensSame = allScreensSame;
            FillAdapterPage(dialog);
            CheckDlgButton(dialog, kSameImageCheck, allScreensSame ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
                FillAdapterPage(dialog);
            }
            return FALSE;
        }
        case WM_COMMAND:
            break;
        default:
            return FALSE;
    }

    int monitorIndex = CurrentSettingsMonitor(dialog);
    bool validMonitor = monitorIndex >= 0 && monitorIndex < static_cast<int>(monitorCount);
    int adapterIndex = validMonitor ? monitors[monitorIndex].adapterIndex : -1;
    AdapterRecord* adapter = (adapterIndex >= 0 && adapterIndex < static_cast<int>(adapterCount))
                                 ? adapters[adapterIndex]
                                 : nullptr;
    switch (LOWORD(wParam)) {
        case IDOK:
            backup.adapters.clear();
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            for (DWORD i = 0; i < adapterCount && i < backup.adapters.size(); ++i) {
                *adapters[i] = backup.adapters[i];
            }
            allScreensSame = backup.allScreensSame;
            backup.adapters.clear();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case kHelpButton:
            if (validMonitor) {
                char text[500];
                LoadString(nullptr, DisplayHelpText(monitorIndex), text, sizeof(text));
                MessageBox(dialog, text, monitors[monitorIndex].adapterName,
                           MB_OK | MB_ICONINFORMATION);
            }
            return TRUE;
        case kShowSaverRadio:
        case kLeaveBlackRadio:
            if (adapter != nullptr) {
                adapter->leaveBlack = IsDlgButtonChecked(dialog, kLeaveBlackRadio) == BST_CHECKED;
                EnableControls(dialog, {kModeList, kModeLabel, kModeGroup, kModeNote},
                               !adapter->leaveBlack);
            }
            return TRUE;
        case kModeList:
            if (HIWORD(wParam) == CBN_SELCHANGE && adapter != nullptr) {
                LRESULT selection = SendDlgItemMessage(dialog, kModeList, CB_GETCURSEL, 0, 0);
                LRESULT mode = SendDlgItemMessage(dialog, kModeList, CB_GETITEMDATA, selection, 0);
                const DeviceRecord& device = adapter->devices[adapter->currentDevice];
                if (selection <= 0 || mode < 0 || mode >= static_cast<LRESULT>(device.modeCount)) {
                    adapter->userWidth = adapter->userHeight = 0;
                    adapter->userFormat = D3DFMT_UNKNOWN;
                } else {
                    adapter->userWidth = device.modes[mode].width;
                    adapter->userHeight = device.modes[mode].height;
                    adapter->userFormat = device.modes[mode].format;
                }
            }
            return TRUE;
        case kSameImageCheck:
            allScreensSame = IsDlgButtonChecked(dialog, kSameImageCheck) == BST_CHECKED;
            return TRUE;
    }
    return FALSE;
}
