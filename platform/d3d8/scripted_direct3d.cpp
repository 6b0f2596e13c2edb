#include "platform/d3d8/scripted_direct3d.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d8/device.h"
#include "platform/d3d8/live_objects.h"

namespace {

bool Contains(const std::vector<D3DFORMAT>& list, D3DFORMAT format) {
    return std::find(list.begin(), list.end(), format) != list.end();
}

class ScriptedDirect3D8 : public IDirect3D8 {
public:
    ScriptedDirect3D8(const Direct3DScript& script, std::vector<ScriptedCreateCall>* calls)
        : script_(script), calls_(calls) {
        SDL_InitSubSystem(SDL_INIT_VIDEO);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override {
        (void)riid;
        if (ppvObj) *ppvObj = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return D3DERR_NOTAVAILABLE; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override {
        return static_cast<UINT>(script_.adapters.size());
    }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT Adapter, DWORD,
                                                   D3DADAPTER_IDENTIFIER8* pIdentifier) override {
        if (!Valid(Adapter) || !pIdentifier) return D3DERR_INVALIDCALL;
        *pIdentifier = script_.adapters[Adapter].identifier;
        return D3D_OK;
    }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT Adapter) override {
        return Valid(Adapter) ? static_cast<UINT>(script_.adapters[Adapter].modes.size()) : 0;
    }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT Adapter, UINT Mode,
                                               D3DDISPLAYMODE* pMode) override {
        if (!Valid(Adapter) || !pMode || Mode >= script_.adapters[Adapter].modes.size())
            return D3DERR_INVALIDCALL;
        *pMode = script_.adapters[Adapter].modes[Mode];
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override {
        if (!Valid(Adapter) || !pMode) return D3DERR_INVALIDCALL;
        *pMode = script_.adapters[Adapter].desktopMode;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType,
                                              D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                                              BOOL Windowed) override {
        if (!Valid(Adapter)) return D3DERR_INVALIDCALL;
        const ScriptedDeviceType* type = Type(Adapter, CheckType);
        if (!type) return D3DERR_NOTAVAILABLE;
        if (Windowed)
            return DisplayFormat == script_.adapters[Adapter].desktopMode.Format &&
                           Contains(type->windowedFormats, BackBufferFormat)
                       ? D3D_OK
                       : D3DERR_NOTAVAILABLE;
        return DisplayFormat == BackBufferFormat && Contains(type->fullScreenFormats, DisplayFormat)
                   ? D3D_OK
                   : D3DERR_NOTAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT,
                                                DWORD Usage, D3DRESOURCETYPE,
                                                D3DFORMAT CheckFormat) override {
        if (!Valid(Adapter)) return D3DERR_INVALIDCALL;
        const ScriptedDeviceType* type = Type(Adapter, DeviceType);
        if (!type) return D3DERR_NOTAVAILABLE;
        if (Usage & D3DUSAGE_DEPTHSTENCIL)
            return Contains(type->depthFormats, CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                         D3DMULTISAMPLE_TYPE type) override {
        if (!Valid(Adapter)) return D3DERR_INVALIDCALL;
        return type == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT,
                                                     D3DFORMAT,
                                                     D3DFORMAT DepthStencilFormat) override {
        if (!Valid(Adapter)) return D3DERR_INVALIDCALL;
        const ScriptedDeviceType* type = Type(Adapter, DeviceType);
        return type && Contains(type->depthFormats, DepthStencilFormat) ? D3D_OK
                                                                        : D3DERR_NOTAVAILABLE;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType,
                                            D3DCAPS8* pCaps) override {
        if (!Valid(Adapter) || !pCaps) return D3DERR_INVALIDCALL;
        const ScriptedDeviceType* type = Type(Adapter, DeviceType);
        if (!type) {
            std::memset(pCaps, 0, sizeof *pCaps);
            return D3DERR_NOTAVAILABLE;
        }
        *pCaps = type->caps;
        return D3D_OK;
    }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT Adapter) override {
        return Valid(Adapter) ? script_.adapters[Adapter].monitor : nullptr;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                           DWORD BehaviorFlags,
                                           D3DPRESENT_PARAMETERS* pPresentationParameters,
                                           IDirect3DDevice8** ppReturnedDeviceInterface) override {
        if (!ppReturnedDeviceInterface) return D3DERR_INVALIDCALL;
        *ppReturnedDeviceInterface = nullptr;
        if (!Valid(Adapter) || !pPresentationParameters) return D3DERR_INVALIDCALL;
        if (calls_)
            calls_->push_back(
                {Adapter, DeviceType, hFocusWindow, BehaviorFlags, *pPresentationParameters});
        if (nextResult_ < script_.createResults.size()) {
            HRESULT scripted = script_.createResults[nextResult_++];
            if (FAILED(scripted)) return scripted;
        }
        const ScriptedDeviceType* type = Type(Adapter, DeviceType);
        if (!type) return D3DERR_NOTAVAILABLE;
        d3d8::DeviceCreation creation;
        creation.parent = this;
        creation.adapter = Adapter;
        creation.type = DeviceType;
        creation.focusWindow = hFocusWindow;
        creation.behaviorFlags = BehaviorFlags;
        creation.caps = type->caps;
        creation.desktopMode = script_.adapters[Adapter].desktopMode;
        creation.switchDisplay = false;
        HRESULT hr = D3DERR_NOTAVAILABLE;
        d3d8::Device8* device = d3d8::Device8::Create(creation, pPresentationParameters, &hr);
        if (!device) return hr;
        *ppReturnedDeviceInterface = device;
        return D3D_OK;
    }

private:
    ~ScriptedDirect3D8() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
    bool Valid(UINT adapter) const { return adapter < script_.adapters.size(); }
    const ScriptedDeviceType* Type(UINT adapter, D3DDEVTYPE type) const {
        for (const auto& t : script_.adapters[adapter].deviceTypes)
            if (t.type == type) return &t;
        return nullptr;
    }

    d3d8::LiveObject live_;
    ULONG references_ = 1;
    Direct3DScript script_;
    std::vector<ScriptedCreateCall>* calls_;
    size_t nextResult_ = 0;
};

}  // namespace

IDirect3D8* CreateScriptedDirect3D8(const Direct3DScript& script,
                                    std::vector<ScriptedCreateCall>* calls) {
    return new ScriptedDirect3D8(script, calls);
}
