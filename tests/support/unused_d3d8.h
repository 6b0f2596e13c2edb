// Bases for the Direct3D test doubles: every method a double does not
// override answers E_NOTIMPL (or zero), so a call the code under test should
// not make shows up as a failure. Doubles add IUnknown (Counted, or a count of
// their own) and override what they stand in for.
#pragma once

#include <d3d8.h>

#include <type_traits>

#include "tests/support/d3d8_device_methods.h"

namespace test_doubles {

template <typename... Args>
constexpr void Ignore(const Args&...) {}

// What a method nobody overrode returns: `Answer` as a result, else zero.
template <typename Result, HRESULT Answer>
constexpr Result Unanswered() {
    if constexpr (std::is_same_v<Result, HRESULT>) {
        return Answer;
    } else {
        return Result{};
    }
}

}  // namespace test_doubles

// A COM reference count; the object deletes itself with its last reference.
template <typename Base>
class Counted : public Base {
public:
    using Base::Base;
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
};

class UnusedDirect3D : public IDirect3D8 {
public:
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
    UINT STDMETHODCALLTYPE GetAdapterCount() override { return 0; }
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER8*) override {
        return E_NOTIMPL;
    }
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT) override { return 0; }
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT, UINT, D3DDISPLAYMODE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                              BOOL) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE,
                                                D3DFORMAT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                         D3DMULTISAMPLE_TYPE) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                                     D3DFORMAT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS8*) override {
        return E_NOTIMPL;
    }
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT) override { return nullptr; }
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                           IDirect3DDevice8**) override {
        return E_NOTIMPL;
    }
};

// A device whose every method answers `Answer` (zero where it returns a
// count); UnusedDevice answers E_NOTIMPL.
template <HRESULT Answer>
class AnsweringDevice : public IDirect3DDevice8 {
public:
#define VELMORA_ANSWER(Result, Name, Parameters, Arguments) \
    Result STDMETHODCALLTYPE Name Parameters override {     \
        test_doubles::Ignore Arguments;                     \
        return test_doubles::Unanswered<Result, Answer>();  \
    }
    VELMORA_D3D8_DEVICE_METHODS(VELMORA_ANSWER)
#undef VELMORA_ANSWER
};

using UnusedDevice = AnsweringDevice<E_NOTIMPL>;

class UnusedSurface : public IDirect3DSurface8 {
public:
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT*, const RECT*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRect() override { return E_NOTIMPL; }
};

// The IDirect3DResource8 part of a resource double.
template <typename Interface, D3DRESOURCETYPE Type>
class UnusedResource : public Interface {
public:
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return Type; }
};

class UnusedTexture : public UnusedResource<IDirect3DTexture8, D3DRTYPE_TEXTURE> {
public:
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return 0; }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT, D3DSURFACE_DESC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT, D3DLOCKED_RECT*, const RECT*, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }
};

// Vertex and index buffers share one shape; Desc is their description.
template <typename Interface, typename Desc, D3DRESOURCETYPE Type>
class UnusedBuffer : public UnusedResource<Interface, Type> {
public:
    HRESULT STDMETHODCALLTYPE Lock(UINT, UINT, BYTE**, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unlock() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDesc(Desc*) override { return E_NOTIMPL; }
};

using UnusedVertexBuffer =
    UnusedBuffer<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
using UnusedIndexBuffer =
    UnusedBuffer<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;
