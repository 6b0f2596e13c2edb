// The water's arithmetic: bump texels from the height field, the scroll and
// foam motion, and the matrix that projects the reflection onto the lake.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "tests/render/recording_device.h"
#include "tests/support/temp_folder.h"

#include "scene/scene_state.h"
#include "scene/water.h"
#include "tests/render/test_decoders.h"

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
    // (1, 0): the byte 0x80 above a 0 is -128 (clamped to -127), not +128.
    EXPECT_EQ(static_cast<int8_t>(texels[1] & 0xff), -127);
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
    // One screen (a centred view) and the right-hand screen of two that draw
    // one wide image (an off-centre view): a camera-space point's projected
    // screen position, -1..1 scaled by 1/P33, becomes 0..1 on the texture.
    struct View {
        float left, right;
    };
    for (View view : {View{-2.0f, 2.0f}, View{0.0f, 4.0f}}) {
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveOffCenterLH(&projection, view.left, view.right, -1.5f, 1.5f, 4.0f,
                                         5500.0f);
        D3DXMATRIX m;
        ReflectionTextureMatrix(projection, &m);
        float x = 30.0f, y = -12.0f, z = 200.0f;
        float u = x * m._11 + y * m._21 + z * m._31;
        float v = x * m._12 + y * m._22 + z * m._32;
        float w = x * m._13 + y * m._23 + z * m._33;
        float screenX = (x * projection._11 + z * projection._31) / z;
        float screenY = (y * projection._22 + z * projection._32) / z;
        EXPECT_NEAR(u / w, 0.5f * screenX / projection._33 + 0.5f, 1e-5f) << view.left;
        EXPECT_NEAR(v / w, 0.5f * screenY / projection._33 + 0.5f, 1e-5f) << view.left;
        EXPECT_EQ(m._14, 0.0f);
        EXPECT_EQ(m._44, 0.0f);
    }
}

namespace {

class WaterDeviceTest : public ::testing::Test {
protected:
    void TearDown() override { bumpMapSupported = false; }

    TempFolder folder;
    RecordingDevice device;
    ModelCache models;
    TextureCache textures{kNoTextureDecoder};
    D3DSURFACE_DESC backBuffer = {};
};

}  // namespace

TEST_F(WaterDeviceTest, BumpTextureComesFromTheHeightField) {
    std::string heights(256 * 256, '\0');
    heights[0] = 10;
    folder.WriteFile("media/texture/bumpwat.raw", heights);
    IDirect3DTexture8* bump = CWater().CreateBumpTexture(&device, 256, 256);
    ASSERT_NE(bump, nullptr);
    D3DSURFACE_DESC desc;
    bump->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_V8U8);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    bump->Release();

    folder.WriteFile("media/texture/bumpwat.raw", heights.substr(0, 1000));
    EXPECT_EQ(CWater().CreateBumpTexture(&device, 256, 256), nullptr);
}

TEST_F(WaterDeviceTest, MissingReflectionTargetIsReportedToTheErrorFile) {
    device.answer = [](const DeviceCall& call) {
        return call.method == "CreateTexture" ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
    };
    bumpMapSupported = true;
    CWater water;
    water.CreateWater(&device, backBuffer, &models, &textures);
    EXPECT_EQ(water.ReflectionTexture(), nullptr);
    EXPECT_EQ(water.BumpTexture(), nullptr);
    EXPECT_EQ(folder.ReadFile("velmora/drive_c/TreeError.er"), "error D3DXCreateTexture\n");
}

TEST_F(WaterDeviceTest, DrawWaterLeavesTheStagesAsTheSceneExpects) {
    folder.WriteFile("media/texture/bumpwat.raw", std::string(256 * 256, '\0'));
    bumpMapSupported = true;
    backBuffer.Format = D3DFMT_X8R8G8B8;
    CWater water;
    water.LoadFoam(&device, &models, &textures);
    water.CreateWater(&device, backBuffer, &models, &textures);
    ASSERT_NE(water.ReflectionTexture(), nullptr);
    ASSERT_NE(water.BumpTexture(), nullptr);

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveOffCenterLH(&projection, -1, 1, -1, 1, 4, 5500);
    device.calls.clear();
    water.DrawWater(projection, &device, true);
    auto tss = [&](DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
        return device.textureStageStates[{stage, type}];
    };
    EXPECT_EQ(tss(0, D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_DISABLE));
    EXPECT_EQ(tss(1, D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_DISABLE));
    EXPECT_EQ(tss(1, D3DTSS_TEXCOORDINDEX), 1u);
    EXPECT_EQ(tss(1, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(tss(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(tss(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(device.renderStates[D3DRS_ZENABLE], 1u);
    EXPECT_EQ(device.renderStates[D3DRS_ZWRITEENABLE], 1u);
    EXPECT_EQ(device.renderStates[D3DRS_ALPHABLENDENABLE], 0u);
    EXPECT_EQ(device.renderStates[D3DRS_LIGHTING], 1u);
    EXPECT_EQ(device.transforms[D3DTS_WORLD]._41, 0.0f);
    // The bump map drives the reflection lookup.
    std::vector<std::string> ops = device.Calls("SetTextureStageState");
    EXPECT_NE(std::find(ops.begin(), ops.end(),
                        "SetTextureStageState(0,1," + std::to_string(D3DTOP_BUMPENVMAP) + ")"),
              ops.end());

    // The foam follows: two additive draws without depth, then depth and
    // lighting back on.
    std::vector<std::string> states = device.Calls("SetRenderState");
    std::vector<std::string> tail(states.end() - 10, states.end());
    std::vector<std::string> expected = {"SetRenderState(14,0)",  "SetRenderState(7,0)",
                                         "SetRenderState(27,1)",  "SetRenderState(19,2)",
                                         "SetRenderState(20,2)",  "SetRenderState(27,0)",
                                         "SetRenderState(14,1)",  "SetRenderState(7,1)",
                                         "SetRenderState(137,1)", "SetRenderState(137,1)"};
    EXPECT_EQ(tail, expected);

    // Reflection pass: the target changes and comes back, without leaking.
    water.BeginReflection(&device);
    EXPECT_EQ(water.EndReflection(&device), D3D_OK);
    water.ReleaseWater();
}
