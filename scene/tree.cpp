#include "scene/tree.h"

#include <cfloat>
#include <cmath>

#include "media/media_names.h"
#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "scene/scene_state.h"

namespace {

D3DXVECTOR3 Position(const ModelVertex& v) {
    return D3DXVECTOR3(v.x, v.y, v.z);
}

// Normalised, or the zero vector when the length is too small to divide by.
D3DXVECTOR3 NormaliseOrZero(const D3DXVECTOR3& v) {
    float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(lengthSquared > FLT_MIN)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    float length = std::sqrt(lengthSquared);
    return D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
}

}  // namespace

bool LeafClusterWorld(SubMesh& placement, float time, float elapsed, D3DXMATRIX* world) {
    if (placement.vertices.size() < 4) return false;
    D3DXVECTOR3 a = Position(placement.vertices[0]);
    D3DXVECTOR3 b = Position(placement.vertices[3]);
    D3DXVECTOR3 cross;
    D3DXVec3Cross(&cross, &a, &b);
    D3DXVECTOR3 n = NormaliseOrZero(cross);

    float rate = std::fabs(n.z);
    if (rate == 0.0f) rate = 1.1f;
    float growth = placement.animation + elapsed * rate / 50.0f;
    if (growth > 1.0f) growth = 1.0f;
    placement.animation = growth;

    float sway = std::sin(time * n.x * 5.3f) / 35.0f;
    D3DXMATRIX rotation, scale, translation, rotated;
    D3DXMatrixRotationYawPitchRoll(&rotation, n.x + sway, n.y - sway, n.z + sway);
    D3DXMatrixScaling(&scale, growth, growth, growth);
    D3DXMatrixTranslation(&translation, b.x, b.y, b.z);
    D3DXMatrixMultiply(&rotated, &rotation, &scale);
    D3DXMatrixMultiply(world, &rotated, &translation);
    return true;
}

void CTree::LoadTree(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures) {
    textureCache = textures;
    placementModel = models->GetModel(device, media_names::kPlacementModel, *textures, false);
    leafModel = models->GetModel(device, media_names::kLeafModel, *textures, true);
    grassModel = models->GetModel(device, media_names::kGrassModel, *textures, true);
    secondGrassModel = models->GetModel(device, media_names::kSecondGrassModel, *textures, true);
    treeModel = models->GetModel(device, media_names::kTreeModel, *textures, true);
    fogModel = models->GetModel(device, media_names::kFogModel, *textures, true);
    textures->AddTexture(media_names::kNightLeafTexture);
    textures->AddTexture(media_names::kTreeWallTexture);
}

void CTree::ApplyWallTexture() {
    if (textureCache == nullptr || secondGrassModel == nullptr) return;
    IDirect3DTexture8* wall = textureCache->GetTexture(media_names::kTreeWallTexture);
    ModelCache::ReplaceTexture(*secondGrassModel, media_names::kSmallTreeWallTexture, wall);
}

void CTree::SortGrass(const D3DXVECTOR3& point) {
    if (secondGrassModel != nullptr) {
        ModelCache::SortByDistance(*secondGrassModel, point.x, point.y, point.z);
    }
}

void CTree::DrawTree(IDirect3DDevice8* device, int night) {
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    for (DWORD stage : {1u, 0u}) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    if (night) device->SetRenderState(D3DRS_LIGHTING, TRUE);
    if (secondGrassModel != nullptr) DrawModel(*secondGrassModel, device, true);
    if (night) device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    for (DWORD stage : {1u, 0u}) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    if (grassModel != nullptr) DrawModel(*grassModel, device, true);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);

    if (placementModel != nullptr) {
        const char* leaves = night ? media_names::kNightLeafTexture : media_names::kLeafTexture;
        device->SetTexture(0, textureCache != nullptr ? textureCache->GetTexture(leaves) : nullptr);
        device->SetTexture(1, nullptr);
        for (SubMesh& placement : placementModel->subMeshes) {
            D3DXMATRIX world;
            if (!LeafClusterWorld(placement, sceneTime, sceneElapsed, &world)) continue;
            device->SetTransform(D3DTS_WORLD, &world);
            if (leafModel != nullptr) DrawModel(*leafModel, device, false);
        }
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        device->SetTransform(D3DTS_WORLD, &identity);
    }
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}
