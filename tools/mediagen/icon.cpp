#include "tools/mediagen/icon.h"

#include <cmath>

#include "tools/mediagen/random.h"

namespace {

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

float Disc(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) < r ? 1.0f : 0.0f;
}

// The icon's picture at (x, y) in 0..1, y downwards.
Color IconColor(float x, float y) {
    float edge = std::hypot(x - 0.5f, y - 0.5f);
    if (edge > 0.49f) return {0, 0, 0, 0};
    Color c;
    if (y < 0.66f) {
        c = MixColor(Color{0.30f, 0.52f, 0.88f, 1}, Color{0.78f, 0.87f, 0.96f, 1}, y / 0.66f);
    } else {
        c = MixColor(Color{0.22f, 0.45f, 0.68f, 1}, Color{0.10f, 0.25f, 0.45f, 1},
                     (y - 0.66f) / 0.34f);
    }
    // The island.
    float ix = (x - 0.5f) / 0.3f, iy = (y - 0.69f) / 0.07f;
    if (ix * ix + iy * iy < 1.0f)
        c = y < 0.68f ? Color{0.40f, 0.60f, 0.22f, 1} : Color{0.85f, 0.76f, 0.55f, 1};
    // Trunk and two branches.
    if (std::fabs(x - 0.5f) < 0.035f + (0.68f - y) * -0.03f && y > 0.36f && y < 0.68f) {
        c = {0.40f, 0.27f, 0.15f, 1};
    }
    // Crown of overlapping leaf clusters, lit from the upper left.
    const float clusters[][3] = {{0.50f, 0.27f, 0.17f}, {0.33f, 0.36f, 0.13f},
                                 {0.67f, 0.36f, 0.13f}, {0.41f, 0.20f, 0.12f},
                                 {0.60f, 0.21f, 0.12f}, {0.50f, 0.42f, 0.11f}};
    for (const auto& k : clusters) {
        if (Disc(x, y, k[0], k[1], k[2]) > 0.0f) {
            float light =
                1.0f - 1.6f * std::hypot(x - (k[0] - 0.4f * k[2]), y - (k[1] - 0.4f * k[2]));
            float l = 0.55f + 0.45f * Clamp01(light / 1.0f);
            c = {0.18f * l + 0.05f, 0.50f * l, 0.16f * l, 1};
        }
    }
    // A dark rim keeps the round shape readable on any desktop.
    if (edge > 0.455f) c = {0.08f, 0.16f, 0.26f, 1};
    return c;
}

}  // namespace

Image MakeIconImage(int size) {
    constexpr int kSamples = 6;
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Color sum{0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    Color c = IconColor((x + (sx + 0.5f) / kSamples) / size,
                                        (y + (sy + 0.5f) / kSamples) / size);
                    sum = sum + Color{c.r * c.a, c.g * c.a, c.b * c.a, c.a};
                }
            }
            float n = kSamples * kSamples;
            Color c = sum * (1.0f / n);
            if (c.a > 0.0f) c = {c.r / c.a, c.g / c.a, c.b / c.a, c.a};
            image.Set(x, y, c);
        }
    }
    return image;
}

std::vector<uint8_t> EncodeIcon(const std::vector<Image>& images) {
    std::vector<std::vector<uint8_t>> bodies;
    for (const Image& image : images) {
        std::vector<uint8_t> body;
        uint32_t w = static_cast<uint32_t>(image.width), h = static_cast<uint32_t>(image.height);
        uint32_t maskRow = ((w + 31) / 32) * 4;
        PutLe(&body, 40, 4);
        PutLe(&body, w, 4);
        PutLe(&body, 2 * h, 4);  // colour image and mask
        PutLe(&body, 1, 2);
        PutLe(&body, 32, 2);
        PutLe(&body, 0, 4);
        PutLe(&body, w * h * 4 + maskRow * h, 4);
        PutLe(&body, 0, 4);
        PutLe(&body, 0, 4);
        PutLe(&body, 0, 4);
        PutLe(&body, 0, 4);
        for (int y = image.height - 1; y >= 0; --y) {
            for (int x = 0; x < image.width; ++x) {
                const uint8_t* p = image.At(x, y);
                body.insert(body.end(), {p[2], p[1], p[0], p[3]});
            }
        }
        for (int y = image.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskRow, 0);
            for (int x = 0; x < image.width; ++x) {
                if (image.At(x, y)[3] < 128) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(body);
    }
    std::vector<uint8_t> out;
    PutLe(&out, 0, 2);
    PutLe(&out, 1, 2);
    PutLe(&out, static_cast<uint32_t>(images.size()), 2);
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].width));
        out.push_back(static_cast<uint8_t>(images[i].height));
        out.push_back(0);
        out.push_back(0);
        PutLe(&out, 1, 2);
        PutLe(&out, 32, 2);
        PutLe(&out, static_cast<uint32_t>(bodies[i].size()), 4);
        PutLe(&out, offset, 4);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}
