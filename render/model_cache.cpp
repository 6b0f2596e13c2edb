#include "render/model_cache.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/model_buffers.h"
#include "render/model_loader.h"
#include "render/texture_cache.h"

Model* ModelCache::GetModel(IDirect3DDevice8* device, const char* name, TextureCache& textures,
                            bool createBuffers) {
    auto found = models.find(name);
    if (found != models.end()) return found->second.get();
    auto model = std::make_unique<Model>();
    LoadModel(*model, name, textures);
    Model* result = model.get();
    models.emplace(name, std::move(model));
    if (createBuffers) CreateBuffers(*result, device);
    return result;
}

void ModelCache::ResolveTextures(IDirect3DDevice8* device, TextureCache& textures) {
    textures.LoadAll(device);
    for (auto& entry : models) BindTextures(*entry.second, textures);
}

void ModelCache::ReleaseAll() {
    for (auto& entry : models) ReleaseModel(*entry.second);
    models.clear();
}

void ModelCache::BindTextures(Model& model, TextureCache& textures) {
    for (SubMesh& subMesh : model.subMeshes) {
        subMesh.secondTexture = subMesh.secondTextureFlag > 0
                                    ? textures.GetTexture(subMesh.secondTextureName.c_str())
                                    : nullptr;
        subMesh.firstTexture = textures.GetTexture(subMesh.firstTextureName.c_str());
    }
}

void ModelCache::ReplaceTexture(Model& model, const char* name, IDirect3DTexture8* texture) {
    std::string wanted = LowerCaseAscii(name);
    for (SubMesh& subMesh : model.subMeshes) {
        if (LowerCaseAscii(subMesh.firstTextureName.c_str()) == wanted) {
            subMesh.firstTexture = texture;
        }
    }
}

namespace {

// Squared distance from the point to the sub-mesh's fourth vertex, in single
// precision. Anything that cannot be ordered sorts as farthest, so the
// comparison stays a strict weak order.
float SortKey(const SubMesh& subMesh, float x, float y, float z) {
    if (subMesh.vertices.size() < 4) return std::numeric_limits<float>::infinity();
    const ModelVertex& v = subMesh.vertices[3];
    float dx = v.x - x;
    float dy = v.y - y;
    float dz = v.z - z;
    float key = dx * dx + dy * dy + dz * dz;
    return std::isnan(key) ? std::numeric_limits<float>::infinity() : key;
}

}  // namespace

void ModelCache::SortByDistance(Model& model, float x, float y, float z) {
    std::sort(model.subMeshes.begin(), model.subMeshes.end(),
              [x, y, z](const SubMesh& a, const SubMesh& b) {
                  return SortKey(a, x, y, z) < SortKey(b, x, y, z);
              });
}
