// An 8-bit RGB picture and its PNG files (read in any PNG format, written
// as RGB).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> rgb;  // rows top first, three bytes a pixel

    const uint8_t* At(unsigned x, unsigned y) const {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
};

// False with a reason in `error` when the file cannot be read as PNG.
bool ReadPngImage(const std::string& path, RgbImage* image, std::string* error);
bool WritePngImage(const std::string& path, const RgbImage& image);
