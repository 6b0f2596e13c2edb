#include <cstdio>

#include "host/d3d_screensaver.h"
#include "host/error_box.h"
#include "host/error_messages.h"
#include "host/multi_monitor.h"

namespace {

// Millisecond time of the previous error-box step; 0 before the first.
DWORD previousBoxStep = 0;

typedef DWORD(WINAPI* ChangePasswordFunction)(LPCSTR provider, HWND window, DWORD reserved1,
                                              DWORD reserved2);

RECT ScreenRectInWindow(HWND window, const RECT& screenRect) {
    POINT topLeft = {screenRect.left, screenRect.top};
    POINT bottomRight = {screenRect.right, screenRect.bottom};
    ScreenToClient(window, &topLeft);
    ScreenToClient(window, &bottomRight);
    return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

}  // namespace

BOOL CD3DScreensaver::LookupErrorText(HRESULT code, char* text, DWORD capacity) {
    const UINT id = ErrorStringId(code);
    if (text != nullptr && capacity > 0) {
        LoadString(instance, id, text, static_cast<int>(capacity));
    }
    return id != GeneralErrorStringId;
}

HRESULT CD3DScreensaver::ShowErrorBox(HRESULT code) {
    char text[512] = {};
    LookupErrorText(code, text, sizeof(text));
    MessageBox(window, text, windowTitle, MB_ICONERROR | MB_OK);
    return code;
}

void CD3DScreensaver::PreparePassword() {
    OSVERSIONINFO version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionEx(&version);
    isWin9x = version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    if (!isWin9x || mode != ScreenSaverMode::FullScreen) return;

    HKEY desktopKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &desktopKey) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD usePassword = 0;
    DWORD size = sizeof(usePassword);
    if (RegQueryValueExA(desktopKey, "ScreenSaveUsePassword", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
        size == sizeof(usePassword) && usePassword != 0) {
        passwordLibrary = LoadLibrary("PASSWORD.CPL");
        if (passwordLibrary != nullptr) {
            verifyPassword = reinterpret_cast<VerifyPasswordFunction>(
                reinterpret_cast<void*>(GetProcAddress(passwordLibrary, "VerifyScreenSavePwd")));
        }
    }
    RegCloseKey(desktopKey);
}

void CD3DScreensaver::CheckPassword() {
    ReleaseEachScreenDevice();
    for (DWORD a = 0; a < adapterCount; ++a) {
        if (adapters[a] == nullptr || adapters[a]->deviceWindow == nullptr) continue;
        ShowWindow(adapters[a]->deviceWindow, SW_RESTORE);
        ShowWindow(adapters[a]->deviceWindow, SW_SHOWMAXIMIZED);
    }

    checkingPassword = TRUE;
    const BOOL correct = verifyPassword(window);
    checkingPassword = FALSE;

    if (correct) {
        screenDeviceCount = 0;
        CloseSaver();
        return;
    }

    SetCursor(nullptr);
    mouseMoveCount = 0;
    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        ScreenDevice& screen = screenDevices[i];
        if (direct3d == nullptr ||
            FAILED(direct3d->CreateDevice(static_cast<UINT>(screen.adapterIndex), screen.deviceType,
                                          window, screen.behaviourFlags, &screen.presentParameters,
                                          &screen.device))) {
            screen.device = nullptr;
            EnterErrorMode(SaverErrCreateDeviceFailed);
            continue;
        }
        CreateDeviceResourcesFor(i);
    }
}

void CD3DScreensaver::ChangeSaverPassword() {
    HMODULE library = LoadLibrary("MPR.DLL");
    if (library == nullptr) return;
    const ChangePasswordFunction changePassword = reinterpret_cast<ChangePasswordFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    if (changePassword != nullptr) changePassword("SCRSAVE", parentWindow, 0, 0);
    FreeLibrary(library);
}

void CD3DScreensaver::AnimateErrorBox() {
    if (screenDeviceCount > 0) ReleaseScreenDevices();

    const DWORD now = timeGetTime();
    if (previousBoxStep == 0) previousBoxStep = now;
    const float seconds = static_cast<float>(now - previousBoxStep) / 1000.0f;
    previousBoxStep = now;

    if (errorText[0] == '\0') LookupErrorText(errorCode, errorText, sizeof(errorText));

    for (DWORD m = 0; m < monitorCount; ++m) {
        MonitorRecord& monitor = monitors[m];
        if (monitor.window == nullptr) continue;
        const RECT bounds = mode == ScreenSaverMode::FullScreen
                                ? ScreenRectInWindow(monitor.window, monitor.screenRect)
                                : totalRenderRect;
        if (monitor.boxWidth == 0.0f) {
            const bool preview = mode == ScreenSaverMode::Preview;
            PlaceErrorBox(monitor, bounds, preview);
            if (preview) {
                InvalidateRect(monitor.window, nullptr, FALSE);
                UpdateWindow(monitor.window);
            }
        } else if (mode != ScreenSaverMode::Preview) {
            RECT before, after;
            if (MoveErrorBox(monitor, bounds, seconds, &before, &after)) {
                InvalidateRect(monitor.window, &before, FALSE);
                InvalidateRect(monitor.window, &after, FALSE);
                UpdateWindow(monitor.window);
            }
        }
    }
}

void CD3DScreensaver::PaintIdleWindow(HWND paintWindow, HDC dc) {
    const HMONITOR nearest =
        MultiMonitor().monitorFromWindow(paintWindow, MONITOR_DEFAULTTONEAREST);
    MonitorRecord* monitor = nullptr;
    for (DWORD m = 0; m < monitorCount; ++m) {
        if (monitors[m].monitorHandle == nearest) {
            monitor = &monitors[m];
            break;
        }
    }
    if (monitor == nullptr) return;

    RECT box = ErrorBoxRect(*monitor);
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

    RECT measured = box;
    DrawText(dc, errorText, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const LONG textHeight = measured.bottom - measured.top;
    RECT textRect = box;
    textRect.top = (box.top + box.bottom - textHeight) / 2;
    DrawText(dc, errorText, -1, &textRect, DT_WORDBREAK | DT_CENTER);

    ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
    const RECT screen = ScreenRectInWindow(paintWindow, monitor->screenRect);
    FillRect(dc, &screen, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
