#include "tests/windows/saver_picture.h"

#include <X11/Xlib.h>
#include <png.h>

#include <cstdio>
#include <utility>

#include "tests/support/x_screen.h"

namespace {

// The box of `window` in root coordinates; id 0 when it is gone.
XWindowBox BoxOf(Display* display, Window window) {
    XWindowBox box;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return box;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &box.x, &box.y,
                          &child);
    box.id = window;
    box.width = attributes.width;
    box.height = attributes.height;
    return box;
}

int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XWindowBox FindTopLevel(const std::string& name) {
    XWindowBox box;
    const std::string command = "xdotool search --onlyvisible --name '" + name + "' 2>/dev/null";
    FILE* search = popen(command.c_str(), "r");
    if (search == nullptr) return box;
    unsigned long window = 0;
    const bool found = std::fscanf(search, "%lu", &window) == 1;
    pclose(search);
    if (!found) return box;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return box;
    auto previous = XSetErrorHandler(IgnoreXError);
    box = BoxOf(display, window);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return box;
}

XWindowBox FirstChild(const XWindowBox& window) {
    XWindowBox box;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return box;
    auto previous = XSetErrorHandler(IgnoreXError);
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window.id, &root, &parent, &children, &count) && count > 0) {
        box = BoxOf(display, children[0]);
    }
    if (children != nullptr) XFree(children);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return box;
}

Picture GrabPicture(const XWindowBox& window) {
    Picture picture;
    picture.pixels = GrabWindow(window.id, window.width, window.height);
    if (!picture.pixels.empty()) {
        picture.width = window.width;
        picture.height = window.height;
    }
    return picture;
}

Picture ReadPng(const std::string& path) {
    Picture picture;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on a little-endian machine
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return picture;
    }
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels = std::move(pixels);
    return picture;
}

bool WritePng(const std::string& path, const Picture& picture) {
    if (picture.Empty()) return false;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> opaque = picture.pixels;
    for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;
    return png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
}
