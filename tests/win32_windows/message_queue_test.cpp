// The message queue and window life cycle on real windows under Xvfb:
// retrieval order and filters, quit, timers, painting, sending and destroying.
#include <SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/win32_windows/x_display.h"

namespace {

struct Seen {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> seen;
RECT lastPaint;
BOOL lastPaintErase;
LPVOID createParam;
bool hideCursor = false;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back(Seen{window, message, wParam, lParam});
    switch (message) {
        case WM_CREATE:
            createParam = reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams;
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            lastPaint = paint.rcPaint;
            lastPaintErase = paint.fErase;
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETCURSOR:
            if (!hideCursor) return DefWindowProc(window, message, wParam, lParam);
            SetCursor(nullptr);
            return TRUE;
        case WM_USER + 50:
            return static_cast<LRESULT>(wParam * 2);
        default:
            return DefWindowProc(window, message, wParam, lParam);
    }
}

// Nothing left over from an earlier case.
void Drain() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    seen.clear();
}

// Each process starts its own X server, so the cases share two tests.
class QueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!StartPrivateDisplay()) GTEST_SKIP() << "no Xvfb";
        WNDCLASS wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "VelmoraQueueTest";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        RegisterClass(&wc);  // already there after the first test
        Drain();
    }
};

HWND Make(DWORD style, HWND parent = nullptr, LPVOID param = nullptr) {
    return CreateWindowEx(0, "VelmoraQueueTest", "queue", style, 10, 10, 200, 100, parent, nullptr,
                          nullptr, param);
}

int Count(HWND window, UINT message) {
    int n = 0;
    for (const Seen& s : seen) n += s.window == window && s.message == message;
    return n;
}

}  // namespace

void PostedMessagesFollowWindowAndRangeFiltersAndQuitEndsGetMessage() {
    HWND a = Make(WS_POPUP);
    HWND b = Make(WS_POPUP);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(PostMessage(b, WM_USER + 1, 11, 0));
    ASSERT_TRUE(PostMessage(a, WM_USER + 2, 22, 0));
    ASSERT_TRUE(PostMessage(nullptr, WM_USER + 3, 33, 0));
    EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(0x5A5A5A5A5A), WM_USER, 0, 0));

    MSG m;
    ASSERT_EQ(GetMessage(&m, a, 0, 0), TRUE);
    EXPECT_EQ(m.message, UINT(WM_USER + 2));
    EXPECT_EQ(m.hwnd, a);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    ASSERT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 3));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 2, WM_USER + 3, PM_REMOVE));

    PostQuitMessage(5);
    // Messages posted before the quit still come first.
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    EXPECT_EQ(DispatchMessage(&m), 0);
    EXPECT_EQ(Count(b, WM_USER + 1), 1);
    // A loop filtered on one window still sees the quit.
    EXPECT_EQ(GetMessage(&m, a, 0, 0), FALSE);
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, WPARAM(5));
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));

    // Filtering on a window that is gone fails instead of waiting forever.
    DestroyWindow(b);
    EXPECT_EQ(GetMessage(&m, b, 0, 0), -1);
    DestroyWindow(a);
}

void GetMessageWakesForAPostFromAnotherThread() {
    HWND a = Make(WS_POPUP);
    ASSERT_NE(a, nullptr);
    std::thread poster([a] {
        Sleep(50);
        PostMessage(a, WM_USER + 9, 99, 0);
    });
    DWORD start = GetTickCount();
    MSG m;
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    poster.join();
    EXPECT_EQ(m.message, UINT(WM_USER + 9));
    EXPECT_LT(GetTickCount() - start, 1000u);
    DestroyWindow(a);
}

namespace {
std::atomic<int> procTimerCalls{0};
void CALLBACK CountingTimer(HWND, UINT message, UINT_PTR, DWORD) {
    if (message == WM_TIMER) ++procTimerCalls;
}
}  // namespace

