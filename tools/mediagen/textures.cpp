#include "tools/mediagen/textures.h"

#include <cmath>

#include "tools/mediagen/random.h"
#include "tools/mediagen/tree.h"

namespace {

constexpr float kPi = 3.14159265f;

// Draws an anti-aliased tapered blade from (x0, y0) curving to (x1, y1).
void DrawBlade(Image* image, float x0, float y0, float x1, float y1, float bend, float width,
               Color base, Color tip) {
    int steps = static_cast<int>(std::fabs(y1 - y0) + std::fabs(x1 - x0)) * 2 + 2;
    for (int i = 0; i <= steps; ++i) {
        float t = static_cast<float>(i) / steps;
        float x = Mix(x0, x1, t) + bend * t * t, y = Mix(y0, y1, t);
        float w = width * (1.0f - 0.85f * t);
        Color c = MixColor(base, tip, t);
        for (int py = static_cast<int>(y - w - 1); py <= static_cast<int>(y + w + 1); ++py) {
            for (int px = static_cast<int>(x - w - 1); px <= static_cast<int>(x + w + 1); ++px) {
                float d = std::hypot(px + 0.5f - x, py + 0.5f - y);
                float coverage = Clamp01(w - d + 0.5f);
                if (coverage > 0.0f) image->Blend(px, py, c, coverage);
            }
        }
    }
}

void FillEllipse(Image* image, float cx, float cy, float rx, float ry, float angle, Color c) {
    float ca = std::cos(angle), sa = std::sin(angle);
    float extent = std::fmax(rx, ry) + 1.0f;
    for (int py = static_cast<int>(cy - extent); py <= static_cast<int>(cy + extent); ++py) {
        for (int px = static_cast<int>(cx - extent); px <= static_cast<int>(cx + extent); ++px) {
            float dx = px + 0.5f - cx, dy = py + 0.5f - cy;
            float u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
            float d = std::sqrt(u * u + v * v);
            float coverage = Clamp01((1.0f - d) * std::fmin(rx, ry) + 0.5f);
            if (coverage > 0.0f) image->Blend(px, py, c, coverage);
        }
    }
}

Image RadialGlow(int size, float power, float peak, Color tint) {
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f) / size * 2.0f - 1.0f, dy = (y + 0.5f) / size * 2.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            float value = peak * std::pow(Clamp01(1.0f - r), power);
            image.Set(x, y, {tint.r * value, tint.g * value, tint.b * value, 1.0f});
        }
    }
    return image;
}

}  // namespace

Image MakeBarkTexture() {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            // Furrows run along the branch (v); the texture wraps both ways.
            float furrow = FractalNoise(x / 8.0f, y / 32.0f, 4, 91u, 32, 8);
            float grain = FractalNoise(x / 2.0f, y / 8.0f, 3, 93u, 128, 32);
            float value = 0.55f + 0.45f * SmoothStep(0.3f, 0.7f, furrow) + 0.15f * (grain - 0.5f);
            image.Set(x, y, {0.36f * value, 0.29f * value, 0.22f * value, 1.0f});
        }
    }
    return image;
}

Image MakeRockTexture() {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        // The rocks are drawn unlit by day and map v from their tops (v = 0)
        // down: the sunlight on a rounded stone, from its top to its foot.
        float polar = kPi * (static_cast<float>(y) + 0.5f) / kSize;
        float sun =
            0.42f + 0.72f * std::fmax(0.0f, 0.62f * std::cos(polar) + 0.25f * std::sin(polar));
        for (int x = 0; x < kSize; ++x) {
            float big = FractalNoise(x / 32.0f, y / 32.0f, 5, 95u, 8);
            float fine = FractalNoise(x / 4.0f, y / 4.0f, 3, 97u, 64);
            float lichen = SmoothStep(0.62f, 0.7f, FractalNoise(x / 16.0f, y / 16.0f, 3, 99u, 16));
            float v = 0.45f + 0.35f * big + 0.15f * fine;
            Color c{0.58f * v, 0.55f * v, 0.47f * v, 1.0f};
            c = MixColor(c, Color{0.48f, 0.52f, 0.30f, 1.0f}, 0.5f * lichen) * sun;
            c.a = 1.0f;
            image.Set(x, y, c);
        }
    }
    return image;
}

