// RGBA images in memory (rows from the top) and their file encodings: TGA,
// BMP and JPEG, each the same bytes for the same pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

inline Color operator+(Color a, Color b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b, a.a + b.a};
}
inline Color operator*(Color a, float s) {
    return {a.r * s, a.g * s, a.b * s, a.a * s};
}
inline Color MixColor(Color a, Color b, float t) {
    return a * (1.0f - t) + b * t;
}

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4 bytes, top row first

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}

    uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    void Set(int x, int y, Color c);
    Color Get(int x, int y) const;
    // Blends `c` over the pixel by c.a times `coverage`.
    void Blend(int x, int y, Color c, float coverage);
};

// 32-bit (with alpha) or 24-bit uncompressed TGA, stored bottom row first as
// the format's default origin is, so every reader shows it upright.
std::vector<uint8_t> EncodeTga(const Image& image, bool withAlpha);
// 24-bit uncompressed BMP (alpha dropped).
std::vector<uint8_t> EncodeBmp(const Image& image);
// Baseline JPEG of the colour channels at `quality` 1..100.
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality);
