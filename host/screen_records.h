// The host's tables of what it can draw with: per Direct3D adapter its device
// types and their modes, and per screen being drawn its device.
#pragma once

#include <windows.h>
#include <d3d8.h>

#include "host/display_modes.h"

constexpr DWORD MaxDeviceTypes = 3;

// One device type of an adapter and the modes it can run the scene in.
struct DeviceRecord {
    D3DDEVTYPE deviceType;
    D3DCAPS8 caps;
    const char* typeName;  // "HAL", "SW" or "REF"
    BOOL canDoWindowed;
    DWORD modeCount;
    ModeRecord modes[MaxDeviceModes];
    DWORD currentMode;  // NoModeChosen while none is chosen
    BOOL windowed;
    D3DMULTISAMPLE_TYPE multiSampleType;
};

// One Direct3D adapter, with the user's choices for it.
struct AdapterRecord {
    int monitorIndex;  // the monitor it drives, or -1
    D3DADAPTER_IDENTIFIER8 identifier;
    D3DDISPLAYMODE desktopMode;
    DWORD deviceCount;
    DeviceRecord devices[MaxDeviceTypes];
    BOOL hasHardware;
    BOOL hasCompatibleHardware;
    BOOL hasSoftware;
    BOOL hasCompatibleSoftware;
    DWORD userWidth;  // 0: Automatic
    DWORD userHeight;
    D3DFORMAT userFormat;
    BOOL leaveBlack;
    BOOL disableHardware;
    DWORD currentDevice;
    HWND deviceWindow;
};

// One screen being drawn: its device and the state of the scene's resources.
struct ScreenDevice {
    int adapterIndex;
    int monitorIndex;
    D3DDEVTYPE deviceType;
    DWORD behaviourFlags;
    IDirect3DDevice8* device;
    D3DPRESENT_PARAMETERS presentParameters;
    BOOL resourcesCreated;
    BOOL resourcesRestored;
    char deviceStatsText[90];
    char frameStatsText[40];
};