void TimersArriveAfterTheirPeriodAndStopWhenKilled() {
    HWND a = Make(WS_POPUP);
    ASSERT_NE(a, nullptr);
    DWORD start = GetTickCount();
    ASSERT_EQ(SetTimer(a, 7, 40, nullptr), UINT_PTR(7));
    MSG m;
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, UINT(WM_TIMER));
    EXPECT_EQ(m.wParam, WPARAM(7));
    EXPECT_GE(GetTickCount() - start, 35u);
    DispatchMessage(&m);
    EXPECT_EQ(Count(a, WM_TIMER), 1);

    // Posted messages come before a due timer.
    Sleep(50);
    PostMessage(a, WM_USER + 4, 0, 0);
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, UINT(WM_USER + 4));
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, UINT(WM_TIMER));

    ASSERT_TRUE(KillTimer(a, 7));
    EXPECT_FALSE(KillTimer(a, 7));
    Sleep(60);
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));

    // A timer without a window calls its procedure from DispatchMessage.
    UINT_PTR id = SetTimer(nullptr, 0, 15, CountingTimer);
    ASSERT_NE(id, UINT_PTR(0));
    EXPECT_TRUE(PumpUntil([] { return procTimerCalls >= 3; }, 2000));
    EXPECT_TRUE(KillTimer(nullptr, id));
    DestroyWindow(a);
}

void VisibleWindowsPaintWithEraseAndUpdateWindowPaintsAtOnce() {
    int param = 0;
    HWND a = Make(WS_POPUP | WS_VISIBLE, nullptr, &param);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(createParam, &param);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, UINT(WM_NCCREATE));
    EXPECT_EQ(seen[1].message, UINT(WM_CREATE));
    RECT client;
    ASSERT_TRUE(GetClientRect(a, &client));
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);

    MSG m;
    ASSERT_TRUE(PeekMessage(&m, a, WM_PAINT, WM_PAINT, PM_REMOVE));
    DispatchMessage(&m);
    EXPECT_EQ(Count(a, WM_ERASEBKGND), 1);
    EXPECT_EQ(lastPaint.right, 200);
    EXPECT_EQ(lastPaint.bottom, 100);
    EXPECT_FALSE(lastPaintErase);  // the class brush erased it
    EXPECT_FALSE(PeekMessage(&m, a, WM_PAINT, WM_PAINT, PM_REMOVE));

    RECT part{10, 20, 30, 40};
    InvalidateRect(a, &part, FALSE);
    int paints = Count(a, WM_PAINT);
    ASSERT_TRUE(UpdateWindow(a));
    EXPECT_EQ(Count(a, WM_PAINT), paints + 1);
    EXPECT_EQ(lastPaint.left, 10);
    EXPECT_EQ(lastPaint.bottom, 40);
    EXPECT_EQ(Count(a, WM_ERASEBKGND), 1);
    ASSERT_TRUE(UpdateWindow(a));  // nothing left to paint
    EXPECT_EQ(Count(a, WM_PAINT), paints + 1);
    DestroyWindow(a);
}

