// Writes 32-bit 0xAARRGGBB pixels, top row first, as an opaque RGB PNG file,
// with zlib alone: one unfiltered, deflated image, the same on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, unsigned width,
              unsigned height);
