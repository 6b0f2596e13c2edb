// The benchmark's exit watcher: how long a program takes to take its window
// off the screen and to end, from the moment it is asked to.
//
//   velmora-exit-watch PID WINDOW key|move|term
//
// With "key" the moment is when the key press reaches WINDOW (the watcher
// selects key presses on it too, so it is told when the program is; the
// benchmark sends the key with xdotool once "ready" is printed); with "move"
// it is when the pointer was last seen at a new place before WINDOW went,
// looked at every millisecond (the benchmark moves the pointer as many times
// as it takes to end the program, then stops); with "term" it is just before the watcher sends
// SIGTERM to PID. Prints "WINDOW_MS
// PROCESS_MS": milliseconds until WINDOW was unmapped or destroyed, and until
// PID ended ("n/a" for either that did not happen within 10 s).
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr double kGiveUpMs = 10000.0;

double NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::string Figure(double ms) {
    if (ms < 0.0) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ms);
    return text;
}

// A window that goes before the watcher looked at it, or any X error, only
// means "gone"; it must not end the watcher.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[3], "key") != 0 && std::strcmp(argv[3], "move") != 0 &&
                      std::strcmp(argv[3], "term") != 0)) {
        std::fprintf(stderr, "usage: %s PID WINDOW key|move|term\n", argv[0]);
        return 2;
    }
    const pid_t pid = static_cast<pid_t>(std::strtol(argv[1], nullptr, 10));
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const bool byKey = std::strcmp(argv[3], "key") == 0;
    const bool byMove = std::strcmp(argv[3], "move") == 0;

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open the display\n", argv[0]);
        return 1;
    }
    XSetErrorHandler(IgnoreXError);
    const int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (process < 0) {
        std::fprintf(stderr, "%s: no process %d\n", argv[0], static_cast<int>(pid));
        return 1;
    }
    XSelectInput(display, window, StructureNotifyMask | (byKey ? KeyPressMask : 0));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        attributes.map_state != IsViewable) {
        std::fprintf(stderr, "%s: window 0x%lx is not on the screen\n", argv[0], window);
        return 1;
    }

    double start = -1.0;
    if (byKey || byMove) {
        std::puts("ready");
        std::fflush(stdout);
    } else {
        start = NowMs();
        kill(pid, SIGTERM);
    }

    double windowGone = -1.0;
    double processGone = -1.0;
    const int connection = ConnectionNumber(display);
    const double deadline = NowMs() + kGiveUpMs;
    int lastX = -1, lastY = -1;
    while ((windowGone < 0.0 || processGone < 0.0) && NowMs() < deadline) {
        if (byMove && windowGone < 0.0) {
            Window root, child;
            int x = 0, y = 0, windowX = 0, windowY = 0;
            unsigned int buttons = 0;
            if (XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &y, &windowX,
                              &windowY, &buttons) &&
                (x != lastX || y != lastY)) {
                if (lastX >= 0) start = NowMs();
                lastX = x;
                lastY = y;
            }
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            const double at = NowMs();
            if (event.type == KeyPress && start < 0.0) start = at;
            if ((event.type == UnmapNotify || event.type == DestroyNotify) &&
                event.xany.window == window && windowGone < 0.0) {
                windowGone = at;
            }
        }
        pollfd watched[2] = {{connection, POLLIN, 0}, {process, POLLIN, 0}};
        poll(watched, 2, byMove && windowGone < 0.0 ? 1 : 50);
        if ((watched[1].revents & POLLIN) != 0 && processGone < 0.0) processGone = NowMs();
        // The server's end of a program's connection destroys its windows, but
        // a watcher never told of it (the program was killed between the look
        // and the selection) must not wait for ever.
        if ((watched[0].revents & (POLLHUP | POLLERR)) != 0) break;
    }
    if (start < 0.0) {
        std::puts("n/a n/a");
        return 0;
    }
    std::printf("%s %s\n", Figure(windowGone < 0.0 ? -1.0 : windowGone - start).c_str(),
                Figure(processGone < 0.0 ? -1.0 : processGone - start).c_str());
    return 0;
}
