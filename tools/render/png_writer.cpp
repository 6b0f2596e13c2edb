#include "tools/render/png_writer.h"

#include <zlib.h>

#include <cstdio>

namespace {

void PutWord(std::vector<unsigned char>* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<unsigned char>(value >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void PutChunk(std::vector<unsigned char>* out, const char (&type)[5],
              const std::vector<unsigned char>& data) {
    PutWord(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    const uLong crc = crc32(0, out->data() + typeAt, static_cast<uInt>(4 + data.size()));
    PutWord(out, static_cast<uint32_t>(crc));
}

}  // namespace

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, unsigned width,
              unsigned height) {
    if (width == 0 || height == 0 || pixels.size() < static_cast<size_t>(width) * height)
        return false;
    // Every row starts with its filter type, 0: the bytes as they are.
    const size_t rowBytes = 1 + static_cast<size_t>(width) * 3;
    std::vector<unsigned char> rows(rowBytes * height);
    for (unsigned y = 0; y < height; ++y) {
        unsigned char* row = &rows[y * rowBytes];
        row[0] = 0;
        for (unsigned x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            row[1 + x * 3] = static_cast<unsigned char>(p >> 16);
            row[2 + x * 3] = static_cast<unsigned char>(p >> 8);
            row[3 + x * 3] = static_cast<unsigned char>(p);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<unsigned char> header;
    PutWord(&header, width);
    PutWord(&header, height);
    // 8 bits per channel, RGB, deflate, the standard filters, not interlaced.
    header.insert(header.end(), {8, 2, 0, 0, 0});
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(&file, "IHDR", header);
    PutChunk(&file, "IDAT", packed);
    PutChunk(&file, "IEND", {});

    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}
