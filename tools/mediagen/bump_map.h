// "texture/bumpwat.raw": 256 by 256 signed 8-bit heights of calm ripples.
// Every wave has a whole number of periods across the tile, so the field
// wraps seamlessly when the water scrolls it.
#pragma once

#include <cstdint>
#include <vector>

std::vector<uint8_t> GenerateBumpHeights();
