#include "tools/mediagen/tree.h"

#include <cmath>

#include "media/media_names.h"
#include "tools/mediagen/layout.h"
#include "tools/mediagen/random.h"

namespace {

constexpr float kPi = 3.14159265f;

struct Branch {
    Vec3 start, direction;
    float length, radius;
    int depth;
};

class TreeBuilder {
public:
    explicit TreeBuilder(Mesh* mesh) : mesh(mesh), random(2024) {}

    std::vector<Vec3> tips;

    void Grow(const Branch& branch, float azimuth) {
        constexpr int kSegments = 3;
        int sides = branch.depth == 0 ? 12 : (branch.depth == 1 ? 9 : 6);
        Vec3 position = branch.start, direction = branch.direction;
        float endRadius = branch.radius * (branch.depth >= 3 ? 0.25f : 0.62f);
        float segment = branch.length / kSegments;
        float v = 0.0f;
        AddRing(position, direction, branch.radius, sides, v);
        Vec3 middle;
        for (int s = 1; s <= kSegments; ++s) {
            Vec3 bend{random.Range(-0.18f, 0.18f), random.Range(0.0f, 0.16f),
                      random.Range(-0.18f, 0.18f)};
            direction = Normalise(direction + bend);
            position = position + direction * segment;
            if (s == 2) middle = position;
            float t = static_cast<float>(s) / kSegments;
            float radius = Mix(branch.radius, endRadius, t);
            v += segment / 8.0f;
            AddRing(position, direction, radius, sides, v);
            ConnectRings(sides);
        }
        if (branch.depth >= 2) tips.push_back(position);
        if (branch.depth == 3) tips.push_back(middle);
        if (branch.depth >= 3) return;
        int children = branch.depth == 0 ? 4 : 3;
        for (int c = 0; c < children; ++c) {
            float a = azimuth + 2.0f * kPi * (c + random.Range(-0.2f, 0.2f)) / children;
            if (branch.depth > 0) a = azimuth + (c - 1) * random.Range(0.6f, 0.9f);
            float elevation =
                branch.depth == 0 ? random.Range(0.65f, 0.95f) : random.Range(0.35f, 0.95f);
            Vec3 out{std::cos(a) * std::cos(elevation), std::sin(elevation),
                     std::sin(a) * std::cos(elevation)};
            Branch child;
            child.start = position - direction * (0.3f * branch.radius);
            child.direction = Normalise(out + direction * 0.25f);
            child.length = branch.length * (branch.depth == 0 ? 0.52f : 0.7f);
            child.radius = endRadius * 0.85f;
            child.depth = branch.depth + 1;
            Grow(child, a);
        }
    }

private:
    Mesh* mesh;
    Random random;

    void AddRing(Vec3 centre, Vec3 axis, float radius, int sides, float v) {
        Vec3 side =
            Normalise(Cross(axis, std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}));
        Vec3 other = Cross(side, axis);
        for (int i = 0; i <= sides; ++i) {
            float a = 2.0f * kPi * static_cast<float>(i % sides) / sides;
            Vec3 out = side * std::cos(a) + other * std::sin(a);
            MeshVertex vertex;
            vertex.position = centre + out * radius;
            // Tilted towards the sky: the lamp shines straight down and the
            // bark would be black on its sides with plain normals.
            vertex.normal = Normalise(out + Vec3{0, 0.9f, 0});
            vertex.u = static_cast<float>(i) / sides;
            vertex.v = v;
            mesh->AddVertex(vertex);
        }
    }

    void ConnectRings(int sides) {
        int stride = sides + 1;
        int top = static_cast<int>(mesh->vertices.size()) - stride, bottom = top - stride;
        for (int i = 0; i < sides; ++i) {
            mesh->AddQuad(bottom + i, top + i, top + i + 1, bottom + i + 1);
        }
    }
};

// A placement whose N = normalise(A x B) is `axis`; `axis` must be at right
// angles to `tip`, so A = tip x axis.
Mesh MakePlacement(Vec3 tip, Vec3 axis) {
    Mesh mesh;
    mesh.texture = media_names::kLeafTexture;
    Vec3 a = Normalise(Cross(tip, axis)) * Length(tip);
    const Vec3 corners[] = {a, tip + Vec3{1, 0, 0}, tip + Vec3{0, 1, 0}, tip};
    for (Vec3 corner : corners) {
        MeshVertex v;
        v.position = corner;
        v.normal = {0, 1, 0};
        mesh.AddVertex(v);
    }
    mesh.AddQuad(0, 1, 2, 3);
    return mesh;
}

// An orientation for the cluster at `tip`: tilted by up to about a radian,
// swaying at 0.6..2.1 rad/s, growing to full size in 25..50 s.
Vec3 ChooseAxis(Vec3 tip, Random* random) {
    for (;;) {
        float nx = random->Range(0.12f, 0.4f) * (random->Below(2) ? 1.0f : -1.0f);
        float nz = random->Range(0.55f, 1.0f) * (random->Below(2) ? 1.0f : -1.0f);
        float ny = -(tip.x * nx + tip.z * nz) / tip.y;
        Vec3 n = Normalise({nx, ny, nz});
        if (std::fabs(n.z) >= 0.5f && std::fabs(n.x) >= 0.1f) return n;
    }
}

