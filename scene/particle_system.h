// Night particles: small yellow points that appear in a patch at height 70
// above the island, rise and vanish after a fixed age. Drawn as point sprites
// with "env0.bmp" under the additive blending the scene sets at night.
#pragma once

#include <d3d8.h>

#include <vector>

class TextureCache;

struct Particle {
    float x, y, z;
    float age;
    float r, g, b, a;
};

// One point-sprite vertex: position and ARGB colour, 16 bytes.
struct PointVertex {
    float x, y, z;
    D3DCOLOR colour;
};

// Packs a colour component the way the fixed-function colour conversion does:
// 1.0 and above to 255, 0.0 and below to 0, else rounded to nearest.
DWORD PackColourComponent(float component);

class CParticleSystem {
public:
    CParticleSystem() = default;
    ~CParticleSystem();
    CParticleSystem(const CParticleSystem&) = delete;
    CParticleSystem& operator=(const CParticleSystem&) = delete;

    // Makes the point buffer and registers "env0.bmp" with `textures`.
    HRESULT CreateParticles(IDirect3DDevice8* device, TextureCache* textures);
    // Spawns, advances and removes particles by the scene's elapsed time.
    void UpdateParticles();
    void DrawParticles(IDirect3DDevice8* device);
    void ReleaseParticles();

    // Live particles, oldest first.
    std::vector<Particle>& Particles() { return particles; }

private:
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    int capacity = 512;
    std::vector<Particle> particles;
    TextureCache* textureCache = nullptr;
    float spawnTimer = 0.0f;
};
