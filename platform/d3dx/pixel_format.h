// Reading and writing texels of the surface formats D3DX converts between.
// A8R8G8B8 values are the common currency: every unsigned format here has
// at most 8 bits per channel, so they pass through it without loss. The
// signed V8U8 format maps its -128..127 components linearly onto 0..255 in
// the red (u) and green (v) channels, so a V8U8 to V8U8 copy is exact.
#pragma once

#include <d3d8.h>

#include <cstdint>

// Bytes per texel, or 0 for a format that is not handled here.
UINT TexelSize(D3DFORMAT format);

// True for formats whose texels carry alpha.
bool FormatHasAlpha(D3DFORMAT format);

uint32_t ReadTexel(const uint8_t* texel, D3DFORMAT format);
void WriteTexel(uint8_t* texel, D3DFORMAT format, uint32_t argb);
