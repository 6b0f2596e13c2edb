// The pictures among the program's resources: bitmaps and icons by resource
// id, taken from the registered resource table on first use or registered
// one by one; LoadBitmap and LoadIcon hand out what is registered.
#pragma once

#include <windows.h>
#include <win32_resources.h>

#include <cstdint>
#include <vector>

// Registers (or replaces) bitmap resource `id`. Alpha is ignored for bitmaps.
// False for a size of zero or a null pixel pointer.
bool Win32RegisterBitmapResource(int id, int width, int height, const uint32_t* pixels);
// Adds one size of icon resource `id` (an icon holds several sizes).
bool Win32RegisterIconResource(int id, int width, int height, const uint32_t* pixels);

// The registered bitmap `id`, or null.
const Win32Image* Win32BitmapResource(int id);
// The size of an icon closest to `preferredSize`, or null.
const Win32Image* Win32IconImage(HICON icon, int preferredSize);
