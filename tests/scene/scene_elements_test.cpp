// Arithmetic of the scene elements: leaf growth and sway and the night
// particles' life.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/model.h"
#include "scene/particle_system.h"
#include "scene/scene_state.h"
#include "scene/tree.h"

namespace {

SubMesh Placement(D3DXVECTOR3 a, D3DXVECTOR3 b) {
    SubMesh mesh;
    mesh.vertexCount = 4;
    mesh.vertices.resize(4);
    mesh.vertices[0].x = a.x;
    mesh.vertices[0].y = a.y;
    mesh.vertices[0].z = a.z;
    mesh.vertices[3].x = b.x;
    mesh.vertices[3].y = b.y;
    mesh.vertices[3].z = b.z;
    return mesh;
}

}  // namespace

TEST(LeafClusterTest, ParallelPlacementGrowsAt1Point1WithoutRotationOrSway) {
    SubMesh mesh = Placement(D3DXVECTOR3(1, 2, 3), D3DXVECTOR3(2, 4, 6));
    D3DXMATRIX world;
    ASSERT_TRUE(LeafClusterWorld(mesh, 12.3f, 0.5f, &world));
    float growth = 0.5f * 1.1f / 50.0f;
    EXPECT_FLOAT_EQ(mesh.animation, growth);
    // Pure scale then translation to B.
    EXPECT_FLOAT_EQ(world._11, growth);
    EXPECT_FLOAT_EQ(world._22, growth);
    EXPECT_FLOAT_EQ(world._33, growth);
    EXPECT_EQ(world._12, 0.0f);
    EXPECT_EQ(world._31, 0.0f);
    EXPECT_FLOAT_EQ(world._41, 2.0f);
    EXPECT_FLOAT_EQ(world._42, 4.0f);
    EXPECT_FLOAT_EQ(world._43, 6.0f);
}

TEST(LeafClusterTest, UprightNormalReachesFullSizeAfter25SecondsOfTwoDrawsAFrame) {
    // A x B along z: |N.z| = 1, the fastest growth.
    SubMesh mesh = Placement(D3DXVECTOR3(10, 0, 0), D3DXVECTOR3(0, 10, 0));
    D3DXMATRIX world;
    const float dt = 1.0f / 32.0f;  // exact in binary, so the sums are exact
    for (int frame = 0; frame < 25 * 32 - 1; ++frame) {
        LeafClusterWorld(mesh, frame * dt, dt, &world);
        LeafClusterWorld(mesh, frame * dt, dt, &world);
    }
    EXPECT_LT(mesh.animation, 1.0f);
    LeafClusterWorld(mesh, 25.0f, dt, &world);
    LeafClusterWorld(mesh, 25.0f, dt, &world);
    EXPECT_EQ(mesh.animation, 1.0f);
    LeafClusterWorld(mesh, 26.0f, dt, &world);
    EXPECT_EQ(mesh.animation, 1.0f);  // stays at exactly one
}

TEST(LeafClusterTest, ZeroElapsedKeepsGrowthButStillSways) {
    SubMesh mesh = Placement(D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, 0, 10));  // N = (1, 0, 0)
    mesh.animation = 0.5f;
    D3DXMATRIX a, b;
    LeafClusterWorld(mesh, 0.0f, 0.0f, &a);
    LeafClusterWorld(mesh, 0.3f, 0.0f, &b);
    EXPECT_EQ(mesh.animation, 0.5f);
    EXPECT_NE(a._11, b._11);
}

TEST(LeafClusterTest, PlacementsWithFewerThanFourVerticesAreSkipped) {
    SubMesh mesh;
    mesh.vertices.resize(3);
    D3DXMATRIX world;
    EXPECT_FALSE(LeafClusterWorld(mesh, 1.0f, 1.0f, &world));
    EXPECT_EQ(mesh.animation, 0.0f);
}

TEST(ParticleTest, SpawnRiseAndRemoval) {
    CParticleSystem particles;
    std::srand(7);
    sceneElapsed = 0.25f;
    particles.UpdateParticles();
    ASSERT_EQ(particles.Particles().size(), 1u);
    const Particle& p = particles.Particles()[0];
    EXPECT_GE(p.x, -8.0f);
    EXPECT_LE(p.x, 11.0f);
    EXPECT_GE(p.z, 5.0f);
    EXPECT_LE(p.z, 24.0f);
    EXPECT_FLOAT_EQ(p.y, 70.0f + 0.25f * 5.0f);  // advanced in the update that spawned it
    EXPECT_FLOAT_EQ(p.age, 0.125f);

    sceneElapsed = 0.1f;  // no spawn below 0.2 s
    particles.UpdateParticles();
    EXPECT_EQ(particles.Particles().size(), 1u);

    // Exactly 30 s: the new particle reaches age 15, which stays.
    sceneElapsed = 30.0f;
    particles.UpdateParticles();
    ASSERT_EQ(particles.Particles().size(), 1u);
    EXPECT_EQ(particles.Particles()[0].age, 15.0f);
    // More than 30 s ages everything past 15, the new one included.
    sceneElapsed = 30.5f;
    particles.UpdateParticles();
    EXPECT_TRUE(particles.Particles().empty());
    sceneElapsed = 0.0f;
}

TEST(ParticleTest, ColourPacksToOpaqueYellow) {
    EXPECT_EQ(PackColourComponent(0.7f), 178u);
    EXPECT_EQ(PackColourComponent(1.0f), 255u);
    EXPECT_EQ(PackColourComponent(2.0f), 255u);
    EXPECT_EQ(PackColourComponent(0.0f), 0u);
    EXPECT_EQ(PackColourComponent(-1.0f), 0u);
    D3DCOLOR packed = (PackColourComponent(1.0f) << 24) | (PackColourComponent(0.7f) << 16) |
                      (PackColourComponent(0.7f) << 8) | PackColourComponent(0.0f);
    EXPECT_EQ(packed, 0xFFB2B200u);
}
