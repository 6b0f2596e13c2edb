// The box filter against a plain average of every source texel under each
// destination texel, rounded to nearest: for the mip chain's halvings (both
// ways, one way, down to 1x1) and for uneven sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image_filter.h"

namespace {

std::vector<uint32_t> Pattern(UINT width, UINT height) {
    std::vector<uint32_t> texels(static_cast<size_t>(width) * height);
    uint32_t state = 12345;
    for (uint32_t& t : texels) {
        state = state * 1103515245u + 12345u;
        t = state ^ (state >> 13);
    }
    return texels;
}

// Every source texel whose area overlaps the destination texel's, averaged.
std::vector<uint32_t> ReferenceBox(const std::vector<uint32_t>& src, UINT width, UINT height,
                                   UINT dstWidth, UINT dstHeight) {
    std::vector<uint32_t> dst;
    for (UINT y = 0; y < dstHeight; ++y) {
        for (UINT x = 0; x < dstWidth; ++x) {
            const UINT x0 = x * width / dstWidth, y0 = y * height / dstHeight;
            const UINT x1 = std::max(x0 + 1, (x + 1) * width / dstWidth);
            const UINT y1 = std::max(y0 + 1, (y + 1) * height / dstHeight);
            uint32_t texel = 0;
            for (int c = 0; c < 32; c += 8) {
                uint64_t sum = 0, n = 0;
                for (UINT sy = y0; sy < y1; ++sy)
                    for (UINT sx = x0; sx < x1; ++sx, ++n) sum += (src[sy * width + sx] >> c) & 0xFF;
                texel |= static_cast<uint32_t>((sum + n / 2) / n) << c;
            }
            dst.push_back(texel);
        }
    }
    return dst;
}

}  // namespace

TEST(ImageFilterTest, BoxAveragesWhatItCoversForHalvingsAndUnevenSizes) {
    struct Case {
        UINT width, height, dstWidth, dstHeight;
    };
    for (const Case& c : {Case{8, 6, 4, 3}, Case{8, 1, 4, 1}, Case{1, 8, 1, 4}, Case{2, 2, 1, 1},
                          Case{2, 1, 1, 1}, Case{16, 4, 8, 4}, Case{4, 16, 4, 8}, Case{7, 5, 3, 2},
                          Case{5, 5, 4, 4}}) {
        const std::vector<uint32_t> src = Pattern(c.width, c.height);
        EXPECT_EQ(ResizeTexels(src, c.width, c.height, c.dstWidth, c.dstHeight, D3DX_FILTER_BOX),
                  ReferenceBox(src, c.width, c.height, c.dstWidth, c.dstHeight))
            << c.width << "x" << c.height << " to " << c.dstWidth << "x" << c.dstHeight;
    }
}
