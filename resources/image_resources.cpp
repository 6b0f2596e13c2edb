#include "resources/image_resources.h"

#include <cstring>

#include "resources/embedded_images.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// A bottom-up device-independent bitmap of 24 or 32 bits at `data`, whose
// header says `height` rows (an icon's header counts its mask rows too).
bool DecodeDib(const uint8_t* data, size_t size, int height, ImageResource* image) {
    if (size < 40) return false;
    uint32_t headerSize = Le32(data);
    int32_t width = static_cast<int32_t>(Le32(data + 4));
    uint16_t bits = Le16(data + 14);
    uint32_t compression = Le32(data + 16);
    if (headerSize < 40 || headerSize > size || width <= 0 || width > 4096 || height <= 0 ||
        height > 4096 || (bits != 24 && bits != 32) || compression != 0) {
        return false;
    }
    size_t rowBytes = ((static_cast<size_t>(width) * bits / 8) + 3) & ~size_t{3};
    if (headerSize + rowBytes * height > size) return false;
    image->width = width;
    image->height = height;
    image->pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + headerSize + rowBytes * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + x * (bits / 8);
            uint32_t alpha = bits == 32 ? p[3] : 0xFF;
            image->pixels[static_cast<size_t>(y) * width + x] =
                (alpha << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
        }
    }
    return true;
}

}  // namespace

bool DecodeBitmapFile(const uint8_t* data, size_t size, ImageResource* image) {
    if (size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return false;
    uint32_t offset = Le32(data + 10);
    int32_t height = static_cast<int32_t>(Le32(data + 14 + 8));
    if (offset < 14 + 40 || offset > size) return false;
    // The pixels follow the header at `offset`: present them as one DIB.
    std::vector<uint8_t> dib(data + 14, data + 14 + 40);
    uint32_t dibHeader = 40;
    std::memcpy(dib.data(), &dibHeader, 4);
    dib.insert(dib.end(), data + offset, data + size);
    return DecodeDib(dib.data(), dib.size(), height, image);
}

bool DecodeIconFile(const uint8_t* data, size_t size, std::vector<ImageResource>* images) {
    if (size < 6 || Le16(data) != 0 || Le16(data + 2) != 1) return false;
    int count = Le16(data + 4);
    if (6 + static_cast<size_t>(count) * 16 > size) return false;
    for (int i = 0; i < count; ++i) {
        const uint8_t* entry = data + 6 + i * 16;
        uint32_t bytes = Le32(entry + 8), offset = Le32(entry + 12);
        if (offset > size || bytes > size - offset) return false;
        // The header's height counts the colour rows and the mask rows.
        if (bytes < 40) return false;
        int height = static_cast<int32_t>(Le32(data + offset + 8)) / 2;
        ImageResource image;
        if (!DecodeDib(data + offset, bytes, height, &image)) return false;
        images->push_back(std::move(image));
    }
    return !images->empty();
}

std::vector<ImageResource> FindIconResource(int id) {
    std::vector<ImageResource> images;
    if (id == 101) DecodeIconFile(kIcon101, sizeof(kIcon101), &images);
    return images;
}

bool FindBitmapResource(int id, ImageResource* image) {
    return id == 107 && DecodeBitmapFile(kPreview107, sizeof(kPreview107), image);
}
