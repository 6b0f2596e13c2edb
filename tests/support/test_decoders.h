// Texture decoders for tests that need no real images: one that finds an
// image in no file, and one that makes a 2x2 texture of every file except
// one holding exactly "bad".
#pragma once

#include <string>

#include "render/texture_cache.h"

inline const TextureCache::TextureDecoder kNoTextureDecoder = {
    [](const void*, UINT) -> void* { return nullptr; },
    [](IDirect3DDevice8*, const void*, IDirect3DTexture8**) -> HRESULT { return E_FAIL; },
    [](void*) {}};

inline const TextureCache::TextureDecoder kSquareTextureDecoder = {
    [](const void* file, UINT size) -> void* {
        std::string bytes(static_cast<const char*>(file), size);
        return bytes == "bad" ? nullptr : new std::string(bytes);
    },
    [](IDirect3DDevice8* device, const void*, IDirect3DTexture8** texture) -> HRESULT {
        return device->CreateTexture(2, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, texture);
    },
    [](void* image) { delete static_cast<std::string*>(image); }};
