#include "tools/mediagen/bump_map.h"

#include <cmath>

namespace {

struct Wave {
    int kx, ky;       // periods across the tile in x and y
    float amplitude;  // relative height
    float phase;      // radians
};

// A few long swells and finer cross ripples, all tileable.
constexpr Wave kWaves[] = {
    {2, 1, 1.00f, 0.0f},  {-1, 3, 0.80f, 1.3f}, {4, -3, 0.55f, 2.1f}, {5, 6, 0.40f, 0.7f},
    {-7, 4, 0.30f, 4.0f}, {9, 2, 0.22f, 5.2f},  {3, 11, 0.18f, 3.3f}, {-12, 9, 0.12f, 1.9f},
};

}  // namespace

std::vector<uint8_t> GenerateBumpHeights() {
    constexpr int kSize = 256;
    constexpr float kTwoPi = 6.28318530718f;
    std::vector<float> field(kSize * kSize);
    float peak = 0.0f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float h = 0.0f;
            for (const Wave& w : kWaves) {
                float t = kTwoPi * (static_cast<float>(w.kx * x + w.ky * y) / kSize) + w.phase;
                h += w.amplitude * std::sin(t);
            }
            field[y * kSize + x] = h;
            peak = std::fmax(peak, std::fabs(h));
        }
    }
    std::vector<uint8_t> heights(kSize * kSize);
    for (size_t i = 0; i < field.size(); ++i) {
        long value = std::lround(field[i] / peak * 100.0f);
        heights[i] = static_cast<uint8_t>(static_cast<int8_t>(value));
    }
    return heights;
}
