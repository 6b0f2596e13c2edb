// Colour key and resizing filters for A8R8G8B8 texel arrays.
#include "image_filter.h"

#include <algorithm>
#include <cmath>

void ApplyColourKey(std::vector<uint32_t>* texels, D3DCOLOR colourKey) {
    if (colourKey == 0) return;
    for (uint32_t& texel : *texels)
        if (texel == colourKey) texel = 0;
}

bool IsValidFilter(DWORD filter) {
    const DWORD kind = filter & 0xFF;
    const DWORD flags = filter & ~DWORD(0xFF);
    return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX &&
           (flags & ~DWORD(D3DX_FILTER_MIRROR | D3DX_FILTER_DITHER)) == 0;
}

namespace {

uint32_t Channel(uint32_t texel, int shift) {
    return (texel >> shift) & 0xFF;
}

std::vector<uint32_t> CopyUnscaled(const std::vector<uint32_t>& src, UINT width, UINT height,
                                   UINT dstWidth, UINT dstHeight) {
    std::vector<uint32_t> dst(static_cast<size_t>(dstWidth) * dstHeight, 0u);
    const UINT w = std::min(width, dstWidth), h = std::min(height, dstHeight);
    for (UINT y = 0; y < h; ++y)
        std::copy_n(src.begin() + static_cast<size_t>(y) * width, w,
                    dst.begin() + static_cast<size_t>(y) * dstWidth);
    return dst;
}

std::vector<uint32_t> Point(const std::vector<uint32_t>& src, UINT width, UINT height,
                            UINT dstWidth, UINT dstHeight) {
    std::vector<uint32_t> dst(static_cast<size_t>(dstWidth) * dstHeight);
    for (UINT y = 0; y < dstHeight; ++y) {
        // The texel whose area holds the destination texel's centre.
        const UINT sy =
            static_cast<UINT>((uint64_t(2 * y + 1) * height) / (2 * uint64_t(dstHeight)));
        for (UINT x = 0; x < dstWidth; ++x) {
            const UINT sx =
                static_cast<UINT>((uint64_t(2 * x + 1) * width) / (2 * uint64_t(dstWidth)));
            dst[static_cast<size_t>(y) * dstWidth + x] = src[static_cast<size_t>(sy) * width + sx];
        }
    }
    return dst;
}

std::vector<uint32_t> Linear(const std::vector<uint32_t>& src, UINT width, UINT height,
                             UINT dstWidth, UINT dstHeight) {
    std::vector<uint32_t> dst(static_cast<size_t>(dstWidth) * dstHeight);
    auto at = [&](int x, int y) {
        x = std::clamp(x, 0, int(width) - 1);
        y = std::clamp(y, 0, int(height) - 1);
        return src[static_cast<size_t>(y) * width + x];
    };
    for (UINT y = 0; y < dstHeight; ++y) {
        const double fy = (y + 0.5) * height / dstHeight - 0.5;
        const int y0 = static_cast<int>(std::floor(fy));
        const double ty = fy - y0;
        for (UINT x = 0; x < dstWidth; ++x) {
            const double fx = (x + 0.5) * width / dstWidth - 0.5;
            const int x0 = static_cast<int>(std::floor(fx));
            const double tx = fx - x0;
            const uint32_t a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1),
                           d = at(x0 + 1, y0 + 1);
            uint32_t out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const double top = Channel(a, shift) * (1 - tx) + Channel(b, shift) * tx;
                const double bottom = Channel(c, shift) * (1 - tx) + Channel(d, shift) * tx;
                out |= static_cast<uint32_t>(std::lround(top * (1 - ty) + bottom * ty)) << shift;
            }
            dst[static_cast<size_t>(y) * dstWidth + x] = out;
        }
    }
    return dst;
}

// The mip chain's case: each way the size halves or stays, so every texel
// averages a block of one, two or four with the same rounding as the general
// box, by shifts instead of divisions.
bool HalvesOrKeeps(UINT size, UINT dstSize) {
    return size == dstSize || size == 2 * dstSize;
}

