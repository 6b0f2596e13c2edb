// Real windows under Xvfb driven from outside: xdotool types, clicks and
// moves; the close request comes as a window manager sends it; screenshots
// show what the window painted. Also children of a foreign X11 window.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/resource_images.h"
#include "platform/win32/window_object.h"
#include "tests/support/temp_folder.h"
#include "tests/win32_windows/x_display.h"

// Xlib last: its macros (None, Bool) collide with names in the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

const char* kErrorText = "There was an unspecified problem with this screen saver.";

struct Received {
    std::atomic<bool> painted{false};
    std::atomic<int> keyA{0}, left{0}, right{0}, middle{0}, moves{0}, setCursor{0};
    std::atomic<int> sysClose{0}, close{0}, destroy{0};
    std::atomic<LPARAM> lastMove{0};
    std::atomic<LPARAM> leftAt{0};
};
Received received;

// Paints what the saver's error display paints: black around a white,
// framed box with the message word-wrapped and centred in it.
void PaintBox(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    RECT box{150, 125, 450, 275};
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT text = box;
    int height = DrawText(dc, kErrorText, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    text = box;
    text.top = (box.top + box.bottom - height) / 2;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, kErrorText, -1, &text, DT_WORDBREAK | DT_CENTER);
    ExcludeClipRect(dc, box.left, box.top, box.right, box.bottom);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            PaintBox(window, dc);
            EndPaint(window, &paint);
            received.painted = true;
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == 'A') ++received.keyA;
            break;
        case WM_LBUTTONDOWN:
            ++received.left;
            received.leftAt = lParam;
            break;
        case WM_RBUTTONDOWN:
            ++received.right;
            break;
        case WM_MBUTTONDOWN:
            ++received.middle;
            break;
        case WM_MOUSEMOVE:
            ++received.moves;
            received.lastMove = lParam;
            break;
        case WM_SETCURSOR:
            ++received.setCursor;
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) ++received.sysClose;
            break;
        case WM_CLOSE:
            ++received.close;
            break;
        case WM_DESTROY:
            ++received.destroy;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProc(window, message, wParam, lParam);
}

std::string Output(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
    return output;
}

template <typename Done>
bool WaitFor(Done done, int milliseconds) {
    for (int waited = 0; !done(); waited += 10) {
        if (waited >= milliseconds) return false;
        Sleep(10);
    }
    return true;
}

struct Statistics {
    int white = 0, black = 0, dark = 0, other = 0;
};

Statistics Measure(const std::vector<uint32_t>& pixels, int width, RECT area) {
    Statistics s;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            uint32_t p = pixels[size_t(y) * width + x];
            if (p == 0xFFFFFF) {
                ++s.white;
            } else if (p == 0) {
                ++s.black;
            } else if ((p & 0xFF) < 128) {
                ++s.dark;
            } else {
                ++s.other;
            }
        }
    }
    return s;
}

}  // namespace

TEST(WindowEndToEnd, CaptionedWindowTakesInputPaintsAndClosesFromItsCloseBox) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    WNDCLASS wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TestWindowProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "VelmoraEndToEnd";
    ASSERT_NE(RegisterClass(&wc), 0);

    DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT rect{50, 50, 650, 450};
    ASSERT_TRUE(AdjustWindowRect(&rect, style, FALSE));
    EXPECT_LT(rect.top, 50);  // the caption sits above the client area
    HWND window = CreateWindowEx(0, "VelmoraEndToEnd", "Velmora End To End", style, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                 nullptr, GetModuleHandle(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 400);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(origin.x, 50);
    EXPECT_EQ(origin.y, 50);

    // The outside world acts while this thread runs an ordinary message loop.
    std::string xid;
    Statistics box, around;
    std::thread outside([&] {
        if (!WaitFor([] { return received.painted.load(); }, 5000)) return;
        std::vector<uint32_t> screen = GrabScreen(origin.x, origin.y, 600, 400);
        if (screen.size() == 600u * 400u) {
            box = Measure(screen, 600, RECT{151, 126, 449, 274});
            around = Measure(screen, 600, RECT{0, 0, 600, 120});
        }
        xid = Output("xdotool search --name 'Velmora End To End' 2>/dev/null");
        while (!xid.empty() && (xid.back() == '\n' || xid.back() == '\r')) xid.pop_back();
        Output("xdotool mousemove " + std::to_string(origin.x + 100) + " " +
               std::to_string(origin.y + 120));
        WaitFor([] { return received.moves.load() > 0; }, 2000);
        Output("xdotool click 1 click 3 click 2 key a");
        WaitFor([] { return received.keyA.load() > 0 && received.middle.load() > 0; }, 3000);
        if (!xid.empty()) SendCloseRequest(std::stoul(xid));
    });

    SetTimer(window, 99, 15000, nullptr);  // a safety net: never hang the suite
    MSG message;
    bool timedOut = false;
    while (GetMessage(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.wParam == 99) {
            timedOut = true;
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    outside.join();
    EXPECT_FALSE(timedOut);

    ASSERT_FALSE(xid.empty()) << "xdotool found no window with the title";
    EXPECT_GE(received.moves.load(), 1);
    EXPECT_GE(received.setCursor.load(), 1);
    EXPECT_EQ(GET_X_LPARAM(received.lastMove.load()), 100);
    EXPECT_EQ(GET_Y_LPARAM(received.lastMove.load()), 120);
    EXPECT_EQ(received.left.load(), 1);
    EXPECT_EQ(received.leftAt.load(), MAKELPARAM(100, 120));
    EXPECT_EQ(received.right.load(), 1);
    EXPECT_EQ(received.middle.load(), 1);
    EXPECT_EQ(received.keyA.load(), 1);
    EXPECT_EQ(received.sysClose.load(), 1);
    EXPECT_EQ(received.close.load(), 1);
    EXPECT_EQ(received.destroy.load(), 1);
    EXPECT_FALSE(IsWindow(window));

    // The box is mostly white with dark text in it; the window around it is black.
    int boxArea = 298 * 148;
    EXPECT_GT(box.white, boxArea * 7 / 10);
    EXPECT_GT(box.dark, 150);
    EXPECT_LT(box.black + box.dark + box.other, boxArea * 3 / 10);
    EXPECT_EQ(around.black, 600 * 120);
}

namespace {
std::atomic<int> childPaints{0};
std::atomic<int> childDestroys{0};
LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) ++childDestroys;
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBITMAP bitmap = LoadBitmap(GetModuleHandle(nullptr), MAKEINTRESOURCE(5107));
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(dc, 0, 0, 152, 112, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
        EndPaint(window, &paint);
        ++childPaints;
        return 0;
    }
    return DefWindowProc(window, message, wParam, lParam);
}
}  // namespace

