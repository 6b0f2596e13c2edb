// Display devices and monitors from SDL's displays, or from the scripted set
// of the test seam. Device i is "\\.\DISPLAYi+1" with one monitor; monitor
// handles are small tagged numbers, valid while the set does not change.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/exit_watcher.h"
#include "platform/win32/monitor_seams.h"
#include "platform/win32/native_window.h"
#include "platform/win32/saver_host_window.h"
#include "platform/win32/video_connection.h"

namespace {

struct Monitor {
    RECT rect{};
    RECT work{};
    std::string deviceName;
    std::string adapterString;
    std::string monitorString;
    DWORD stateFlags = 0;
    DWORD bitsPerPixel = 32;
    DWORD refreshRate = 60;
    std::vector<SDL_DisplayMode> modes;
};

std::mutex monitorLock;
bool scripted = false;
std::vector<Monitor> scriptedMonitors;
bool screenSaverRunning = false;

constexpr uintptr_t kMonitorTag = 0x4D300000;

std::vector<Monitor> SdlMonitors() {
    std::vector<Monitor> monitors;
    if (!Win32EnsureVideo()) return monitors;
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        Monitor m;
        SDL_Rect bounds, usable;
        if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
        if (SDL_GetDisplayUsableBounds(i, &usable) != 0) usable = bounds;
        m.rect = RECT{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
        m.work = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
        char name[32];
        std::snprintf(name, sizeof name, "\\\\.\\DISPLAY%d", i + 1);
        m.deviceName = name;
        const char* displayName = SDL_GetDisplayName(i);
        m.adapterString = displayName != nullptr ? displayName : "Display adapter";
        m.monitorString = "Generic monitor";
        m.stateFlags = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
        if (bounds.x == 0 && bounds.y == 0) m.stateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE;
        SDL_DisplayMode current;
        if (SDL_GetCurrentDisplayMode(i, &current) == 0) {
            m.bitsPerPixel =
                SDL_BITSPERPIXEL(current.format) == 24 ? 32 : SDL_BITSPERPIXEL(current.format);
            if (current.refresh_rate > 0) m.refreshRate = static_cast<DWORD>(current.refresh_rate);
        }
        int modeCount = SDL_GetNumDisplayModes(i);
        for (int j = 0; j < modeCount; ++j) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(i, j, &mode) == 0) m.modes.push_back(mode);
        }
        monitors.push_back(m);
    }
    // Exactly one primary: the one at the origin, else the first.
    bool anyPrimary = std::any_of(monitors.begin(), monitors.end(), [](const Monitor& m) {
        return (m.stateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
    });
    if (!anyPrimary && !monitors.empty()) monitors[0].stateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE;
    return monitors;
}

