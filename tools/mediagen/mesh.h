// Meshes in the saver's Y-up world frame and their R3M encoding. A sub-mesh
// is one textured triangle list; triangles face the side from which their
// corners run a, b, c with (b - a) x (c - a) pointing at the viewer.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
inline Vec3 Normalise(Vec3 a) {
    float length = Length(a);
    return length > 0.0f ? a * (1.0f / length) : Vec3{0, 1, 0};
}

// Texture coordinates follow the image: v = 0 is the top row.
struct MeshVertex {
    Vec3 position;
    Vec3 normal;
    float u = 0, v = 0;
    float u2 = 0, v2 = 0;
};

struct Mesh {
    std::string texture;   // first texture name, never empty
    std::string texture2;  // second texture name, empty for none
    std::vector<MeshVertex> vertices;
    std::vector<int32_t> indices;  // three per triangle, into `vertices`

    int AddVertex(const MeshVertex& vertex) {
        vertices.push_back(vertex);
        return static_cast<int>(vertices.size()) - 1;
    }
    void AddTriangle(int a, int b, int c) { indices.insert(indices.end(), {a, b, c}); }
    // Quad a b c d, corners in order around its edge.
    void AddQuad(int a, int b, int c, int d) {
        AddTriangle(a, b, c);
        AddTriangle(a, c, d);
    }
    // The same quad seen from both sides.
    void AddDoubleQuad(int a, int b, int c, int d) {
        AddQuad(a, b, c, d);
        AddQuad(a, d, c, b);
    }
};

using Model = std::vector<Mesh>;

// Encodes the sub-meshes as an R3M file: the file is Z-up, so a world point
// (x, y, z) is stored as (x, -z, y) and v is stored as 1 - v.
std::vector<uint8_t> EncodeR3M(const Model& model);

// Upright quad of `width` by `height` standing on `base`, facing `facing`
// (horizontal), with the whole texture on it; adds 4 vertices, returns the first.
int AddStandingQuad(Mesh* mesh, Vec3 base, Vec3 facing, float width, float height, Vec3 normal,
                    bool doubleSided);
