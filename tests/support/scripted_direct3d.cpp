#include "tests/support/scripted_direct3d.h"

#include <SDL.h>

#include <cstdio>

#include "platform/d3d8/device.h"

namespace {

// The back buffer a scripted device hands out: only its description matters.
class ScriptedSurface : public Counted<UnusedSurface> {
public:
    explicit ScriptedSurface(const D3DPRESENT_PARAMETERS& p) {
        desc_.Format = p.BackBufferFormat;
        desc_.Width = p.BackBufferWidth;
        desc_.Height = p.BackBufferHeight;
    }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = desc_;
        return S_OK;
    }

private:
    D3DSURFACE_DESC desc_ = {};
};

const char* TypeText(D3DDEVTYPE type) {
    return type == D3DDEVTYPE_HAL ? "HAL" : type == D3DDEVTYPE_SW ? "SW" : "REF";
}

}  // namespace

ScriptedDirect3D::~ScriptedDirect3D() {
    for (ScriptedDevice* device : createdDevices) delete device;
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

HRESULT ScriptedDirect3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* id) {
    *id = D3DADAPTER_IDENTIFIER8{};
    std::snprintf(id->Description, sizeof(id->Description), "%s",
                  adapters.at(adapter).description.c_str());
    id->DeviceIdentifier = adapters.at(adapter).deviceIdentifier;
    return S_OK;
}

const std::set<int>& ScriptedDirect3D::Formats(UINT adapter, D3DDEVTYPE type) {
    const ScriptedAdapter& a = adapters.at(adapter);
    return type == D3DDEVTYPE_HAL  ? a.halFormats
           : type == D3DDEVTYPE_SW ? a.swFormats
                                   : a.refFormats;
}

HRESULT ScriptedDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT,
                                          D3DFORMAT backBuffer, BOOL) {
    return Formats(adapter, type).count(backBuffer) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT ScriptedDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE, D3DFORMAT, DWORD usage,
                                            D3DRESOURCETYPE, D3DFORMAT check) {
    const ScriptedAdapter& a = adapters.at(adapter);
    const std::set<int>& formats =
        (usage & D3DUSAGE_DEPTHSTENCIL) ? a.depthFormats : a.textureFormats;
    return formats.count(check) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT ScriptedDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (Formats(adapter, type).empty()) return D3DERR_NOTAVAILABLE;
    *caps = D3DCAPS8{};
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    caps->DevCaps = type == D3DDEVTYPE_HAL ? adapters.at(adapter).devCaps : 0;
    caps->Caps2 = adapters.at(adapter).caps2;
    return S_OK;
}

HRESULT ScriptedDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                       D3DPRESENT_PARAMETERS* p, IDirect3DDevice8** device) {
    char line[160];
    std::snprintf(line, sizeof(line), "CreateDevice %u %s %ux%u fmt %d flags 0x%x%s", adapter,
                  TypeText(type), p->BackBufferWidth, p->BackBufferHeight,
                  static_cast<int>(p->BackBufferFormat), static_cast<unsigned>(flags),
                  p->Windowed ? " windowed" : "");
    log_->push_back(line);
    *device = nullptr;
    const size_t call = createCalls_++;
    if (call < createResults.size() && FAILED(createResults[call])) return createResults[call];
    if (adapters.at(adapter).failingSizes.count({p->BackBufferWidth, p->BackBufferHeight})) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    if (realDevices) return CreateRealDevice(adapter, type, focus, flags, p, device);
    std::snprintf(line, sizeof(line), "device%zu", createdDevices.size());
    auto* created = new ScriptedDevice(log_, line, *p);
    createdDevices.push_back(created);
    *device = created;
    return S_OK;
}

HRESULT ScriptedDirect3D::CreateRealDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                           D3DPRESENT_PARAMETERS* parameters,
                                           IDirect3DDevice8** device) {
    if (!videoStarted_) videoStarted_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    d3d8::DeviceCreation creation;
    creation.parent = this;
    creation.adapter = adapter;
    creation.type = type;
    creation.focusWindow = focus;
    creation.behaviorFlags = flags;
    HRESULT result = GetDeviceCaps(adapter, type, &creation.caps);
    if (FAILED(result)) return result;
    creation.desktopMode = adapters.at(adapter).desktop;
    // The script's modes do not exist on the display.
    creation.switchDisplay = false;
    d3d8::Device8* made = d3d8::Device8::Create(creation, parameters, &result);
    if (!made) return result;
    *device = made;
    return D3D_OK;
}

ULONG ScriptedDevice::Release() {
    const ULONG left = --references;
    if (left == 0) log_->push_back("Release " + name_);
    return left;
}

HRESULT ScriptedDevice::Reset(D3DPRESENT_PARAMETERS*) {
    log_->push_back("Reset " + name_);
    if (SUCCEEDED(resetResult)) cooperativeLevel = S_OK;
    return resetResult;
}

HRESULT ScriptedDevice::Present(const RECT* source, const RECT* destination, HWND,
                                const RGNDATA* dirty) {
    ++presents;
    log_->push_back(source == nullptr && destination == nullptr && dirty == nullptr
                        ? "Present " + name_
                        : "Present part of " + name_);
    return S_OK;
}

HRESULT ScriptedDevice::GetBackBuffer(UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface8** surface) {
    *surface = new ScriptedSurface(parameters_);
    return S_OK;
}
