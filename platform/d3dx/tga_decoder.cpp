// Truevision TGA files: true-colour (15, 16, 24 and 32 bit), grey (8 bit)
// and colour-mapped (8-bit indices), each plain or run-length encoded, with
// the first row at the bottom or at the top and rows left to right or
// right to left.
#include "image_decoder.h"

namespace {

constexpr size_t kHeaderSize = 18;

enum TgaType : uint8_t {
    kColourMapped = 1,
    kTrueColour = 2,
    kGrey = 3,
    kRleColourMapped = 9,
    kRleTrueColour = 10,
    kRleGrey = 11,
};

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Expand5(uint32_t v) {
    return (v << 3) | (v >> 2);
}

// One stored value (a texel or a colour-map entry) as A8R8G8B8.
uint32_t ReadColour(const uint8_t* p, unsigned bits, bool useAlpha) {
    switch (bits) {
        case 8:
            return 0xFF000000u | p[0] * 0x010101u;
        case 15:
        case 16: {
            const uint32_t v = Read16(p);
            const uint32_t alpha = (!useAlpha || (v & 0x8000)) ? 0xFF000000u : 0u;
            return alpha | Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 |
                   Expand5(v & 31);
        }
        case 24:
            return 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        default:  // 32
            return (useAlpha ? uint32_t(p[3]) << 24 : 0xFF000000u) | uint32_t(p[2]) << 16 |
                   uint32_t(p[1]) << 8 | p[0];
    }
}

// Reads the texels in file order, unpacking runs when the file has them;
// false when the data ends before the image does.
bool ReadPixelStream(const uint8_t* p, const uint8_t* end, bool rle, size_t count, unsigned bytes,
                     std::vector<uint8_t>* stream) {
    stream->resize(count * bytes);
    uint8_t* out = stream->data();
    if (!rle) {
        if (static_cast<size_t>(end - p) < count * bytes) return false;
        std::copy(p, p + count * bytes, out);
        return true;
    }
    size_t done = 0;
    while (done < count) {
        if (p >= end) return false;
        const uint8_t packet = *p++;
        // A packet may run past the end of a row, but never past the image.
        const size_t length = std::min<size_t>((packet & 0x7F) + 1, count - done);
        if (packet & 0x80) {
            if (static_cast<size_t>(end - p) < bytes) return false;
            for (size_t i = 0; i < length; ++i) std::copy(p, p + bytes, out + (done + i) * bytes);
            p += bytes;
        } else {
            if (static_cast<size_t>(end - p) < length * bytes) return false;
            std::copy(p, p + length * bytes, out + done * bytes);
            p += length * bytes;
        }
        done += length;
    }
    return true;
}

}  // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, DecodedImage* out) {
    if (size < kHeaderSize) return D3DXERR_INVALIDDATA;
    const unsigned idLength = data[0];
    const unsigned mapType = data[1];
    const unsigned type = data[2];
    const unsigned mapFirst = Read16(data + 3);
    const unsigned mapLength = Read16(data + 5);
    const unsigned mapBits = data[7];
    const UINT width = Read16(data + 12);
    const UINT height = Read16(data + 14);
    const unsigned bits = data[16];
    const unsigned descriptor = data[17];
    const unsigned alphaBits = descriptor & 0x0F;

    const bool rle = type >= kRleColourMapped;
    const unsigned baseType = rle ? type - 8 : type;
    if (type != kColourMapped && type != kTrueColour && type != kGrey && type != kRleColourMapped &&
        type != kRleTrueColour && type != kRleGrey)
        return D3DXERR_INVALIDDATA;
    if (mapType > 1 || (baseType == kColourMapped && mapType != 1)) return D3DXERR_INVALIDDATA;
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide)
        return D3DXERR_INVALIDDATA;
    if (baseType == kTrueColour && bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return D3DXERR_INVALIDDATA;
    if ((baseType == kGrey || baseType == kColourMapped) && bits != 8) return D3DXERR_INVALIDDATA;
    if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return D3DXERR_INVALIDDATA;

    const uint8_t* p = data + kHeaderSize;
    const uint8_t* end = data + size;
    if (static_cast<size_t>(end - p) < idLength) return D3DXERR_INVALIDDATA;
    p += idLength;

    // The colour map; true-colour files may carry one they do not use.
    const unsigned mapBytes = (mapBits + 7) / 8;
    // Map entries carry alpha on the same terms as texels: 32-bit ones
    // always, 16-bit ones when the header counts alpha bits, 15-bit ones never.
    const bool mapAlpha = mapBits == 32 || (mapBits == 16 && alphaBits > 0);
    std::vector<uint32_t> palette;
    if (mapType == 1) {
        if (static_cast<size_t>(end - p) < size_t(mapLength) * mapBytes) return D3DXERR_INVALIDDATA;
        if (baseType == kColourMapped) {
            palette.assign(256, 0xFF000000u);
            for (unsigned i = 0; i < mapLength; ++i)
                if (mapFirst + i < 256)
                    palette[mapFirst + i] =
                        ReadColour(p + i * mapBytes, mapBits, mapAlpha);
        }
        p += size_t(mapLength) * mapBytes;
    }

    const unsigned bytes = (bits + 7) / 8;
    const size_t count = static_cast<size_t>(width) * height;
    const size_t available = end - p;
    // A run packet of at most 128 texels takes at least two bytes; plain data
    // takes all its bytes. Larger declared images cannot be in this file.
    if (rle ? count > available * 64 : count * bytes > available) return D3DXERR_INVALIDDATA;
    std::vector<uint8_t> stream;
    if (!ReadPixelStream(p, end, rle, count, bytes, &stream)) return D3DXERR_INVALIDDATA;

    HRESULT hr = AllocateTexels(out, width, height);
    if (FAILED(hr)) return hr;
    const bool topFirst = descriptor & 0x20;
    const bool rightToLeft = descriptor & 0x10;
    // 16-bit texels carry alpha only when the header says they do; 32-bit
    // texels always do.
    const bool useAlpha = bits == 32 || (bits == 16 && alphaBits > 0);
    for (UINT row = 0; row < height; ++row) {
        const UINT y = topFirst ? row : height - 1 - row;
        for (UINT col = 0; col < width; ++col) {
            const UINT x = rightToLeft ? width - 1 - col : col;
            const uint8_t* texel = stream.data() + (static_cast<size_t>(row) * width + col) * bytes;
            out->texels[static_cast<size_t>(y) * width + x] =
                baseType == kColourMapped ? palette[texel[0]] : ReadColour(texel, bits, useAlpha);
        }
    }
    if (baseType == kTrueColour && bits == 32)
        out->format = D3DFMT_A8R8G8B8;
    else if (baseType == kTrueColour && bits == 24)
        out->format = D3DFMT_R8G8B8;
    else if (baseType == kTrueColour)
        out->format = useAlpha ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    else if (baseType == kColourMapped && mapAlpha)
        out->format = D3DFMT_A8R8G8B8;
    else if (baseType == kGrey)
        out->format = D3DFMT_L8;
    else
        out->format = D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_TGA;
    return S_OK;
}
