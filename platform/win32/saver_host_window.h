// The window a desktop screen-saver daemon hands to the saver it starts,
// named by the environment variable XSCREENSAVER_WINDOW (a window id, decimal
// or 0x hexadecimal). While one is named, the saver draws in it: the monitor
// list is the one monitor that window covers, the window's own size is the
// only display mode, and top-level pop-up windows become children filling it.
#pragma once

#include <windows.h>

struct Win32SaverHostWindow {
    unsigned long window;  // X11 window id
    RECT rect;             // on the root window
};

// The window named by the environment, checked against the X server. False
// when none is named, the text is no window id, or the id names no window.
bool Win32FindSaverHostWindow(Win32SaverHostWindow* host);
