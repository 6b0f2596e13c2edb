#include "scene/particle_system.h"

#include <algorithm>
#include <cstring>

#include "media/media_names.h"
#include "render/texture_cache.h"
#include "scene/scene_state.h"

namespace {

constexpr DWORD kPointFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

DWORD FloatBits(float value) {
    DWORD bits;
    static_assert(sizeof(bits) == sizeof(value));
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

D3DCOLOR PackColour(const Particle& p) {
    return (PackColourComponent(p.a) << 24) | (PackColourComponent(p.r) << 16) |
           (PackColourComponent(p.g) << 8) | PackColourComponent(p.b);
}

}  // namespace

DWORD PackColourComponent(float component) {
    if (component >= 1.0f) return 255;
    if (component <= 0.0f) return 0;
    return static_cast<DWORD>(static_cast<double>(component) * 255.0 + 0.5);
}

CParticleSystem::~CParticleSystem() {
    ReleaseParticles();
}

HRESULT CParticleSystem::CreateParticles(IDirect3DDevice8* device, TextureCache* textures) {
    HRESULT hr = device->CreateVertexBuffer(static_cast<UINT>(capacity) * sizeof(PointVertex),
                                            D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY | D3DUSAGE_POINTS,
                                            kPointFvf, D3DPOOL_DEFAULT, &vertexBuffer);
    if (FAILED(hr)) {
        vertexBuffer = nullptr;
        return hr;
    }
    textureCache = textures;
    textureCache->AddTexture(media_names::kSpriteGlowTexture);
    return S_OK;
}

void CParticleSystem::UpdateParticles() {
    spawnTimer += sceneElapsed;
    if (spawnTimer > 0.2f) {
        Particle p;
        p.x = static_cast<float>(sceneRandom() % 20) - 8.0f;
        p.y = 70.0f;
        p.z = static_cast<float>(sceneRandom() % 20) + 5.0f;
        p.age = 0.0f;
        p.r = 0.7f;
        p.g = 0.7f;
        p.b = 0.0f;
        p.a = 1.0f;
        particles.push_back(p);
        spawnTimer = 0.0f;
    }
    for (Particle& p : particles) {
        p.y += sceneElapsed * 5.0f;
        p.age += sceneElapsed * 0.5f;
    }
    particles.erase(std::remove_if(particles.begin(), particles.end(),
                                   [](const Particle& p) { return p.age > 15.0f; }),
                    particles.end());
}

void CParticleSystem::DrawParticles(IDirect3DDevice8* device) {
    // Without a buffer (failed creation) there is nothing to draw into.
    if (vertexBuffer == nullptr || textureCache == nullptr) return;
    UpdateParticles();
    device->SetTexture(0, textureCache->GetTexture(media_names::kSpriteGlowTexture));
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(1.8f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(1.0f));
    device->SetStreamSource(0, vertexBuffer, sizeof(PointVertex));
    device->SetVertexShader(kPointFvf);

    BYTE* bytes = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_DISCARD))) return;
    auto* vertex = reinterpret_cast<PointVertex*>(bytes);
    UINT count = 0;
    for (const Particle& p : particles) {
        vertex[count] = PointVertex{p.x, p.y, p.z, PackColour(p)};
        ++count;
        if (count == static_cast<UINT>(capacity - 1)) {
            vertexBuffer->Unlock();
            if (FAILED(device->DrawPrimitive(D3DPT_POINTLIST, 0, count))) return;
            if (FAILED(vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_DISCARD))) return;
            vertex = reinterpret_cast<PointVertex*>(bytes);
            count = 0;
        }
    }
    vertexBuffer->Unlock();
    if (count != 0 && FAILED(device->DrawPrimitive(D3DPT_POINTLIST, 0, count))) return;
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
}

void CParticleSystem::ReleaseParticles() {
    if (vertexBuffer != nullptr) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
    particles.clear();
    particles.shrink_to_fit();
}
