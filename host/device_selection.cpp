#include <cstdio>
#include <cstring>
#include <new>

#include "host/d3d_screensaver.h"
#include "host/multi_monitor.h"

// The refresh rate "whatever the mode has"; MinGW's d3d8types.h lacks the name.
#ifndef D3DPRESENT_RATE_DEFAULT
#define D3DPRESENT_RATE_DEFAULT 0
#endif

namespace {

const char* TypeName(D3DDEVTYPE type) {
    switch (type) {
        case D3DDEVTYPE_HAL:
            return "HAL";
        case D3DDEVTYPE_SW:
            return "SW";
        case D3DDEVTYPE_REF:
            return "REF";
        default:
            return "";
    }
}

template <size_t N>
void CopyText(char (&destination)[N], const char* source) {
    std::snprintf(destination, N, "%s", source);
}

}  // namespace

void CD3DScreensaver::EnumerateMonitors() {
    const MultiMonitorFunctions& system = MultiMonitor();
    monitorCount = 0;
    for (DWORD index = 0; monitorCount < MaxMonitors; ++index) {
        DISPLAY_DEVICE displayDevice = {};
        displayDevice.cb = sizeof(displayDevice);
        if (!system.enumDisplayDevices(nullptr, index, &displayDevice, 0)) break;
        if (displayDevice.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) continue;

        DISPLAY_DEVICE monitorDevice = {};
        monitorDevice.cb = sizeof(monitorDevice);
        system.enumDisplayDevices(displayDevice.DeviceName, 0, &monitorDevice, 0);

        MonitorRecord& monitor = monitors[monitorCount];
        monitor = MonitorRecord{};
        CopyText(monitor.adapterName, displayDevice.DeviceString);
        CopyText(monitor.monitorName, monitorDevice.DeviceString);
        monitor.adapterIndex = -1;

        if (displayDevice.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) {
            const bool primary = (displayDevice.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
            DEVMODE settings = {};
            settings.dmSize = sizeof(settings);
            RECT& r = monitor.screenRect;
            if (system.enumDisplaySettings(displayDevice.DeviceName, ENUM_CURRENT_SETTINGS,
                                           &settings)) {
                r.left = primary ? 0 : settings.dmPosition.x;
                r.top = primary ? 0 : settings.dmPosition.y;
                r.right = r.left + static_cast<LONG>(settings.dmPelsWidth);
                r.bottom = r.top + static_cast<LONG>(settings.dmPelsHeight);
            } else if (primary) {
                // Without readable settings the primary still covers the screen.
                r.right = system.getSystemMetrics(SM_CXSCREEN);
                r.bottom = system.getSystemMetrics(SM_CYSCREEN);
            }
            monitor.monitorHandle = system.monitorFromRect(&r, MONITOR_DEFAULTTONULL);
        }
        ++monitorCount;
    }
}

HRESULT CD3DScreensaver::ConfirmBehaviour(D3DCAPS8& caps, D3DFORMAT format, DWORD* behaviourFlags) {
    DWORD candidates[4];
    int count = 0;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) {
            candidates[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
        }
        candidates[count++] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        candidates[count++] = D3DCREATE_MIXED_VERTEXPROCESSING;
    }
    candidates[count++] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    HRESULT hr = E_FAIL;
    for (int i = 0; i < count; ++i) {
        hr = AcceptDevice(&caps, candidates[i], format);
        if (SUCCEEDED(hr)) {
            *behaviourFlags = candidates[i];
            return S_OK;
        }
    }
    return hr;
}

