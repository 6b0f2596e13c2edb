#include "tools/mediagen/terrain.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/mediagen/layout.h"
#include "tools/mediagen/random.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kIslandMapHalf = 64.0f;  // island.jpg covers -64..64 in x and z
constexpr float kShoreMapHalf = 1000.0f;
constexpr float kHillsMapHalf = kSkyHalfSize;
constexpr int kTerrainSegments = 240;  // around the lake, in every terrain band
const std::vector<float> kHillRings = {380,  440,  510,  590,  680,  780,  890,  1010,
                                       1140, 1280, 1430, 1590, 1760, 1940, 2130, 1.0e9f};

float SquareEdgeRadius(float a) {
    float c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    return (kSkyHalfSize - 10.0f) / std::fmax(c, s);
}

Vec3 TerrainNormal(float x, float z, float step) {
    float dx = TerrainHeight(x + step, z) - TerrainHeight(x - step, z);
    float dz = TerrainHeight(x, z + step) - TerrainHeight(x, z - step);
    return Normalise({-dx, 2.0f * step, -dz});
}

// One ring-shaped band of the terrain between radial offsets `rings` from the
// lake shore, mapped onto a square colour map of half size `mapHalf`.
Mesh BuildTerrainBand(const char* texture, const std::vector<float>& rings, float mapHalf) {
    constexpr int kSegments = kTerrainSegments;
    Mesh mesh;
    mesh.texture = texture;
    for (int i = 0; i <= kSegments; ++i) {
        float a = 2.0f * kPi * static_cast<float>(i % kSegments) / kSegments;
        float shore = LakeShoreRadius(a), edge = SquareEdgeRadius(a);
        for (size_t k = 0; k < rings.size(); ++k) {
            float r = std::fmin(shore + rings[k], edge);
            if (k + 1 == rings.size() && rings[k] > 5000.0f) r = edge;
            MeshVertex v;
            v.position = {r * std::cos(a), 0.0f, r * std::sin(a)};
            v.position.y = TerrainHeight(v.position.x, v.position.z);
            v.normal = NightNormal(TerrainNormal(v.position.x, v.position.z, 4.0f));
            v.u = (v.position.x + mapHalf) / (2.0f * mapHalf);
            v.v = (v.position.z + mapHalf) / (2.0f * mapHalf);
            mesh.AddVertex(v);
        }
    }
    int stride = static_cast<int>(rings.size());
    for (int i = 0; i < kSegments; ++i) {
        for (int k = 0; k + 1 < stride; ++k) {
            int a = i * stride + k, b = a + 1, c = a + stride + 1, d = a + stride;
            // Angle grows from +x towards +z; this order faces up.
            mesh.AddQuad(a, d, c, b);
        }
    }
    return mesh;
}

// Share of the sun's light on ground with normal `n`, as the colour maps hold it.
float SunLight(Vec3 n) {
    return 0.42f + 0.72f * std::fmax(0.0f, Dot(n, SunDirection()));
}

// Sunlit ground colour of the shore and hills at (x, z), haze included.
Color BakedTerrainColor(float x, float z, float h, Vec3 n) {
    float r = std::sqrt(x * x + z * z);
    float detail = FractalNoise(x / 9.0f, z / 9.0f, 3, 41u);
    float patches = FractalNoise(x / 120.0f + 1.0f, z / 120.0f + 2.0f, 4, 43u);
    Color wetSand{0.48f, 0.43f, 0.30f}, sand{0.80f, 0.72f, 0.46f};
    Color meadow{0.36f, 0.48f, 0.21f}, dryGrass{0.55f, 0.55f, 0.30f};
    Color forest{0.14f, 0.25f, 0.11f}, rock{0.52f, 0.50f, 0.47f}, mud{0.25f, 0.24f, 0.18f};
    Color c;
    if (h < -0.6f) {
        c = mud;
    } else if (h < 0.9f) {
        c = MixColor(wetSand, sand, SmoothStep(-0.6f, 0.9f, h));
    } else {
        c = MixColor(sand, meadow, SmoothStep(2.2f, 4.5f, h + detail));
        c = MixColor(c, dryGrass, 0.5f * SmoothStep(0.45f, 0.75f, patches));
        float crowns = FractalNoise(x / 3.5f, z / 3.5f, 2, 47u);
        Color trees = forest * (0.65f + 0.7f * crowns);
        float woods = SmoothStep(0.48f, 0.56f, patches + 0.25f * (detail - 0.5f)) *
                      SmoothStep(6.0f, 14.0f, h);
        c = MixColor(c, trees, woods);
        c = MixColor(c, rock, SmoothStep(0.82f, 0.68f, n.y));
    }
    c = c * (0.85f + 0.3f * detail);
    c = c * SunLight(n);
    Color haze{0.62f, 0.70f, 0.80f};
    c = MixColor(c, haze, 0.6f * SmoothStep(500.0f, 2400.0f, r));
    c.a = 1.0f;
    return c;
}

