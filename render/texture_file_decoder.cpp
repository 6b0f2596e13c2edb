// The texture cache's default decoder: JPEG, TGA and BMP files through D3DX,
// prepared on the cache's worker threads.
#include <d3dx8.h>

#include "render/texture_cache.h"

namespace {

// Source pixels of exactly this colour become transparent black.
constexpr D3DCOLOR kTextureColorKey = 0x0FF00000;

// Mip chains stop at 15 levels.
constexpr UINT kTextureMipLevels = 15;

void* PrepareTextureFile(const void* file, UINT size) {
    D3DXPREPAREDIMAGE* image = nullptr;
    if (FAILED(D3DXPrepareTextureFromFileInMemory(file, size, kTextureMipLevels, D3DX_FILTER_POINT,
                                                  kTextureColorKey, &image)))
        return nullptr;
    return image;
}

HRESULT CreateTextureFromFile(IDirect3DDevice8* device, const void* image,
                              IDirect3DTexture8** texture) {
    return D3DXCreateTextureFromPreparedImage(
        device, static_cast<const D3DXPREPAREDIMAGE*>(image), D3DX_DEFAULT, D3DX_DEFAULT,
        kTextureMipLevels, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT, nullptr, texture);
}

void ReleaseTextureFile(void* image) {
    D3DXReleasePreparedImage(static_cast<D3DXPREPAREDIMAGE*>(image));
}

}  // namespace

const TextureCache::TextureDecoder TextureCache::kFileDecoder = {
    PrepareTextureFile, CreateTextureFromFile, ReleaseTextureFile};
