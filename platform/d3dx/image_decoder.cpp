// Picks the decoder for a file held in memory.
#include "image_decoder.h"

#include <new>

HRESULT AllocateTexels(DecodedImage* out, UINT width, UINT height) {
    try {
        out->texels.assign(static_cast<size_t>(width) * height, 0u);
    } catch (const std::bad_alloc&) {
        out->texels.clear();
        return E_OUTOFMEMORY;
    }
    out->width = width;
    out->height = height;
    return S_OK;
}

HRESULT DecodeImage(const void* data, size_t size, DecodedImage* out) {
    if (!data || !out || size == 0) return D3DXERR_INVALIDDATA;
    const auto* bytes = static_cast<const uint8_t*>(data);
    DecodedImage image;
    HRESULT hr;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        hr = DecodeBmp(bytes, size, &image);
    else if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        hr = DecodeJpeg(bytes, size, &image);
    else
        hr = DecodeTga(bytes, size, &image);
    if (FAILED(hr)) return hr;
    *out = std::move(image);
    return S_OK;
}
