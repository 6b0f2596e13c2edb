#include "scene/water.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/error_file.h"
#include "media/log_file.h"
#include "media/media_archive.h"
#include "media/media_names.h"
#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "scene/scene_state.h"

namespace {

constexpr int kBumpSize = 256;
constexpr UINT kReflectionSize = 512;

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

int ClampDifference(int difference) {
    return difference > 127 ? 127 : (difference < -127 ? -127 : difference);
}

void ApplyWaterMaterial(IDirect3DDevice8* device) {
    D3DMATERIAL8 material = {};
    material.Diffuse = D3DCOLORVALUE{0.5f, 0.5f, 1.0f, 0.0f};
    material.Ambient = material.Diffuse;
    device->SetMaterial(&material);
}

void SetIdentityWorld(IDirect3DDevice8* device) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
}

}  // namespace

void BuildBumpTexels(const int8_t* h, uint16_t* texels) {
    for (int y = 0; y < kBumpSize; ++y) {
        for (int x = 0; x < kBumpSize; ++x) {
            int here = h[y * kBumpSize + x];
            int below = h[((y + 1) % kBumpSize) * kBumpSize + x];
            int right = h[y * kBumpSize + (x + 1) % kBumpSize];
            auto u = static_cast<uint8_t>(static_cast<int8_t>(ClampDifference(here - below)));
            auto v = static_cast<uint8_t>(static_cast<int8_t>(ClampDifference(here - right)));
            texels[y * kBumpSize + x] = static_cast<uint16_t>(u | (v << 8));
        }
    }
}

// The off-centre terms _31 and _32 are zero for one screen; on one of
// several screens drawing a wide image they shift its part of the view, and
// the lookup must shift with them or the reflection breaks at every seam.
void ReflectionTextureMatrix(const D3DXMATRIX& p, D3DXMATRIX* m) {
    *m = D3DXMATRIX(0.5f * p._11, 0.0f, 0.0f, 0.0f,  //
                    0.0f, 0.5f * p._22, 0.0f, 0.0f,  //
                    0.5f * (p._31 + p._33), 0.5f * (p._32 + p._33), p._33, 0.0f,  //
                    0.0f, 0.0f, 0.0f, 0.0f);
}

CWater::CWater() {
    D3DXMatrixIdentity(&scrollMatrix);
    D3DXMatrixIdentity(&foamMatrix1);
    D3DXMatrixIdentity(&foamMatrix2);
}

CWater::~CWater() {
    ReleaseWater();
    if (ownsBumpTexture && bumpTexture != nullptr) bumpTexture->Release();
}

void CWater::LoadFoam(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures) {
    foamModel = models->GetModel(device, media_names::kFoamModel, *textures, true);
    textures->AddTexture(media_names::kWaterTexture);
}

void CWater::CreateWater(IDirect3DDevice8* device, const D3DSURFACE_DESC& backBufferDesc,
                         ModelCache* models, TextureCache* textures) {
    waterModel = models->GetModel(device, media_names::kWaterModel, *textures, true);
    textureCache = textures;
    if (FAILED(D3DXCreateTexture(device, kReflectionSize, kReflectionSize, 1, D3DUSAGE_RENDERTARGET,
                                 backBufferDesc.Format, D3DPOOL_DEFAULT, &reflectionTexture))) {
        reflectionTexture = nullptr;
        ReportError("error D3DXCreateTexture\n");
        return;
    }
    reflectionTexture->GetSurfaceLevel(0, &reflectionSurface);
    CreateReflectionDepth(device);
    if (bumpMapSupported) {
        bumpTexture = CreateBumpTexture(device, kBumpSize, kBumpSize);
        ownsBumpTexture = bumpTexture != nullptr;
    } else {
        bumpTexture = textures->GetTexture(media_names::kWaterTexture);
        ownsBumpTexture = false;
    }
    D3DXMatrixIdentity(&scrollMatrix);
    D3DXMatrixIdentity(&foamMatrix1);
    D3DXMatrixIdentity(&foamMatrix2);
}

void CWater::CreateReflectionDepth(IDirect3DDevice8* device) {
    // A render target takes only a depth buffer at least as large as itself:
    // a back buffer smaller than the reflection (a test or preview window)
    // cannot lend its own, so the reflection gets one of its size.
    IDirect3DSurface8* shared = nullptr;
    if (FAILED(device->GetDepthStencilSurface(&shared)) || shared == nullptr) return;
    D3DSURFACE_DESC desc{};
    if (SUCCEEDED(shared->GetDesc(&desc)) &&
        (desc.Width < kReflectionSize || desc.Height < kReflectionSize) &&
        FAILED(device->CreateDepthStencilSurface(kReflectionSize, kReflectionSize, desc.Format,
                                                 D3DMULTISAMPLE_NONE, &reflectionDepth))) {
        reflectionDepth = nullptr;
    }
    shared->Release();
}

