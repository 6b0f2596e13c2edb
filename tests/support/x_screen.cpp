#include "tests/support/x_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>

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

ScreenLook LookAtScreen(int x, int y, int width, int height) {
    std::vector<uint32_t> pixels = GrabScreen(x, y, width, height);
    if (pixels.empty()) return ScreenLook{};
    return LookAtPixels(pixels, width, 0, 0, width, height);
}

ScreenLook LookAtPixels(const std::vector<uint32_t>& pixels, int stride, int x, int y, int width,
                        int height) {
    ScreenLook look;
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x + width > stride ||
        size_t(y + height) * stride > pixels.size()) {
        return look;
    }
    std::vector<bool> seen(1 << 15);
    int samples = 0, lit = 0, yellow = 0;
    double brightness = 0, brightnessSquares = 0;
    for (int row = y; row < y + height; row += 4) {
        for (int column = x; column < x + width; column += 4) {
            uint32_t p = pixels[size_t(row) * stride + column];
            int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ++samples;
            lit += (r + g + b) > 60;
            yellow += r > 180 && g > 180 && b < 100;
            look.red += r;
            look.green += g;
            look.blue += b;
            const double level = (r + g + b) / 3.0;
            brightness += level;
            brightnessSquares += level * level;
            int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
            if (!seen[key]) {
                seen[key] = true;
                ++look.colours;
            }
        }
    }
    look.litShare = double(lit) / samples;
    look.yellowShare = double(yellow) / samples;
    look.red /= samples;
    look.green /= samples;
    look.blue /= samples;
    const double mean = brightness / samples;
    look.spread = std::sqrt(std::max(0.0, brightnessSquares / samples - mean * mean));
    return look;
}
