// A Direct3D object that follows a script: adapters with their modes,
// formats and capabilities, device creations that fail as told, and devices
// that report lost or need a reset. Every creation, reset, present and final
// release is written to a shared log. The devices it makes draw nothing,
// unless `realDevices` asks for real devices of the Direct3D 8 stand-in on
// the given window (without a display mode change).
#pragma once

#include <windows.h>
#include <d3d8.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/unused_d3d8.h"

struct ScriptedAdapter {
    D3DDISPLAYMODE desktop = {1280, 1024, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> modes;
    HMONITOR monitor = nullptr;
    std::string description = "Scripted adapter";
    GUID deviceIdentifier = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    // Back-buffer formats each device type accepts in CheckDeviceType; a type
    // with none fails GetDeviceCaps as a missing rasteriser does.
    std::set<int> halFormats;
    std::set<int> swFormats;
    std::set<int> refFormats;
    DWORD devCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;  // of the HAL type
    DWORD caps2 = D3DCAPS2_CANRENDERWINDOWED;
    // Depth formats CheckDeviceFormat (depth-stencil use) and
    // CheckDepthStencilMatch accept.
    std::set<int> depthFormats = {D3DFMT_D16, D3DFMT_D24X8};
    // Texture formats CheckDeviceFormat accepts for any other use.
    std::set<int> textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                    D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                    D3DFMT_V8U8};
    // Sizes (width, height) in which creation fails with
    // D3DERR_OUTOFVIDEOMEMORY.
    std::set<std::pair<UINT, UINT>> failingSizes;
};

class ScriptedDevice;

class ScriptedDirect3D : public UnusedDirect3D {
public:
    explicit ScriptedDirect3D(std::vector<std::string>* log) : log_(log) {}
    ~ScriptedDirect3D() override;

    std::vector<ScriptedAdapter> adapters;
    std::vector<ScriptedDevice*> createdDevices;  // owned, in creation order
    // Results of the first CreateDevice calls, in order; a failure is
    // returned as it is, and once they are used up the script decides.
    std::vector<HRESULT> createResults;
    bool realDevices = false;
    ULONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return static_cast<UINT>(adapters.size()); }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD,
                                                   D3DADAPTER_IDENTIFIER8* id) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter) override {
        return static_cast<UINT>(adapters.at(adapter).modes.size());
    }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, UINT mode,
                                               D3DDISPLAYMODE* out) override {
        *out = adapters.at(adapter).modes.at(mode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) override {
        *out = adapters.at(adapter).desktop;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display,
                                              D3DFORMAT backBuffer, BOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE, D3DFORMAT, DWORD usage,
                                                D3DRESOURCETYPE, D3DFORMAT check) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                         D3DMULTISAMPLE_TYPE) override {
        return D3DERR_NOTAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                                     D3DFORMAT depth) override {
        return adapters.at(adapter).depthFormats.count(depth) ? S_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override {
        return adapters.at(adapter).monitor;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                           D3DPRESENT_PARAMETERS* parameters,
                                           IDirect3DDevice8** device) override;

private:
    const std::set<int>& Formats(UINT adapter, D3DDEVTYPE type);
    HRESULT CreateRealDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                             D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device);
    std::vector<std::string>* log_;
    size_t createCalls_ = 0;
    bool videoStarted_ = false;
};

// A device that draws nothing; tests set what TestCooperativeLevel and Reset
// answer.
class ScriptedDevice : public UnusedDevice {
public:
    ScriptedDevice(std::vector<std::string>* log, std::string name,
                   const D3DPRESENT_PARAMETERS& parameters)
        : log_(log), name_(std::move(name)), parameters_(parameters) {}

    HRESULT cooperativeLevel = S_OK;
    HRESULT resetResult = S_OK;
    ULONG references = 1;
    int presents = 0;
    const D3DPRESENT_PARAMETERS& parameters() const { return parameters_; }
    const std::string& name() const { return name_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override { return cooperativeLevel; }
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS*) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* destination, HWND,
                                      const RGNDATA* dirty) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT, D3DBACKBUFFER_TYPE,
                                            IDirect3DSurface8** surface) override;

    // The frame calls the host makes around drawing succeed; everything else
    // is not used by the host.
    HRESULT STDMETHODCALLTYPE BeginScene() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndScene() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE, const D3DMATRIX*) override {
        return S_OK;
    }

private:
    std::vector<std::string>* log_;
    std::string name_;
    D3DPRESENT_PARAMETERS parameters_;
};