long long Overlap(const RECT& a, const RECT& b) {
    long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// Inside a screen-saver daemon's window the saver sees one monitor: that
// window, on the display it covers most, with its own size as the only mode.
std::vector<Monitor> HostWindowMonitor(std::vector<Monitor> displays,
                                       const Win32SaverHostWindow& host) {
    if (displays.empty()) return displays;
    size_t best = 0;
    long long bestArea = -1;
    for (size_t i = 0; i < displays.size(); ++i) {
        long long area = Overlap(host.rect, displays[i].rect);
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    Monitor m = displays[best];
    m.rect = m.work = host.rect;
    m.stateFlags |= DISPLAY_DEVICE_PRIMARY_DEVICE;
    SDL_DisplayMode only = {};
    only.format = m.modes.empty() ? static_cast<Uint32>(SDL_PIXELFORMAT_RGB888) : m.modes.front().format;
    only.w = host.rect.right - host.rect.left;
    only.h = host.rect.bottom - host.rect.top;
    only.refresh_rate = static_cast<int>(m.refreshRate);
    m.modes.assign(1, only);
    return {m};
}

std::vector<Monitor> Monitors() {
    {
        std::lock_guard<std::mutex> hold(monitorLock);
        if (scripted) return scriptedMonitors;
    }
    Win32SaverHostWindow host;
    if (Win32FindSaverHostWindow(&host)) return HostWindowMonitor(SdlMonitors(), host);
    return SdlMonitors();
}

bool Attached(const Monitor& m) {
    return (m.stateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) != 0;
}
bool Primary(const Monitor& m) {
    return (m.stateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
}

HMONITOR HandleOf(size_t index) {
    return reinterpret_cast<HMONITOR>(kMonitorTag + index + 1);
}

int IndexOf(HMONITOR monitor, size_t count) {
    auto value = reinterpret_cast<uintptr_t>(monitor);
    if (value <= kMonitorTag || value > kMonitorTag + count) return -1;
    return static_cast<int>(value - kMonitorTag - 1);
}

int PrimaryIndex(const std::vector<Monitor>& monitors) {
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (Attached(monitors[i]) && Primary(monitors[i])) return static_cast<int>(i);
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (Attached(monitors[i])) return static_cast<int>(i);
    }
    return -1;
}

long long DistanceSquared(const RECT& a, const RECT& b) {
    long long dx = std::max<long long>({0, b.left - a.right + 1, a.left - b.right + 1});
    long long dy = std::max<long long>({0, b.top - a.bottom + 1, a.top - b.bottom + 1});
    return dx * dx + dy * dy;
}

HMONITOR FromRect(const RECT& rect, DWORD flags) {
    std::vector<Monitor> monitors = Monitors();
    int best = -1;
    long long bestArea = 0;
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (!Attached(monitors[i])) continue;
        // An empty rectangle (a point) counts as touching the monitor it lies in.
        RECT probe = rect;
        if (probe.right <= probe.left) probe.right = probe.left + 1;
        if (probe.bottom <= probe.top) probe.bottom = probe.top + 1;
        long long area = Overlap(probe, monitors[i].rect);
        if (area > bestArea) {
            bestArea = area;
            best = static_cast<int>(i);
        }
    }
    if (best >= 0) return HandleOf(best);
    if ((flags & 3) == MONITOR_DEFAULTTOPRIMARY) {
        int primary = PrimaryIndex(monitors);
        return primary >= 0 ? HandleOf(primary) : nullptr;
    }
    if ((flags & 3) == MONITOR_DEFAULTTONEAREST) {
        long long nearest = -1;
        for (size_t i = 0; i < monitors.size(); ++i) {
            if (!Attached(monitors[i])) continue;
            long long d = DistanceSquared(rect, monitors[i].rect);
            if (nearest < 0 || d < nearest) {
                nearest = d;
                best = static_cast<int>(i);
            }
        }
        return best >= 0 ? HandleOf(best) : nullptr;
    }
    return nullptr;
}

void CopyText(char* destination, size_t capacity, const std::string& text) {
    std::snprintf(destination, capacity, "%s", text.c_str());
}

}  // namespace

void Win32SetScriptedMonitors(const Win32ScriptedMonitor* list, int count) {
    std::lock_guard<std::mutex> hold(monitorLock);
    scriptedMonitors.clear();
    scripted = list != nullptr && count > 0;
    for (int i = 0; scripted && i < count; ++i) {
        const Win32ScriptedMonitor& in = list[i];
        Monitor m;
        m.rect = in.rect;
        m.work = IsRectEmpty(&in.workArea) ? in.rect : in.workArea;
        char name[32];
        std::snprintf(name, sizeof name, "\\\\.\\DISPLAY%d", i + 1);
        m.deviceName = in.deviceName != nullptr ? in.deviceName : name;
        m.adapterString = in.adapterString != nullptr ? in.adapterString : "Display adapter";
        m.monitorString = in.monitorString != nullptr ? in.monitorString : "Generic monitor";
        m.stateFlags = in.stateFlags;
        m.bitsPerPixel = in.bitsPerPixel != 0 ? in.bitsPerPixel : 32;
        m.refreshRate = in.refreshRate != 0 ? in.refreshRate : 60;
        scriptedMonitors.push_back(m);
    }
}

