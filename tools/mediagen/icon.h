// The program icon (resource 101): the island tree on its lake, as a
// Windows .ico file with 16, 32 and 48 pixel images of 32 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mediagen/image.h"

// The picture at `size` by `size` pixels, with alpha.
Image MakeIconImage(int size);
std::vector<uint8_t> EncodeIcon(const std::vector<Image>& images);
