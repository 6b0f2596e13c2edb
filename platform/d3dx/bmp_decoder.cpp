// Windows bitmap files: 1, 4 and 8-bit palette images (4 and 8-bit ones also
// run-length encoded), 16, 24 and 32-bit true colour, with colour masks
// (BI_BITFIELDS) where the header has them, stored bottom-up (positive
// height) or top-down (negative height).
#include "image_decoder.h"

#include <algorithm>
#include <bit>
#include <new>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

uint16_t Read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Read32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One colour channel described by a bit mask, widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    // A mask must be one run of bits.
    bool Valid() const { return !mask || (max & (max + 1)) == 0; }
    uint32_t Extract(uint32_t pixel) const {
        if (!mask) return 0;
        return static_cast<uint32_t>((uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

// Unpacks run-length encoded palette indices (RLE8, or RLE4 when `nibbles`)
// into `indices`, bottom row first as stored. Texels the data skips keep
// index 0. False for data that ends before its end-of-bitmap mark.
bool UnpackRle(const uint8_t* p, const uint8_t* end, bool nibbles, size_t width, size_t height,
               std::vector<uint8_t>* indices) {
    size_t x = 0, y = 0;
    auto put = [&](uint8_t index) {
        if (x < width && y < height) (*indices)[y * width + x] = index;
        ++x;
    };
    while (end - p >= 2) {
        const uint8_t count = p[0], value = p[1];
        p += 2;
        if (count > 0) {  // a run of one index, or of two alternating nibbles
            for (unsigned i = 0; i < count; ++i)
                put(nibbles ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // move right and up
            if (end - p < 2) return false;
            x += p[0];
            y += p[1];
            p += 2;
        } else {  // `value` literal indices, padded to a 16-bit boundary
            const size_t bytes = nibbles ? (value + 1) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (static_cast<size_t>(end - p) < bytes) return false;
            for (unsigned i = 0; i < value; ++i)
                put(nibbles ? (i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0x0F) : p[i]);
            p += std::min(padded, static_cast<size_t>(end - p));
        }
        if (y >= height) return true;  // every row is written
    }
    return false;
}

}  // namespace

HRESULT DecodeBmp(const uint8_t* data, size_t size, DecodedImage* out) {
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return D3DXERR_INVALIDDATA;
    const uint32_t pixelOffset = Read32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t headerSize = Read32(info);
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) return D3DXERR_INVALIDDATA;
    if (headerSize > size - kFileHeaderSize) return D3DXERR_INVALIDDATA;

    int64_t width, height;
    unsigned bits;
    uint32_t compression = kBiRgb, coloursUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        width = Read16(info + 4);
        height = Read16(info + 6);
        bits = Read16(info + 10);
    } else {
        width = static_cast<int32_t>(Read32(info + 4));
        height = static_cast<int32_t>(Read32(info + 8));
        bits = Read16(info + 14);
        compression = Read32(info + 16);
        coloursUsed = Read32(info + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return D3DXERR_INVALIDDATA;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return D3DXERR_INVALIDDATA;
    const bool masked = compression == kBiBitfields || compression == kBiAlphaBitfields;
    const bool rle = (compression == kBiRle8 && bits == 8) || (compression == kBiRle4 && bits == 4);
    if (compression != kBiRgb && !rle && !(masked && (bits == 16 || bits == 32)))
        return D3DXERR_INVALIDDATA;                  // embedded JPEG and PNG bitmaps are not read
    if (rle && topDown) return D3DXERR_INVALIDDATA;  // run-length bitmaps are bottom-up only

    // Colour masks: inside the newer headers, or right after the 40-byte one.
    const uint8_t* afterHeader = info + headerSize;
    uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0};
    if (bits == 32) masks[0] = 0x00FF0000, masks[1] = 0x0000FF00, masks[2] = 0x000000FF;
    bool hasAlpha = false;
    if (masked) {
        const uint8_t* maskData = info + kInfoHeaderSize;
        const unsigned maskCount = compression == kBiAlphaBitfields || headerSize >= 56 ? 4 : 3;
        if (headerSize == kInfoHeaderSize) afterHeader += maskCount * 4;
        // Headers between the 40-byte one and the newer ones hold only part
        // of the masks; the rest must still be in the file.
        if (afterHeader > data + size ||
            static_cast<size_t>(data + size - maskData) < maskCount * 4) {
            return D3DXERR_INVALIDDATA;
        }
        for (unsigned i = 0; i < maskCount; ++i) masks[i] = Read32(maskData + i * 4);
        hasAlpha = masks[3] != 0;
    } else if (bits == 32 && headerSize >= 56) {
        // Version 4 and 5 headers describe an alpha channel even for BI_RGB.
        masks[3] = Read32(info + 52);
        hasAlpha = masks[3] == 0xFF000000u;
        if (!hasAlpha) masks[3] = 0;
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    if (!red.Valid() || !green.Valid() || !blue.Valid() || !alpha.Valid())
        return D3DXERR_INVALIDDATA;

    std::vector<uint32_t> palette;
    if (bits <= 8) {
        const uint32_t maxColours = 1u << bits;
        const uint32_t colours =
            coloursUsed == 0 || coloursUsed > maxColours ? maxColours : coloursUsed;
        const unsigned entryBytes = headerSize == kCoreHeaderSize ? 3 : 4;
        if (static_cast<size_t>(data + size - afterHeader) < size_t(colours) * entryBytes)
            return D3DXERR_INVALIDDATA;
        // Indices past the stored entries show black, as an unset entry.
        palette.assign(maxColours, 0xFF000000u);
        for (uint32_t i = 0; i < colours; ++i) {
            const uint8_t* e = afterHeader + i * entryBytes;
            palette[i] = 0xFF000000u | uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
        }
    }

    if (pixelOffset > size) return D3DXERR_INVALIDDATA;
    if (rle) {
        // A two-byte run holds at most 255 texels; a picture declaring far
        // more than its data could hold is refused before allocating.
        const size_t count = static_cast<size_t>(width) * height;
        if (count > (size - pixelOffset) * 128) return D3DXERR_INVALIDDATA;
        std::vector<uint8_t> indices;
        try {
            indices.assign(count, 0);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        if (!UnpackRle(data + pixelOffset, data + size, bits == 4, width, height, &indices))
            return D3DXERR_INVALIDDATA;
        HRESULT hr = AllocateTexels(out, static_cast<UINT>(width), static_cast<UINT>(height));
        if (FAILED(hr)) return hr;
        for (int64_t row = 0; row < height; ++row)
            for (int64_t x = 0; x < width; ++x)
                out->texels[(height - 1 - row) * width + x] = palette[indices[row * width + x]];
        out->format = D3DFMT_X8R8G8B8;
        out->fileFormat = D3DXIFF_BMP;
        return S_OK;
    }

    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    if (stride * height > size - pixelOffset) return D3DXERR_INVALIDDATA;
    HRESULT hr = AllocateTexels(out, static_cast<UINT>(width), static_cast<UINT>(height));
    if (FAILED(hr)) return hr;

    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* src = data + pixelOffset + stride * row;
        const int64_t y = topDown ? row : height - 1 - row;
        uint32_t* dst = out->texels.data() + y * width;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t texel;
            if (bits <= 8) {
                const size_t bit = static_cast<size_t>(x) * bits;
                const unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                texel = palette[index];
            } else if (bits == 24) {
                const uint8_t* p = src + x * 3;
                texel = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            } else {
                const uint32_t v = bits == 16 ? Read16(src + x * 2) : Read32(src + x * 4);
                const uint32_t a = hasAlpha ? alpha.Extract(v) : 0xFF;
                texel = a << 24 | red.Extract(v) << 16 | green.Extract(v) << 8 | blue.Extract(v);
            }
            dst[x] = texel;
        }
    }
    if (bits == 24)
        out->format = D3DFMT_R8G8B8;
    else if (bits == 32)
        out->format = hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    else if (bits == 16)
        out->format =
            hasAlpha ? D3DFMT_A1R5G5B5 : (masks[1] == 0x07E0 ? D3DFMT_R5G6B5 : D3DFMT_X1R5G5B5);
    else
        out->format = D3DFMT_X8R8G8B8;
    out->fileFormat = D3DXIFF_BMP;
    return S_OK;
}
