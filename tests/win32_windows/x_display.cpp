#include "tests/win32_windows/x_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

bool StartPrivateDisplay() {
    // Stopped when the process exits.
    static XvfbServer server(kScreenWidth, kScreenHeight);
    return server.Running();
}

std::vector<uint32_t> GrabScreen(int x, int y, int width, int height) {
    std::vector<uint32_t> pixels;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return pixels;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes, ZPixmap);
    if (image != nullptr) {
        pixels.resize(size_t(width) * height);
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column) {
                pixels[size_t(row) * width + column] =
                    static_cast<uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFF;
            }
        }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixels;
}

// libdbus, loaded by SDL's X11 video start-up, keeps one allocation for the
// whole process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