Image MakeGrassTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize);
    Random random(101);
    for (int i = 0; i < 46; ++i) {
        float x0 = random.Range(20.0f, 108.0f);
        float height = random.Range(50.0f, 124.0f);
        float lean = random.Range(-26.0f, 26.0f) + (x0 - 64.0f) * 0.4f;
        float shade = random.Range(0.75f, 1.15f);
        Color base{0.14f * shade, 0.27f * shade, 0.07f * shade, 1.0f};
        Color tip{0.46f * shade, 0.60f * shade, 0.23f * shade, 1.0f};
        DrawBlade(&image, x0, 128.0f, x0 + lean * 0.3f, 128.0f - height, lean * 0.7f,
                  random.Range(1.3f, 2.2f), base, tip);
    }
    return image;
}

Image MakeUndergrowthTexture() {
    constexpr int kWidth = 128, kHeight = 64;
    Image image(kWidth, kHeight);
    Random random(105);
    for (int i = 0; i < 60; ++i) {
        float x0 = random.Range(6.0f, 122.0f);
        float height = random.Range(18.0f, 60.0f);
        float lean = random.Range(-14.0f, 14.0f);
        // Dark, as grass in the shade.
        float shade = random.Range(0.7f, 1.1f);
        Color base{0.035f * shade, 0.060f * shade, 0.025f * shade, 1.0f};
        Color tip{0.085f * shade, 0.130f * shade, 0.050f * shade, 1.0f};
        DrawBlade(&image, x0, 64.0f, x0 + lean * 0.3f, 64.0f - height, lean * 0.7f,
                  random.Range(1.4f, 2.4f), base, tip);
    }
    // Half see-through: shade on the sunlit ground, next to nothing on the dark.
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            image.At(x, y)[3] = static_cast<uint8_t>(image.At(x, y)[3] * 0.45f);
    }
    return image;
}

Image MakeReedsTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize);
    Random random(103);
    for (int i = 0; i < 22; ++i) {
        float x0 = random.Range(24.0f, 104.0f);
        float height = random.Range(70.0f, 124.0f);
        float lean = random.Range(-10.0f, 10.0f);
        float shade = random.Range(0.8f, 1.1f);
        Color base{0.30f * shade, 0.34f * shade, 0.16f * shade, 1.0f};
        Color tip{0.62f * shade, 0.62f * shade, 0.36f * shade, 1.0f};
        DrawBlade(&image, x0, 128.0f, x0 + lean, 128.0f - height, lean * 0.5f, 1.6f, base, tip);
        if (i % 3 == 0) {
            // A brown seed head near the top.
            float t = 0.82f;
            FillEllipse(&image, Mix(x0, x0 + lean, t) + lean * 0.5f * t * t, 128.0f - height * t,
                        2.2f, 7.0f, 0.0f, {0.36f, 0.24f, 0.13f, 1.0f});
        }
    }
    return image;
}

Image MakeLeafTexture(bool night) {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    Random random(107);
    for (int i = 0; i < 520; ++i) {
        // Leaves fill a rough disc, denser towards the middle.
        float a = random.Range(0.0f, 2.0f * kPi);
        float r = 112.0f * std::sqrt(random.Unit()) * random.Range(0.75f, 1.0f);
        float x = 128.0f + r * std::cos(a), y = 128.0f + r * std::sin(a);
        float light = 0.55f + 0.45f * random.Unit() + 0.25f * (128.0f - y) / 128.0f;
        Color c{0.20f * light, 0.40f * light, 0.12f * light, 1.0f};
        if (random.Unit() < 0.2f) c = Color{0.36f * light, 0.48f * light, 0.14f * light, 1.0f};
        // The saver draws the leaves unlit: at night they take the moonlit
        // grass's dim blue-green themselves.
        if (night) c = Color{c.r * 0.25f + 0.02f, c.g * 0.30f + 0.03f, c.b * 0.55f + 0.08f, 1.0f};
        FillEllipse(&image, x, y, random.Range(5.0f, 9.0f), random.Range(2.5f, 4.0f),
                    random.Range(0.0f, kPi), c);
    }
    return image;
}

