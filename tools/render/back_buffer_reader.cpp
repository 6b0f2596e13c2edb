#include "tools/render/back_buffer_reader.h"

#include <cstdio>
#include <cstring>

namespace {

// A channel of `bits` bits widened to 8, rounded.
uint32_t Widen(uint32_t value, int bits) {
    const uint32_t top = (1u << bits) - 1;
    return (value * 255 + top / 2) / top;
}

// One pixel of `format` at `p` as 0xFFRRGGBB.
uint32_t Convert(D3DFORMAT format, const BYTE* p) {
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) {
        uint32_t v;
        std::memcpy(&v, p, sizeof(v));
        return 0xFF000000u | v;
    }
    const uint32_t v = p[0] | (p[1] << 8);
    if (format == D3DFMT_R5G6B5)
        return 0xFF000000u | Widen(v >> 11, 5) << 16 | Widen((v >> 5) & 63, 6) << 8 |
               Widen(v & 31, 5);
    return 0xFF000000u | Widen((v >> 10) & 31, 5) << 16 | Widen((v >> 5) & 31, 5) << 8 |
           Widen(v & 31, 5);
}

size_t BytesPerPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_X8R8G8B8:
        case D3DFMT_A8R8G8B8:
            return 4;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            return 2;
        default:
            return 0;
    }
}

}  // namespace

bool ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>* pixels, unsigned* width,
                    unsigned* height) {
    IDirect3DSurface8* surface = nullptr;
    HRESULT hr = device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &surface);
    if (FAILED(hr) || surface == nullptr) {
        std::fprintf(stderr, "velmora-render: no back buffer (error 0x%08X)\n",
                     static_cast<unsigned>(hr));
        return false;
    }
    D3DSURFACE_DESC desc = {};
    surface->GetDesc(&desc);
    const size_t bytes = BytesPerPixel(desc.Format);
    D3DLOCKED_RECT locked = {};
    hr = bytes == 0 ? D3DERR_WRONGTEXTUREFORMAT
                    : surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        std::fprintf(stderr,
                     "velmora-render: cannot lock the back buffer (format %d, error 0x%08X)\n",
                     static_cast<int>(desc.Format), static_cast<unsigned>(hr));
        surface->Release();
        return false;
    }
    pixels->resize(static_cast<size_t>(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        const BYTE* row =
            static_cast<const BYTE*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        for (UINT x = 0; x < desc.Width; ++x)
            (*pixels)[static_cast<size_t>(y) * desc.Width + x] =
                Convert(desc.Format, row + x * bytes);
    }
    surface->UnlockRect();
    surface->Release();
    *width = desc.Width;
    *height = desc.Height;
    return true;
}
