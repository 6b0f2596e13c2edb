// The per-thread message queues: posted messages, the quit flag, WM_PAINT for
// windows with an update region and WM_TIMER for due timers, retrieved in that
// order. The thread that runs SDL video turns SDL's events into messages each
// time it looks at its queue.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/message_waits.h"
#include "platform/win32/native_window.h"
#include "platform/win32/sdl_message_translation.h"
#include "platform/win32/termination_signals.h"
#include "platform/win32/video_connection.h"

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD due;
    TIMERPROC procedure;
};

struct ThreadQueue {
    std::deque<MSG> posted;
    std::vector<Timer> timers;
    bool quitPosted = false;
    int quitCode = 0;
    std::condition_variable wake;
};

std::mutex queueLock;
std::map<std::thread::id, ThreadQueue>& Queues() {
    static std::map<std::thread::id, ThreadQueue> queues;
    return queues;
}
ThreadQueue& QueueOf(std::thread::id thread) {
    return Queues()[thread];
}
ThreadQueue& OwnQueue() {
    return QueueOf(std::this_thread::get_id());
}

UINT_PTR nextTimerId = 0x7000;
bool applicationActive = false;
// Registered by the video thread, read by any thread that posts to it.
std::atomic<Uint32> wakeEvent{0};

constexpr UINT kMinimumTimerPeriod = 10;

// Whether `window` is `filter` or one of its descendants; the filter -1
// stands for messages posted to no window.
bool MatchesWindow(HWND window, HWND filter) {
    if (filter == nullptr) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return window == nullptr;
    HWND at = window;
    for (int depth = 0; at != nullptr && depth < 64; ++depth) {
        if (at == filter) return true;
        Win32Window* object = Win32Window::FromHandle(at);
        if (object == nullptr) return false;
        at = object->Parent();
    }
    return false;
}

bool MatchesRange(UINT message, UINT low, UINT high) {
    if (low == 0 && high == 0) return true;
    return message >= low && message <= high;
}

bool DueBefore(DWORD due, DWORD now) {
    return static_cast<int32_t>(now - due) >= 0;
}

void Post(std::thread::id thread, const MSG& message) {
    ThreadQueue& queue = QueueOf(thread);
    queue.posted.push_back(message);
    queue.wake.notify_all();
}

// Wakes the video thread from SDL_WaitEventTimeout when another thread posts.
void WakeVideoThread() {
    if (wakeEvent == 0 || wakeEvent == static_cast<Uint32>(-1)) return;
    SDL_Event event{};
    event.type = wakeEvent;
    SDL_PushEvent(&event);
}

void DeliverSdlMessage(NativeWindow* window, const MSG& message) {
    switch (message.message) {
        case WM_PAINT:
            window->Invalidate(nullptr, true);
            return;
        case WM_SIZE:
            if (message.wParam == SIZE_RESTORED) {
                window->Resize(LOWORD(message.lParam), HIWORD(message.lParam));
            }
            break;
        case WM_ACTIVATEAPP: {
            // Focus moving between our own windows is no change for the application.
            bool active = message.wParam != FALSE;
            if (!active && NativeWindow::FromSdl(SDL_GetKeyboardFocus()) != nullptr) return;
            if (active == applicationActive) return;
            applicationActive = active;
            break;
        }
        default:
            if (!Win32AcceptsInput(window, message.message)) return;
            break;
    }
    std::lock_guard<std::mutex> hold(queueLock);
    Post(window->thread, message);
}

Uint32 EventWindowId(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return event.key.windowID;
        case SDL_MOUSEMOTION:
            return event.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return event.button.windowID;
        case SDL_MOUSEWHEEL:
            return event.wheel.windowID;
        case SDL_WINDOWEVENT:
            return event.window.windowID;
        default:
            return 0;
    }
}

// Children whose X window the server destroyed with a foreign parent are
// destroyed as windows too, so their procedure sees WM_DESTROY. A top-level
// window drawn inside a screen-saver daemon's window has nowhere left to
// draw: the program is asked to quit.
void DestroyOrphans() {
    for (unsigned long gone : Win32TakeDestroyedXWindows()) {
        for (NativeWindow* window : Win32AllWindows()) {
            if (window->xChild != gone) continue;
            window->xChild = 0;
            const bool embeddedTopLevel = window->parent == nullptr && window->foreignParent != 0;
            DestroyWindow(window->Handle());
            if (embeddedTopLevel) PostQuitMessage(0);
            break;
        }
    }
}

