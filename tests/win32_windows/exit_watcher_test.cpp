// The exit watcher under a real X server: a termination signal takes the
// program's windows off the screen while the program's own thread is busy
// elsewhere, leaves another program's window alone, and still hands the quit
// to that thread. Runs in a child process with an X server of its own, since
// the watcher and the video connection last for the process.
#include <gtest/gtest.h>
#include <windows.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/win32/termination_signals.h"
#include "tests/support/xvfb_server.h"

// Xlib last: its macros (None, Bool) collide with names in the headers above.
#include <X11/Xlib.h>

namespace {

enum Outcome {
    kEverythingRight = 0,
    kNoServer,
    kNoWindows,
    kOursStayed,
    kForeignTouched,
    kNoQuit,
};

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

bool Viewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// How many children of `parent`, other than `except`, are on the screen.
int ViewableChildren(Display* display, Window parent, Window except) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) == 0) return 0;
    int viewable = 0;
    for (unsigned i = 0; i < count; ++i) {
        if (children[i] != except && Viewable(display, children[i])) ++viewable;
    }
    if (children != nullptr) XFree(children);
    return viewable;
}

// Waits, without ever looking at the thread's messages, until `done`.
template <typename Done>
bool WaitWithoutMessages(Done done) {
    for (int look = 0; look < 10000; ++look) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Whether the thread's message loop reaches WM_QUIT with code 0.
bool QuitArrives() {
    for (int look = 0; look < 10000; ++look) {
        MSG message{};
        while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return message.wParam == 0;
            DispatchMessage(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

Outcome SignalWhileBusy() {
    Win32QuitOnTerminationSignals();
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return kNoServer;
    const Window root = DefaultRootWindow(display);
    // Another program's window with one of ours inside, as a settings
    // program's preview pane holds the saver's preview.
    const Window foreign = XCreateSimpleWindow(display, root, 0, 0, 200, 150, 0, 0, 0);
    XMapWindow(display, foreign);
    XSync(display, False);

    WNDCLASS windowClass{};
    windowClass.lpfnWndProc = PlainProcedure;
    windowClass.lpszClassName = "WatchedWindow";
    RegisterClass(&windowClass);
    CreateWindowEx(WS_EX_TOPMOST, "WatchedWindow", "full screen", WS_POPUP | WS_VISIBLE, 0, 0, 320,
                   240, nullptr, nullptr, nullptr, nullptr);
    CreateWindowEx(0, "WatchedWindow", "in a pane", WS_CHILD | WS_VISIBLE, 0, 0, 200, 150,
                   reinterpret_cast<HWND>(foreign), nullptr, nullptr, nullptr);
    if (!WaitWithoutMessages([&] {
            return ViewableChildren(display, root, foreign) == 1 &&
                   ViewableChildren(display, foreign, 0) == 1;
        })) {
        return kNoWindows;
    }

    kill(getpid(), SIGTERM);
    // The thread never looks at its messages here, so only the watcher can
    // have taken the windows off; the pending request is noticed, as a modal
    // loop notices it, so no grace runs out meanwhile.
    WaitWithoutMessages(Win32TerminationPending);
    if (!WaitWithoutMessages([&] {
            return ViewableChildren(display, root, foreign) == 0 &&
                   ViewableChildren(display, foreign, 0) == 0;
        })) {
        return kOursStayed;
    }
    if (!Viewable(display, foreign)) return kForeignTouched;
    XCloseDisplay(display);
    return QuitArrives() ? kEverythingRight : kNoQuit;
}

}  // namespace

TEST(ExitWatcherTest, ASignalTakesOurWindowsOffTheScreenWhileTheProgramIsBusy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            XvfbServer server(320, 240);
            const Outcome outcome = server.Running() ? SignalWhileBusy() : kNoServer;
            server.Kill();
            std::_Exit(outcome);
        },
        ::testing::ExitedWithCode(kEverythingRight), "");
}
