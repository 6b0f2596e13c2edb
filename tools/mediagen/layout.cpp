#include "tools/mediagen/layout.h"

#include <cmath>

#include "tools/mediagen/random.h"

Vec3 SunDirection() {
    return Normalise({-0.45f, 0.62f, -0.70f});
}
Vec3 MoonDirection() {
    return Normalise({0.2f, 0.25f, -0.97f});
}

Vec3 NightNormal(Vec3 surface) {
    // A little sky light everywhere, more where the surface faces the moon.
    float moonlight = 0.10f + 0.50f * std::fmax(0.0f, Dot(surface, MoonDirection()));
    Vec3 across{surface.x, 0.0f, surface.z};
    across = Length(across) > 1e-4f ? Normalise(across) : Vec3{1, 0, 0};
    return across * std::sqrt(1.0f - moonlight * moonlight) + Vec3{0, moonlight, 0};
}

namespace {

float IslandRadius(float a) {
    return 40.0f + 5.0f * std::sin(3.0f * a + 1.0f) + 3.0f * std::sin(5.0f * a + 2.5f) +
           2.0f * std::sin(7.0f * a + 0.3f);
}

}  // namespace

float IslandHeight(float x, float z) {
    float r = std::sqrt(x * x + z * z);
    float rho = r / IslandRadius(std::atan2(z, x));
    float h;
    if (rho < 1.0f) {
        h = 10.0f * std::pow(1.0f - rho * rho, 1.3f) - 1.2f;
    } else {
        h = -1.2f - 6.0f * (rho - 1.0f);
    }
    float bumps = FractalNoise(x / 14.0f + 40.0f, z / 14.0f + 40.0f, 4, 11u) - 0.5f;
    h += 2.4f * bumps * (1.0f - SmoothStep(0.75f, 1.1f, rho));
    return h;
}

float IslandShoreRadius(float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    float inside = 0.0f, outside = 80.0f;
    for (int i = 0; i < 30; ++i) {
        float mid = 0.5f * (inside + outside);
        if (IslandHeight(mid * c, mid * s) > 0.0f) {
            inside = mid;
        } else {
            outside = mid;
        }
    }
    return 0.5f * (inside + outside);
}

Vec3 IslandNormal(float x, float z) {
    const float e = 0.25f;
    float dx = IslandHeight(x + e, z) - IslandHeight(x - e, z);
    float dz = IslandHeight(x, z + e) - IslandHeight(x, z - e);
    return Normalise({-dx, 2.0f * e, -dz});
}

float LakeShoreRadius(float a) {
    return 440.0f + 45.0f * std::sin(2.0f * a + 0.5f) + 25.0f * std::sin(5.0f * a + 1.3f) +
           12.0f * std::sin(9.0f * a + 2.0f);
}

float TerrainHeight(float x, float z) {
    float r = std::sqrt(x * x + z * z);
    float a = std::atan2(z, x);
    float d = r - LakeShoreRadius(a);
    if (d < 0.0f) return std::fmax(-14.0f, d * 0.15f);
    float beach = std::fmin(d, 30.0f) * 0.12f;
    // Ridge height varies smoothly around the lake (noise sampled on a circle).
    float ridge =
        60.0f + 170.0f * FractalNoise(std::cos(a) * 2.2f + 7.0f, std::sin(a) * 2.2f + 7.0f, 4, 23u);
    float rise = SmoothStep(25.0f, 750.0f, d);
    float fall = 1.0f - 0.45f * SmoothStep(950.0f, 1900.0f, d);
    float local = (FractalNoise(x / 160.0f + 3.0f, z / 160.0f + 9.0f, 5, 31u) - 0.45f) * 80.0f;
    return beach + ridge * rise * fall + local * SmoothStep(20.0f, 260.0f, d);
}
