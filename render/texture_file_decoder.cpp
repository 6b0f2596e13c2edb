// The texture cache's default decoder: JPEG, TGA and BMP files through D3DX.
#include <d3dx8.h>

#include "render/texture_cache.h"

namespace {

// Source pixels of exactly this colour become transparent black.
constexpr D3DCOLOR kTextureColorKey = 0x0FF00000;

// Mip chains stop at 15 levels.
constexpr UINT kTextureMipLevels = 15;

}  // namespace

HRESULT TextureCache::DecodeTextureFile(IDirect3DDevice8* device, const void* file, UINT size,
                                        IDirect3DTexture8** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(
        device, file, size, D3DX_DEFAULT, D3DX_DEFAULT, kTextureMipLevels, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, kTextureColorKey, nullptr, nullptr,
        texture);
}
