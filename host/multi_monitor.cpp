#include "host/multi_monitor.h"

#include <cstdio>
#include <cstring>

namespace {

bool Overlaps(const RECT& r) {
    return r.right > 0 && r.bottom > 0 && r.left < GetSystemMetrics(SM_CXSCREEN) &&
           r.top < GetSystemMetrics(SM_CYSCREEN);
}

BOOL WINAPI EmulatedGetMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != PRIMARY_MONITOR_HANDLE || info == nullptr ||
        info->cbSize < sizeof(MONITORINFO)) {
        return FALSE;
    }
    info->rcMonitor.left = 0;
    info->rcMonitor.top = 0;
    info->rcMonitor.right = GetSystemMetrics(SM_CXSCREEN);
    info->rcMonitor.bottom = GetSystemMetrics(SM_CYSCREEN);
    SystemParametersInfo(SPI_GETWORKAREA, 0, &info->rcWork, 0);
    info->dwFlags = MONITORINFOF_PRIMARY;
    if (info->cbSize >= sizeof(MONITORINFOEX)) {
        std::snprintf(reinterpret_cast<MONITORINFOEX*>(info)->szDevice, CCHDEVICENAME, "%s",
                      "DISPLAY");
    }
    return TRUE;
}

HMONITOR WINAPI EmulatedMonitorFromRect(LPCRECT rect, DWORD flags) {
    if ((flags & 3) != 0) return PRIMARY_MONITOR_HANDLE;
    return rect != nullptr && Overlaps(*rect) ? PRIMARY_MONITOR_HANDLE : nullptr;
}

HMONITOR WINAPI EmulatedMonitorFromPoint(POINT point, DWORD flags) {
    const RECT r = {point.x, point.y, point.x + 1, point.y + 1};
    return EmulatedMonitorFromRect(&r, flags);
}

HMONITOR WINAPI EmulatedMonitorFromWindow(HWND window, DWORD flags) {
    if ((flags & 3) != 0) return PRIMARY_MONITOR_HANDLE;
    // A minimised window belongs where it is restored to; with one monitor
    // that is the screen.
    if (IsIconic(window)) return PRIMARY_MONITOR_HANDLE;
    RECT r = {};
    if (!GetWindowRect(window, &r)) return nullptr;
    return EmulatedMonitorFromRect(&r, flags);
}

BOOL WINAPI EmulatedEnumDisplayMonitors(HDC, LPCRECT clip, MONITORENUMPROC callback, LPARAM data) {
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT visible = screen;
    if (clip != nullptr && !IntersectRect(&visible, &screen, clip)) return TRUE;
    if (callback != nullptr) callback(PRIMARY_MONITOR_HANDLE, nullptr, &visible, data);
    return TRUE;
}

BOOL WINAPI EmulatedEnumDisplayDevices(LPCSTR device, DWORD index, PDISPLAY_DEVICE displayDevice,
                                       DWORD) {
    if (device != nullptr || index != 0 || displayDevice == nullptr) return FALSE;
    std::snprintf(displayDevice->DeviceName, sizeof(displayDevice->DeviceName), "%s", "DISPLAY");
    std::snprintf(displayDevice->DeviceString, sizeof(displayDevice->DeviceString), "%s",
                  "DISPLAY");
    displayDevice->StateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;
    return TRUE;
}

BOOL WINAPI SystemEnumDisplaySettings(LPCSTR device, DWORD modeIndex, LPDEVMODE mode) {
    return EnumDisplaySettings(device, modeIndex, mode);
}

int WINAPI SystemGetSystemMetrics(int index) {
    return GetSystemMetrics(index);
}

const MultiMonitorFunctions emulation = {
    SystemGetSystemMetrics,     EmulatedMonitorFromWindow,   EmulatedMonitorFromRect,
    EmulatedMonitorFromPoint,   EmulatedEnumDisplayMonitors, EmulatedGetMonitorInfo,
    EmulatedEnumDisplayDevices, SystemEnumDisplaySettings,
};

MultiMonitorFunctions looked = {};
const MultiMonitorFunctions* inUse = nullptr;

template <typename Function>
bool Find(HMODULE user32, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
    return *function != nullptr;
}

const MultiMonitorFunctions* LookUp() {
    HMODULE user32 = GetModuleHandle("USER32");
    if (user32 == nullptr) return &emulation;
    MultiMonitorFunctions f = {};
    const bool all = Find(user32, "GetSystemMetrics", &f.getSystemMetrics) &&
                     Find(user32, "MonitorFromWindow", &f.monitorFromWindow) &&
                     Find(user32, "MonitorFromRect", &f.monitorFromRect) &&
                     Find(user32, "MonitorFromPoint", &f.monitorFromPoint) &&
                     Find(user32, "EnumDisplayMonitors", &f.enumDisplayMonitors) &&
                     Find(user32, "GetMonitorInfoA", &f.getMonitorInfo) &&
                     Find(user32, "EnumDisplayDevicesA", &f.enumDisplayDevices);
    if (!all) return &emulation;
    f.enumDisplaySettings = SystemEnumDisplaySettings;
    looked = f;
    return &looked;
}

}  // namespace

const MultiMonitorFunctions& MultiMonitor() {
    if (inUse == nullptr) inUse = LookUp();
    return *inUse;
}

const MultiMonitorFunctions& EmulatedMultiMonitor() {
    return emulation;
}

void SetMultiMonitorFunctions(const MultiMonitorFunctions* functions) {
    inUse = functions;
}
