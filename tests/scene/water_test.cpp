// The water's arithmetic: bump texels from the height field, the scroll and
// foam motion, and the matrix that projects the reflection onto the lake.
#include <gtest/gtest.h>

#include <vector>

#include "scene/scene_state.h"
#include "scene/water.h"

TEST(BumpTexelTest, DifferencesWrapAndClampToPlusMinus127) {
    std::vector<int8_t> heights(256 * 256, 0);
    std::vector<uint16_t> texels(256 * 256);
    BuildBumpTexels(heights.data(), texels.data());
    for (uint16_t t : texels) ASSERT_EQ(t, 0);  // flat water, no perturbation

    heights[0] = 127;
    heights[1] = -128;    // right of (0, 0)
    heights[256] = -128;  // below (0, 0)
    heights[255] = -128;  // (255, 0), left neighbour wraps to (0, 0)
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
