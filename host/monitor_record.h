// One display device the saver can draw on, and the error box shown on it.
#pragma once

#include <windows.h>

struct MonitorRecord {
    char adapterName[128];   // the display adapter's description
    char monitorName[128];   // the monitor's description
    HMONITOR monitorHandle;  // null when the device is not attached to the desktop
    RECT screenRect;         // virtual-screen coordinates
    int adapterIndex;        // index into the host's adapters, or -1
    HWND window;             // the saver window on this monitor, or null
    // The error box, in the coordinates of the monitor's window; a width of 0
    // means it is not placed yet. Velocities in pixels per second.
    float boxX;
    float boxY;
    float boxWidth;
    float boxHeight;
    float boxVelocityX;
    float boxVelocityY;
};
