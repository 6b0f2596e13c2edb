#include "platform/win32/video_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

std::mutex videoLock;
bool videoStarted = false;
std::thread::id videoThread;
Display* xDisplay = nullptr;
bool xOpenTried = false;

// X errors raised while a trapped request runs land here instead of ending
// the process.
int trappedErrors = 0;
int TrapError(Display*, XErrorEvent*) {
    ++trappedErrors;
    return 0;
}

// Outside trapped requests: a window that vanished under us (a foreign parent
// destroyed with our child in it) is no reason to end the process; anything
// else goes to the handler that was there before.
XErrorHandler previousHandler = nullptr;
int ToleratingHandler(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

// The X server went away (killed, crashed, the session ended). Xlib would
// print its own line and exit; this says what happened and exits with
// status 1 the same way, so the functions registered with atexit (the sound
// system stops its thread and its device there) run before any static
// object goes. A second loss met while exiting ends the process at once.
int OnDisplayLost(Display* display) {
    static std::atomic<bool> ending{false};
    if (ending.exchange(true)) _exit(1);
    std::fprintf(stderr, "velmora: the connection to the X server %s was lost; the saver ends\n",
                 display != nullptr ? DisplayString(display) : "");
    std::exit(1);
}

// Where an X display is named the windows must be on it. SDL would take a
// failed connection as a reason to try its other drivers and could end up
// drawing offscreen, where nobody sees it; an X server that resets as its
// last client leaves refuses connections for a moment, so the connection is
// tried again for a while instead.
bool StartSdlVideo() {
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    const char* display = SDL_getenv("DISPLAY");
    if ((chosen != nullptr && chosen[0] != '\0') || display == nullptr || display[0] == '\0') {
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    constexpr int kAttempts = 30;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
        if (attempt < kAttempts) SDL_Delay(100);
    }
    return false;
}

}  // namespace

bool Win32EnsureVideo() {
    std::lock_guard<std::mutex> hold(videoLock);
    if (videoStarted) return true;
    // Ctrl+C and SIGTERM keep their default meaning; the saver never sees them as SDL_QUIT.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Window surfaces are plain X images: a GL renderer behind them would
    // take the window's GL drawable that the Direct3D stand-in uses later.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Windows never keep the desktop's own screen saver from starting.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Before SDL connects, and again after in case it put a handler of its own.
    XSetIOErrorHandler(OnDisplayLost);
    if (!StartSdlVideo()) return false;
    XSetIOErrorHandler(OnDisplayLost);
    previousHandler = XSetErrorHandler(ToleratingHandler);
    videoStarted = true;
    videoThread = std::this_thread::get_id();
    return true;
}

bool Win32IsVideoThread() {
    std::lock_guard<std::mutex> hold(videoLock);
    return videoStarted && videoThread == std::this_thread::get_id();
}

_XDisplay* Win32XDisplay() {
    std::lock_guard<std::mutex> hold(videoLock);
    if (!xOpenTried) {
        xOpenTried = true;
        XSetIOErrorHandler(OnDisplayLost);
        xDisplay = XOpenDisplay(nullptr);
    }
    return xDisplay;
}

bool Win32QueryXWindow(unsigned long window, int* width, int* height) {
    int x = 0, y = 0, w = 0, h = 0;
    if (!Win32QueryXWindowOnRoot(window, &x, &y, &w, &h)) return false;
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    return true;
}

bool Win32QueryXWindowOnRoot(unsigned long window, int* x, int* y, int* width, int* height) {
    Display* display = Win32XDisplay();
    if (display == nullptr || window == 0) return false;
    std::lock_guard<std::mutex> hold(videoLock);
    XSync(display, False);
    trappedErrors = 0;
    auto previous = XSetErrorHandler(TrapError);
    XWindowAttributes attributes{};
    int rootX = 0, rootY = 0;
    Window child = 0;
    Status ok = XGetWindowAttributes(display, window, &attributes);
    if (ok != 0) {
        ok = XTranslateCoordinates(display, window, attributes.root, 0, 0, &rootX, &rootY,
                                   &child);
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    if (ok == 0 || trappedErrors != 0) return false;
    *x = rootX;
    *y = rootY;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

unsigned long Win32CreateXChild(unsigned long parent, int x, int y, int width, int height) {
    Display* display = Win32XDisplay();
    if (display == nullptr || parent == 0) return 0;
    std::lock_guard<std::mutex> hold(videoLock);
    XSync(display, False);
    trappedErrors = 0;
    auto previous = XSetErrorHandler(TrapError);
    XWindowAttributes attributes{};
    Window child = 0;
    if (XGetWindowAttributes(display, parent, &attributes) != 0) {
        XSync(display, False);
        if (trappedErrors == 0) {
            child = XCreateSimpleWindow(display, parent, x, y, width > 0 ? width : 1,
                                        height > 0 ? height : 1, 0, 0, 0);
            XSelectInput(display, child, StructureNotifyMask);
            XMapWindow(display, child);
            XSync(display, False);
        }
    }
    XSetErrorHandler(previous);
    if (trappedErrors != 0 && child != 0) {
        // The parent vanished between the checks: nothing usable was made.
        XSetErrorHandler(TrapError);
        XDestroyWindow(display, child);
        XSync(display, False);
        XSetErrorHandler(previous);
        child = 0;
    }
    return trappedErrors == 0 ? child : 0;
}

void Win32DestroyXChild(unsigned long window) {
    Display* display = Win32XDisplay();
    if (display == nullptr || window == 0) return;
    std::lock_guard<std::mutex> hold(videoLock);
    auto previous = XSetErrorHandler(TrapError);
    XDestroyWindow(display, window);
    XSync(display, False);
    XSetErrorHandler(previous);
}

std::vector<unsigned long> Win32TakeDestroyedXWindows() {
    std::vector<unsigned long> destroyed;
    Display* display;
    {
        std::lock_guard<std::mutex> hold(videoLock);
        display = xDisplay;
    }
    if (display == nullptr) return destroyed;
    std::lock_guard<std::mutex> hold(videoLock);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify) destroyed.push_back(event.xdestroywindow.window);
    }
    return destroyed;
}
