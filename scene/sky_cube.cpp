#include "scene/sky_cube.h"

#include <d3dx8.h>

#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"

namespace {

struct SkyFace {
    const char* day;
    const char* night;
};

constexpr SkyFace kFaces[] = {
    {"cubescene_bk.jpg", "cubescene_bk_n.jpg"}, {"cubescene_fr.jpg", "cubescene_fr_n.jpg"},
    {"cubescene_lf.jpg", "cubescene_lf_n.jpg"}, {"cubescene_rt.jpg", "cubescene_rt_n.jpg"},
    {"cubescene_up.jpg", "cubescene_up_n.jpg"},
};

}  // namespace

void CSkyCube::LoadSky(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures) {
    skyModel = models->GetModel(device, "models/sky.r3m", *textures, true);
    textureCache = textures;
    for (const SkyFace& face : kFaces) textures->AddTexture(face.night);
}

void CSkyCube::SetSkyNight(int night) {
    if (skyModel == nullptr || textureCache == nullptr) return;
    for (const SkyFace& face : kFaces) {
        IDirect3DTexture8* texture = textureCache->GetTexture(night ? face.night : face.day);
        ModelCache::ReplaceTexture(*skyModel, face.day, texture);
    }
}

void CSkyCube::DrawSky(IDirect3DDevice8* device, int pass) {
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    for (DWORD stage : {0u, 1u}) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSW, D3DTADDRESS_CLAMP);
    }
    if (skyModel != nullptr) DrawModel(*skyModel, device, true);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    for (DWORD stage : {1u, 0u}) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    }
    if (pass == 0) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    }
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}
