// Test seams of the monitor calls: a scripted set of monitors instead of
// SDL's displays, and hiding the multi-monitor functions from GetProcAddress
// so that callers take their single-monitor path.
#pragma once

#include <windows.h>

struct Win32ScriptedMonitor {
    RECT rect;                  // in virtual-screen coordinates
    RECT workArea;              // empty means the whole rect
    const char* deviceName;     // "\\.\DISPLAY1" style; null gives a numbered name
    const char* adapterString;  // the display device's description
    const char* monitorString;  // the monitor's description
    DWORD stateFlags;           // DISPLAY_DEVICE_* bits (attached, primary, mirroring)
    DWORD bitsPerPixel;         // 0 means 32
    DWORD refreshRate;          // 0 means 60
};

// Installs `count` monitors (copied); a count of 0 goes back to SDL's displays.
void Win32SetScriptedMonitors(const Win32ScriptedMonitor* monitors, int count);
// Makes GetProcAddress on "USER32" miss the multi-monitor functions.
void Win32HideMultiMonitorFunctions(bool hide);
