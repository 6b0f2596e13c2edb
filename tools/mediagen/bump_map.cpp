#include "tools/mediagen/bump_map.h"

#include <cmath>

namespace {

struct Wave {
    int kx, ky;       // periods across the tile in x and y
    float amplitude;  // relative height
    float phase;      // radians
};

// The saver bends the reflection by the height differences between
// neighbouring texels, not by the heights: for ripples that show, the field
// must change fast, so it is made of a few short waves (7 to 9 texels
// long), all tileable, crossing in different directions.
constexpr Wave kWaves[] = {
    {24, 17, 1.00f, 0.0f},   {-30, 12, 0.90f, 1.3f}, {9, 33, 0.80f, 2.1f},
    {-18, -27, 0.70f, 0.7f}, {35, -6, 0.60f, 4.0f},  {14, -31, 0.50f, 5.2f},
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
        long value = std::lround(field[i] / peak * 124.0f);
        heights[i] = static_cast<uint8_t>(static_cast<int8_t>(value));
    }
    return heights;
}