HRESULT CD3DScreensaver::BuildAdapterList() {
    const UINT systemAdapters = direct3d->GetAdapterCount();
    // Adapters past the table's end are not used.
    const UINT count = systemAdapters < MaxAdapters ? systemAdapters : MaxAdapters;
    for (UINT a = 0; a < count; ++a) {
        if (adapters[a] == nullptr) {
            adapters[a] = new (std::nothrow) AdapterRecord();
            if (adapters[a] == nullptr) return E_OUTOFMEMORY;
        }
        if (adapterCount < a + 1) adapterCount = a + 1;
        AdapterRecord& adapter = *adapters[a];
        direct3d->GetAdapterIdentifier(a, D3DENUM_NO_WHQL_LEVEL, &adapter.identifier);
        direct3d->GetAdapterDisplayMode(a, &adapter.desktopMode);
        adapter.deviceCount = 0;
        adapter.currentDevice = 0;
        adapter.leaveBlack = FALSE;
        adapter.monitorIndex = -1;

        const HMONITOR adapterMonitor = direct3d->GetAdapterMonitor(a);
        for (DWORD m = 0; m < monitorCount && adapterMonitor != nullptr; ++m) {
            if (monitors[m].monitorHandle == adapterMonitor) {
                monitors[m].adapterIndex = static_cast<int>(a);
                adapter.monitorIndex = static_cast<int>(m);
                break;
            }
        }

        D3DFORMAT formats[MaxFormats];
        UINT formatCount = 0;
        AddFormat(formats, &formatCount, MaxFormats, adapter.desktopMode.Format);
        DisplayModeEntry modes[MaxDisplayModes];
        UINT modeCount = 0;
        const UINT systemModes = direct3d->GetAdapterModeCount(a);
        for (UINT i = 0; i < systemModes; ++i) {
            D3DDISPLAYMODE mode = {};
            if (FAILED(direct3d->EnumAdapterModes(a, i, &mode))) continue;
            if (AddDisplayMode(modes, &modeCount, MaxDisplayModes,
                               {mode.Width, mode.Height, mode.Format})) {
                AddFormat(formats, &formatCount, MaxFormats, mode.Format);
            }
        }
        SortDisplayModes(modes, modeCount);

        D3DDEVTYPE types[MaxDeviceTypes] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
        const int typeCount = allowReference ? 3 : 2;
        for (int t = 0; t < typeCount; ++t) {
            DeviceRecord& record = adapter.devices[adapter.deviceCount];
            record = DeviceRecord{};
            record.deviceType = types[t];
            record.typeName = TypeName(types[t]);
            record.modeCount = 0;
            record.currentMode = 0;
            record.canDoWindowed = FALSE;
            record.windowed = FALSE;
            record.multiSampleType = D3DMULTISAMPLE_NONE;
            // A type the runtime cannot describe (no software rasteriser
            // registered) has nothing to offer.
            if (FAILED(direct3d->GetDeviceCaps(a, types[t], &record.caps))) continue;

            bool confirmed[MaxFormats] = {};
            DWORD flags[MaxFormats] = {};
            D3DFORMAT depth[MaxFormats] = {};
            for (UINT f = 0; f < formatCount; ++f) {
                if (FAILED(direct3d->CheckDeviceType(a, types[t], formats[f], formats[f], FALSE))) {
                    continue;
                }
                if (types[t] == D3DDEVTYPE_SW) adapter.hasSoftware = TRUE;
                if (types[t] == D3DDEVTYPE_HAL) adapter.hasHardware = TRUE;
                confirmed[f] = SUCCEEDED(ConfirmBehaviour(record.caps, formats[f], &flags[f]));
                if (confirmed[f] && multithreaded) flags[f] |= D3DCREATE_MULTITHREADED;
                if (confirmed[f] && useDepthBuffer) {
                    confirmed[f] = FindDepthFormat(a, types[t], formats[f], &depth[f]) != FALSE;
                }
            }

            for (UINT i = 0; i < modeCount && record.modeCount < MaxDeviceModes; ++i) {
                for (UINT f = 0; f < formatCount; ++f) {
                    if (formats[f] != modes[i].format || !confirmed[f]) continue;
                    record.modes[record.modeCount++] = ModeRecord{
                        modes[i].width, modes[i].height, modes[i].format, flags[f], depth[f]};
                    break;
                }
            }
            record.currentMode = DefaultModeIndex(record.modes, record.modeCount);

            if (confirmed[0] && (record.caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) {
                record.canDoWindowed = TRUE;
                record.windowed = TRUE;
            }
            if (record.modeCount > 0) {
                ++adapter.deviceCount;
                if (types[t] == D3DDEVTYPE_SW) adapter.hasCompatibleSoftware = TRUE;
                if (types[t] == D3DDEVTYPE_HAL) adapter.hasCompatibleHardware = TRUE;
            }
        }
    }
    return S_OK;
}

BOOL CD3DScreensaver::FindDepthFormat(UINT adapter, D3DDEVTYPE deviceType,
                                      D3DFORMAT backBufferFormat, D3DFORMAT* depthFormat) {
    struct Candidate {
        D3DFORMAT format;
        UINT depthBits;
        UINT stencilBits;
    };
    static const Candidate candidates[] = {
        {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& c : candidates) {
        if (minDepthBits > c.depthBits || minStencilBits > c.stencilBits) continue;
        if (SUCCEEDED(direct3d->CheckDeviceFormat(adapter, deviceType, backBufferFormat,
                                                  D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                  c.format)) &&
            SUCCEEDED(direct3d->CheckDepthStencilMatch(adapter, deviceType, backBufferFormat,
                                                       backBufferFormat, c.format))) {
            *depthFormat = c.format;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CD3DScreensaver::PickBestAdapter(int* adapterIndex) {
    int software = -1;
    for (DWORD m = 0; m < monitorCount; ++m) {
        const int a = monitors[m].adapterIndex;
        if (a < 0 || static_cast<DWORD>(a) >= adapterCount || adapters[a] == nullptr) continue;
        if (adapters[a]->hasCompatibleHardware) {
            *adapterIndex = a;
            return TRUE;
        }
        if (adapters[a]->hasCompatibleSoftware) software = a;
    }
    *adapterIndex = software;
    return software != -1;
}

HRESULT CD3DScreensaver::CreateFullScreenDevice(ScreenDevice& screen) {
    const int a = screen.adapterIndex;
    if (a < 0 || static_cast<DWORD>(a) >= adapterCount || adapters[a] == nullptr ||
        adapters[a]->deviceCount == 0) {
        return E_FAIL;
    }
    AdapterRecord& adapter = *adapters[a];

    int chosen = -1;
    for (DWORD d = 0; d < adapter.deviceCount; ++d) {
        const D3DDEVTYPE type = adapter.devices[d].deviceType;
        if (type == D3DDEVTYPE_HAL && !adapter.disableHardware) {
            chosen = static_cast<int>(d);
            break;
        }
        if (type == D3DDEVTYPE_SW) {
            chosen = static_cast<int>(d);
        } else if (type == D3DDEVTYPE_REF && allowReference &&
                   (chosen < 0 || adapter.devices[chosen].deviceType != D3DDEVTYPE_SW)) {
            chosen = static_cast<int>(d);
        }
    }
    if (chosen < 0) return SaverErrNoHardwareDevice;
    DeviceRecord& record = adapter.devices[chosen];

    record.currentMode = NoModeChosen;
    if (adapter.userWidth != 0) {
        record.currentMode = FindModeIndex(record.modes, record.modeCount, adapter.userWidth,
                                           adapter.userHeight, adapter.userFormat);
    }
    if (record.currentMode == NoModeChosen) {
        record.currentMode =
            AutomaticModeIndex(record.modes, record.modeCount, record.deviceType == D3DDEVTYPE_SW,
                               adapter.desktopMode.Width, adapter.desktopMode.Height);
    }

    bool steppedDown = false;
    for (;;) {
        const ModeRecord& mode = record.modes[record.currentMode];
        screen.deviceType = record.deviceType;
        screen.behaviourFlags = mode.behaviourFlags;
        screen.monitorIndex = adapter.monitorIndex;
        D3DPRESENT_PARAMETERS& pp = screen.presentParameters;
        pp = D3DPRESENT_PARAMETERS{};
        pp.BackBufferWidth = mode.width;
        pp.BackBufferHeight = mode.height;
        pp.BackBufferFormat = mode.format;
        pp.BackBufferCount = 1;
        pp.MultiSampleType = D3DMULTISAMPLE_NONE;
        pp.SwapEffect = fullScreenSwapEffect;
        pp.hDeviceWindow = adapter.deviceWindow;
        pp.Windowed = FALSE;
        pp.EnableAutoDepthStencil = useDepthBuffer;
        pp.AutoDepthStencilFormat = mode.depthFormat;
        pp.Flags = presentFlags;
        pp.FullScreen_RefreshRateInHz = D3DPRESENT_RATE_DEFAULT;
        pp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;

        HRESULT hr = direct3d->CreateDevice(static_cast<UINT>(a), record.deviceType, window,
                                            screen.behaviourFlags, &pp, &screen.device);
        if (SUCCEEDED(hr)) {
            hr = AcceptMode(screen.device);
            if (FAILED(hr)) {
                screen.device->Release();
                screen.device = nullptr;
            }
        }
        if (SUCCEEDED(hr)) break;
        screen.device = nullptr;
        if (!StepDownMode(record)) return hr;
        steppedDown = true;
    }

    if (steppedDown && registryPath[0] != '\0') {
        const ModeRecord& mode = record.modes[record.currentMode];
        adapter.userWidth = mode.width;
        adapter.userHeight = mode.height;
        adapter.userFormat = mode.format;
        SaveSteppedDownMode(adapter, adapter.monitorIndex);
    }
    return S_OK;
}

// Remembers the mode that worked after stepping down, so the next start uses
// it directly and the Display Settings dialog shows it.
void CD3DScreensaver::SaveSteppedDownMode(const AdapterRecord& adapter, int monitorIndex) {
    HKEY saverKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, registryPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &saverKey, nullptr) != ERROR_SUCCESS) {
        return;
    }
    char screenName[32];
    std::snprintf(screenName, sizeof(screenName), "Screen %d", monitorIndex + 1);
    HKEY screenKey = nullptr;
    if (RegCreateKeyExA(saverKey, screenName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &screenKey, nullptr) == ERROR_SUCCESS) {
        const DWORD width = adapter.userWidth;
        const DWORD height = adapter.userHeight;
        const DWORD format = static_cast<DWORD>(adapter.userFormat);
        RegSetValueExA(screenKey, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width),
                       sizeof(width));
        RegSetValueExA(screenKey, "Height", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&height),
                       sizeof(height));
        RegSetValueExA(screenKey, "Format", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&format),
                       sizeof(format));
        RegSetValueExA(screenKey, "Adapter ID", 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(&adapter.identifier.DeviceIdentifier),
                       sizeof(GUID));
        RegCloseKey(screenKey);
    }
    RegCloseKey(saverKey);
}

