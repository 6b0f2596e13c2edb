#include "platform/win32/exit_watcher.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
constexpr int kOverdueTickMs = 5;
// How long input keeps the program's idle threads raised: long enough for the
// frame in progress and the program's handling of the input on a busy machine.
constexpr std::chrono::milliseconds kInputBoost{250};
// How long the program may take to end by itself when its idle threads could
// not be raised; the process is gone soon after.
constexpr std::chrono::milliseconds kUnraisedEndGrace{100};
// The keys that Alt turns into system keys, which do not end a saver.
constexpr xcb_keysym_t kAltLeft = 0xffe9, kAltRight = 0xffea, kF10 = 0xffc7;

struct WatchedWindow {
    uint32_t id;
    bool topLevel;
};

std::atomic<bool> started{false};
std::atomic<bool> endOnInput{false};
std::atomic<void (*)()> silencer{nullptr};
// Tells the watcher that the X connection opened.
int wakeFd = -1;

// Our own X connection, opened with the first window; xcb reports errors
// (a window the server destroyed already) per connection, never through a
// process-wide handler as Xlib does.
std::mutex windowsLock;
xcb_connection_t* connection = nullptr;
uint32_t rootWindow = 0;
std::vector<WatchedWindow> windows;
// The input extension's events for button presses (0 without it), and the
// first keysym of every keycode.
uint8_t inputOpcode = 0;
xcb_keycode_t firstKeycode = 0;
std::vector<xcb_keysym_t> keysyms;

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

// What every end does at once, whatever the program's thread is busy with.
// That thread runs at idle priority while it draws; on a busy machine it
// would take seconds to come for the end. Answers whether the threads at
// idle priority could be raised.
bool ClearTheScreenAndSilence() {
    TakeWindowsOffTheScreen();
    if (void (*silence)() = silencer.load()) silence();
    return Win32RaiseIdleThreads();
}

bool IsWatchedTopLevel(uint32_t id) {
    return std::any_of(windows.begin(), windows.end(),
                       [id](const WatchedWindow& w) { return w.topLevel && w.id == id; });
}

// Alt held, Alt itself and F10 make a system key, as the program's key
// messages have it.
bool IsSystemKey(const xcb_key_press_event_t& key) {
    if (key.state & XCB_MOD_MASK_1) return true;
    const size_t index = static_cast<size_t>(key.detail - firstKeycode);
    if (key.detail < firstKeycode || index >= keysyms.size()) return false;
    const xcb_keysym_t sym = keysyms[index];
    return sym == kAltLeft || sym == kAltRight || sym == kF10;
}

// Whether the pointer is over one of our top-level windows: the press then
// goes to it, unless something above it on the way down is ours.
bool PointerOverOurs() {
    uint32_t window = rootWindow;
    for (int depth = 0; depth < 8 && window != 0; ++depth) {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, window), nullptr);
        if (reply == nullptr) return false;
        window = reply->child;
        std::free(reply);
        if (IsWatchedTopLevel(window)) return true;
    }
    return false;
}

// What input does at once: on the saver's windows it boosts the program's
// idle threads for a while, as Windows boosts the thread of a window that
// receives input, so that the program comes for the input soon even on a
// busy machine; a press the program ends the saver on ends it here already.
enum class InputEffect { None, Boost, End };

// `boosting`: the pointer was over our windows a moment ago, and a move
// extends the boost without asking the server again.
InputEffect EffectOf(const xcb_generic_event_t* event, bool boosting) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (!IsWatchedTopLevel(key->event)) return InputEffect::None;
        return IsSystemKey(*key) ? InputEffect::Boost : InputEffect::End;
    }
    if (type != XCB_GE_GENERIC || inputOpcode == 0) return InputEffect::None;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != inputOpcode) return InputEffect::None;
    if (generic->event_type == XCB_INPUT_RAW_MOTION) {
        return boosting || PointerOverOurs() ? InputEffect::Boost : InputEffect::None;
    }
    if (generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS) return InputEffect::None;
    if (!PointerOverOurs()) return InputEffect::None;
    const auto* press = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
    return press->detail >= 1 && press->detail <= 3 ? InputEffect::End : InputEffect::Boost;
}

// Reads the input that reached our connection: what the strongest of it does.
InputEffect ReadInput(bool boosting) {
    InputEffect strongest = InputEffect::None;
    std::lock_guard<std::mutex> hold(windowsLock);
    if (connection == nullptr) return strongest;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
        if (endOnInput.load() && strongest != InputEffect::End)
            strongest = std::max(strongest,
                                 EffectOf(event, boosting || strongest == InputEffect::Boost));
        std::free(event);
    }
    return strongest;
}