Image MakeTreeWallTexture(int width, int height) {
    Image image(width, height);
    float scale = static_cast<float>(width) / 512.0f;
    Random random(109);
    // Crowns are repeated one width to the left and right, so the picture
    // continues seamlessly into the next wall segment.
    for (int i = 0; i < 70; ++i) {
        float x = random.Range(0.0f, 512.0f) * scale;
        float top = random.Range(0.08f, 0.45f) * height;
        float radius = random.Range(12.0f, 30.0f) * scale;
        bool conifer = random.Unit() < 0.4f;
        float shade = random.Range(0.7f, 1.1f);
        Color c{0.12f * shade, 0.22f * shade, 0.10f * shade, 1.0f};
        for (int copy = -1; copy <= 1; ++copy) {
            float cx = x + copy * width;
            if (conifer) {
                for (int py = static_cast<int>(top); py < height; ++py) {
                    float half = (py - top) * 0.42f;
                    for (int px = static_cast<int>(cx - half - 1); px <= cx + half + 1; ++px) {
                        float coverage = Clamp01(half - std::fabs(px + 0.5f - cx) + 0.5f);
                        if (coverage > 0.0f) image.Blend(px, py, c, coverage);
                    }
                }
            } else {
                for (float y = top + radius; y < height + radius; y += radius * 0.9f) {
                    FillEllipse(&image, cx, y, radius, radius * 0.9f, 0.0f, c);
                }
            }
        }
    }
    // Light from above on the crowns, dark towards the ground.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color c = image.Get(x, y);
            float speckle = FractalNoise(x / (3.0f * scale), y / (3.0f * scale), 3, 111u);
            float light = (1.25f - 0.6f * y / height) * (0.75f + 0.5f * speckle);
            image.Set(x, y, {c.r * light, c.g * light, c.b * light, c.a});
        }
    }
    return image;
}

Image MakeSpriteGlowTexture() {
    return RadialGlow(64, 2.2f, 1.0f, {1.0f, 1.0f, 1.0f, 1.0f});
}

Image MakeBeamTexture() {
    constexpr int kWidth = 64, kHeight = 128;  // a band of columns per shell
    constexpr float kPeak = 0.07f;  // brightness of the column's core, halfway up
    const Color tint{0.72f, 0.82f, 1.0f, 1.0f};
    // Brightness across the column at distance d from its axis: flat over the
    // particles, falling smoothly to nothing at the outermost shell.
    const float inner = BeamShellRadius(0), outer = BeamShellRadius(kBeamShells - 1);
    auto across = [&](float d) {
        float t = Clamp01((d - inner) / (outer - inner));
        return std::pow(1.0f - SmoothStep(0.0f, 1.0f, t), 1.5f);
    };
    // Shell k adds what the column loses where a line of sight leaves it,
    // halfway between its radius and the next one in.
    std::vector<float> share(kBeamShells);
    for (int k = 0; k < kBeamShells; ++k) {
        float here = k == 0 ? 1.0f : across(0.5f * (BeamShellRadius(k - 1) + BeamShellRadius(k)));
        float outside = k + 1 == kBeamShells
                            ? 0.0f
                            : across(0.5f * (BeamShellRadius(k) + BeamShellRadius(k + 1)));
        share[k] = here - outside;
    }
    Image image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        // v = 0 is the column's top: a slow fade up to it, a short one at the crown.
        float height = 1.0f - (static_cast<float>(y) + 0.5f) / kHeight;
        float along = SmoothStep(0.0f, 0.18f, height) * (1.0f - SmoothStep(0.45f, 1.0f, height)) *
                      (1.0f - 0.35f * height);
        for (int x = 0; x < image.width; ++x) {
            // A fixed dither keeps the faint shells from banding in eight bits.
            float dither = (LatticeValue(x, y, 117u) - 0.5f) / 255.0f;
            float value = kPeak * share[x * kBeamShells / kWidth] * along + dither;
            image.Set(x, y, {tint.r * value, tint.g * value, tint.b * value, 1.0f});
        }
    }
    return image;
}

Image MakeFogTexture() {
    constexpr int kSize = 64;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float dx = (x + 0.5f) / kSize * 2.0f - 1.0f, dy = (y + 0.5f) / kSize * 2.0f - 1.0f;
            float edge = Clamp01(1.0f - std::sqrt(dx * dx + dy * dy));
            float wisps = FractalNoise(x / 8.0f, y / 8.0f, 3, 113u);
            image.Set(x, y, {0.85f, 0.88f, 0.92f, 0.5f * edge * wisps});
        }
    }
    return image;
}
