#include "tests/support/x_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

std::vector<uint32_t> GrabArea(Display* display, Drawable drawable, int x, int y, int width,
                               int height) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, drawable, x, y, width, height, AllPlanes, ZPixmap);
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
    return pixels;
}

// A window that does not exist is an X error, which Xlib's default handler
// makes fatal; the grab just comes back empty then.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

std::vector<uint32_t> GrabScreen(int x, int y, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return {};
    std::vector<uint32_t> pixels =
        GrabArea(display, DefaultRootWindow(display), x, y, width, height);
    XCloseDisplay(display);
    return pixels;
}

std::vector<uint32_t> GrabWindow(unsigned long window, int width, int height) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return {};
    auto previous = XSetErrorHandler(IgnoreXError);
    std::vector<uint32_t> pixels = GrabArea(display, window, 0, 0, width, height);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return pixels;
}

bool SendCloseRequest(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
