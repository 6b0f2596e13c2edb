// Display-mode lists of an adapter and the choices made over them: the order
// modes are offered in, the default and automatic modes, and the next smaller
// mode to try when a device cannot be created.
#pragma once

#include <d3d8.h>

constexpr UINT MaxDisplayModes = 100;  // distinct modes per adapter while building
constexpr UINT MaxFormats = 20;        // distinct formats per adapter while building
constexpr UINT MaxDeviceModes = 150;   // modes kept per device type
constexpr UINT NoModeChosen = 0xFFFF;

// A mode as the adapter reports it; the refresh rate does not matter here.
struct DisplayModeEntry {
    UINT width;
    UINT height;
    D3DFORMAT format;
};

// A mode a device type can run the scene in.
struct ModeRecord {
    UINT width;
    UINT height;
    D3DFORMAT format;       // back-buffer format
    DWORD behaviourFlags;   // the device-creation flags confirmed for this format
    D3DFORMAT depthFormat;  // depth/stencil format for this format, or 0
};

bool Is16BitFormat(D3DFORMAT format);
bool Is32BitFormat(D3DFORMAT format);

// Adds a mode of at least 640 by 400 that is not listed yet. False when the
// mode is skipped: too small, already there, or the list is full.
bool AddDisplayMode(DisplayModeEntry* modes, UINT* count, UINT capacity,
                    const DisplayModeEntry& mode);

// Adds a format not listed yet; false when already there or the list is full.
bool AddFormat(D3DFORMAT* formats, UINT* count, UINT capacity, D3DFORMAT format);

// Width, then height ascending; for one size the higher format number first,
// so R5G6B5 comes before X8R8G8B8 before A8R8G8B8.
void SortDisplayModes(DisplayModeEntry* modes, UINT count);

// The first 640 by 480 mode in a 16-bit format, else the last 640 by 480 mode,
// else 0.
UINT DefaultModeIndex(const ModeRecord* modes, UINT count);

// The mode matching the user's choice, or NoModeChosen.
UINT FindModeIndex(const ModeRecord* modes, UINT count, UINT width, UINT height, D3DFORMAT format);

// The Automatic mode. A software device takes the lowest resolution (never
// height 400), preferring its first 16-bit mode; other devices take the
// desktop's size, in a 32-bit format when there is one. 0 when nothing fits.
UINT AutomaticModeIndex(const ModeRecord* modes, UINT count, bool softwareDevice, UINT desktopWidth,
                        UINT desktopHeight);

// The next mode to try after `*current` failed: the same size in a 16-bit
// format if the current one is 32-bit, else the largest smaller area,
// 32-bit preferred among equal areas. False when nothing smaller is left.
bool StepDownModeIndex(const ModeRecord* modes, UINT count, UINT* current);
