#include "tools/mediagen/random.h"

#include <cmath>

float LatticeValue(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
                 seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise(float x, float y, uint32_t seed, int period, int periodY) {
    if (periodY == 0) periodY = period;
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    int x1 = ix + 1, y1 = iy + 1;
    if (period > 0) {
        ix = ((ix % period) + period) % period;
        x1 = (ix + 1) % period;
    }
    if (periodY > 0) {
        iy = ((iy % periodY) + periodY) % periodY;
        y1 = (iy + 1) % periodY;
    }
    float a = LatticeValue(ix, iy, seed), b = LatticeValue(x1, iy, seed);
    float c = LatticeValue(ix, y1, seed), d = LatticeValue(x1, y1, seed);
    return Mix(Mix(a, b, tx), Mix(c, d, tx), ty);
}

float FractalNoise(float x, float y, int octaves, uint32_t seed, int period, int periodY) {
    if (periodY == 0) periodY = period;
    float sum = 0.0f, weight = 0.5f, total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * ValueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u, period, periodY);
        total += weight;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

float Clamp01(float value) {
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

float SmoothStep(float edge0, float edge1, float value) {
    float t = Clamp01((value - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float Mix(float a, float b, float t) {
    return a + (b - a) * t;
}
