// Reads a device's back buffer through Direct3D 8 itself: the device must
// have been created with D3DPRESENTFLAG_LOCKABLE_BACKBUFFER, and the frame is
// read after the scene ends and before it is presented.
#pragma once

#include <windows.h>
#include <d3d8.h>

#include <cstdint>
#include <vector>

// The back buffer as 0xFFRRGGBB pixels, top row first; false (and a message
// on standard error) when it cannot be locked or its format is not a colour
// format this reads (32-bit, R5G6B5, X1R5G5B5 and A1R5G5B5).
bool ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>* pixels, unsigned* width,
                    unsigned* height);
