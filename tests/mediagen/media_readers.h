// Independent readers for the media formats, written from the formats'
// descriptions so the tests do not trust the generator's own writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TestVertex {
    float x, y, z;  // Y-up frame, after the reader's conversion
    float nx, ny, nz;
    float u1, v1, u2, v2;
};

struct TestSubMesh {
    int32_t flag = 0;
    std::string texture, texture2;
    std::vector<TestVertex> vertices;
    std::vector<int32_t> indices;
};

// Parses an R3M file record by record; false with a reason when a record is
// malformed (cut off, unterminated name, negative count, index out of range).
bool ParseR3M(const std::vector<uint8_t>& data, std::vector<TestSubMesh>* meshes,
              std::string* reason);

struct TestImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // top row first
    const uint8_t* At(int x, int y) const {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
};

// Decoders for JPEG (libjpeg), uncompressed TGA (24/32 bits, either origin)
// and uncompressed 24-bit BMP; false when the bytes are not a valid file.
bool DecodeJpeg(const std::vector<uint8_t>& data, TestImage* image);
bool DecodeTga(const std::vector<uint8_t>& data, TestImage* image);
bool DecodeBmp(const std::vector<uint8_t>& data, TestImage* image);
bool DecodeByName(const std::string& name, const std::vector<uint8_t>& data, TestImage* image);

struct TestSound {
    int rate = 0, channels = 0;
    std::vector<int16_t> samples;  // interleaved
};

// Decodes a whole Ogg Vorbis file held in memory through vorbisfile.
bool DecodeOgg(const std::vector<uint8_t>& data, TestSound* sound);
