// velmora-preview-host [seconds]: stands in for the control panel's preview
// area. Shows a black 320 by 240 window titled "Preview Host" at the screen's
// origin, prints its handle as a decimal number on a line of its own (the
// argument a saver's /p mode takes) and runs until the window is closed or
// `seconds` (default 60) have passed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kLifetimeTimer) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: velmora-preview-host [seconds]\n");
        return 2;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "VelmoraPreviewHost";
    if (!RegisterClassA(&windowClass)) return 1;

    // A popup: its client area is the whole window, so the preview's pixels
    // are at known screen places. The saver's child must not be painted over.
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Preview Host",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 320, 240, nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    SetTimer(window, kLifetimeTimer, static_cast<UINT>(seconds) * 1000u, nullptr);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    std::fflush(stdout);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
