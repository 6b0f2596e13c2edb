// The water's arithmetic: bump texels from the height field, the scroll and
// foam motion, and the matrix that projects the reflection onto the lake; and
// the state the water and the foam are drawn with, on a recording device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

#include "scene/scene_state.h"
#include "scene/water.h"
#include "tests/support/test_decoders.h"

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
    // One quad of water and one of foam with its texture, loaded and resolved
    // as the scene does.
    R3MWriter waterFile, foamFile;
    waterFile.Mesh("water.tga", 4, 2);
    foamFile.Mesh("pena.tga", 4, 2);
    folder.WriteFile("media/models/water.r3m", waterFile.bytes);
    folder.WriteFile("media/models/pena.r3m", foamFile.bytes);
    folder.WriteFile("media/texture/pena.tga", "image");
    folder.WriteFile("media/texture/bumpwat.raw", std::string(256 * 256, '\0'));
    TextureCache foamTextures{kSquareTextureDecoder};
    bumpMapSupported = true;
    backBuffer.Format = D3DFMT_X8R8G8B8;
    CWater water;
    water.LoadFoam(&device, &models, &foamTextures);
    models.ResolveTextures(&device, foamTextures);
    water.CreateWater(&device, backBuffer, &models, &foamTextures);
    ASSERT_NE(water.ReflectionTexture(), nullptr);
    ASSERT_NE(water.BumpTexture(), nullptr);
    IDirect3DTexture8* foam = foamTextures.GetTexture("pena.tga");
    ASSERT_NE(foam, nullptr);

    D3DXMATRIX projection;
    D3DXMatrixPerspectiveOffCenterLH(&projection, -1, 1, -1, 1, 4, 5500);
    device.draws.clear();
    water.DrawWater(projection, &device, true);
    ASSERT_EQ(device.draws.size(), 3u);  // the water, then the foam twice

    // The water: lit with its material, the bump map (stage 0) perturbing the
    // projected reflection (stage 1).
    const RecordedState& lake = device.draws[0].state;
    EXPECT_EQ(lake.RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(lake.RenderState(D3DRS_NORMALIZENORMALS), 1u);
    EXPECT_EQ(lake.material.Diffuse.r, 0.5f);
    EXPECT_EQ(lake.material.Diffuse.b, 1.0f);
    EXPECT_EQ(lake.material.Ambient.g, 0.5f);
    EXPECT_EQ(lake.Texture(0), water.BumpTexture());
    EXPECT_EQ(lake.Texture(1), water.ReflectionTexture());
    EXPECT_EQ(lake.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_BUMPENVMAP));
    EXPECT_EQ(lake.StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
    EXPECT_EQ(lake.StageState(0, D3DTSS_COLORARG2), static_cast<DWORD>(D3DTA_CURRENT));
    float scale;
    DWORD bits = lake.StageState(0, D3DTSS_BUMPENVMAT00);
    std::memcpy(&scale, &bits, sizeof scale);
    EXPECT_EQ(scale, 0.01f);
    EXPECT_EQ(lake.StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(lake.StageState(1, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
    EXPECT_EQ(lake.StageState(0, D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_COUNT3));
    EXPECT_EQ(lake.StageState(1, D3DTSS_TEXTURETRANSFORMFLAGS),
              static_cast<DWORD>(D3DTTFF_COUNT3 | D3DTTFF_PROJECTED));
    EXPECT_EQ(lake.StageState(1, D3DTSS_TEXCOORDINDEX),
              static_cast<DWORD>(D3DTSS_TCI_CAMERASPACEPOSITION | 1));
    EXPECT_EQ(lake.StageState(1, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_MIRROR));
    EXPECT_EQ(lake.StageState(1, D3DTSS_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_MIRROR));
    D3DXMATRIX reflection;
    ReflectionTextureMatrix(projection, &reflection);
    EXPECT_EQ(std::memcmp(&lake.transforms.at(D3DTS_TEXTURE1), &reflection, sizeof reflection), 0);
    EXPECT_EQ(
        std::memcmp(&lake.transforms.at(D3DTS_TEXTURE0), &water.ScrollMatrix(), sizeof(D3DMATRIX)),
        0);

    // The foam: its own texture, added over the water without depth, once at
    // each foam matrix, with the stages back to plain texturing.
    for (int copy = 0; copy < 2; ++copy) {
        SCOPED_TRACE(copy);
        const RecordedState& spray = device.draws[1 + copy].state;
        EXPECT_EQ(spray.RenderState(D3DRS_ZENABLE), 0u);
        EXPECT_EQ(spray.RenderState(D3DRS_ZWRITEENABLE), 0u);
        EXPECT_EQ(spray.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
        EXPECT_EQ(spray.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(spray.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(spray.RenderState(D3DRS_LIGHTING), 1u);
        EXPECT_EQ(spray.Texture(0), foam);
        EXPECT_EQ(spray.Texture(1), nullptr);
        EXPECT_EQ(spray.StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
        EXPECT_EQ(spray.StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
        EXPECT_EQ(spray.StageState(0, D3DTSS_TEXTURETRANSFORMFLAGS),
                  static_cast<DWORD>(D3DTTFF_DISABLE));
        EXPECT_EQ(spray.StageState(1, D3DTSS_TEXTURETRANSFORMFLAGS),
                  static_cast<DWORD>(D3DTTFF_DISABLE));
        EXPECT_EQ(spray.StageState(1, D3DTSS_TEXCOORDINDEX), 1u);
        EXPECT_EQ(spray.StageState(1, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
        EXPECT_EQ(spray.StageState(1, D3DTSS_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_WRAP));
        EXPECT_EQ(std::memcmp(&spray.transforms.at(D3DTS_WORLD), &water.FoamMatrix(copy),
                              sizeof(D3DMATRIX)),
                  0);
    }

    // Left for the scene objects drawn next: depth on, no blending, lit, the
    // identity world.
    EXPECT_EQ(device.RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(device.RenderState(D3DRS_LIGHTING), 1u);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_EQ(std::memcmp(&device.transforms.at(D3DTS_WORLD), &identity, sizeof identity), 0);
    for (DWORD stage : {0u, 1u}) {
        EXPECT_EQ(device.StageState(stage, D3DTSS_TEXTURETRANSFORMFLAGS),
                  static_cast<DWORD>(D3DTTFF_DISABLE));
        EXPECT_EQ(device.StageState(stage, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    }
    EXPECT_EQ(device.StageState(1, D3DTSS_TEXCOORDINDEX), 1u);
    EXPECT_EQ(device.StageState(1, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));

    // Reflection pass: the target changes and comes back, without leaking.
    water.BeginReflection(&device);
    EXPECT_EQ(water.EndReflection(&device), D3D_OK);
    water.ReleaseWater();
}
