// Arithmetic of the scene elements: leaf growth and sway, the bump texels,
// the water's scroll and foam motion, the reflection matrix and the night
// particles' life.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/model.h"
#include "scene/particle_system.h"
#include "scene/scene_state.h"
#include "scene/tree.h"
#include "scene/water.h"

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

TEST(BumpTexelTest, DifferencesWrapAndClampToPlusMinus127) {
    std::vector<int8_t> heights(256 * 256, 0);
    std::vector<uint16_t> texels(256 * 256);
    BuildBumpTexels(heights.data(), texels.data());
    for (uint16_t t : texels) ASSERT_EQ(t, 0);  // flat water, no perturbation

    heights[0] = 127;
    heights[1] = -128;      // right of (0, 0)
    heights[256] = -128;    // below (0, 0)
    heights[255] = -128;    // (255, 0), left neighbour wraps to (0, 0)
    BuildBumpTexels(heights.data(), texels.data());
    EXPECT_EQ(static_cast<int8_t>(texels[0] & 0xff), 127);  // u: 127 - (-128) clamps
    EXPECT_EQ(static_cast<int8_t>(texels[0] >> 8), 127);    // v
    // (255, 0): -128 next to 127 on the right (wrapping) gives -127.
    EXPECT_EQ(static_cast<int8_t>(texels[255] >> 8), -127);
    // (1, 0): -128, the byte 0x80, is -128 and not 128.
    EXPECT_EQ(static_cast<int8_t>(texels[1] & 0xff), -128 - 0);
}

TEST(WaterMotionTest, ScrollAndFoamFollowTheSceneTime) {
    CWater water;
    sceneTime = 0.0f;
    water.AnimateWater();
    EXPECT_EQ(water.ScrollMatrix()._31, 0.0f);
    EXPECT_EQ(water.ScrollMatrix()._32, 0.0f);
    EXPECT_NEAR(water.FoamMatrix(0)._41, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(water.FoamMatrix(0)._42, 0.99f);
    EXPECT_FLOAT_EQ(water.FoamMatrix(1)._42, -0.99f);
    EXPECT_FLOAT_EQ(water.FoamMatrix(0)._11, 0.99f);

    sceneTime = 20.0f;
    water.AnimateWater();
    EXPECT_FLOAT_EQ(water.ScrollMatrix()._31, 0.2f);
    EXPECT_FLOAT_EQ(water.ScrollMatrix()._32, 0.5f);
    sceneTime = 60.0f;
    water.AnimateWater();
    EXPECT_FLOAT_EQ(water.ScrollMatrix()._31, 0.6f);
    EXPECT_NEAR(water.ScrollMatrix()._32, 0.5f, 1e-6f);
    EXPECT_EQ(water.ScrollMatrix()._33, 1.0f);
    sceneTime = 0.0f;
}

TEST(WaterMotionTest, ReflectionMatrixMapsTheScreenOntoTheTexture) {
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveOffCenterLH(&projection, -2.0f, 2.0f, -1.5f, 1.5f, 4.0f, 5500.0f);
    D3DXMATRIX m;
    ReflectionTextureMatrix(projection, &m);
    // A camera-space point: its projected screen position (-1..1) becomes 0..1.
    float x = 30.0f, y = -12.0f, z = 200.0f;
    float u = x * m._11 + y * m._21 + z * m._31;
    float v = x * m._12 + y * m._22 + z * m._32;
    float w = x * m._13 + y * m._23 + z * m._33;
    float screenX = (x * projection._11 + z * projection._31) / z;
    float screenY = (y * projection._22 + z * projection._32) / z;
    EXPECT_NEAR(u / w, 0.5f * x * projection._11 / (projection._33 * z) + 0.5f, 1e-5f);
    EXPECT_NEAR(v / w, 0.5f * y * projection._22 / (projection._33 * z) + 0.5f, 1e-5f);
    (void)screenX;
    (void)screenY;
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
