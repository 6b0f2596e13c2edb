#include "tools/mediagen/water.h"

#include <cmath>

#include "media/media_names.h"
#include "tools/mediagen/layout.h"
#include "tools/mediagen/random.h"

namespace {

constexpr float kPi = 3.14159265f;

// What the lit water keeps of the red and green it mirrors (its material's
// 0.5 under the scene's ambient plus the light straight down); blue stays whole.
constexpr float kKeptRedGreen = 0.625f;

}  // namespace

Model BuildWater() {
    constexpr int kCells = 20;
    constexpr float kRippleSize = 140.0f;  // world units per bump map tile
    Mesh mesh;
    mesh.texture = media_names::kWaterTexture;
    for (int j = 0; j <= kCells; ++j) {
        for (int i = 0; i <= kCells; ++i) {
            MeshVertex v;
            v.position = {-kSkyHalfSize + 2.0f * kSkyHalfSize * i / kCells, 0.0f,
                          -kSkyHalfSize + 2.0f * kSkyHalfSize * j / kCells};
            v.normal = {0, 1, 0};
            v.u = v.position.x / kRippleSize;
            v.v = v.position.z / kRippleSize;
            v.u2 = v.u;
            v.v2 = v.v;
            mesh.AddVertex(v);
        }
    }
    for (int j = 0; j < kCells; ++j) {
        for (int i = 0; i < kCells; ++i) {
            int a = j * (kCells + 1) + i, b = a + 1, c = b + kCells + 1, d = a + kCells + 1;
            mesh.AddQuad(a, d, c, b);
        }
    }
    return {mesh};
}

Mesh BuildLakeBody() {
    constexpr float kDepth = 0.3f;  // deep enough for the depth buffer, too shallow to see
    Mesh mesh;
    mesh.texture = "lakebody.tga";
    const float h = kSkyHalfSize;
    const Vec3 corners[] = {{-h, -kDepth, -h}, {h, -kDepth, -h}, {h, -kDepth, h}, {-h, -kDepth, h}};
    for (Vec3 corner : corners) {
        MeshVertex v;
        v.position = corner;
        // At night the sheet is lit: this much light from above gives it
        // the night lake's own dark blue, so it dims the moon's image in the
        // water without darkening the lake.
        constexpr float kNightLight = 0.16f;
        v.normal = {std::sqrt(1.0f - kNightLight * kNightLight), kNightLight, 0};
        v.u = corner.x > 0 ? 1.0f : 0.0f;
        v.v = corner.z > 0 ? 1.0f : 0.0f;
        mesh.AddVertex(v);
    }
    mesh.AddQuad(0, 1, 2, 3);  // faces down, towards the mirrored camera
    return mesh;
}

Model BuildFoam() {
    constexpr int kSegments = 120;
    Mesh mesh;
    mesh.texture = "foam.jpg";
    float travelled = 0.0f;
    Vec3 previous;
    for (int i = 0; i <= kSegments; ++i) {
        float a = 2.0f * kPi * static_cast<float>(i) / kSegments;
        float shore = IslandShoreRadius(a);
        Vec3 dir{std::cos(a), 0, std::sin(a)};
        Vec3 inner = dir * (shore - 1.5f), outer = dir * (shore + 4.0f);
        inner.y = outer.y = 0.15f;
        if (i > 0) travelled += Length(inner - previous);
        previous = inner;
        MeshVertex v;
        v.normal = {0, 1, 0};
        v.position = inner;
        v.u = travelled / 24.0f;
        v.v = 0.0f;
        mesh.AddVertex(v);
        v.position = outer;
        v.v = 1.0f;
        mesh.AddVertex(v);
    }
    for (int i = 0; i < kSegments; ++i) {
        int a = 2 * i, b = a + 1, c = a + 3, d = a + 2;
        mesh.AddQuad(a, d, c, b);
    }
    return {mesh};
}

Image MakeFoamTexture() {
    constexpr int kWidth = 256, kHeight = 64;
    Image image(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            float across = (y + 0.5f) / kHeight;
            // Brightest a little inside the ring's middle, fading to black at both edges.
            float band = std::exp(-std::pow((across - 0.4f) / 0.18f, 2.0f));
            // Periods that divide the width, so the ring's texture repeats seamlessly.
            float streaks = FractalNoise(x / 8.0f, y / 3.0f, 4, 61u, kWidth / 8);
            float bubbles = FractalNoise(x / 2.0f, y / 2.0f, 2, 63u, kWidth / 2);
            float value = band * SmoothStep(0.35f, 0.75f, 0.7f * streaks + 0.3f * bubbles) * 0.35f;
            image.Set(x, y, {value, value, value * 1.05f, 1.0f});
        }
    }
    return image;
}

Image MakeWaterTexture(const std::vector<uint8_t>& bumpHeights) {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    auto height = [&](int x, int y) {
        return static_cast<float>(
            static_cast<int8_t>(bumpHeights[static_cast<size_t>((y & 255) * kSize + (x & 255))]));
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float slope =
                (height(x + 1, y) - height(x - 1, y) + height(x, y + 1) - height(x, y - 1)) /
                255.0f;
            float shade = 0.86f + 0.5f * slope;
            image.Set(x, y, {0.78f * shade, 0.86f * shade, 0.95f * shade, 1.0f});
        }
    }
    return image;
}

Image MakeLakeBodyTexture() {
    constexpr float kCover = 0.3f;           // share of the lake's own colour in what it shows
    const Color shown{0.12f, 0.19f, 0.10f};  // that share as it reaches the screen
    Image image(8, 8);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.Set(x, y,
                      {shown.r / (kCover * kKeptRedGreen), shown.g / (kCover * kKeptRedGreen),
                       shown.b / kCover, kCover});
        }
    }
    return image;
}
