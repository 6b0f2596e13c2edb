#include "platform/win32/exit_watcher.h"

#include <pthread.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/message_waits.h"
#include "platform/win32/termination_signals.h"
#include "platform/win32/thread_priorities.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// How often a request that nobody has noticed yet is looked at again.
constexpr long kOverdueTickNs = 5'000'000;

struct WatchedWindow {
    uint32_t id;
    bool topLevel;
};

std::atomic<bool> started{false};
std::atomic<void (*)()> silencer{nullptr};

// Our own X connection, opened with the first window; xcb reports errors
// (a window the server destroyed already) per connection, never through a
// process-wide handler as Xlib does.
std::mutex windowsLock;
xcb_connection_t* connection = nullptr;
uint32_t rootWindow = 0;
std::vector<WatchedWindow> windows;

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    return set;
}

// A forked child starts with its parent's mask: a program it runs must meet
// the signals the normal way.
void UnblockInForkedChild() {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// Ends the process as the signal would have without being watched.
[[noreturn]] void EndTheDefaultWay(int signal) {
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(signal);
    std::_Exit(128 + signal);  // only if the default were to carry on
}

// Withdraws or unmaps every watched window, the way XWithdrawWindow does for
// a top-level one: unmapped, and a window manager told so.
void TakeWindowsOffTheScreen() {
    std::lock_guard<std::mutex> hold(windowsLock);
    if (connection == nullptr) return;
    for (const WatchedWindow& window : windows) {
        xcb_unmap_window(connection, window.id);
        if (!window.topLevel) continue;
        char event[32] = {};
        xcb_unmap_notify_event_t unmap = {};
        unmap.response_type = XCB_UNMAP_NOTIFY;
        unmap.event = rootWindow;
        unmap.window = window.id;
        std::memcpy(event, &unmap, sizeof unmap);
        xcb_send_event(connection, 0, rootWindow,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       event);
    }
    xcb_flush(connection);
    // Errors for windows that were gone already; nothing to act on.
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
}

void ActOnRequest(int signal) {
    if (Win32TerminationSignalWaiting()) EndTheDefaultWay(signal);
    TakeWindowsOffTheScreen();
    if (void (*silence)() = silencer.load()) silence();
    // The program's thread runs at idle priority while it draws; on a busy
    // machine it would take seconds to come for the request.
    Win32RaiseIdleThreads();
    Win32RecordTerminationSignal(signal);
    Win32WakeMessageWaits();
}

void Watch() {
    const sigset_t signals = TerminationSignals();
    for (;;) {
        int signal;
        if (Win32TerminationRequestUnnoticed()) {
            const timespec tick = {0, kOverdueTickNs};
            signal = sigtimedwait(&signals, nullptr, &tick);
        } else {
            signal = sigwaitinfo(&signals, nullptr);
        }
        if (signal > 0) ActOnRequest(signal);
        if (const int overdue = Win32OverdueTerminationSignal()) EndTheDefaultWay(overdue);
    }
}

}  // namespace

void Win32StartExitWatcher() {
    if (started.exchange(true)) return;
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    pthread_atfork(nullptr, nullptr, UnblockInForkedChild);
    std::thread(Watch).detach();
}

void Win32WatchWindow(unsigned long xWindow, bool topLevel) {
    if (!started.load() || xWindow == 0) return;
    std::lock_guard<std::mutex> hold(windowsLock);
    if (connection == nullptr) {
        int screenNumber = 0;
        xcb_connection_t* opened = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(opened) != 0) {
            xcb_disconnect(opened);
            return;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(opened));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
        if (screens.rem == 0) {
            xcb_disconnect(opened);
            return;
        }
        rootWindow = screens.data->root;
        connection = opened;
    }
    windows.push_back(WatchedWindow{static_cast<uint32_t>(xWindow), topLevel});
}

void Win32UnwatchWindow(unsigned long xWindow) {
    std::lock_guard<std::mutex> hold(windowsLock);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [xWindow](const WatchedWindow& w) { return w.id == xWindow; }),
                  windows.end());
}

void Win32SilenceOnQuitRequest(void (*silence)()) {
    silencer.store(silence);
}