Image MakeTerrainTexture(int size, float half) {
    Image image(size, size);
    // Heights on the texel grid plus a border, so normals cost no extra samples.
    int n = size + 2;
    std::vector<float> heights(static_cast<size_t>(n) * n);
    float step = 2.0f * half / size;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            float x = -half + (static_cast<float>(i) - 0.5f) * step;
            float z = -half + (static_cast<float>(j) - 0.5f) * step;
            heights[static_cast<size_t>(j) * n + i] = TerrainHeight(x, z);
        }
    }
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            auto H = [&](int a, int b) { return heights[static_cast<size_t>(b) * n + a]; };
            float h = H(i + 1, j + 1);
            float dx = H(i + 2, j + 1) - H(i, j + 1);
            float dz = H(i + 1, j + 2) - H(i + 1, j);
            Vec3 normal = Normalise({-dx, 2.0f * step, -dz});
            float x = -half + (static_cast<float>(i) + 0.5f) * step;
            float z = -half + (static_cast<float>(j) + 0.5f) * step;
            image.Set(i, j, BakedTerrainColor(x, z, h, normal));
        }
    }
    return image;
}

// A lumpy low sphere, squashed and sunk into the ground.
void AddRock(Mesh* mesh, Vec3 centre, Vec3 radii, uint32_t seed) {
    constexpr int kAround = 12, kUp = 7;
    int first = static_cast<int>(mesh->vertices.size());
    std::vector<Vec3> points;
    for (int j = 0; j <= kUp; ++j) {
        float polar = kPi * static_cast<float>(j) / kUp;  // 0 top .. pi bottom
        for (int i = 0; i <= kAround; ++i) {
            float a = 2.0f * kPi * static_cast<float>(i % kAround) / kAround;
            Vec3 dir{std::sin(polar) * std::cos(a), std::cos(polar), std::sin(polar) * std::sin(a)};
            float lump = 0.75f + 0.5f * FractalNoise(dir.x * 1.7f + 5.0f + seed,
                                                     dir.z * 1.7f + dir.y * 1.3f + 5.0f, 3, seed);
            Vec3 p{centre.x + dir.x * radii.x * lump, centre.y + dir.y * radii.y * lump,
                   centre.z + dir.z * radii.z * lump};
            points.push_back(p);
            MeshVertex v;
            v.position = p;
            v.normal = NightNormal(Normalise(dir));
            // v runs from the top down, so the rock texture's shading falls on it
            // as the sun's does; it stays off the texture's wrapping edge.
            v.u = 2.0f * static_cast<float>(i) / kAround;
            v.v = 0.02f + 0.96f * static_cast<float>(j) / kUp;
            mesh->AddVertex(v);
        }
    }
    int stride = kAround + 1;
    for (int j = 0; j < kUp; ++j) {
        for (int i = 0; i < kAround; ++i) {
            int a = first + j * stride + i, b = a + 1, c = a + stride + 1, d = a + stride;
            mesh->AddQuad(a, b, c, d);
        }
    }
}

}  // namespace

