// Decoding of BMP, JPEG and TGA files held in memory into 32-bit ARGB texels.
// Every decoder checks the sizes a file declares against the bytes it has
// before allocating, and answers damaged or truncated data with a failure
// code; none of them keeps a pointer into the data.
#pragma once

#include <d3dx8tex.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    // width * height texels, A8R8G8B8, top row first.
    std::vector<uint32_t> texels;
    // The Direct3D format closest to the file's own pixels (for example
    // R8G8B8 for 24-bit files, A8R8G8B8 for 32-bit TGA files, L8 for grey
    // ones; X8R8G8B8 for palette images).
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
};

// Sides above this many texels are refused outright: no texture is larger.
constexpr UINT kMaxImageSide = 16384;

// Recognises the file by its contents (BMP and JPEG by their signatures,
// TGA by a consistent header) and decodes it. D3DXERR_INVALIDDATA for data
// that is none of these or is damaged, E_OUTOFMEMORY when memory runs out.
HRESULT DecodeImage(const void* data, size_t size, DecodedImage* out);

HRESULT DecodeBmp(const uint8_t* data, size_t size, DecodedImage* out);
HRESULT DecodeJpeg(const uint8_t* data, size_t size, DecodedImage* out);
HRESULT DecodeTga(const uint8_t* data, size_t size, DecodedImage* out);

// Allocates width * height texels, answering E_OUTOFMEMORY instead of
// throwing.
HRESULT AllocateTexels(DecodedImage* out, UINT width, UINT height);