BOOL CD3DScreensaver::StepDownMode(DeviceRecord& record) {
    UINT current = record.currentMode;
    if (!StepDownModeIndex(record.modes, record.modeCount, &current)) return FALSE;
    record.currentMode = current;
    return TRUE;
}

HRESULT CD3DScreensaver::CreateWindowedDevice(ScreenDevice& screen) {
    const int a = screen.adapterIndex;
    if (a < 0 || static_cast<DWORD>(a) >= adapterCount || adapters[a] == nullptr) return E_FAIL;
    AdapterRecord& adapter = *adapters[a];

    adapter.currentDevice = NoModeChosen;
    for (DWORD d = 0; d < adapter.deviceCount; ++d) {
        const DeviceRecord& record = adapter.devices[d];
        if (record.deviceType == D3DDEVTYPE_HAL && !adapter.disableHardware &&
            record.canDoWindowed) {
            adapter.currentDevice = d;
            break;
        }
        if (record.deviceType == D3DDEVTYPE_SW && record.canDoWindowed) {
            adapter.currentDevice = d;
        } else if (record.deviceType == D3DDEVTYPE_REF && allowReference &&
                   (adapter.currentDevice == NoModeChosen ||
                    adapter.devices[adapter.currentDevice].deviceType != D3DDEVTYPE_SW)) {
            adapter.currentDevice = d;
        }
    }
    if (adapter.currentDevice == NoModeChosen) return SaverErrNoHardwareDevice;
    const DeviceRecord& record = adapter.devices[adapter.currentDevice];

    const D3DFORMAT candidates[] = {adapter.desktopMode.Format, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,
                                    D3DFMT_A1R5G5B5, D3DFMT_R5G6B5};
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    for (D3DFORMAT candidate : candidates) {
        if (SUCCEEDED(TestWindowedFormat(static_cast<UINT>(a), candidate))) {
            backBufferFormat = candidate;
            break;
        }
    }
    if (backBufferFormat == D3DFMT_UNKNOWN) return E_FAIL;

    screen.monitorIndex = adapter.monitorIndex;
    screen.deviceType = record.deviceType;
    screen.behaviourFlags = windowedBehaviourFlags;
    D3DPRESENT_PARAMETERS& pp = screen.presentParameters;
    pp = D3DPRESENT_PARAMETERS{};
    pp.BackBufferWidth = 0;
    pp.BackBufferHeight = 0;
    pp.BackBufferFormat = backBufferFormat;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = windowedSwapEffect;
    pp.hDeviceWindow = adapter.deviceWindow;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = useDepthBuffer;
    pp.AutoDepthStencilFormat = windowedDepthFormat;
    pp.Flags = presentFlags;
    pp.FullScreen_RefreshRateInHz = 0;
    pp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

    const HRESULT hr = direct3d->CreateDevice(static_cast<UINT>(a), record.deviceType, window,
                                              screen.behaviourFlags, &pp, &screen.device);
    if (FAILED(hr)) screen.device = nullptr;
    return hr;
}

