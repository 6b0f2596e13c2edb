// Looking at and poking the X server the tests run under: the pixels on its
// screen and what they show, and the close request a window manager sends.
#pragma once

#include <cstdint>
#include <vector>

// The 0x00RRGGBB pixels of a screen area, row by row; empty when the screen
// cannot be read.
std::vector<uint32_t> GrabScreen(int x, int y, int width, int height);

// The same for the top-left `width` by `height` pixels of one window, child
// windows and GL drawing included; empty when the window cannot be read.
std::vector<uint32_t> GrabWindow(unsigned long window, int width, int height);

// Sends `window` what a window manager sends when the user clicks its close
// box (WM_DELETE_WINDOW); false when there is no X server.
bool SendCloseRequest(unsigned long window);

// Pixel statistics of a screen area, sampled every fourth pixel.
struct ScreenLook {
    double litShare = 0;    // share of pixels that are not near black
    int colours = 0;        // distinct colours at 5 bits a channel
    double yellowShare = 0; // share of strong yellow pixels (overlay text)
    double red = 0, green = 0, blue = 0;  // means
    double spread = 0;      // standard deviation of the brightness (mean of r, g, b)
    // A frame of the scene: lit nearly everywhere with many colours.
    bool LooksLikeTheScene() const { return litShare > 0.9 && colours > 200; }
};
ScreenLook LookAtScreen(int x, int y, int width, int height);
// The same statistics of the `width` by `height` area at (x, y) of pixels
// already read: 0x00RRGGBB, row by row, `stride` pixels a row.
ScreenLook LookAtPixels(const std::vector<uint32_t>& pixels, int stride, int x, int y, int width,
                        int height);
