// Looking at and poking the X server the tests run under: the pixels on its
// screen, and the close request a window manager sends.
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
