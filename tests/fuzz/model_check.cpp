// The model reader: the model it builds agrees with its counts, never
// reaches past the data, and registers only the names it read.
#include "tests/fuzz/fuzz_checks.h"

#include <string>

#include "render/model_loader.h"
#include "render/texture_cache.h"
#include "tests/support/test_decoders.h"

std::string CheckModel(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return "";
    Model model;
    TextureCache textures(kNoTextureDecoder);
    LoadModelFromBytes(model, reinterpret_cast<const char*>(data), static_cast<uint32_t>(size),
                       textures);

    int64_t vertices = 0;
    int64_t triangles = 0;
    uint64_t recordBytes = 0;
    for (const SubMesh& subMesh : model.subMeshes) {
        if (subMesh.firstTextureName.empty()) return "a sub-mesh without a first name";
        if (subMesh.secondTextureFlag < 0) return "a negative flag was kept";
        if (subMesh.secondTextureFlag == 0 && !subMesh.secondTextureName.empty()) {
            return "a second name without the flag";
        }
        if (subMesh.vertexCount < 0 || subMesh.triangleCount < 0) return "a negative count";
        if (subMesh.vertices.size() != static_cast<size_t>(subMesh.vertexCount)) {
            return "vertex array and count differ";
        }
        if (subMesh.triangles.size() != static_cast<size_t>(subMesh.triangleCount) * 3) {
            return "triangle array and count differ";
        }
        if (subMesh.baseVertex != static_cast<uint16_t>(vertices)) return "wrong base vertex";
        for (int32_t index : subMesh.triangles) {
            if (index < 0 || index >= subMesh.vertexCount) return "an index outside the record";
        }
        vertices += subMesh.vertexCount;
        triangles += subMesh.triangleCount;
        recordBytes += (subMesh.secondTextureFlag > 0 ? 104 : 54) + 8 +
                       40 * uint64_t(subMesh.vertexCount) + 12 * uint64_t(subMesh.triangleCount);
    }
    if (vertices > 65536) return "more than 65536 vertices";
    if (vertices != model.totalVertexCount) return "wrong vertex total";
    if (triangles != model.totalTriangleCount) return "wrong triangle total";
    if (recordBytes > size) return "records longer than the data";
    if (textures.Size() > 2 * model.subMeshes.size()) return "names registered beyond the records";
    return "";
}
