#include "host/d3d_screensaver.h"
#include "host/mouse_activity.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr char WindowClassName[] = "D3DSaverWndClass";
constexpr UINT_PTR PreviewStartTimer = 1;
constexpr int PreviewBitmapWidth = 152;
constexpr int PreviewBitmapHeight = 112;
constexpr WORD IconResource = 101;
constexpr WORD PreviewBitmapResource = 107;

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CD3DScreensaver* saver = ActiveScreensaver();
    if (saver == nullptr) return DefWindowProc(window, message, wParam, lParam);
    return saver->HandleWindowMessage(window, message, wParam, lParam);
}

}  // namespace

HRESULT CD3DScreensaver::CreateSaverWindows() {
    WNDCLASS windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIcon(instance, MAKEINTRESOURCE(IconResource));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WindowClassName;
    RegisterClass(&windowClass);

    switch (mode) {
        case ScreenSaverMode::Preview: {
            // A preview needs its host's window. Without one there is nothing
            // to draw in and nothing whose end would end the saver: say so and
            // end at once, as for a malformed command line.
            if (!IsWindow(parentWindow)) {
                std::fprintf(stderr,
                             "%s: cannot preview: no window has the id %llu (command line: "
                             "%s)\n",
                             windowTitle,
                             static_cast<unsigned long long>(
                                 reinterpret_cast<uintptr_t>(parentWindow)),
                             GetCommandLine());
                ExitProcess(2);
            }
            RECT rect = {};
            GetClientRect(parentWindow, &rect);
            const DWORD style = WS_CHILD | WS_VISIBLE;
            AdjustWindowRect(&rect, style, FALSE);
            window = CreateWindowEx(0, WindowClassName, windowTitle, style, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, parentWindow,
                                    nullptr, instance, this);
            monitors[0].window = window;
            if (window != nullptr) {
                GetClientRect(window, &totalRenderRect);
                currentRenderRect = totalRenderRect;
            }
            previewBitmap = LoadBitmap(instance, MAKEINTRESOURCE(PreviewBitmapResource));
            break;
        }
        case ScreenSaverMode::FullScreen:
            window = nullptr;
            for (DWORD m = 0; m < monitorCount; ++m) {
                MonitorRecord& monitor = monitors[m];
                if (monitor.monitorHandle == nullptr) continue;
                const RECT& r = monitor.screenRect;
                monitor.window = CreateWindowEx(
                    WS_EX_TOPMOST, WindowClassName, windowTitle, WS_POPUP | WS_VISIBLE, r.left,
                    r.top, r.right - r.left, r.bottom - r.top, window, nullptr, instance, this);
                if (monitor.window == nullptr) return E_FAIL;
                if (window == nullptr) window = monitor.window;
            }
            break;
        case ScreenSaverMode::Test: {
            RECT rect = {50, 50, 650, 450};
            const DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
            AdjustWindowRect(&rect, style, FALSE);
            window = CreateWindowEx(0, WindowClassName, windowTitle, style, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                    nullptr, instance, this);
            monitors[0].window = window;
            if (window != nullptr) {
                GetClientRect(window, &totalRenderRect);
                currentRenderRect = totalRenderRect;
            }
            break;
        }
        case ScreenSaverMode::Config:
        case ScreenSaverMode::ChangePassword:
            break;
    }
    return window != nullptr ? S_OK : E_FAIL;
}

LRESULT CD3DScreensaver::HandleWindowMessage(HWND messageWindow, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            if (previewBitmap != nullptr) {
                DeleteObject(previewBitmap);
                previewBitmap = nullptr;
            }
            if (mode == ScreenSaverMode::Preview || mode == ScreenSaverMode::Test) CloseSaver();
            break;

        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(messageWindow, &paint);
            if (!errorMode && mode == ScreenSaverMode::Preview) {
                if (previewBitmap != nullptr) {
                    HDC bitmapDc = CreateCompatibleDC(dc);
                    HGDIOBJ previous = SelectObject(bitmapDc, previewBitmap);
                    BitBlt(dc, 0, 0, PreviewBitmapWidth, PreviewBitmapHeight, bitmapDc, 0, 0,
                           SRCCOPY);
                    SelectObject(bitmapDc, previous);
                    DeleteDC(bitmapDc);
                }
            } else {
                PaintIdleWindow(messageWindow, dc);
            }
            EndPaint(messageWindow, &paint);
            return 0;
        }

        case WM_ERASEBKGND:
            if (!checkingPassword) {
                for (DWORD i = 0; i < screenDeviceCount; ++i) {
                    const int a = screenDevices[i].adapterIndex;
                    if (a >= 0 && static_cast<DWORD>(a) < adapterCount && adapters[a] != nullptr &&
                        adapters[a]->deviceWindow == messageWindow) {
                        return 1;
                    }
                }
            }
            break;

        case WM_SETCURSOR:
            if (mode == ScreenSaverMode::FullScreen && !checkingPassword) {
                SetCursor(nullptr);
                return 1;
            }
            break;

        case WM_ACTIVATEAPP:
            if (wParam == FALSE && mode != ScreenSaverMode::Test) EndSaver();
            break;

        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (mode != ScreenSaverMode::Test) EndSaver();
            break;

        case WM_MOUSEMOVE:
            if (mode != ScreenSaverMode::Test && (exitOnMouse == nullptr || *exitOnMouse != 0)) {
                if (CountMouseMove(lParam, &mouseMoveCount) &&
                    mouseMoveCount > MouseMovesTolerated) {
                    EndSaver();
                }
            }
            break;

        case WM_SYSCOMMAND:
            if (mode == ScreenSaverMode::FullScreen) {
                switch (wParam & 0xFFF0) {
                    case SC_SCREENSAVE:
                    case SC_CLOSE:
                    case SC_NEXTWINDOW:
                    case SC_PREVWINDOW:
                        return 0;
                    default:
                        break;
                }
            }
            break;

        case WM_POWERBROADCAST:
            if (wParam == PBT_APMSUSPEND && verifyPassword == nullptr) EndSaver();
            break;

        case WM_USER:
            SetTimer(messageWindow, PreviewStartTimer, 500, nullptr);
            break;

        case WM_TIMER:
            waitingForPreviewStart = FALSE;
            KillTimer(messageWindow, PreviewStartTimer);
            break;

        default:
            break;
    }
    return DefWindowProc(messageWindow, message, wParam, lParam);
}

void CD3DScreensaver::EndSaver() {
    const bool active =
        mode == ScreenSaverMode::Test || (mode == ScreenSaverMode::FullScreen && !checkingPassword);
    if (!active) return;
    if (isWin9x && mode == ScreenSaverMode::FullScreen && verifyPassword != nullptr) {
        CheckPassword();
    } else {
        CloseSaver();
    }
}

void CD3DScreensaver::HideSaverWindows() {
    for (DWORD m = 0; m < monitorCount; ++m) {
        if (monitors[m].window != nullptr) ShowWindow(monitors[m].window, SW_HIDE);
    }
    if (window != nullptr) ShowWindow(window, SW_HIDE);
}
