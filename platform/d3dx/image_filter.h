// Operations on 32-bit A8R8G8B8 texel arrays: the colour key and resizing
// with D3DX's filters, which also builds each mip level from the one above.
#pragma once

#include <d3dx8tex.h>

#include <cstdint>
#include <vector>

// Texels exactly equal to `colourKey` become transparent black (0). A key of
// 0 means no key.
void ApplyColourKey(std::vector<uint32_t>* texels, D3DCOLOR colourKey);

// True when `filter` names one of the filters (low byte NONE to BOX) with
// only the known flags above it.
bool IsValidFilter(DWORD filter);

// Resizes a width x height image into dstWidth x dstHeight texels.
// NONE copies the overlapping part unscaled and leaves the rest transparent
// black; POINT takes the nearest texel; LINEAR interpolates between the four
// nearest; BOX averages every source texel under a destination texel, which
// is also how TRIANGLE is treated. Edges are clamped; the mirror and dither
// flags are accepted and change nothing (conversions round instead).
std::vector<uint32_t> ResizeTexels(const std::vector<uint32_t>& texels, UINT width, UINT height,
                                   UINT dstWidth, UINT dstHeight, DWORD filter);
