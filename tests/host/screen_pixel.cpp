#include "tests/host/screen_pixel.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

uint32_t ScreenPixel(int x, int y) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0xFFFFFFFF;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    uint32_t pixel = 0xFFFFFFFF;
    if (image != nullptr) {
        pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixel;
}

// libdbus, loaded by SDL's X11 video start-up, keeps one allocation for the
// whole process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