void PumpSdlEvents() {
    if (!Win32IsVideoThread()) return;
    if (wakeEvent == 0) wakeEvent = SDL_RegisterEvents(1);
    DestroyOrphans();
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        std::vector<NativeWindow*> targets;
        if (event.type == SDL_APP_WILLENTERBACKGROUND || event.type == SDL_APP_DIDENTERFOREGROUND) {
            // Power notices go to every top-level window.
            for (NativeWindow* window : Win32AllWindows()) {
                if (window->parent == nullptr) targets.push_back(window);
            }
        } else if (NativeWindow* window =
                       NativeWindow::FromSdl(SDL_GetWindowFromID(EventWindowId(event)))) {
            targets.push_back(window);
        }
        for (NativeWindow* window : targets) {
            MSG messages[4];
            int count = Win32TranslateSdlEvent(event, window->Handle(), messages, 4);
            for (int i = 0; i < count; ++i) DeliverSdlMessage(window, messages[i]);
        }
    }
}

// Finds the next message for the calling thread; see the order above.
bool Retrieve(MSG* out, HWND filter, UINT low, UINT high, bool remove) {
    if (Win32TakeTerminationRequest()) PostQuitMessage(0);
    PumpSdlEvents();
    std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> hold(queueLock);
        ThreadQueue& queue = OwnQueue();
        for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
            if (!MatchesWindow(it->hwnd, filter) || !MatchesRange(it->message, low, high)) continue;
            *out = *it;
            if (remove) queue.posted.erase(it);
            return true;
        }
        if (queue.quitPosted && MatchesRange(WM_QUIT, low, high)) {
            *out = MSG{};
            out->message = WM_QUIT;
            out->wParam = static_cast<WPARAM>(queue.quitCode);
            out->time = GetTickCount();
            if (remove) queue.quitPosted = false;
            return true;
        }
    }
    if (MatchesRange(WM_PAINT, low, high)) {
        for (NativeWindow* window : Win32AllWindows()) {
            if (window->thread != self || !window->NeedsPaint() || !window->Visible()) continue;
            if (!MatchesWindow(window->Handle(), filter)) continue;
            *out = MSG{};
            out->hwnd = window->Handle();
            out->message = WM_PAINT;
            out->time = GetTickCount();
            return true;
        }
    }
    if (MatchesRange(WM_TIMER, low, high)) {
        std::lock_guard<std::mutex> hold(queueLock);
        DWORD now = GetTickCount();
        for (Timer& timer : OwnQueue().timers) {
            if (!DueBefore(timer.due, now) || !MatchesWindow(timer.window, filter)) continue;
            *out = MSG{};
            out->hwnd = timer.window;
            out->message = WM_TIMER;
            out->wParam = timer.id;
            out->lParam = reinterpret_cast<LPARAM>(timer.procedure);
            out->time = now;
            if (remove) timer.due = now + timer.period;
            return true;
        }
    }
    return false;
}

// Milliseconds until the calling thread's next timer is due, capped.
DWORD TimeToNextTimer(DWORD cap) {
    std::lock_guard<std::mutex> hold(queueLock);
    DWORD now = GetTickCount();
    DWORD wait = cap;
    for (const Timer& timer : OwnQueue().timers) {
        if (DueBefore(timer.due, now)) return 0;
        wait = std::min(wait, timer.due - now);
    }
    return wait;
}

void WaitForMessage() {
    DWORD wait = TimeToNextTimer(100);
    if (wait == 0) return;
    if (Win32IsVideoThread()) {
        SDL_WaitEventTimeout(nullptr, static_cast<int>(wait));
        return;
    }
    std::unique_lock<std::mutex> hold(queueLock);
    ThreadQueue& queue = OwnQueue();
    if (!queue.posted.empty() || queue.quitPosted) return;
    queue.wake.wait_for(hold, std::chrono::milliseconds(wait));
}

}  // namespace

void Win32ForgetWindowMessages(HWND window) {
    std::lock_guard<std::mutex> hold(queueLock);
    for (auto& [thread, queue] : Queues()) {
        auto& posted = queue.posted;
        posted.erase(std::remove_if(posted.begin(), posted.end(),
                                    [window](const MSG& m) { return m.hwnd == window; }),
                     posted.end());
        auto& timers = queue.timers;
        timers.erase(std::remove_if(timers.begin(), timers.end(),
                                    [window](const Timer& t) { return t.window == window; }),
                     timers.end());
    }
}