std::vector<uint32_t> HalvingBox(const std::vector<uint32_t>& src, UINT width, UINT height,
                                 UINT dstWidth, UINT dstHeight) {
    std::vector<uint32_t> dst(static_cast<size_t>(dstWidth) * dstHeight);
    const UINT fx = width / dstWidth, fy = height / dstHeight;
    const int shift = (fx == 2) + (fy == 2);
    const uint32_t half = (1u << shift) >> 1;
    for (UINT y = 0; y < dstHeight; ++y) {
        const uint32_t* top = src.data() + static_cast<size_t>(y) * fy * width;
        const uint32_t* bottom = top + static_cast<size_t>(fy - 1) * width;
        uint32_t* out = dst.data() + static_cast<size_t>(y) * dstWidth;
        for (UINT x = 0; x < dstWidth; ++x) {
            const UINT x0 = x * fx;
            uint32_t texel = 0;
            for (int c = 0; c < 32; c += 8) {
                uint32_t sum = Channel(top[x0], c);
                if (fx == 2) sum += Channel(top[x0 + 1], c);
                if (fy == 2) {
                    sum += Channel(bottom[x0], c);
                    if (fx == 2) sum += Channel(bottom[x0 + 1], c);
                }
                texel |= ((sum + half) >> shift) << c;
            }
            out[x] = texel;
        }
    }
    return dst;
}

std::vector<uint32_t> Box(const std::vector<uint32_t>& src, UINT width, UINT height, UINT dstWidth,
                          UINT dstHeight) {
    if (HalvesOrKeeps(width, dstWidth) && HalvesOrKeeps(height, dstHeight))
        return HalvingBox(src, width, height, dstWidth, dstHeight);
    std::vector<uint32_t> dst(static_cast<size_t>(dstWidth) * dstHeight);
    for (UINT y = 0; y < dstHeight; ++y) {
        const UINT y0 = static_cast<UINT>(uint64_t(y) * height / dstHeight);
        const UINT y1 =
            std::max<UINT>(y0 + 1, static_cast<UINT>(uint64_t(y + 1) * height / dstHeight));
        for (UINT x = 0; x < dstWidth; ++x) {
            const UINT x0 = static_cast<UINT>(uint64_t(x) * width / dstWidth);
            const UINT x1 =
                std::max<UINT>(x0 + 1, static_cast<UINT>(uint64_t(x + 1) * width / dstWidth));
            uint64_t sum[4] = {0, 0, 0, 0};
            for (UINT sy = y0; sy < y1; ++sy)
                for (UINT sx = x0; sx < x1; ++sx) {
                    const uint32_t t = src[static_cast<size_t>(sy) * width + sx];
                    for (int c = 0; c < 4; ++c) sum[c] += Channel(t, c * 8);
                }
            const uint64_t n = uint64_t(y1 - y0) * (x1 - x0);
            uint32_t out = 0;
            for (int c = 0; c < 4; ++c)
                out |= static_cast<uint32_t>((sum[c] + n / 2) / n) << (c * 8);
            dst[static_cast<size_t>(y) * dstWidth + x] = out;
        }
    }
    return dst;
}

}  // namespace

std::vector<uint32_t> ResizeTexels(const std::vector<uint32_t>& texels, UINT width, UINT height,
                                   UINT dstWidth, UINT dstHeight, DWORD filter) {
    if (width == dstWidth && height == dstHeight) return texels;
    switch (filter & 0xFF) {
        case D3DX_FILTER_NONE:
            return CopyUnscaled(texels, width, height, dstWidth, dstHeight);
        case D3DX_FILTER_POINT:
            return Point(texels, width, height, dstWidth, dstHeight);
        case D3DX_FILTER_LINEAR:
            return Linear(texels, width, height, dstWidth, dstHeight);
        default:
            return Box(texels, width, height, dstWidth, dstHeight);
    }
}
