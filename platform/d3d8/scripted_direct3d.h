// A Direct3D object whose adapters, device types, modes, format support and
// creation results are given by a script, so the host's adapter, device and
// mode selection can be tested on any machine. Devices it creates
// successfully are real devices on the given window (no display mode change).
#pragma once

#include <d3d8.h>

#include <vector>

struct ScriptedDeviceType {
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    D3DCAPS8 caps{};
    // Formats accepted by CheckDeviceType as display and back-buffer format
    // in full screen.
    std::vector<D3DFORMAT> fullScreenFormats;
    // Back-buffer formats accepted in a window (on the desktop's format).
    std::vector<D3DFORMAT> windowedFormats;
    // Depth formats accepted by CheckDeviceFormat and CheckDepthStencilMatch.
    std::vector<D3DFORMAT> depthFormats;
};

struct ScriptedAdapter {
    D3DADAPTER_IDENTIFIER8 identifier{};
    D3DDISPLAYMODE desktopMode{};
    HMONITOR monitor = nullptr;
    std::vector<D3DDISPLAYMODE> modes;
    std::vector<ScriptedDeviceType> deviceTypes;
};

// One CreateDevice call as the object received it.
struct ScriptedCreateCall {
    UINT adapter;
    D3DDEVTYPE type;
    HWND focusWindow;
    DWORD behaviorFlags;
    D3DPRESENT_PARAMETERS parameters;
};

struct Direct3DScript {
    std::vector<ScriptedAdapter> adapters;
    // Results of the CreateDevice calls in order; once used up every call
    // succeeds. A success creates a real device.
    std::vector<HRESULT> createResults;
};

// Creates the scripted object. `calls`, when given, receives every
// CreateDevice call and must outlive the object.
IDirect3D8* CreateScriptedDirect3D8(const Direct3DScript& script,
                                    std::vector<ScriptedCreateCall>* calls);
