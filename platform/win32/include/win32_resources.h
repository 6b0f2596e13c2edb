// The program's resources as the platform takes them: dialog templates
// (rectangles in dialog units, styles with Windows' values), the string table
// and the pictures. The program registers a table of look-ups at start-up;
// DialogBoxParam, LoadString, LoadBitmap and LoadIcon find what it names.
#pragma once

#include "win32_types.h"

#include <cstdint>
#include <vector>

// One control of a dialog template, in tab order.
struct DialogControlResource {
    int id;                 // IDC_STATIC for controls the code never addresses
    const char* className;  // "BUTTON", "STATIC", "COMBOBOX", TRACKBAR_CLASS, WC_TABCONTROL
    const char* text;       // may hold '&' before a mnemonic letter
    DWORD style;            // WS_CHILD, WS_VISIBLE, WS_DISABLED, ... and the class's own bits
    short x, y, cx, cy;     // dialog units
};

struct DialogResource {
    int id;
    const char* caption;
    const char* fontName;
    int fontPointSize;
    DWORD style;
    short cx, cy;  // dialog units
    const DialogControlResource* controls;
    int controlCount;
};

// An image of 32-bit pixels 0xAARRGGBB, rows top to bottom.
struct Win32Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Where the program's resources are found; a null entry finds nothing.
struct Win32ResourceTable {
    const DialogResource* (*findDialog)(int id);    // null when there is none
    const char* (*findString)(UINT id);             // null when there is none
    bool (*findBitmap)(int id, Win32Image* image);  // false when there is none
    std::vector<Win32Image> (*findIcon)(int id);    // every size; empty when there is none
};

// Makes `table` the program's resources, replacing any table before it.
void Win32RegisterResources(const Win32ResourceTable& table);
// The registered table; every entry null before registration.
const Win32ResourceTable& Win32Resources();
