// One screen's models by name, so that each model file is read and built
// once per screen, and the model-wide services that need a texture cache
// (binding textures) or a point of view (sorting sub-meshes by distance).
#pragma once

#include <d3d8.h>

#include <map>
#include <memory>
#include <string>

#include "render/model.h"

class TextureCache;

class ModelCache {
public:
    ModelCache() = default;
    ~ModelCache() { ReleaseAll(); }
    ModelCache(const ModelCache&) = delete;
    ModelCache& operator=(const ModelCache&) = delete;

    // The model of `name` (never null). The first request for a name loads
    // it, registering its texture names, and builds its buffers when
    // `createBuffers` is set; later requests return it as it is. A missing
    // file is kept as an empty model. Names are keys exactly as written.
    Model* GetModel(IDirect3DDevice8* device, const char* name, TextureCache& textures,
                    bool createBuffers);

    // Loads every registered texture, then binds textures in every model.
    void ResolveTextures(IDirect3DDevice8* device, TextureCache& textures);

    // Releases and deletes every model.
    void ReleaseAll();

    size_t Size() const { return models.size(); }

    // Points each sub-mesh at its textures from `textures` (null for names
    // the cache could not load, and for the second texture of sub-meshes
    // without one).
    static void BindTextures(Model& model, TextureCache& textures);

    // Gives every sub-mesh whose first texture name equals `name`, ignoring
    // case, `texture` (borrowed) as its first texture.
    static void ReplaceTexture(Model& model, const char* name, IDirect3DTexture8* texture);

    // Orders the sub-meshes nearest first by the squared distance from
    // (x, y, z) to their fourth vertex. Sub-meshes with fewer than four
    // vertices, or whose distance is not a number, go last.
    static void SortByDistance(Model& model, float x, float y, float z);

private:
    std::map<std::string, std::unique_ptr<Model>> models;
};