Mesh BuildIslandGround() {
    constexpr int kSegments = 96, kRings = 22;
    Mesh mesh;
    mesh.texture = "island.jpg";
    MeshVertex centre;
    centre.position = {0.0f, IslandHeight(0.0f, 0.0f), 0.0f};
    centre.normal = NightNormal(IslandNormal(0.0f, 0.0f));
    centre.u = centre.v = 0.5f;
    mesh.AddVertex(centre);
    for (int i = 0; i <= kSegments; ++i) {
        float a = 2.0f * kPi * static_cast<float>(i % kSegments) / kSegments;
        float shore = IslandShoreRadius(a);
        for (int k = 1; k <= kRings; ++k) {
            float t = static_cast<float>(k) / kRings;
            float r = shore * 1.45f * t;
            MeshVertex v;
            v.position = {r * std::cos(a), 0.0f, r * std::sin(a)};
            v.position.y = IslandHeight(v.position.x, v.position.z);
            v.normal = NightNormal(IslandNormal(v.position.x, v.position.z));
            v.u = (v.position.x + kIslandMapHalf) / (2.0f * kIslandMapHalf);
            v.v = (v.position.z + kIslandMapHalf) / (2.0f * kIslandMapHalf);
            mesh.AddVertex(v);
        }
    }
    for (int i = 0; i < kSegments; ++i) {
        int ring0 = 1 + i * kRings, ring1 = 1 + (i + 1) * kRings;
        mesh.AddTriangle(0, ring1, ring0);
        for (int k = 0; k + 1 < kRings; ++k) {
            mesh.AddQuad(ring0 + k, ring1 + k, ring1 + k + 1, ring0 + k + 1);
        }
    }
    return mesh;
}

Mesh BuildRocks() {
    Mesh mesh;
    mesh.texture = "rock.jpg";
    Random random(7);
    const float angles[] = {0.3f, 1.1f, 1.35f, 2.6f, 3.9f, 4.2f, 5.3f};
    for (size_t i = 0; i < sizeof(angles) / sizeof(angles[0]); ++i) {
        float a = angles[i];
        float r = IslandShoreRadius(a) + random.Range(-4.0f, 3.0f);
        Vec3 centre{r * std::cos(a), 0.0f, r * std::sin(a)};
        centre.y = IslandHeight(centre.x, centre.z) - 0.6f;
        float size = random.Range(2.2f, 5.0f);
        Vec3 radii{size * random.Range(0.9f, 1.4f), size * random.Range(0.55f, 0.9f),
                   size * random.Range(0.9f, 1.4f)};
        AddRock(&mesh, centre, radii, 100u + static_cast<uint32_t>(i));
    }
    // Two boulders up on the grass, near the tree.
    AddRock(&mesh, {-14.0f, IslandHeight(-14.0f, 9.0f) - 0.8f, 9.0f}, {3.0f, 2.2f, 2.6f}, 120u);
    AddRock(&mesh, {-11.0f, IslandHeight(-11.0f, 12.5f) - 0.5f, 12.5f}, {1.6f, 1.1f, 1.5f}, 121u);
    return mesh;
}

Model BuildShoreAndHills() {
    std::vector<float> near = {-45, -25, -12, -5, 0,   3,   6,   10,  15,  21,  28,  36,
                               46,  58,  72,  90, 110, 135, 165, 200, 240, 285, 335, 380};
    return {BuildTerrainBand("shore.jpg", near, kShoreMapHalf),
            BuildTerrainBand("hills.jpg", kHillRings, kHillsMapHalf)};
}

namespace {

constexpr int kCrestTextureWidth = 256;  // a power of two above the crest's 241 points
constexpr int kCrestTextureHeight = 16;
constexpr float kCrestEyeHeight = 50.0f;  // the lowest cameras' height
constexpr float kFringeAngle = 0.004f;    // fringe height over distance: about two mirror texels

// Along each of the hill band's radial edges, the vertex that stands highest
// above the horizon of an eye at the lake's middle: where the drawn hills
// meet the sky. Between vertices the band is flat, so the highest is a vertex.
std::vector<Vec3> CrestPoints() {
    Mesh hills = BuildTerrainBand("hills.jpg", kHillRings, kHillsMapHalf);
    const size_t stride = kHillRings.size();
    std::vector<Vec3> crest;
    for (size_t i = 0; i <= static_cast<size_t>(kTerrainSegments); ++i) {
        float best = -1e9f;
        Vec3 top;
        for (size_t k = 0; k < stride; ++k) {
            Vec3 p = hills.vertices[i * stride + k].position;
            float rise = (p.y - kCrestEyeHeight) / Length(Vec3{p.x, 0.0f, p.z});
            if (rise > best) best = rise, top = p;
        }
        crest.push_back(top);
    }
    return crest;
}

}  // namespace

