#include "tools/compare/image_difference.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

unsigned LargestChannelDifference(const uint8_t* a, const uint8_t* b) {
    unsigned largest = 0;
    for (int c = 0; c < 3; ++c)
        largest = std::max(largest, static_cast<unsigned>(std::abs(a[c] - b[c])));
    return largest;
}

// The heat ramp: 12 steps a level, red first, then green, then blue.
void HeatColour(unsigned difference, uint8_t* out) {
    const unsigned v = std::min(difference * 12, 3u * 255);
    out[0] = static_cast<uint8_t>(std::min(v, 255u));
    out[1] = static_cast<uint8_t>(std::clamp(v, 255u, 510u) - 255);
    out[2] = static_cast<uint8_t>(std::clamp(v, 510u, 765u) - 510);
}

}  // namespace

ImageDifference CompareImages(const RgbImage& a, const RgbImage& b, unsigned threshold) {
    ImageDifference result;
    const size_t pixels = static_cast<size_t>(a.width) * a.height;
    if (pixels == 0) {
        result.psnr = std::numeric_limits<double>::infinity();
        return result;
    }
    size_t differing = 0;
    double squares = 0.0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &a.rgb[i * 3];
        const uint8_t* q = &b.rgb[i * 3];
        const unsigned largest = LargestChannelDifference(p, q);
        differing += largest > threshold;
        result.largest = std::max(result.largest, largest);
        for (int c = 0; c < 3; ++c) squares += static_cast<double>((p[c] - q[c]) * (p[c] - q[c]));
    }
    result.differingShare = static_cast<double>(differing) / static_cast<double>(pixels);
    const double meanSquare = squares / static_cast<double>(pixels * 3);
    result.psnr = meanSquare == 0.0 ? std::numeric_limits<double>::infinity()
                                    : 10.0 * std::log10(255.0 * 255.0 / meanSquare);
    return result;
}

RgbImage DifferenceHeatMap(const RgbImage& a, const RgbImage& b, unsigned maxWidth) {
    RgbImage map;
    map.width = std::min(a.width, std::max(maxWidth, 1u));
    map.height = a.width == 0
                     ? 0
                     : std::max(1u, static_cast<unsigned>(
                                        static_cast<double>(a.height) * map.width / a.width + 0.5));
    map.rgb.assign(static_cast<size_t>(map.width) * map.height * 3, 0);
    for (unsigned y = 0; y < map.height; ++y) {
        const unsigned top = static_cast<unsigned>(static_cast<size_t>(y) * a.height / map.height);
        const unsigned bottom = std::max(
            top + 1, static_cast<unsigned>(static_cast<size_t>(y + 1) * a.height / map.height));
        for (unsigned x = 0; x < map.width; ++x) {
            const unsigned left =
                static_cast<unsigned>(static_cast<size_t>(x) * a.width / map.width);
            const unsigned right = std::max(
                left + 1, static_cast<unsigned>(static_cast<size_t>(x + 1) * a.width / map.width));
            unsigned largest = 0;
            for (unsigned sy = top; sy < bottom; ++sy)
                for (unsigned sx = left; sx < right; ++sx)
                    largest =
                        std::max(largest, LargestChannelDifference(a.At(sx, sy), b.At(sx, sy)));
            HeatColour(largest, &map.rgb[(static_cast<size_t>(y) * map.width + x) * 3]);
        }
    }
    return map;
}