Model BuildLeafCluster() {
    Mesh mesh;
    mesh.texture = media_names::kLeafTexture;
    constexpr float kHalf = 8.0f;
    // Three upright sheets crossing at 60 degrees and two tilted ones.
    for (int i = 0; i < 5; ++i) {
        float a = kPi * static_cast<float>(i) / 3.0f;
        float tilt = i < 3 ? 0.0f : (i == 3 ? 1.1f : -1.1f);
        if (i >= 3) a = i == 3 ? 0.4f : 2.0f;
        Vec3 across{std::cos(a), 0, std::sin(a)};
        Vec3 up{-std::sin(a) * std::sin(tilt), std::cos(tilt), std::cos(a) * std::sin(tilt)};
        up = Normalise(up);
        Vec3 normal = Normalise(Cross(across, up) + Vec3{0, 0.8f, 0});
        int first = static_cast<int>(mesh.vertices.size());
        const float us[] = {0, 0, 1, 1}, vs[] = {1, 0, 0, 1};
        const float sx[] = {-1, -1, 1, 1}, sy[] = {-1, 1, 1, -1};
        for (int k = 0; k < 4; ++k) {
            MeshVertex v;
            v.position = across * (sx[k] * kHalf) + up * (sy[k] * kHalf);
            v.normal = normal;
            v.u = us[k];
            v.v = vs[k];
            mesh.AddVertex(v);
        }
        mesh.AddQuad(first, first + 1, first + 2, first + 3);
    }
    return {mesh};
}

// The column of light the night particles rise in. The saver draws it last,
// additively, with depth testing and depth writes on and back faces culled:
// sheets crossing one another would hide each other's light behind a sharp
// seam. So it is a set of nested open cylinders around the particles' rising
// column, each facing outwards and drawn from the innermost out: every later
// shell lies in front of the earlier ones wherever they overlap. A line of
// sight through the column crosses the front of every shell wider than its
// distance from the axis, so the light fades smoothly towards the column's
// sides; each shell reads its own brightness from a band of "beam.tga",
// which also fades it at both ends.
Model BuildLightColumn() {
    constexpr int kSides = 32;
    Model model;
    for (int shell = 0; shell < kBeamShells; ++shell) {
        Mesh mesh;
        mesh.texture = "beam.tga";
        float radius = BeamShellRadius(shell);
        float u = (static_cast<float>(shell) + 0.5f) / kBeamShells;
        for (int ring = 0; ring < 2; ++ring) {
            for (int i = 0; i <= kSides; ++i) {
                float a = 2.0f * kPi * static_cast<float>(i % kSides) / kSides;
                MeshVertex v;
                v.position = {kBeamAxisX + radius * std::cos(a), ring == 0 ? kBeamTop : kBeamBottom,
                              kBeamAxisZ + radius * std::sin(a)};
                v.normal = {std::cos(a), 0, std::sin(a)};
                v.u = u;
                v.v = static_cast<float>(ring);
                mesh.AddVertex(v);
            }
        }
        for (int i = 0; i < kSides; ++i) {
            int a = i, b = i + 1, c = i + kSides + 2, d = i + kSides + 1;
            mesh.AddQuad(a, b, c, d);  // top ring first: faces outwards
        }
        model.push_back(mesh);
    }
    return model;
}

Model BuildFog() {
    Mesh mesh;
    mesh.texture = "fog.tga";
    const Vec3 centres[] = {{-150, 6, 60}, {120, 8, -90}, {40, 5, 170}};
    for (Vec3 c : centres) {
        int first = static_cast<int>(mesh.vertices.size());
        const float xs[] = {-70, -70, 70, 70}, zs[] = {-45, 45, 45, -45};
        const float us[] = {0, 0, 1, 1}, vs[] = {1, 0, 0, 1};
        for (int k = 0; k < 4; ++k) {
            MeshVertex v;
            v.position = {c.x + xs[k], c.y, c.z + zs[k]};
            v.normal = {0, 1, 0};
            v.u = us[k];
            v.v = vs[k];
            mesh.AddVertex(v);
        }
        mesh.AddQuad(first, first + 1, first + 2, first + 3);
    }
    return {mesh};
}

}  // namespace

TreeModels BuildTree() {
    TreeModels tree;
    tree.branches.texture = "bark.jpg";
    TreeBuilder builder(&tree.branches);
    Branch trunk;
    trunk.start = {0.0f, IslandHeight(0.0f, 0.0f) - 1.5f, 0.0f};
    trunk.direction = Normalise({0.06f, 1.0f, 0.03f});
    trunk.length = 30.0f;
    trunk.radius = 2.6f;
    trunk.depth = 0;
    builder.Grow(trunk, 0.4f);

    Random random(99);
    for (Vec3 tip : builder.tips) {
        tree.placements.push_back(MakePlacement(tip, ChooseAxis(tip, &random)));
    }
    tree.leaves = BuildLeafCluster();

    // The stand-in: the trunk grown as a late branch, so it stops after one
    // level of thin forks.
    Mesh standIn;
    standIn.texture = "bark.jpg";
    TreeBuilder small(&standIn);
    Branch stub = trunk;
    stub.depth = 2;
    small.Grow(stub, 0.4f);
    tree.standIn = {standIn};

    tree.lightColumn = BuildLightColumn();
    tree.fog = BuildFog();
    return tree;
}