BOOL EnumDisplayDevices(LPCSTR device, DWORD index, PDISPLAY_DEVICE out, DWORD) {
    if (out == nullptr || out->cb < sizeof(DISPLAY_DEVICE)) return FALSE;
    std::vector<Monitor> monitors = Monitors();
    DWORD size = out->cb;
    if (device == nullptr) {
        if (index >= monitors.size()) return FALSE;
        const Monitor& m = monitors[index];
        std::memset(out, 0, sizeof(DISPLAY_DEVICE));
        out->cb = size;
        CopyText(out->DeviceName, sizeof out->DeviceName, m.deviceName);
        CopyText(out->DeviceString, sizeof out->DeviceString, m.adapterString);
        out->StateFlags = m.stateFlags;
        CopyText(out->DeviceID, sizeof out->DeviceID, "VELMORA\\DISPLAY");
        return TRUE;
    }
    // The monitors of one display device: each device drives exactly one.
    for (const Monitor& m : monitors) {
        if (strcasecmp(m.deviceName.c_str(), device) != 0 || index != 0) continue;
        std::memset(out, 0, sizeof(DISPLAY_DEVICE));
        out->cb = size;
        CopyText(out->DeviceName, sizeof out->DeviceName, m.deviceName + "\\Monitor0");
        CopyText(out->DeviceString, sizeof out->DeviceString, m.monitorString);
        out->StateFlags = Attached(m) ? DISPLAY_DEVICE_ATTACHED_TO_DESKTOP : 0;
        CopyText(out->DeviceID, sizeof out->DeviceID, "MONITOR\\Default_Monitor");
        return TRUE;
    }
    return FALSE;
}

BOOL EnumDisplaySettings(LPCSTR deviceName, DWORD modeIndex, LPDEVMODE mode) {
    if (mode == nullptr) return FALSE;
    std::vector<Monitor> monitors = Monitors();
    int which = deviceName == nullptr ? PrimaryIndex(monitors) : -1;
    for (size_t i = 0; deviceName != nullptr && i < monitors.size(); ++i) {
        if (strcasecmp(monitors[i].deviceName.c_str(), deviceName) == 0)
            which = static_cast<int>(i);
    }
    if (which < 0) return FALSE;
    const Monitor& m = monitors[which];
    WORD driverExtra = mode->dmDriverExtra;
    std::memset(mode, 0, sizeof(DEVMODE));
    mode->dmSize = sizeof(DEVMODE);
    mode->dmDriverExtra = driverExtra;
    std::snprintf(reinterpret_cast<char*>(mode->dmDeviceName), sizeof mode->dmDeviceName, "%s",
                  m.deviceName.c_str());
    mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    if (modeIndex == ENUM_CURRENT_SETTINGS || modeIndex == ENUM_REGISTRY_SETTINGS) {
        if (!Attached(m)) return FALSE;
        mode->dmFields |= DM_POSITION;
        mode->dmPosition = POINTL{m.rect.left, m.rect.top};
        mode->dmPelsWidth = static_cast<DWORD>(m.rect.right - m.rect.left);
        mode->dmPelsHeight = static_cast<DWORD>(m.rect.bottom - m.rect.top);
        mode->dmBitsPerPel = m.bitsPerPixel;
        mode->dmDisplayFrequency = m.refreshRate;
        return TRUE;
    }
    // The mode list: SDL's modes, or the current mode alone for scripted monitors.
    if (m.modes.empty()) {
        if (modeIndex != 0) return FALSE;
        mode->dmPelsWidth = static_cast<DWORD>(m.rect.right - m.rect.left);
        mode->dmPelsHeight = static_cast<DWORD>(m.rect.bottom - m.rect.top);
        mode->dmBitsPerPel = m.bitsPerPixel;
        mode->dmDisplayFrequency = m.refreshRate;
        return TRUE;
    }
    if (modeIndex >= m.modes.size()) return FALSE;
    const SDL_DisplayMode& sdlMode = m.modes[modeIndex];
    mode->dmPelsWidth = static_cast<DWORD>(sdlMode.w);
    mode->dmPelsHeight = static_cast<DWORD>(sdlMode.h);
    int bits = SDL_BITSPERPIXEL(sdlMode.format);
    mode->dmBitsPerPel = bits == 24 ? 32 : static_cast<DWORD>(bits);
    mode->dmDisplayFrequency = sdlMode.refresh_rate > 0 ? sdlMode.refresh_rate : 60;
    return TRUE;
}

HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags) {
    if (rect == nullptr) return nullptr;
    return FromRect(*rect, flags);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    RECT rect{point.x, point.y, point.x + 1, point.y + 1};
    return FromRect(rect, flags);
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        if ((flags & 3) == MONITOR_DEFAULTTONULL) return nullptr;
        rect = RECT{0, 0, 1, 1};
        return FromRect(rect, MONITOR_DEFAULTTOPRIMARY);
    }
    return FromRect(rect, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    if (info == nullptr || info->cbSize < sizeof(MONITORINFO)) return FALSE;
    std::vector<Monitor> monitors = Monitors();
    int index = IndexOf(monitor, monitors.size());
    if (index < 0 || !Attached(monitors[index])) return FALSE;
    const Monitor& m = monitors[index];
    info->rcMonitor = m.rect;
    info->rcWork = m.work;
    info->dwFlags = Primary(m) ? MONITORINFOF_PRIMARY : 0;
    if (info->cbSize >= sizeof(MONITORINFOEX)) {
        auto* extended = reinterpret_cast<LPMONITORINFOEX>(info);
        CopyText(extended->szDevice, sizeof extended->szDevice, m.deviceName);
    }
    return TRUE;
}

BOOL EnumDisplayMonitors(HDC, LPCRECT clip, MONITORENUMPROC callback, LPARAM data) {
    if (callback == nullptr) return FALSE;
    std::vector<Monitor> monitors = Monitors();
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (!Attached(monitors[i])) continue;
        RECT area = monitors[i].rect;
        if (clip != nullptr && !IntersectRect(&area, &area, clip)) continue;
        if (!callback(HandleOf(i), nullptr, &area, data)) break;
    }
    return TRUE;
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CYCAPTION:
            return 22;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return 1;
        case SM_CXFIXEDFRAME:
        case SM_CYFIXEDFRAME:
            return 3;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return 4;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        default:
            break;
    }
    std::vector<Monitor> monitors = Monitors();
    int primary = PrimaryIndex(monitors);
    RECT screen = primary >= 0 ? monitors[primary].rect : RECT{0, 0, 0, 0};
    RECT virtualScreen{0, 0, 0, 0};
    int attached = 0;
    bool sameFormat = true;
    for (const Monitor& m : monitors) {
        if (!Attached(m)) continue;
        UnionRect(&virtualScreen, &virtualScreen, &m.rect);
        sameFormat = sameFormat && m.bitsPerPixel == monitors[primary].bitsPerPixel;
        ++attached;
    }
    switch (index) {
        case SM_CXSCREEN:
            return screen.right - screen.left;
        case SM_CYSCREEN:
            return screen.bottom - screen.top;
        case SM_XVIRTUALSCREEN:
            return virtualScreen.left;
        case SM_YVIRTUALSCREEN:
            return virtualScreen.top;
        case SM_CXVIRTUALSCREEN:
            return virtualScreen.right - virtualScreen.left;
        case SM_CYVIRTUALSCREEN:
            return virtualScreen.bottom - virtualScreen.top;
        case SM_CMONITORS:
            return attached;
        case SM_SAMEDISPLAYFORMAT:
            return sameFormat ? 1 : 0;
        default:
            return 0;
    }
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, LPVOID pvParam, UINT) {
    switch (action) {
        case SPI_GETWORKAREA: {
            if (pvParam == nullptr) return FALSE;
            std::vector<Monitor> monitors = Monitors();
            int primary = PrimaryIndex(monitors);
            if (primary < 0) return FALSE;
            *static_cast<RECT*>(pvParam) = monitors[primary].work;
            return TRUE;
        }
        case SPI_SCREENSAVERRUNNING: {
            // This desktop has no keys for a saver to lock out; the exit
            // watcher ends a running saver on input at once.
            std::lock_guard<std::mutex> hold(monitorLock);
            if (pvParam != nullptr)
                *static_cast<BOOL*>(pvParam) = screenSaverRunning ? TRUE : FALSE;
            screenSaverRunning = uiParam != 0;
            Win32EndOnInput(screenSaverRunning);
            return TRUE;
        }
        case SPI_GETSCREENSAVERRUNNING: {
            if (pvParam == nullptr) return FALSE;
            std::lock_guard<std::mutex> hold(monitorLock);
            *static_cast<BOOL*>(pvParam) = screenSaverRunning ? TRUE : FALSE;
            return TRUE;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
    }
}
