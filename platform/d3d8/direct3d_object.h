// The Direct3D object: one adapter per monitor of the Win32 layer, offering a
// HAL device drawn by the GL renderer.
#pragma once

#include <d3d8.h>

#include <vector>

#include "platform/d3d8/live_objects.h"

namespace d3d8 {

struct AdapterInfo {
    RECT rect{};      // the monitor's, in virtual-screen coordinates
    int display = 0;  // the SDL display it lies on
    D3DADAPTER_IDENTIFIER8 identifier{};
    D3DDISPLAYMODE desktopMode{};
    std::vector<D3DDISPLAYMODE> modes;
};

// What the GL renderer reports, read once from a probe context.
struct RendererInfo {
    char renderer[256] = {};
    char vendor[256] = {};
    char version[256] = {};
    int maxTextureSize = 0;
    float maxPointSize = 0.0f;
};

// The HAL capabilities for a renderer.
D3DCAPS8 HalCaps(UINT adapter, const RendererInfo& renderer);

class Direct3D8 : public IDirect3D8 {
public:
    // Null when SDL's video system or a GL 3.3 core context is unavailable.
    static Direct3D8* Create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* pInitializeFunction) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                                   D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT Adapter) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT Adapter, UINT Mode,
                                               D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType,
                                              D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                                              BOOL Windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType,
                                                D3DFORMAT AdapterFormat, DWORD Usage,
                                                D3DRESOURCETYPE RType,
                                                D3DFORMAT CheckFormat) override;
    HRESULT STDMETHODCALLTYPE
    CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat,
                               BOOL Windowed, D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                                     D3DFORMAT AdapterFormat,
                                                     D3DFORMAT RenderTargetFormat,
                                                     D3DFORMAT DepthStencilFormat) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType,
                                            D3DCAPS8* pCaps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT Adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                           DWORD BehaviorFlags,
                                           D3DPRESENT_PARAMETERS* pPresentationParameters,
                                           IDirect3DDevice8** ppReturnedDeviceInterface) override;

private:
    Direct3D8() = default;
    ~Direct3D8() override;

    LiveObject live_;
    ULONG references_ = 1;
    RendererInfo renderer_;
    std::vector<AdapterInfo> adapters_;
};

// Format checks shared with scripted objects.
bool IsDisplayFormat(D3DFORMAT format);
bool IsSupportedDepthFormat(D3DFORMAT format);

}  // namespace d3d8