IDirect3DTexture8* CWater::CreateBumpTexture(IDirect3DDevice8* device, UINT width, UINT height) {
    const char* name = media_names::kBumpHeights;
    std::unique_ptr<IData> blob = ReadMediaFile(name);
    if (!blob) {
        if (LogFile* log = GetLog())
            log->WriteLine((std::string("Unable to load data from zip") + name).c_str());
        return nullptr;
    }
    // A short height field cannot fill the map; it gives no bump texture.
    if (blob->GetSize() < kBumpSize * kBumpSize) return nullptr;

    IDirect3DTexture8* texture = nullptr;
    if (FAILED(
            device->CreateTexture(width, height, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &texture))) {
        return nullptr;
    }
    std::vector<uint16_t> texels(kBumpSize * kBumpSize);
    BuildBumpTexels(reinterpret_cast<const int8_t*>(blob->GetData()), texels.data());
    IDirect3DSurface8* level = nullptr;
    if (SUCCEEDED(texture->GetSurfaceLevel(0, &level))) {
        RECT source = {0, 0, kBumpSize, kBumpSize};
        D3DXLoadSurfaceFromMemory(level, nullptr, nullptr, texels.data(), D3DFMT_V8U8,
                                  kBumpSize * sizeof(uint16_t), nullptr, &source, D3DX_FILTER_NONE,
                                  0);
        level->Release();
    }
    return texture;
}

void CWater::AnimateWater() {
    float t = sceneTime;
    scrollMatrix._31 = std::fmod(t * 0.01f, 1.0f);
    scrollMatrix._32 = std::fmod(t * 0.025f, 1.0f);
    scrollMatrix._33 = 1.0f;
    scrollMatrix._44 = 1.0f;

    D3DXMATRIX shrink, offset;
    D3DXMatrixScaling(&shrink, 0.99f, 0.99f, 0.99f);
    float a = 2.0f * t;
    D3DXMatrixTranslation(&offset, std::sin(a), std::cos(a), 0.0f);
    D3DXMatrixMultiply(&foamMatrix1, &offset, &shrink);
    D3DXMatrixTranslation(&offset, -std::sin(a), -std::cos(a), 0.0f);
    D3DXMatrixMultiply(&foamMatrix2, &offset, &shrink);
}

void CWater::BeginReflection(IDirect3DDevice8* device) {
    device->GetRenderTarget(&savedRenderTarget);
    device->GetDepthStencilSurface(&savedDepthStencil);
    device->SetRenderTarget(reflectionSurface,
                            reflectionDepth != nullptr ? reflectionDepth : savedDepthStencil);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0FFF, 1.0f, 0);
}

HRESULT CWater::EndReflection(IDirect3DDevice8* device) {
    HRESULT hr = device->SetRenderTarget(savedRenderTarget, savedDepthStencil);
    // The Get calls above added a reference to each surface.
    if (savedRenderTarget != nullptr) savedRenderTarget->Release();
    if (savedDepthStencil != nullptr) savedDepthStencil->Release();
    savedRenderTarget = savedDepthStencil = nullptr;
    return hr;
}

void CWater::DrawWater(D3DXMATRIX projection, IDirect3DDevice8* device, bool bumpMapping) {
    AnimateWater();
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    ApplyWaterMaterial(device);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS,
                                 D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT3);
    device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    if (bumpMapping) {
        device->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatBits(0.01f));
        device->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, FloatBits(0.0f));
        device->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, FloatBits(0.0f));
        device->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, FloatBits(0.01f));
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    } else {
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    }
    D3DXMATRIX reflection;
    ReflectionTextureMatrix(projection, &reflection);
    device->SetTransform(D3DTS_TEXTURE0, &scrollMatrix);
    device->SetTransform(D3DTS_TEXTURE1, &reflection);
    device->SetTexture(1, reflectionTexture);
    device->SetTexture(0, bumpTexture);
    if (waterModel != nullptr) DrawModel(*waterModel, device, false);

    device->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(1, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    DrawFoam(device);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    SetIdentityWorld(device);
}

void CWater::DrawFoam(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    for (const D3DXMATRIX* world : {&foamMatrix1, &foamMatrix2}) {
        device->SetTransform(D3DTS_WORLD, world);
        if (foamModel != nullptr) DrawModel(*foamModel, device, true);
    }
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
}

void CWater::ReleaseWater() {
    if (reflectionSurface != nullptr) reflectionSurface->Release();
    if (reflectionTexture != nullptr) reflectionTexture->Release();
    if (reflectionDepth != nullptr) reflectionDepth->Release();
    reflectionSurface = nullptr;
    reflectionTexture = nullptr;
    reflectionDepth = nullptr;
}
