// What the Windows saver shows under Wine and Xvfb: the X windows Wine makes
// for its windows, their pixels, and PNG files of pictures to compare with
// or to keep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An X window and its place on the screen.
struct XWindowBox {
    unsigned long id = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

// The first visible top-level X window whose name matches the regular
// expression `name`; id 0 when there is none.
XWindowBox FindTopLevel(const std::string& name);

// The first child of `window`: where Wine's Direct3D draws. Id 0 when the
// window has none (yet).
XWindowBox FirstChild(const XWindowBox& window);

// A picture: 0x00RRGGBB pixels, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    bool Empty() const { return pixels.empty(); }
};

// The pixels of a window as the screen shows them; empty when it cannot be
// read.
Picture GrabPicture(const XWindowBox& window);

// PNG files; reading gives an empty picture when the file cannot be read.
Picture ReadPng(const std::string& path);
bool WritePng(const std::string& path, const Picture& picture);
