#include "tools/mediagen/sky.h"

#include <cmath>

#include "media/media_names.h"
#include "tools/mediagen/layout.h"
#include "tools/mediagen/random.h"

namespace {

constexpr int kFaceSize = 512;

// The point of face `face` at (s, t): s runs to the right and t downwards as
// the face is seen from inside the box.
Vec3 FacePoint(int face, float s, float t) {
    const float h = kSkyHalfSize;
    float y = kSkyTop - (kSkyTop - kSkyBottom) * t;
    switch (face) {
        case 0:
            return {h - 2 * h * s, y, -h};  // bk: -z
        case 1:
            return {-h + 2 * h * s, y, h};  // fr: +z
        case 2:
            return {-h, y, -h + 2 * h * s};  // lf: -x
        case 3:
            return {h, y, h - 2 * h * s};  // rt: +x
        default:
            return {-h + 2 * h * s, kSkyTop, -h + 2 * h * t};  // up
    }
}

Vec3 ViewDirection(int face, float s, float t) {
    return Normalise(FacePoint(face, s, t) - Vec3{0, 25, 0});
}

// Elevation (as a sine) of the distant mountain line in direction d.
float MountainLine(Vec3 d) {
    float a = std::atan2(d.z, d.x);
    float ridge = FractalNoise(std::cos(a) * 3.0f + 20.0f, std::sin(a) * 3.0f + 20.0f, 5, 71u);
    return 0.004f + 0.06f * ridge * ridge;
}

// No view of the saver looks higher than about 30 degrees above the horizon
// (its vertical field is 53 degrees and the highest camera tilts 3 degrees
// up), so the sky above that is only ever seen mirrored in the lake, where
// the view looks down steeply. There the faces hold what the lake should
// show instead: a dimmer mirror image of the sky that gives way to the lake's
// own deep colour as the view steepens. The lake's tint on what it mirrors is
// undone for all of the sky alike, by the sheet under the water (water.h).
Color AsTheLakeShowsIt(Color sky, float elevation) {
    float weight = SmoothStep(0.50f, 0.77f, elevation);
    if (weight <= 0.0f) return sky;
    const Color deepWater{0.10f, 0.20f, 0.24f};
    float mirrored = Mix(0.85f, 0.55f, SmoothStep(0.50f, 0.95f, elevation));
    return MixColor(sky, MixColor(deepWater, sky * 0.6f, mirrored), weight);
}

Color DaySky(Vec3 d) {
    float e = d.y;
    Color horizon{0.80f, 0.86f, 0.92f}, zenith{0.25f, 0.47f, 0.83f};
    Color c = MixColor(horizon, zenith, std::sqrt(Clamp01(e)));
    float toSun = Dot(d, SunDirection());
    float glow = std::pow(std::fmax(toSun, 0.0f), 6.0f);
    c = c + Color{0.22f, 0.18f, 0.10f, 0} * glow;
    if (e > 0.005f) {
        float scale = 1.0f / (e + 0.06f);
        float cx = d.x * scale * 1.3f + 3.0f, cz = d.z * scale * 1.3f + 5.0f;
        float n = FractalNoise(cx, cz, 5, 73u);
        float cover = SmoothStep(0.50f, 0.72f, n) * SmoothStep(0.01f, 0.18f, e);
        float thickness = SmoothStep(0.55f, 0.85f, n);
        Color cloud =
            MixColor(Color{1.0f, 0.99f, 0.97f}, Color{0.70f, 0.74f, 0.80f}, 0.8f * thickness);
        cloud = cloud + Color{0.15f, 0.12f, 0.08f, 0} * glow;
        c = MixColor(c, cloud, 0.92f * cover);
    }
    // No disc: the sun stands higher than the top of any view, so only the
    // water would show it, as a pale spot with no sun above it. Its glow stays.
    float line = e < 0.07f ? MountainLine(d) : 0.0f;
    if (e < line) {
        float depth = Clamp01((line - e) / 0.05f);
        Color far = MixColor(Color{0.62f, 0.70f, 0.80f}, Color{0.50f, 0.58f, 0.68f}, depth);
        c = MixColor(far, c, SmoothStep(line - 0.002f, line, e));
    }
    c = AsTheLakeShowsIt(c, e);
    c.a = 1.0f;
    return c;
}

float StarLight(Vec3 d) {
    constexpr float kCells = 110.0f;
    float px = d.x * kCells, py = d.y * kCells, pz = d.z * kCells;
    int cx = static_cast<int>(std::floor(px)), cy = static_cast<int>(std::floor(py));
    int cz = static_cast<int>(std::floor(pz));
    uint32_t seed = static_cast<uint32_t>(cz) * 0x9e3779b9u;
    float present = LatticeValue(cx, cy, seed ^ 0x51u);
    if (present > 0.035f) return 0.0f;
    float ox = 0.25f + 0.5f * LatticeValue(cx, cy, seed ^ 0x52u);
    float oy = 0.25f + 0.5f * LatticeValue(cx, cy, seed ^ 0x53u);
    float oz = 0.25f + 0.5f * LatticeValue(cx, cy, seed ^ 0x54u);
    float dx = px - cx - ox, dy = py - cy - oy, dz = pz - cz - oz;
    float r2 = dx * dx + dy * dy + dz * dz;
    float brightness = 0.25f + 0.75f * std::pow(LatticeValue(cx, cy, seed ^ 0x55u), 4.0f);
    return brightness * std::exp(-r2 / (2.0f * 0.16f * 0.16f));
}

Color NightSky(Vec3 d) {
    float e = d.y;
    Color horizon{0.06f, 0.08f, 0.16f}, zenith{0.008f, 0.012f, 0.045f};
    Color c = MixColor(horizon, zenith, std::sqrt(Clamp01(e)));
    // A faint band of distant stars across the sky.
    Vec3 bandAxis = Normalise({0.3f, 0.45f, 0.84f});
    float band = std::exp(-std::pow(Dot(d, bandAxis) / 0.2f, 2.0f)) * SmoothStep(0.02f, 0.25f, e);
    if (band > 0.01f) {
        float dust = FractalNoise(d.x * 9.0f + 40.0f, d.z * 9.0f + d.y * 5.0f, 4, 79u);
        c = c + Color{0.05f, 0.055f, 0.07f, 0} * (band * dust);
    }
    float toMoon = Dot(d, MoonDirection());
    float glow = 0.22f * std::pow(std::fmax(toMoon, 0.0f), 60.0f) +
                 0.06f * std::pow(std::fmax(toMoon, 0.0f), 6.0f);
    c = c + Color{0.55f, 0.62f, 0.80f, 0} * glow;
    float stars = StarLight(d) * SmoothStep(0.0f, 0.12f, e) * (1.0f - Clamp01(glow * 6.0f));
    c = c + Color{0.9f, 0.92f, 1.0f, 0} * stars;
    // The moon: a disc with darker seas, lit a little from one side.
    float angle = std::acos(std::fmin(1.0f, toMoon));
    constexpr float kMoonRadius = 0.036f;
    if (angle < kMoonRadius * 1.2f) {
        Vec3 m = MoonDirection();
        Vec3 right = Normalise(Cross(Vec3{0, 1, 0}, m)), up = Cross(m, right);
        float mx = Dot(d - m, right) / kMoonRadius, my = Dot(d - m, up) / kMoonRadius;
        float seas = FractalNoise(mx * 2.2f + 9.0f, my * 2.2f + 9.0f, 4, 83u);
        float shade =
            0.78f + 0.22f * Clamp01(0.6f - 0.5f * mx) - 0.28f * SmoothStep(0.5f, 0.7f, seas);
        Color moon{0.98f * shade, 0.96f * shade, 0.88f * shade};
        c = MixColor(c, moon, SmoothStep(kMoonRadius, kMoonRadius * 0.93f, angle));
    }
    float line = e < 0.07f ? MountainLine(d) : 0.0f;
    if (e < line) {
        Color hills{0.018f, 0.024f, 0.045f};
        c = MixColor(hills, c, SmoothStep(line - 0.002f, line, e));
    }
    c.a = 1.0f;
    return c;
}

}  // namespace

Model BuildSky() {
    Model model;
    for (int face = 0; face < 5; ++face) {
        Mesh mesh;
        mesh.texture = media_names::kSkyFaceTextures[face].day;
        const float ss[] = {0, 0, 1, 1}, ts[] = {1, 0, 0, 1};
        for (int k = 0; k < 4; ++k) {
            MeshVertex v;
            v.position = FacePoint(face, ss[k], ts[k]);
            v.normal = Normalise(Vec3{0, 0, 0} - v.position);
            v.u = ss[k];
            v.v = ts[k];
            mesh.AddVertex(v);
        }
        mesh.AddQuad(0, 1, 2, 3);
        model.push_back(mesh);
    }
    return model;
}

Image MakeSkyFace(int face, bool night) {
    Image image(kFaceSize, kFaceSize);
    for (int y = 0; y < kFaceSize; ++y) {
        for (int x = 0; x < kFaceSize; ++x) {
            Vec3 d = ViewDirection(face, (x + 0.5f) / kFaceSize, (y + 0.5f) / kFaceSize);
            image.Set(x, y, night ? NightSky(d) : DaySky(d));
        }
    }
    return image;
}
