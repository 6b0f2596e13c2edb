// Reading back what is on the X server's screen.
#pragma once

#include <cstdint>

// One pixel of the screen as 0xRRGGBB; 0xFFFFFFFF when it cannot be read.
uint32_t ScreenPixel(int x, int y);
