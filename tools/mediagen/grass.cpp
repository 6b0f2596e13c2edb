#include "tools/mediagen/grass.h"

#include <algorithm>
#include <cmath>

#include "media/media_names.h"
#include "tools/mediagen/layout.h"
#include "tools/mediagen/random.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kGrassPatches = 12;  // angular patches of island grass, sorted as one each

// Sheets crossing at equal angles around a vertical axis through `base`.
void AddTuft(Mesh* mesh, Vec3 base, float width, float height, int sheets, float turn, Vec3 normal,
             bool doubleSided) {
    for (int i = 0; i < sheets; ++i) {
        float a = turn + kPi * static_cast<float>(i) / sheets;
        AddStandingQuad(mesh, base, {std::cos(a), 0, std::sin(a)}, width, height, normal,
                        doubleSided);
    }
}

// Upright blades catch the low moon better than the ground they stand on.
Vec3 BladeNightNormal(Vec3 ground) {
    Vec3 moon = MoonDirection();
    return NightNormal(Normalise(ground + Vec3{moon.x, 0, moon.z} * 0.5f));
}

struct Tuft {
    Vec3 base;
    float size, turn;
};

// Tuft positions on the island's grass, thinner towards the sand.
std::vector<Tuft> GrassTufts() {
    std::vector<Tuft> tufts;
    Random random(31);
    while (tufts.size() < 360) {
        float a = random.Range(0.0f, 2.0f * kPi);
        float r = std::sqrt(random.Unit()) * 40.0f;
        float x = r * std::cos(a), z = r * std::sin(a);
        float h = IslandHeight(x, z);
        if (h < 1.0f || r < 3.5f) continue;
        if (random.Unit() > SmoothStep(1.0f, 2.6f, h)) continue;
        float size = random.Range(0.8f, 1.3f);
        tufts.push_back({{x, h - 0.25f, z}, size, random.Range(0.0f, kPi)});
    }
    return tufts;
}

}  // namespace

Model BuildUndergrowth() {
    Mesh mesh;
    mesh.texture = "undergrowth.tga";
    Random random(33);
    int placed = 0;
    while (placed < 220) {
        float a = random.Range(0.0f, 2.0f * kPi);
        float r = std::sqrt(random.Unit()) * 38.0f;
        float x = r * std::cos(a), z = r * std::sin(a);
        float h = IslandHeight(x, z);
        if (h < 1.6f || r < 3.0f) continue;
        float size = random.Range(0.8f, 1.2f);
        AddTuft(&mesh, {x, h - 0.15f, z}, 2.6f * size, 0.9f * size, 3, random.Range(0.0f, kPi),
                {0, 1, 0}, false);
        ++placed;
    }
    return {mesh};
}

Model BuildGrassReedsAndTreeLine() {
    Model model;
    // Island grass in patches around the trunk. The saver sorts by each
    // sub-mesh's fourth vertex, so every patch starts with its middle tuft.
    std::vector<std::vector<Tuft>> patches(kGrassPatches);
    for (const Tuft& tuft : GrassTufts()) {
        float a = std::atan2(tuft.base.z, tuft.base.x) + kPi;
        int patch = std::min(kGrassPatches - 1, static_cast<int>(a / (2.0f * kPi) * kGrassPatches));
        patches[patch].push_back(tuft);
    }
    for (std::vector<Tuft>& tufts : patches) {
        if (tufts.empty()) continue;
        Vec3 middle;
        for (const Tuft& t : tufts) middle = middle + t.base;
        middle = middle * (1.0f / static_cast<float>(tufts.size()));
        auto nearest =
            std::min_element(tufts.begin(), tufts.end(), [&](const Tuft& p, const Tuft& q) {
                return Length(p.base - middle) < Length(q.base - middle);
            });
        std::iter_swap(tufts.begin(), nearest);
        Mesh mesh;
        mesh.texture = "grass.tga";
        for (const Tuft& t : tufts) {
            // The second model is drawn with culling on: both sides of every sheet.
            AddTuft(&mesh, t.base, 3.2f * t.size, 2.6f * t.size, 3, t.turn,
                    BladeNightNormal(IslandNormal(t.base.x, t.base.z)), true);
        }
        model.push_back(mesh);
    }

    Random random(37);
    // Reeds stand in a few beds in the shallow water around the island.
    const float beds[] = {0.7f, 1.9f, 2.9f, 4.6f, 5.6f};
    for (float centre : beds) {
        for (int i = 0; i < 6; ++i) {
            float a = centre + random.Range(-0.28f, 0.28f);
            float r = IslandShoreRadius(a) + random.Range(-0.5f, 3.5f);
            Mesh clump;
            clump.texture = "reeds.tga";
            Vec3 base{r * std::cos(a), -0.8f, r * std::sin(a)};
            AddTuft(&clump, base, random.Range(3.5f, 5.0f), random.Range(6.5f, 10.0f), 3,
                    random.Range(0.0f, kPi), BladeNightNormal({0, 1, 0}), true);
            model.push_back(clump);
        }
    }
    // The tree line: upright segments around the lake, just behind the beach.
    constexpr int kSegments = 34;
    constexpr float kHeight = 44.0f;
    for (int i = 0; i < kSegments; ++i) {
        float a0 = 2.0f * kPi * static_cast<float>(i) / kSegments;
        float a1 = 2.0f * kPi * static_cast<float>(i + 1) / kSegments;
        float r0 = LakeShoreRadius(a0) + 70.0f, r1 = LakeShoreRadius(a1) + 70.0f;
        Vec3 p0{r0 * std::cos(a0), 0, r0 * std::sin(a0)};
        Vec3 p1{r1 * std::cos(a1), 0, r1 * std::sin(a1)};
        p0.y = TerrainHeight(p0.x, p0.z) - 3.0f;
        p1.y = TerrainHeight(p1.x, p1.z) - 3.0f;
        Mesh wall;
        wall.texture = media_names::kSmallTreeWallTexture;
        const Vec3 corners[] = {p1, p1 + Vec3{0, kHeight, 0}, p0 + Vec3{0, kHeight, 0}, p0};
        const float us[] = {0, 0, 1, 1}, vs[] = {1, 0, 0, 1};
        for (int k = 0; k < 4; ++k) {
            MeshVertex v;
            v.position = corners[k];
            // Crowns facing the lake, lit from above.
            v.normal = NightNormal(
                Normalise(Normalise(Vec3{-corners[k].x, 0, -corners[k].z}) + Vec3{0, 1, 0}));
            v.u = us[k];
            v.v = vs[k];
            wall.AddVertex(v);
        }
        wall.AddDoubleQuad(0, 1, 2, 3);
        model.push_back(wall);
    }
    return model;
}
