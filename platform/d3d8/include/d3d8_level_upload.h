// Whole-level uploads: this platform's way for a texture loader to give a
// level of a Direct3D 8 texture its texels in one call, without the copy in
// system memory that a lock makes. Textures of the device answer
// QueryInterface(IID_IDirect3DLevelUpload8) with it; textures that keep
// their levels in system memory (dynamic ones, V8U8) do not, and are locked
// as usual.
#pragma once

#include <d3d8.h>

inline constexpr GUID IID_IDirect3DLevelUpload8 = {
    0x6f1d3b2a, 0x5c4e, 0x4a7b, {0x9d, 0x21, 0x3e, 0x8c, 0x51, 0x07, 0xa4, 0xd6}};

struct IDirect3DLevelUpload8 : public IUnknown {
    // Replaces every texel of `level` with texels of the texture's format,
    // rows `pitch` bytes apart. D3DERR_INVALIDCALL for a level that does not
    // exist or is locked, or a pitch shorter than a row or not a whole
    // number of texels.
    virtual HRESULT STDMETHODCALLTYPE UploadLevel(UINT level, const void* texels, UINT pitch) = 0;
};