void Win32WakeMessageWaits() {
    {
        std::lock_guard<std::mutex> hold(queueLock);
        for (auto& [thread, queue] : Queues()) queue.wake.notify_all();
    }
    WakeVideoThread();
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::thread::id thread = std::this_thread::get_id();
    if (window != nullptr) {
        if (Win32Window::FromHandle(window) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        if (NativeWindow* native = NativeWindow::From(window)) thread = native->thread;
    }
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = GetTickCount();
    {
        std::lock_guard<std::mutex> hold(queueLock);
        Post(thread, posted);
    }
    if (thread != std::this_thread::get_id()) WakeVideoThread();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> hold(queueLock);
    ThreadQueue& queue = OwnQueue();
    queue.quitPosted = true;
    queue.quitCode = exitCode;
}

BOOL PeekMessage(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (message == nullptr) return FALSE;
    return Retrieve(message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE
                                                                                           : FALSE;
}

BOOL GetMessage(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
    if (message == nullptr) return -1;
    while (!Retrieve(message, window, filterMin, filterMax, true)) {
        // A pending quit is still taken above when the filter window is gone,
        // so a loop filtered on a destroyed window can end.
        if (window != nullptr && window != reinterpret_cast<HWND>(-1) &&
            Win32Window::FromHandle(window) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return -1;
        }
        WaitForMessage();
    }
    return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr) return FALSE;
    bool system = message->message == WM_SYSKEYDOWN;
    if (message->message != WM_KEYDOWN && !system) return FALSE;
    // Characters for the keys whose character does not depend on the layout.
    UINT key = static_cast<UINT>(message->wParam);
    int character = 0;
    bool shift = (SDL_GetModState() & KMOD_SHIFT) != 0;
    if (key >= 'A' && key <= 'Z') {
        character = shift ? static_cast<int>(key) : static_cast<int>(key - 'A' + 'a');
    } else if ((key >= '0' && key <= '9') || key == VK_SPACE || key == VK_RETURN ||
               key == VK_BACK || key == VK_TAB || key == VK_ESCAPE) {
        character = static_cast<int>(key);
    }
    if (character != 0) {
        PostMessage(message->hwnd, system ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(character),
                    message->lParam);
    }
    return TRUE;
}

LRESULT DispatchMessage(const MSG* message) {
    if (message == nullptr) return 0;
    if (message->message == WM_TIMER && message->lParam != 0) {
        auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
        procedure(message->hwnd, WM_TIMER, message->wParam, GetTickCount());
        return 0;
    }
    Win32Window* window = Win32Window::FromHandle(message->hwnd);
    if (window == nullptr) return 0;
    return window->HandleMessage(message->message, message->wParam, message->lParam);
}

LRESULT SendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (NativeWindow* native = NativeWindow::From(handle)) {
        if (native->procedure == nullptr) return 0;  // being destroyed
    }
    return window->HandleMessage(message, wParam, lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
    std::thread::id thread = std::this_thread::get_id();
    if (window != nullptr) {
        NativeWindow* native = NativeWindow::From(window);
        if (Win32Window::FromHandle(window) == nullptr) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (native != nullptr) thread = native->thread;
    }
    elapse = std::max(elapse, kMinimumTimerPeriod);
    std::lock_guard<std::mutex> hold(queueLock);
    ThreadQueue& queue = QueueOf(thread);
    if (window == nullptr) {
        // Timers without a window get an id of the system's choosing.
        bool replaced = false;
        for (Timer& timer : queue.timers) {
            if (timer.window == nullptr && timer.id == id && id != 0) replaced = true;
        }
        if (!replaced) id = ++nextTimerId;
    }
    DWORD due = GetTickCount() + elapse;
    for (Timer& timer : queue.timers) {
        if (timer.window == window && timer.id == id) {
            timer.period = elapse;
            timer.due = due;
            timer.procedure = timerProc;
            return id != 0 ? id : 1;
        }
    }
    queue.timers.push_back(Timer{window, id, elapse, due, timerProc});
    queue.wake.notify_all();
    return id != 0 ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    std::lock_guard<std::mutex> hold(queueLock);
    for (auto& [thread, queue] : Queues()) {
        auto& timers = queue.timers;
        for (auto it = timers.begin(); it != timers.end(); ++it) {
            if (it->window == window && it->id == id) {
                timers.erase(it);
                return TRUE;
            }
        }
    }
    return FALSE;
}

void Win32PaintNow(NativeWindow* window) {
    if (window->NeedsPaint()) SendMessage(window->Handle(), WM_PAINT, 0, 0);
}