HRESULT CD3DScreensaver::TestWindowedFormat(UINT adapterIndex, D3DFORMAT backBufferFormat) {
    AdapterRecord& adapter = *adapters[adapterIndex];
    DeviceRecord& record = adapter.devices[adapter.currentDevice];
    HRESULT hr = direct3d->CheckDeviceType(adapterIndex, record.deviceType,
                                           adapter.desktopMode.Format, backBufferFormat, TRUE);
    if (FAILED(hr)) return hr;
    DWORD flags = 0;
    if (FAILED(ConfirmBehaviour(record.caps, backBufferFormat, &flags))) return E_FAIL;
    if (multithreaded) flags |= D3DCREATE_MULTITHREADED;
    D3DFORMAT depthFormat = D3DFMT_UNKNOWN;
    if (useDepthBuffer &&
        !FindDepthFormat(adapterIndex, record.deviceType, backBufferFormat, &depthFormat)) {
        return E_FAIL;
    }
    windowedBehaviourFlags = flags;
    windowedDepthFormat = depthFormat;
    return S_OK;
}

void CD3DScreensaver::DescribeDevice() {
    for (DWORD i = 0; i < screenDeviceCount; ++i) {
        ScreenDevice& screen = screenDevices[i];
        const bool hal = screen.deviceType == D3DDEVTYPE_HAL;
        const DWORD flags = screen.behaviourFlags;
        const char* suffix = "";
        if ((flags & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (flags & D3DCREATE_PUREDEVICE)) {
            suffix = hal ? " (pure hw vp)" : " (simulated pure hw vp)";
        } else if (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING) {
            suffix = hal ? " (hw vp)" : " (simulated hw vp)";
        } else if (flags & D3DCREATE_MIXED_VERTEXPROCESSING) {
            suffix = hal ? " (mixed vp)" : " (simulated mixed vp)";
        } else if (flags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) {
            suffix = " (sw vp)";
        }
        // A long adapter description is cut at the buffer's end.
        const int length =
            hal ? std::snprintf(screen.deviceStatsText, sizeof(screen.deviceStatsText),
                                "%s%s: %.299s", TypeName(screen.deviceType), suffix,
                                adapters[screen.adapterIndex]->identifier.Description)
                : std::snprintf(screen.deviceStatsText, sizeof(screen.deviceStatsText), "%s%s",
                                TypeName(screen.deviceType), suffix);
        if (length < 0) screen.deviceStatsText[0] = '\0';
    }
}
