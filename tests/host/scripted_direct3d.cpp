#include "tests/host/scripted_direct3d.h"

#include <cstdio>

namespace {

// The back buffer a scripted device hands out: only its description matters.
class ScriptedSurface : public IDirect3DSurface8 {
public:
    explicit ScriptedSurface(const D3DPRESENT_PARAMETERS& p) {
        desc_.Format = p.BackBufferFormat;
        desc_.Width = p.BackBufferWidth;
        desc_.Height = p.BackBufferHeight;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = desc_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRect() override { return E_NOTIMPL; }

private:
    ULONG references_ = 1;
    D3DSURFACE_DESC desc_ = {};
};

const char* TypeText(D3DDEVTYPE type) {
    return type == D3DDEVTYPE_HAL ? "HAL" : type == D3DDEVTYPE_SW ? "SW" : "REF";
}

}  // namespace

ScriptedDirect3D::~ScriptedDirect3D() {
    for (ScriptedDevice* device : createdDevices) delete device;
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

HRESULT ScriptedDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (Formats(adapter, type).empty()) return D3DERR_NOTAVAILABLE;
    *caps = D3DCAPS8{};
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    caps->DevCaps = type == D3DDEVTYPE_HAL ? adapters.at(adapter).devCaps : 0;
    caps->Caps2 = adapters.at(adapter).caps2;
    return S_OK;
}

HRESULT ScriptedDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND, DWORD flags,
                                       D3DPRESENT_PARAMETERS* p, IDirect3DDevice8** device) {
    char line[160];
    std::snprintf(line, sizeof(line), "CreateDevice %u %s %ux%u fmt %d flags 0x%x%s", adapter,
                  TypeText(type), p->BackBufferWidth, p->BackBufferHeight,
                  static_cast<int>(p->BackBufferFormat), static_cast<unsigned>(flags),
                  p->Windowed ? " windowed" : "");
    log_->push_back(line);
    *device = nullptr;
    if (FAILED(createResult)) return createResult;
    if (adapters.at(adapter).failingSizes.count({p->BackBufferWidth, p->BackBufferHeight})) {
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    std::snprintf(line, sizeof(line), "device%zu", createdDevices.size());
    auto* created = new ScriptedDevice(log_, line, *p);
    createdDevices.push_back(created);
    *device = created;
    return S_OK;
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
