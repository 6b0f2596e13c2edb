// Builds R3M model bytes for tests, record by record, in the file's own
// Z-up frame and little-endian layout.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct R3MFileVertex {
    float x, y, z, nx, ny, nz, tu1, tv1, tu2, tv2;
};

class R3MWriter {
public:
    void Int32(int32_t value) { Raw(&value, sizeof value); }
    void Float(float value) { Raw(&value, sizeof value); }
    // A 50-byte name field, NUL-padded.
    void Name(const std::string& name) {
        std::string field = name;
        field.resize(50, '\0');
        bytes += field;
    }
    void Vertex(const R3MFileVertex& v) { Raw(&v, sizeof v); }
    void Raw(const void* data, size_t size) { bytes.append(static_cast<const char*>(data), size); }

    // A whole record: flag 1 with a second name when `second` is not empty.
    void Record(const std::string& first, const std::string& second,
                const std::vector<R3MFileVertex>& vertices, const std::vector<int32_t>& indices) {
        Int32(second.empty() ? 0 : 1);
        Name(first);
        if (!second.empty()) Name(second);
        Int32(static_cast<int32_t>(vertices.size()));
        Int32(static_cast<int32_t>(indices.size() / 3));
        for (const R3MFileVertex& v : vertices) Vertex(v);
        for (int32_t index : indices) Int32(index);
    }

    // A record of `vertexCount` vertices numbered in x and a fan of triangles.
    void Mesh(const std::string& first, int32_t vertexCount, int32_t triangleCount,
              const std::string& second = "") {
        std::vector<R3MFileVertex> vertices;
        for (int32_t i = 0; i < vertexCount; ++i) {
            vertices.push_back({static_cast<float>(i), 0, 0, 0, 0, 1, 0, 0, 0, 0});
        }
        std::vector<int32_t> indices;
        for (int32_t t = 0; t < triangleCount; ++t) {
            indices.push_back(0);
            indices.push_back((t + 1) % vertexCount);
            indices.push_back((t + 2) % vertexCount);
        }
        Record(first, second, vertices, indices);
    }

    std::string bytes;
};
