#include "tools/mediagen/image.h"

#include <jpeglib.h>

#include <cmath>
#include <cstdio>

namespace {

uint8_t ToByte(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(value * 255.0f));
}

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void Image::Set(int x, int y, Color c) {
    uint8_t* p = At(x, y);
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
    p[3] = ToByte(c.a);
}

Color Image::Get(int x, int y) const {
    const uint8_t* p = At(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
}

void Image::Blend(int x, int y, Color c, float coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    float t = c.a * coverage;
    Color old = Get(x, y);
    Color mixed = MixColor(old, c, t);
    mixed.a = old.a + (1.0f - old.a) * t;
    Set(x, y, mixed);
}

std::vector<uint8_t> EncodeTga(const Image& image, bool withAlpha) {
    std::vector<uint8_t> out;
    out.push_back(0);             // no image id
    out.push_back(0);             // no colour map
    out.push_back(2);             // uncompressed true colour
    out.insert(out.end(), 5, 0);  // colour map fields
    PutLe(&out, 0, 2);
    PutLe(&out, 0, 2);
    PutLe(&out, static_cast<uint32_t>(image.width), 2);
    PutLe(&out, static_cast<uint32_t>(image.height), 2);
    out.push_back(withAlpha ? 32 : 24);
    out.push_back(withAlpha ? 0x08 : 0x00);  // bottom-left origin, 8 alpha bits
    // Fully transparent texels take the image's mean visible colour, so that
    // filtering and mip levels blend towards it instead of towards black.
    uint8_t hidden[3] = {0, 0, 0};
    if (withAlpha) {
        double sum[3] = {0, 0, 0}, weight = 0;
        for (size_t i = 0; i < image.rgba.size(); i += 4) {
            double a = image.rgba[i + 3];
            for (int c = 0; c < 3; ++c) sum[c] += image.rgba[i + c] * a;
            weight += a;
        }
        for (int c = 0; c < 3; ++c) {
            hidden[c] = weight > 0 ? static_cast<uint8_t>(sum[c] / weight + 0.5) : 0;
        }
    }
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            const uint8_t* rgb = (withAlpha && p[3] == 0) ? hidden : p;
            out.push_back(rgb[2]);
            out.push_back(rgb[1]);
            out.push_back(rgb[0]);
            if (withAlpha) out.push_back(p[3]);
        }
    }
    return out;
}

std::vector<uint8_t> EncodeBmp(const Image& image) {
    uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe(&out, 54 + pixelBytes, 4);
    PutLe(&out, 0, 4);
    PutLe(&out, 54, 4);
    PutLe(&out, 40, 4);
    PutLe(&out, static_cast<uint32_t>(image.width), 4);
    PutLe(&out, static_cast<uint32_t>(image.height), 4);  // positive: bottom row first
    PutLe(&out, 1, 2);
    PutLe(&out, 24, 2);
    PutLe(&out, 0, 4);  // BI_RGB
    PutLe(&out, pixelBytes, 4);
    PutLe(&out, 2835, 4);
    PutLe(&out, 2835, 4);
    PutLe(&out, 0, 4);
    PutLe(&out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

std::vector<uint8_t> EncodeJpeg(const Image& image, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(image.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            row[x * 3 + 0] = p[0];
            row[x * 3 + 1] = p[1];
            row[x * 3 + 2] = p[2];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}
