// A Direct3D 8 device in memory for the D3DX tests: textures are byte arrays
// whose levels can be locked and inspected, the capabilities and the formats
// the device takes can be set, and failures can be injected.
#pragma once

#include "tests/support/unused_d3d8.h"

#include <set>
#include <vector>

// Bytes per texel of the formats the tests use.
inline UINT FakeTexelSize(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_L8:
            return 1;
        default:
            return 2;
    }
}

// The COM reference count shared by the doubles.
template <typename Base>
struct Counted : public Base {
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
};

struct FakeLevel {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    INT pitch = 0;
    std::vector<uint8_t> bytes;
    bool locked = false;
    int lockCount = 0;

    FakeLevel(UINT w, UINT h, D3DFORMAT f) : width(w), height(h), format(f) {
        // Rows padded beyond their texels, so that code ignoring the pitch fails.
        pitch = static_cast<INT>(w * FakeTexelSize(f) + 12);
        bytes.assign(static_cast<size_t>(pitch) * h, 0xCD);
    }
    D3DSURFACE_DESC Desc(DWORD usage, D3DPOOL pool) const {
        return D3DSURFACE_DESC{
            format, D3DRTYPE_SURFACE, usage, pool, UINT(bytes.size()), D3DMULTISAMPLE_NONE, width,
            height};
    }
    HRESULT Lock(D3DLOCKED_RECT* out, const RECT* rect) {
        if (locked || !out) return D3DERR_INVALIDCALL;
        const LONG left = rect ? rect->left : 0, top = rect ? rect->top : 0;
        locked = true;
        ++lockCount;
        out->Pitch = pitch;
        out->pBits = bytes.data() + static_cast<size_t>(top) * pitch + left * FakeTexelSize(format);
        return D3D_OK;
    }
    HRESULT Unlock() {
        if (!locked) return D3DERR_INVALIDCALL;
        locked = false;
        return D3D_OK;
    }
    // The texel at (x, y) as a little-endian number of its size.
    uint32_t At(UINT x, UINT y) const {
        uint32_t v = 0;
        const uint8_t* p =
            bytes.data() + static_cast<size_t>(y) * pitch + x * FakeTexelSize(format);
        for (UINT i = 0; i < FakeTexelSize(format); ++i) v |= uint32_t(p[i]) << (8 * i);
        return v;
    }
};

struct FakeSurface : public Counted<IDirect3DSurface8> {
    FakeLevel level;
    FakeSurface(UINT w, UINT h, D3DFORMAT f) : level(w, h, f) {}
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = level.Desc(0, D3DPOOL_MANAGED);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD) override {
        return level.Lock(out, rect);
    }
    HRESULT STDMETHODCALLTYPE UnlockRect() override { return level.Unlock(); }
};

struct FakeTexture : public Counted<IDirect3DTexture8> {
    std::vector<FakeLevel> levels;
    DWORD usage;
    D3DPOOL pool;
    bool failLocks = false;
    int* live;

    FakeTexture(UINT w, UINT h, UINT count, DWORD u, D3DFORMAT f, D3DPOOL p, int* liveCounter)
        : usage(u), pool(p), live(liveCounter) {
        for (UINT i = 0; i < count; ++i)
            levels.emplace_back(std::max(1u, w >> i), std::max(1u, h >> i), f);
        ++*live;
    }
    ~FakeTexture() override { --*live; }

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8**) override { return E_NOTIMPL; }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
        if (level >= levels.size()) return D3DERR_INVALIDCALL;
        *desc = levels[level].Desc(usage, pool);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT, IDirect3DSurface8**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect,
                                       DWORD) override {
        if (failLocks || level >= levels.size()) return D3DERR_INVALIDCALL;
        return levels[level].Lock(out, rect);
    }
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override {
        if (level >= levels.size()) return D3DERR_INVALIDCALL;
        return levels[level].Unlock();
    }
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }
};

struct FakeDirect3D : public Counted<UnusedDirect3D> {
    std::set<D3DFORMAT> formats;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE,
                                                D3DFORMAT format) override {
        return formats.count(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
};

struct FakeDevice : public Counted<UnusedDevice> {
    D3DCAPS8 caps{};
    FakeDirect3D* d3d = new FakeDirect3D();
    int liveTextures = 0;
    int createCalls = 0;
    HRESULT createResult = D3D_OK;
    bool failLocks = false;
    FakeTexture* lastTexture = nullptr;
    struct {
        UINT width, height, levels;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
    } lastCreate{};

    FakeDevice() {
        caps.TextureCaps = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_ALPHA;
        caps.MaxTextureWidth = caps.MaxTextureHeight = 2048;
        d3d->formats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                        D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_V8U8};
    }
    ~FakeDevice() override { d3d->Release(); }

    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D8** out) override {
        d3d->AddRef();
        *out = d3d;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS8* out) override {
        *out = caps;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* mode) override {
        *mode = D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) override {
        *p = D3DDEVICE_CREATION_PARAMETERS{0, D3DDEVTYPE_HAL, nullptr,
                                           D3DCREATE_HARDWARE_VERTEXPROCESSING};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT w, UINT h, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DTexture8** out) override {
        ++createCalls;
        lastCreate = {w, h, levels, usage, format, pool};
        if (FAILED(createResult)) return createResult;
        if (levels == 0) levels = 1;
        lastTexture = new FakeTexture(w, h, levels, usage, format, pool, &liveTextures);
        lastTexture->failLocks = failLocks;
        *out = lastTexture;
        return D3D_OK;
    }
};