Mesh BuildHillCrestFringe() {
    Mesh mesh;
    mesh.texture = "hillcrest.tga";
    std::vector<Vec3> crest = CrestPoints();
    for (size_t i = 0; i < crest.size(); ++i) {
        float height = kFringeAngle * Length(Vec3{crest[i].x, 0.0f, crest[i].z});
        // The foot sinks into the ridge, so no gap opens under the fringe
        // where the ridge between two crest points sags.
        for (float lift : {height, -height}) {
            MeshVertex v;
            v.position = crest[i] + Vec3{0.0f, lift, 0.0f};
            v.normal = NightNormal(TerrainNormal(crest[i].x, crest[i].z, 4.0f));
            // Texel centres: the texture is clamped, one column per crest point.
            v.u = (static_cast<float>(i) + 0.5f) / kCrestTextureWidth;
            v.v = lift > 0.0f ? 0.5f / kCrestTextureHeight : 1.0f - 0.5f / kCrestTextureHeight;
            mesh.AddVertex(v);
        }
    }
    for (int i = 0; i < kTerrainSegments; ++i) {
        int top = 2 * i, foot = top + 1, nextTop = top + 2, nextFoot = top + 3;
        // Both sides: the mirrored camera looks at the fringe from below.
        mesh.AddDoubleQuad(top, nextTop, nextFoot, foot);
    }
    return mesh;
}

Image MakeHillCrestTexture() {
    std::vector<Vec3> crest = CrestPoints();
    Image image(kCrestTextureWidth, kCrestTextureHeight);
    for (int i = 0; i < image.width; ++i) {
        Vec3 p = crest[std::min(static_cast<size_t>(i), crest.size() - 1)];
        Color c = BakedTerrainColor(p.x, p.z, p.y, TerrainNormal(p.x, p.z, 10.0f));
        for (int y = 0; y < image.height; ++y) {
            // Opaque over the lower half, fading out to the top.
            float up = 1.0f - (y + 0.5f) / image.height;
            c.a = SmoothStep(1.0f, 0.5f, up);
            image.Set(i, y, c);
        }
    }
    return image;
}

Image MakeIslandTexture() {
    constexpr int kSize = 512;
    Image image(kSize, kSize);
    Color wetSand{0.50f, 0.44f, 0.30f}, sand{0.84f, 0.76f, 0.48f};
    Color grass{0.38f, 0.55f, 0.22f}, darkGrass{0.24f, 0.40f, 0.14f}, earth{0.42f, 0.33f, 0.22f};
    for (int j = 0; j < kSize; ++j) {
        for (int i = 0; i < kSize; ++i) {
            float x = -kIslandMapHalf + (i + 0.5f) * 2.0f * kIslandMapHalf / kSize;
            float z = -kIslandMapHalf + (j + 0.5f) * 2.0f * kIslandMapHalf / kSize;
            float h = IslandHeight(x, z);
            float fine = FractalNoise(x * 1.3f, z * 1.3f, 3, 51u);
            float coarse = FractalNoise(x / 6.0f, z / 6.0f, 3, 53u);
            Color c = MixColor(wetSand, sand, SmoothStep(-0.4f, 0.6f, h));
            Color green = MixColor(grass, darkGrass, coarse);
            c = MixColor(c, green, SmoothStep(1.2f, 2.4f, h + 0.8f * (coarse - 0.5f)));
            float r = std::sqrt(x * x + z * z);
            c = MixColor(c, earth, 0.7f * SmoothStep(6.0f, 2.5f, r) * fine);
            c = c * (0.8f + 0.4f * fine) * SunLight(IslandNormal(x, z));
            c.a = 1.0f;
            image.Set(i, j, c);
        }
    }
    return image;
}

Image MakeShoreTexture() {
    return MakeTerrainTexture(1024, kShoreMapHalf);
}
Image MakeHillsTexture() {
    return MakeTerrainTexture(512, kHillsMapHalf);
}
