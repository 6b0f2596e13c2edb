// The image decoders: a picture only when the file's own header says so,
// sizes within bounds and within what the bytes can describe, opaque texels
// for formats without alpha, grey texels for grey files, the same picture
// every time, and nothing handed back on failure.
#include "tests/fuzz/fuzz_checks.h"

#include <string>

#include "platform/d3dx/image_decoder.h"

namespace {

bool HasAlpha(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5;
}

bool IsKnownFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R8G8B8:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_R5G6B5:
        case D3DFMT_L8:
            return true;
        default:
            return false;
    }
}

// The file format the signature calls for: BMP and JPEG by their first
// bytes, TGA for anything else.
D3DXIMAGE_FILEFORMAT ExpectedFileFormat(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return D3DXIFF_BMP;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return D3DXIFF_JPG;
    return D3DXIFF_TGA;
}

// The most texels a file of `size` bytes can describe: a JPEG's 8x8 blocks
// take a few bits at the least, a run of 255 BMP texels two bytes, and a run
// of 128 TGA texels two bytes.
uint64_t MaxTexels(D3DXIMAGE_FILEFORMAT format, size_t size) {
    switch (format) {
        case D3DXIFF_JPG:
            return uint64_t(size) * 4096;
        case D3DXIFF_BMP:
            return uint64_t(size) * 128;
        default:
            return uint64_t(size) * 64;
    }
}

}  // namespace

std::string CheckImage(const uint8_t* data, size_t size) {
    DecodedImage image;
    image.width = 7;
    image.texels.assign(3, 0x12345678u);
    HRESULT hr = DecodeImage(data, size, &image);
    if (hr == D3DXERR_INVALIDDATA || hr == E_OUTOFMEMORY) {
        if (image.width != 7 || image.texels.size() != 3 || image.texels[0] != 0x12345678u) {
            return "a failed decode changed the caller's image";
        }
        return "";
    }
    if (hr != S_OK) return "an unexpected result code";

    D3DXIMAGE_FILEFORMAT fileFormat = ExpectedFileFormat(data, size);
    if (image.fileFormat != fileFormat) return "file format differs from the signature";
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
        image.height > kMaxImageSide) {
        return "a side outside 1.." + std::to_string(kMaxImageSide);
    }
    uint64_t texels = uint64_t(image.width) * image.height;
    if (image.texels.size() != texels) return "texel count differs from width * height";
    if (texels > MaxTexels(fileFormat, size)) return "more texels than the bytes can describe";
    if (!IsKnownFormat(image.format)) return "an unknown pixel format";
    if (fileFormat == D3DXIFF_JPG && image.format != D3DFMT_L8 &&
        image.format != D3DFMT_X8R8G8B8) {
        return "a JPEG with a format other than L8 or X8R8G8B8";
    }
    bool alpha = HasAlpha(image.format);
    for (uint32_t texel : image.texels) {
        if (!alpha && texel >> 24 != 0xFF) return "a transparent texel in a format without alpha";
        if (image.format == D3DFMT_L8 &&
            ((texel >> 16 & 0xFF) != (texel & 0xFF) || (texel >> 8 & 0xFF) != (texel & 0xFF))) {
            return "a coloured texel in a grey image";
        }
    }

    DecodedImage again;
    if (DecodeImage(data, size, &again) != S_OK || again.width != image.width ||
        again.height != image.height || again.format != image.format ||
        again.texels != image.texels) {
        return "a second decode gave a different picture";
    }
    return "";
}
