// The multi-monitor functions of the system, looked up once by name. When any
// of them is missing the host works with one emulated monitor instead: the
// whole screen, named "DISPLAY".
#pragma once

#include <windows.h>

struct MultiMonitorFunctions {
    int(WINAPI* getSystemMetrics)(int index);
    HMONITOR(WINAPI* monitorFromWindow)(HWND window, DWORD flags);
    HMONITOR(WINAPI* monitorFromRect)(LPCRECT rect, DWORD flags);
    HMONITOR(WINAPI* monitorFromPoint)(POINT point, DWORD flags);
    BOOL(WINAPI* enumDisplayMonitors)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data);
    BOOL(WINAPI* getMonitorInfo)(HMONITOR monitor, LPMONITORINFO info);
    BOOL(WINAPI* enumDisplayDevices)
    (LPCSTR device, DWORD index, PDISPLAY_DEVICE displayDevice, DWORD flags);
    // Not looked up: always present. Kept here so the monitor list can be
    // given whole by tests.
    BOOL(WINAPI* enumDisplaySettings)(LPCSTR device, DWORD modeIndex, LPDEVMODE mode);
};

// The emulated primary monitor's handle.
#define PRIMARY_MONITOR_HANDLE ((HMONITOR)(uintptr_t)0x12340042)

// The functions in use: the system's when all seven exist, else the emulation.
const MultiMonitorFunctions& MultiMonitor();

// The single-monitor emulation itself.
const MultiMonitorFunctions& EmulatedMultiMonitor();

// Replaces the functions in use (tests); null looks them up again.
void SetMultiMonitorFunctions(const MultiMonitorFunctions* functions);