void WindowsAnswerTheGenericCalls() {
    HWND a = Make(WS_POPUP);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(SendMessage(a, WM_USER + 50, 21, 0), 42);
    char text[16];
    EXPECT_EQ(GetWindowText(a, text, sizeof text), 5);
    EXPECT_STREQ(text, "queue");
    ASSERT_TRUE(SetWindowText(a, "a much longer title"));
    EXPECT_EQ(GetWindowText(a, text, 8), 7);
    EXPECT_STREQ(text, "a much ");
    EXPECT_EQ(GetWindowTextLength(a), 19);
    EXPECT_FALSE(IsWindowVisible(a));
    EXPECT_FALSE(ShowWindow(a, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(a));
    EXPECT_TRUE(ShowWindow(a, SW_HIDE));
    EXPECT_FALSE(EnableWindow(a, FALSE));
    EXPECT_FALSE(IsWindowEnabled(a));
    EXPECT_TRUE(EnableWindow(a, TRUE));
    DestroyWindow(a);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_EQ(SendMessage(a, WM_USER + 50, 21, 0), 0);
    EXPECT_FALSE(ShowWindow(a, SW_SHOW));
}

void CloseCommandDestroysTheWindowAndItsChildren() {
    HWND a = Make(WS_POPUP | WS_VISIBLE);
    ASSERT_NE(a, nullptr);
    HWND child = CreateWindowEx(0, "VelmoraQueueTest", "", WS_CHILD | WS_VISIBLE, 5, 5, 50, 40, a,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), a);
    PostMessage(a, WM_USER + 7, 0, 0);
    SetTimer(a, 1, 10, nullptr);
    seen.clear();
    SendMessage(a, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::vector<UINT> order;
    for (const Seen& s : seen) {
        if (s.message == WM_CLOSE || s.message == WM_DESTROY) order.push_back(s.message);
    }
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0], UINT(WM_CLOSE));
    EXPECT_EQ(order[1], UINT(WM_DESTROY));
    EXPECT_EQ(Count(a, WM_DESTROY), 1);
    EXPECT_EQ(Count(child, WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(child));
    // Its posted messages and timers went with it.
    Sleep(20);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

void FullScreenWindowCoversItsMonitorAndHidesTheCursor() {
    HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetMonitorInfo(monitor, &info));
    RECT screen = info.rcMonitor;
    hideCursor = true;
    HWND window = CreateWindowEx(WS_EX_TOPMOST, "VelmoraQueueTest", "full", WS_POPUP | WS_VISIBLE,
                                 screen.left, screen.top, screen.right - screen.left,
                                 screen.bottom - screen.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top,
                             screen.right - screen.left, screen.bottom - screen.top,
                             SWP_NOACTIVATE));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_TRUE(EqualRect(&rect, &screen));
    EXPECT_EQ(MonitorFromWindow(window, MONITOR_DEFAULTTONULL), monitor);

    // The pointer over the window asks for the cursor; the window hides it.
    ASSERT_EQ(RunCommand("xdotool mousemove 500 400"), 0);
    EXPECT_TRUE(PumpUntil([window] { return Count(window, WM_SETCURSOR) > 0; }, 3000));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    // Erased with the class brush, it covers the whole screen in black.
    EXPECT_TRUE(PumpUntil([window] { return Count(window, WM_PAINT) > 0; }, 3000));
    std::vector<uint32_t> pixels = GrabScreen(0, 0, kScreenWidth, kScreenHeight);
    ASSERT_EQ(pixels.size(), size_t(kScreenWidth) * kScreenHeight);
    size_t black = 0;
    for (uint32_t p : pixels) black += p == 0;
    EXPECT_EQ(black, pixels.size());
    hideCursor = false;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    DestroyWindow(window);
}

TEST_F(QueueTest, RetrievalOrderFiltersQuitWakingAndTimers) {
    {
        SCOPED_TRACE("PostedMessagesFollowWindowAndRangeFiltersAndQuitEndsGetMessage");
        PostedMessagesFollowWindowAndRangeFiltersAndQuitEndsGetMessage();
        Drain();
    }
    {
        SCOPED_TRACE("GetMessageWakesForAPostFromAnotherThread");
        GetMessageWakesForAPostFromAnotherThread();
        Drain();
    }
    {
        SCOPED_TRACE("TimersArriveAfterTheirPeriodAndStopWhenKilled");
        TimersArriveAfterTheirPeriodAndStopWhenKilled();
        Drain();
    }
}

TEST_F(QueueTest, WindowLifeCyclePaintingAndGenericCalls) {
    {
        SCOPED_TRACE("VisibleWindowsPaintWithEraseAndUpdateWindowPaintsAtOnce");
        VisibleWindowsPaintWithEraseAndUpdateWindowPaintsAtOnce();
        Drain();
    }
    {
        SCOPED_TRACE("WindowsAnswerTheGenericCalls");
        WindowsAnswerTheGenericCalls();
        Drain();
    }
    {
        SCOPED_TRACE("CloseCommandDestroysTheWindowAndItsChildren");
        CloseCommandDestroysTheWindowAndItsChildren();
        Drain();
    }
    {
        SCOPED_TRACE("FullScreenWindowCoversItsMonitorAndHidesTheCursor");
        FullScreenWindowCoversItsMonitorAndHidesTheCursor();
        Drain();
    }
}