// Asks for button presses and pointer moves from the devices, anywhere (the
// program's own connection holds the windows' press selection, which only one
// client may have, and the pointer's moves go to it alone while it has the
// pointer grabbed), and learns the keyboard's layout for telling system keys.
void ListenForInput(xcb_connection_t* opened, uint32_t root) {
    const xcb_query_extension_reply_t* input = xcb_get_extension_data(opened, &xcb_input_id);
    if (input != nullptr && input->present) {
        // Raw events reach the root window even under a grab from version 2.1.
        xcb_input_xi_query_version_reply_t* version = xcb_input_xi_query_version_reply(
            opened, xcb_input_xi_query_version(opened, 2, 2), nullptr);
        if (version != nullptr && (version->major_version > 2 ||
                                   (version->major_version == 2 && version->minor_version >= 1))) {
            struct {
                xcb_input_event_mask_t head;
                uint32_t bits;
            } mask = {{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                    XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_MOTION};
            xcb_input_xi_select_events(opened, root, 1, &mask.head);
            inputOpcode = input->major_opcode;
        }
        std::free(version);
    }
    const xcb_setup_t* setup = xcb_get_setup(opened);
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        opened, xcb_get_keyboard_mapping(opened, setup->min_keycode, count), nullptr);
    if (mapping != nullptr) {
        const xcb_keysym_t* all = xcb_get_keyboard_mapping_keysyms(mapping);
        const int perKeycode = mapping->keysyms_per_keycode;
        firstKeycode = setup->min_keycode;
        keysyms.clear();
        for (int i = 0; perKeycode > 0 && i < count; ++i) keysyms.push_back(all[i * perKeycode]);
        std::free(mapping);
    }
}

void ActOnRequest(int signal) {
    if (Win32TerminationSignalWaiting()) EndTheDefaultWay(signal);
    const bool raised = ClearTheScreenAndSilence();
    Win32RecordTerminationSignal(signal, raised);
    Win32WakeMessageWaits();
}

// The X connection to wait on; none once it broke (the server gone), whose
// socket would report a hang-up at every wait.
int ConnectionFd() {
    std::lock_guard<std::mutex> hold(windowsLock);
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) return -1;
    return xcb_get_file_descriptor(connection);
}

int MsUntil(std::chrono::steady_clock::time_point when) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

// The earlier of two poll timeouts, -1 being none.
int Sooner(int a, int b) {
    return a < 0 ? b : b < 0 ? a : std::min(a, b);
}

void Watch(int signalFd) {
    using Clock = std::chrono::steady_clock;
    bool boosting = false, endingUnraised = false;
    Clock::time_point boostEnds, endBy;
    for (;;) {
        pollfd fds[3] = {{signalFd, POLLIN, 0}, {wakeFd, POLLIN, 0}, {ConnectionFd(), POLLIN, 0}};
        const int count = fds[2].fd >= 0 ? 3 : 2;
        int timeoutMs = Win32TerminationRequestUnnoticed() ? kOverdueTickMs : -1;
        if (boosting) timeoutMs = Sooner(timeoutMs, MsUntil(boostEnds));
        if (endingUnraised) timeoutMs = Sooner(timeoutMs, MsUntil(endBy));
        poll(fds, count, timeoutMs);
        signalfd_siginfo info;
        if ((fds[0].revents & POLLIN) && read(signalFd, &info, sizeof info) == sizeof info)
            ActOnRequest(static_cast<int>(info.ssi_signo));
        uint64_t wakes;
        if (fds[1].revents & POLLIN) (void)!read(wakeFd, &wakes, sizeof wakes);
        const InputEffect input = count == 3 && fds[2].revents != 0 ? ReadInput(boosting)
                                                                    : InputEffect::None;
        // The program ends on the same press in its own time; where its idle
        // threads could not be raised, that is when they have had their turns,
        // seconds on a busy machine, so it gets a short while and then the
        // process ends here.
        if (input == InputEffect::End && !ClearTheScreenAndSilence() && !endingUnraised) {
            endingUnraised = true;
            endBy = Clock::now() + kUnraisedEndGrace;
        }
        if (input == InputEffect::Boost) {
            if (!boosting) Win32BoostIdleThreads();
            boosting = true;
            boostEnds = Clock::now() + kInputBoost;
        }
        if (boosting && Clock::now() >= boostEnds) {
            Win32EndIdleBoost();
            boosting = false;
        }
        if (const int overdue = Win32OverdueTerminationSignal()) EndTheDefaultWay(overdue);
        // With the status the program's own end gives.
        if (endingUnraised && Clock::now() >= endBy) _exit(0);
    }
}

}  // namespace

void Win32StartExitWatcher() {
    if (started.exchange(true)) return;
    const sigset_t set = TerminationSignals();
    const int signalFd = signalfd(-1, &set, SFD_CLOEXEC);
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // Without them the signals keep their default effect.
    if (signalFd < 0 || wakeFd < 0) {
        if (signalFd >= 0) close(signalFd);
        if (wakeFd >= 0) close(wakeFd);
        started.store(false);
        return;
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    pthread_atfork(nullptr, nullptr, UnblockInForkedChild);
    std::thread(Watch, signalFd).detach();
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
        ListenForInput(opened, rootWindow);
        connection = opened;
        const uint64_t one = 1;
        (void)!write(wakeFd, &one, sizeof one);
    }
    if (topLevel) {
        const uint32_t keys = XCB_EVENT_MASK_KEY_PRESS;
        xcb_change_window_attributes(connection, static_cast<uint32_t>(xWindow), XCB_CW_EVENT_MASK,
                                     &keys);
        xcb_flush(connection);
    }
    windows.push_back(WatchedWindow{static_cast<uint32_t>(xWindow), topLevel});
}

void Win32UnwatchWindow(unsigned long xWindow) {
    std::lock_guard<std::mutex> hold(windowsLock);
    windows.erase(std::remove_if(windows.begin(), windows.end(),
                                 [xWindow](const WatchedWindow& w) { return w.id == xWindow; }),
                  windows.end());
}

void Win32EndOnInput(bool ends) {
    endOnInput.store(ends);
}

void Win32SilenceOnQuitRequest(void (*silence)()) {
    silencer.store(silence);
}
