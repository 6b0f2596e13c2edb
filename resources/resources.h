// The program's resources as plain data: dialog templates (rectangles in
// dialog units, styles with Windows' values) and the string table. The Win32
// stand-in looks them up for DialogBoxParam and LoadString.
#pragma once

#include <windows.h>

// The id of controls the code never addresses. Windows' headers leave it to
// the resource headers of each program.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

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

// The dialog template with this id, or null.
const DialogResource* FindDialogResource(int id);
// Every dialog template in turn, for the tools that write the templates out:
// DialogResourceAt(0) ... DialogResourceAt(DialogResourceCount() - 1).
int DialogResourceCount();
const DialogResource* DialogResourceAt(int index);
// The text of string `id` of the string table, or null.
const char* FindStringResource(UINT id);
// The string table's ids in ascending order, for tools that write the whole
// table out: StringResourceId(0) ... StringResourceId(StringResourceCount() - 1).
int StringResourceCount();
UINT StringResourceId(int index);
