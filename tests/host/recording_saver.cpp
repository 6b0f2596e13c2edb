#include "tests/host/recording_saver.h"

#include <cstdio>
#include <cstring>

namespace {

std::vector<ScriptedDisplay> displays;

int WINAPI Metrics(int index) {
    if (displays.empty()) return 0;
    const RECT& r = displays[0].rect;
    return index == SM_CXSCREEN ? r.right - r.left : index == SM_CYSCREEN ? r.bottom - r.top : 0;
}

HMONITOR WINAPI FromRect(LPCRECT rect, DWORD) {
    for (size_t i = 0; i < displays.size(); ++i) {
        if (displays[i].attached && std::memcmp(rect, &displays[i].rect, sizeof(RECT)) == 0) {
            return ScriptedMonitors::Handle(i);
        }
    }
    return nullptr;
}

HMONITOR WINAPI FromWindow(HWND, DWORD) {
    return ScriptedMonitors::Handle(0);
}

HMONITOR WINAPI FromPoint(POINT, DWORD) {
    return ScriptedMonitors::Handle(0);
}

BOOL WINAPI EnumMonitors(HDC, LPCRECT, MONITORENUMPROC, LPARAM) {
    return TRUE;
}

BOOL WINAPI MonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    const size_t i = reinterpret_cast<uintptr_t>(monitor) - 1;
    if (i >= displays.size()) return FALSE;
    info->rcMonitor = displays[i].rect;
    info->rcWork = displays[i].rect;
    info->dwFlags = displays[i].primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

BOOL WINAPI Devices(LPCSTR device, DWORD index, PDISPLAY_DEVICE out, DWORD) {
    if (device == nullptr) {
        if (index >= displays.size()) return FALSE;
        const ScriptedDisplay& d = displays[index];
        std::snprintf(out->DeviceName, sizeof(out->DeviceName), "\\\\.\\DISPLAY%u", index + 1);
        std::snprintf(out->DeviceString, sizeof(out->DeviceString), "%s", d.adapterName.c_str());
        out->StateFlags = (d.attached ? DISPLAY_DEVICE_ATTACHED_TO_DESKTOP : 0) |
                          (d.primary ? DISPLAY_DEVICE_PRIMARY_DEVICE : 0) |
                          (d.mirroring ? DISPLAY_DEVICE_MIRRORING_DRIVER : 0);
        return TRUE;
    }
    unsigned number = 0;
    if (index != 0 || std::sscanf(device, "\\\\.\\DISPLAY%u", &number) != 1 || number == 0 ||
        number > displays.size()) {
        return FALSE;
    }
    std::snprintf(out->DeviceString, sizeof(out->DeviceString), "%s",
                  displays[number - 1].monitorName.c_str());
    return TRUE;
}

BOOL WINAPI Settings(LPCSTR device, DWORD, LPDEVMODE mode) {
    unsigned number = 0;
    if (std::sscanf(device, "\\\\.\\DISPLAY%u", &number) != 1 || number == 0 ||
        number > displays.size()) {
        return FALSE;
    }
    const RECT& r = displays[number - 1].rect;
    mode->dmPosition.x = r.left;
    mode->dmPosition.y = r.top;
    mode->dmPelsWidth = static_cast<DWORD>(r.right - r.left);
    mode->dmPelsHeight = static_cast<DWORD>(r.bottom - r.top);
    return TRUE;
}

const MultiMonitorFunctions scripted = {Metrics,      FromWindow,  FromRect, FromPoint,
                                        EnumMonitors, MonitorInfo, Devices,  Settings};

}  // namespace

ScriptedMonitors::ScriptedMonitors(std::vector<ScriptedDisplay> list) {
    displays = std::move(list);
    SetMultiMonitorFunctions(&scripted);
}

ScriptedMonitors::~ScriptedMonitors() {
    SetMultiMonitorFunctions(nullptr);
    displays.clear();
}

bool DrainMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) quit = true;
    }
    return quit;
}