TEST(WindowEndToEnd, ChildOfAForeignX11WindowShowsInsideIt) {
    if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
    // The embedding host's preview area: a plain X11 window of another client.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 300, 200, 320, 240, 0,
                                        0, WhitePixel(display, 0));
    XMapWindow(display, parent);
    XSync(display, False);

    std::vector<uint32_t> pixels(152 * 112);
    for (int y = 0; y < 112; ++y) {
        for (int x = 0; x < 152; ++x) pixels[y * 152 + x] = x < 76 ? 0xFFD02010u : 0xFF1040E0u;
    }
    ASSERT_TRUE(Win32RegisterBitmapResource(5107, 152, 112, pixels.data()));
    WNDCLASS wc{};
    wc.lpfnWndProc = PreviewProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "VelmoraPreviewChild";
    RegisterClass(&wc);

    // As the host does: the parent's client rectangle, adjusted for a visible child.
    HWND parentHandle = reinterpret_cast<HWND>(static_cast<uintptr_t>(parent));
    EXPECT_TRUE(IsWindow(parentHandle));
    RECT rect;
    ASSERT_TRUE(GetClientRect(parentHandle, &rect));
    EXPECT_EQ(rect.right, 320);
    EXPECT_EQ(rect.bottom, 240);
    AdjustWindowRect(&rect, WS_CHILD | WS_VISIBLE, FALSE);
    HWND child = CreateWindowEx(0, "VelmoraPreviewChild", "Velmora", WS_CHILD | WS_VISIBLE,
                                rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                parentHandle, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parentHandle);
    EXPECT_NE(Win32Window::FromHandle(child)->SdlWindow(), nullptr);
    RECT client;
    ASSERT_TRUE(GetClientRect(child, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);

    Window root, up, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, parent, &root, &up, &children, &count);
    EXPECT_EQ(count, 1u);
    if (children != nullptr) XFree(children);

    ASSERT_TRUE(PumpUntil([] { return childPaints.load() > 0; }, 3000));
    std::vector<uint32_t> screen;
    auto shows = [&] {
        screen = GrabScreen(300, 200, 320, 240);
        return screen.size() == 320u * 240u && screen[10 * 320 + 10] == 0xD02010 &&
               screen[100 * 320 + 140] == 0x1040E0 && screen[200 * 320 + 300] == 0;
    };
    EXPECT_TRUE(WaitFor(shows, 2000));

    ASSERT_TRUE(DestroyWindow(child));
    XQueryTree(display, parent, &root, &up, &children, &count);
    EXPECT_EQ(count, 0u);
    if (children != nullptr) XFree(children);

    // An id that names no window makes creation fail instead of ending the process.
    HWND bogus = reinterpret_cast<HWND>(static_cast<uintptr_t>(parent + 0x1000));
    EXPECT_FALSE(IsWindow(bogus));
    EXPECT_FALSE(GetClientRect(bogus, &rect));
    EXPECT_EQ(CreateWindowEx(0, "VelmoraPreviewChild", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                             bogus, nullptr, nullptr, nullptr),
              nullptr);

    // When the embedding host destroys its window, ours goes with it and the
    // procedure hears WM_DESTROY, as a child on Windows does.
    HWND second = CreateWindowEx(0, "VelmoraPreviewChild", "", WS_CHILD | WS_VISIBLE, 0, 0, 320,
                                 240, parentHandle, nullptr, nullptr, nullptr);
    ASSERT_NE(second, nullptr);
    int destroysBefore = childDestroys.load();
    XDestroyWindow(display, parent);
    XSync(display, False);
    EXPECT_TRUE(PumpUntil([&] { return childDestroys.load() > destroysBefore; }, 3000));
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(IsWindow(parentHandle));
    XCloseDisplay(display);
}
