// Drawing inside a screen-saver daemon's window: the window named by
// XSCREENSAVER_WINDOW becomes the only monitor, pop-ups become its children,
// and its going away asks the program to quit.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/win32/window_object.h"
#include "tests/win32_windows/x_display.h"

// Xlib last: its macros (None, Bool) collide with names in the headers above.
#include <X11/Xlib.h>

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    reinterpret_cast<std::vector<RECT>*>(data)->push_back(*rect);
    return TRUE;
}

std::vector<RECT> MonitorRects() {
    std::vector<RECT> rects;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&rects));
    return rects;
}

unsigned long XWindowOf(HWND handle) {
    Win32Window* object = Win32Window::FromHandle(handle);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (object == nullptr || object->SdlWindow() == nullptr ||
        !SDL_GetWindowWMInfo(object->SdlWindow(), &info)) {
        return 0;
    }
    return info.info.x11.window;
}

const char* RegisterPopupClass() {
    static const char* name = "SaverHostWindowTestPopup";
    static bool registered = false;
    if (!registered) {
        WNDCLASS info{};
        info.lpfnWndProc = DefWindowProc;
        info.hInstance = GetModuleHandle(nullptr);
        info.lpszClassName = name;
        registered = RegisterClass(&info) != 0;
    }
    return name;
}

// A window of another program (the daemon's), 400 by 300 at (100, 80).
class SaverHostWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!StartPrivateDisplay()) GTEST_SKIP() << "no X server";
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        host = XCreateSimpleWindow(display, DefaultRootWindow(display), 100, 80, 400, 300, 0, 0,
                                   0x000000);
        XMapWindow(display, host);
        XSync(display, False);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", host);
        setenv("XSCREENSAVER_WINDOW", id, 1);
    }
    void TearDown() override {
        unsetenv("XSCREENSAVER_WINDOW");
        if (display != nullptr) {
            if (host != 0) XDestroyWindow(display, host);
            XCloseDisplay(display);
        }
    }

    Window ParentOf(Window window) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(display, window, &root, &parent, &children, &count);
        if (children != nullptr) XFree(children);
        return parent;
    }

    Display* display = nullptr;
    Window host = 0;
};

}  // namespace

TEST_F(SaverHostWindowTest, TheDaemonsWindowIsTheOnlyMonitorWithItsSizeAsTheOnlyMode) {
    std::vector<RECT> rects = MonitorRects();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].left, 100);
    EXPECT_EQ(rects[0].top, 80);
    EXPECT_EQ(rects[0].right, 500);
    EXPECT_EQ(rects[0].bottom, 380);

    POINT origin{0, 0};
    MONITORINFOEX info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &info));
    EXPECT_EQ(info.dwFlags & MONITORINFOF_PRIMARY, DWORD(MONITORINFOF_PRIMARY));
    DEVMODE mode{};
    mode.dmSize = sizeof mode;
    ASSERT_TRUE(EnumDisplaySettings(info.szDevice, 0, &mode));
    EXPECT_EQ(mode.dmPelsWidth, 400u);
    EXPECT_EQ(mode.dmPelsHeight, 300u);
    EXPECT_FALSE(EnumDisplaySettings(info.szDevice, 1, &mode));
}

TEST_F(SaverHostWindowTest, PopupsBecomeChildrenAtTheirScreenPlaceAndOtherWindowsDoNot) {
    HWND popup = CreateWindowEx(WS_EX_TOPMOST, RegisterPopupClass(), "Saver", WS_POPUP | WS_VISIBLE,
                                100, 80, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(ParentOf(XWindowOf(popup)), host);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(popup, &rect));
    EXPECT_EQ(rect.left, 100);
    EXPECT_EQ(rect.top, 80);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
    // Moved in screen terms, it stays where asked inside the host.
    SetWindowPos(popup, nullptr, 150, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    XSync(display, False);
    ASSERT_TRUE(GetWindowRect(popup, &rect));
    EXPECT_EQ(rect.left, 150);
    EXPECT_EQ(rect.top, 100);

    // A captioned window (the test window, dialogs) is the desktop's as usual.
    HWND captioned = CreateWindowEx(0, RegisterPopupClass(), "Test", WS_CAPTION | WS_VISIBLE, 10,
                                    10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(captioned, nullptr);
    EXPECT_NE(ParentOf(XWindowOf(captioned)), host);
    DestroyWindow(captioned);
    DestroyWindow(popup);
}

TEST_F(SaverHostWindowTest, TheDaemonTakingItsWindowAwayAsksTheProgramToQuit) {
    HWND popup = CreateWindowEx(WS_EX_TOPMOST, RegisterPopupClass(), "Saver", WS_POPUP | WS_VISIBLE,
                                100, 80, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    XDestroyWindow(display, host);
    XSync(display, False);
    host = 0;
    bool quit = false;
    PumpUntil(
        [&] {
            MSG message;
            if (PeekMessage(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = true;
            return quit;
        },
        5000);
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(SaverHostWindowTest, AnythingButAnExistingWindowIdLeavesTheDesktopAsItIs) {
    for (const char* value : {"", "junk", "0", "0x0", "-5", "12abc", "0x7ffffff0"}) {
        setenv("XSCREENSAVER_WINDOW", value, 1);
        std::vector<RECT> rects = MonitorRects();
        ASSERT_EQ(rects.size(), 1u) << value;
        EXPECT_EQ(rects[0].right - rects[0].left, kScreenWidth) << value;
        EXPECT_EQ(rects[0].bottom - rects[0].top, kScreenHeight) << value;
    }
    // Decimal ids are read too.
    setenv("XSCREENSAVER_WINDOW", std::to_string(host).c_str(), 1);
    std::vector<RECT> rects = MonitorRects();
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].left, 100);
}
