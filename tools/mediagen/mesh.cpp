#include "tools/mediagen/mesh.h"

#include <cstring>

namespace {

void PutInt(std::vector<uint8_t>* out, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void PutFloat(std::vector<uint8_t>* out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    PutInt(out, static_cast<int32_t>(bits));
}

void PutName(std::vector<uint8_t>* out, const std::string& name) {
    char field[50] = {};
    std::memcpy(field, name.data(), name.size() < 49 ? name.size() : 49);
    out->insert(out->end(), field, field + 50);
}

}  // namespace

std::vector<uint8_t> EncodeR3M(const Model& model) {
    std::vector<uint8_t> out;
    for (const Mesh& mesh : model) {
        PutInt(&out, mesh.texture2.empty() ? 0 : 1);
        PutName(&out, mesh.texture);
        if (!mesh.texture2.empty()) PutName(&out, mesh.texture2);
        PutInt(&out, static_cast<int32_t>(mesh.vertices.size()));
        PutInt(&out, static_cast<int32_t>(mesh.indices.size() / 3));
        for (const MeshVertex& v : mesh.vertices) {
            PutFloat(&out, v.position.x);
            PutFloat(&out, -v.position.z);
            PutFloat(&out, v.position.y);
            PutFloat(&out, v.normal.x);
            PutFloat(&out, -v.normal.z);
            PutFloat(&out, v.normal.y);
            PutFloat(&out, v.u);
            PutFloat(&out, 1.0f - v.v);
            PutFloat(&out, v.u2);
            PutFloat(&out, 1.0f - v.v2);
        }
        for (int32_t index : mesh.indices) PutInt(&out, index);
    }
    return out;
}

int AddStandingQuad(Mesh* mesh, Vec3 base, Vec3 facing, float width, float height, Vec3 normal,
                    bool doubleSided) {
    Vec3 side = Normalise(Cross(facing, Vec3{0, 1, 0})) * (0.5f * width);
    Vec3 up{0, height, 0};
    MeshVertex corner;
    corner.normal = normal;
    int first = static_cast<int>(mesh->vertices.size());
    corner.position = base - side;
    corner.u = 0, corner.v = 1;
    mesh->AddVertex(corner);
    corner.position = base - side + up;
    corner.u = 0, corner.v = 0;
    mesh->AddVertex(corner);
    corner.position = base + side + up;
    corner.u = 1, corner.v = 0;
    mesh->AddVertex(corner);
    corner.position = base + side;
    corner.u = 1, corner.v = 1;
    mesh->AddVertex(corner);
    if (doubleSided) {
        mesh->AddDoubleQuad(first, first + 1, first + 2, first + 3);
    } else {
        mesh->AddQuad(first, first + 1, first + 2, first + 3);
    }
    return first;
}
