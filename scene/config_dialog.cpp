// The configuration dialog (resource 106): the scene's options, the display
// settings button and the link to the product's site.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "scene/media_folder.h"
#include "scene/rerir_screensaver.h"
#include "scene/scene_settings.h"

namespace {

enum ConfigControl {
    kDisplaySettingsButton = 1006,
    kShowTimeCheck = 1007,
    kTwelveHourRadio = 1008,
    kTwentyFourHourRadio = 1009,
    kShowFpsCheck = 1010,
    kExitOnMouseCheck = 1011,
    kDayRadio = 1012,
    kNightRadio = 1013,
    kRandomRadio = 1014,
    kDelayTrackbar = 1015,
    kEnableSoundCheck = 1016,
    kVolumeTrackbar = 1017,
    kVisitSiteButton = 1018,
    kDelayLabel = 1020,
};

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void EnableClockStyles(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, kTwelveHourRadio), enable ? TRUE : FALSE);
    EnableWindow(GetDlgItem(dialog, kTwentyFourHourRadio), enable ? TRUE : FALSE);
}

int TrackbarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessage(dialog, id, TBM_GETPOS, 0, 0));
}

void InitialiseControls(HWND dialog) {
    CheckDlgButton(dialog, kShowTimeCheck, SceneSettings.showTime ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kShowFpsCheck, SceneSettings.enableFps ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kExitOnMouseCheck,
                   SceneSettings.exitOnMouse ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kEnableSoundCheck,
                   SceneSettings.enableSound ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog, kTwelveHourRadio, kTwentyFourHourRadio,
                     SceneSettings.enable12Hour ? kTwelveHourRadio : kTwentyFourHourRadio);
    int time = SceneSettings.timeOfDay == 1   ? kNightRadio
               : SceneSettings.timeOfDay == 2 ? kRandomRadio
                                              : kDayRadio;
    CheckRadioButton(dialog, kDayRadio, kRandomRadio, time);
    EnableClockStyles(dialog, SceneSettings.showTime != 0);
    SendDlgItemMessage(dialog, kDelayTrackbar, TBM_SETRANGE, FALSE, MAKELONG(0, 40));
    SendDlgItemMessage(dialog, kDelayTrackbar, TBM_SETPOS, TRUE,
                       LOWORD(SceneSettings.cameraChangeDelay));
    UpdateDelayLabel(dialog);
    SendDlgItemMessage(dialog, kVolumeTrackbar, TBM_SETRANGE, FALSE, MAKELONG(0, 100));
    SendDlgItemMessage(dialog, kVolumeTrackbar, TBM_SETPOS, TRUE,
                       LOWORD(SceneSettings.soundVolume));
}

void AcceptControls(HWND dialog) {
    SceneSettings.showTime = Checked(dialog, kShowTimeCheck);
    SceneSettings.enableSound = Checked(dialog, kEnableSoundCheck);
    SceneSettings.exitOnMouse = Checked(dialog, kExitOnMouseCheck);
    SceneSettings.enableFps = Checked(dialog, kShowFpsCheck);
    SceneSettings.enable12Hour = Checked(dialog, kTwelveHourRadio);
    SceneSettings.timeOfDay = Checked(dialog, kDayRadio) ? 0 : Checked(dialog, kNightRadio) ? 1 : 2;
    SceneSettings.cameraChangeDelay = TrackbarPosition(dialog, kDelayTrackbar);
    SceneSettings.soundVolume = TrackbarPosition(dialog, kVolumeTrackbar);
}

// Tells the user that OK could not store the settings, and why, in the
// system's words; the dialog stays open with the values chosen.
void ReportSaveFailure(HWND dialog, const char* caption, LONG code) {
    char reason[256];
    DWORD length =
        FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                      static_cast<DWORD>(code), 0, reason, sizeof(reason), nullptr);
    while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' ||
                          reason[length - 1] == ' ')) {
        reason[--length] = '\0';
    }
    if (length == 0) std::snprintf(reason, sizeof(reason), "error %ld", static_cast<long>(code));
    char text[320];
    std::snprintf(text, sizeof(text), "Settings could not be saved: %s", reason);
    MessageBox(dialog, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace

void UpdateDelayLabel(HWND dialog) {
    char text[256];
    std::snprintf(text, sizeof(text), "Camera Change Delay: %d sec",
                  TrackbarPosition(dialog, kDelayTrackbar) + 5);
    SetDlgItemText(dialog, kDelayLabel, text);
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    CRerirScreensaver* scene = activeScene;
    switch (message) {
        case WM_INITDIALOG:
            if (scene != nullptr) scene->ReadSceneSettings();
            InitialiseControls(dialog);
            return TRUE;
        case WM_HSCROLL:
            UpdateDelayLabel(dialog);
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    AcceptControls(dialog);
                    if (scene != nullptr) {
                        const LONG saved = scene->WriteSceneSettings();
                        if (saved != ERROR_SUCCESS) {
                            ReportSaveFailure(dialog, scene->windowTitle, saved);
                            break;
                        }
                    }
                    EndDialog(dialog, IDOK);
                    break;
                case IDCANCEL:
                    if (scene != nullptr) scene->ReadSceneSettings();
                    EndDialog(dialog, IDCANCEL);
                    break;
                case kDisplaySettingsButton:
                    if (scene != nullptr) scene->ShowDisplaySettingsDialog(dialog);
                    break;
                case kShowTimeCheck:
                    EnableClockStyles(dialog, Checked(dialog, kShowTimeCheck));
                    break;
                case kVisitSiteButton:
                    if (scene != nullptr) {
                        std::string site =
                            ResolveMediaFolder(scene->mediaPath, InstalledMediaFolder()) +
                            "site.url";
                        ShellExecute(nullptr, "open", site.c_str(), nullptr, nullptr,
                                     SW_SHOWNORMAL);
                    }
                    break;
            }
            return TRUE;
    }
    return FALSE;
}

void CRerirScreensaver::ShowConfigDialog() {
    DialogBoxParam(instance, MAKEINTRESOURCE(106), parentWindow, ConfigDialogProc, 0);
}
