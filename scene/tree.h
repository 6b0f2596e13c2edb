// The living part of the landscape: two grass models and the tree's foliage,
// whose leaf clusters grow in from nothing and sway. One small leaf model is
// drawn once per placement sub-mesh of a second model that is never drawn;
// each placement's vertex 0 (A) and vertex 3 (B, where the cluster stands)
// give the cluster its orientation N = normalise(A x B), growth and sway.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

struct Model;
struct SubMesh;
class ModelCache;
class TextureCache;

// The world matrix of one leaf cluster at scene time `time`, advancing its
// growth (kept in the sub-mesh's animation value) by `elapsed` seconds.
// False for a placement with fewer than four vertices, which is skipped.
bool LeafClusterWorld(SubMesh& placement, float time, float elapsed, D3DXMATRIX* world);

class CTree {
public:
    void LoadTree(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures);
    void ApplyWallTexture();
    void SortGrass(const D3DXVECTOR3& point);
    void DrawTree(IDirect3DDevice8* device, int night);

    Model* PlacementModel() const { return placementModel; }

private:
    Model* placementModel = nullptr;
    Model* leafModel = nullptr;
    Model* grassModel = nullptr;
    Model* secondGrassModel = nullptr;
    Model* treeModel = nullptr;
    Model* fogModel = nullptr;
    TextureCache* textureCache = nullptr;
};
