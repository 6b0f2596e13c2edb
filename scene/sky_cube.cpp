#include "scene/sky_cube.h"

#include <d3dx8.h>

#include "media/media_names.h"
#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"

void CSkyCube::LoadSky(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures) {
    skyModel = models->GetModel(device, media_names::kSkyModel, *textures, true);
    textureCache = textures;
    for (const media_names::SkyFaceTextures& face : media_names::kSkyFaceTextures) {
        textures->AddTexture(face.night);
    }
}

void CSkyCube::SetSkyNight(int night) {
    if (skyModel == nullptr || textureCache == nullptr) return;
    for (const media_names::SkyFaceTextures& face : media_names::kSkyFaceTextures) {
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
