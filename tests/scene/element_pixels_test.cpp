// What the sky box and the water's foam put into the pixels of the real
// offscreen device: whatever state the scene left, the box shows its texture
// unlit, unblended and through any depth; the foam adds its two lit copies
// onto what is there without depth; and after either the depth test holds
// again for what is drawn next.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/model.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "scene/scene_state.h"
#include "scene/sky_cube.h"
#include "scene/water.h"
#include "tests/d3d8/d3d8_fixture.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tga_file.h"

namespace {

// A square face at depth 4 in front of the camera, from x0 to x1 and y0 to y1
// in the program's frame, written in the file's frame: program (x, y, z) is
// file (x, -z, y). Its normal faces the camera.
void Face(R3MWriter& file, const std::string& texture, float x0, float x1, float y0, float y1) {
    auto corner = [](float x, float y) { return R3MFileVertex{x, -4, y, 0, 1, 0, 0, 0, 0, 0}; };
    file.Record(texture, "", {corner(x0, y1), corner(x1, y1), corner(x1, y0), corner(x0, y0)},
                {0, 1, 2, 0, 2, 3});
}

}  // namespace

class ElementPixelsTest : public DeviceTest {
protected:
    // Depth cleared to the nearest value, so nothing drawn with the depth
    // test on can show, and a camera at the origin looking along z with a
    // 90-degree view.
    void SetUpScene(D3DCOLOR background) {
        ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background,
                                        0.0f, 0));
        const D3DMATRIX identity = IdentityMatrix();
        const D3DMATRIX projection = PerspectiveMatrix(1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetVertexShader(kModelVertexFormat);
    }
    // A white square over the whole target at depth 0.5, unlit and
    // unblended, which the depth buffer hides when the depth test is on.
    void DrawHiddenSquare() {
        const D3DMATRIX identity = IdentityMatrix();
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, nullptr);
        DrawScreenQuad142(0xFFFFFFFF, 0.5f);
    }
    DWORD At(const std::vector<DWORD>& pixels, int x, int y) const {
        return pixels[static_cast<size_t>(y) * kSize + x];
    }
};

TEST_F(ElementPixelsTest, TheSkyShowsItsTextureThroughAnyStateAndDepthTestingComesBack) {
    TempFolder folder;
    folder.WriteFile("media/texture/sky.tga", Tga32(1, 1, {0xFF3080C0}));
    R3MWriter file;
    Face(file, "sky.tga", -4, 0, -4, 4);  // the left half of the view
    folder.WriteFile("media/models/sky.r3m", file.bytes);
    {
        TextureCache textures;
        ModelCache models;
        CSkyCube sky;
        sky.LoadSky(device, &models, &textures);
        models.ResolveTextures(device, textures);
        ASSERT_NE(textures.GetTexture("sky.tga"), nullptr);

        // Besides the depth: blending that keeps the target, and lighting on
        // without a light.
        SetUpScene(0xFF000080);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRS_LIGHTING, TRUE);
        ASSERT_EQ(D3D_OK, device->BeginScene());
        sky.DrawSky(device, 0);
        DrawHiddenSquare();
        ASSERT_EQ(D3D_OK, device->EndScene());

        std::vector<DWORD> pixels = ReadBackBuffer();
        ASSERT_EQ(pixels.size(), static_cast<size_t>(kSize * kSize));
        EXPECT_TRUE(ColorNear(At(pixels, 16, 32), 0x3080C0));  // the face, as its texture
        EXPECT_TRUE(ColorNear(At(pixels, 4, 4), 0x3080C0));
        EXPECT_TRUE(ColorNear(At(pixels, 48, 32), 0x000080));  // the cleared colour beside it
        EXPECT_TRUE(ColorNear(At(pixels, 60, 60), 0x000080));

        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
    }
}

TEST_F(ElementPixelsTest, TheFoamAddsItsTwoLitCopiesWithoutDepth) {
    TempFolder folder;
    folder.WriteFile("media/texture/pena.tga", Tga32(1, 1, {0xFF808080}));
    R3MWriter file;
    Face(file, "pena.tga", -2, 2, -2, 2);
    folder.WriteFile("media/models/pena.r3m", file.bytes);
    {
        TextureCache textures;
        ModelCache models;
        CWater water;  // no water model: only the foam draws
        water.LoadFoam(device, &models, &textures);
        models.ResolveTextures(device, textures);
        D3DSURFACE_DESC backBuffer = {};
        backBuffer.Format = D3DFMT_X8R8G8B8;
        water.CreateWater(device, backBuffer, &models, &textures);
        ASSERT_NE(textures.GetTexture("pena.tga"), nullptr);

        // A white light along the view: the water material's diffuse colour
        // (0.5, 0.5, 1) times the grey texture is 0x404080 for each copy.
        SetUpScene(0xFF101010);
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1, 1, 1, 1};
        light.Direction = {0, 0, 1};
        device->SetLight(0, &light);
        device->LightEnable(0, TRUE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        sceneTime = 0.0f;  // the copies sit 0.99 above and below the model
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, 1.0f, 1.0f, 100.0f);
        ASSERT_EQ(D3D_OK, device->BeginScene());
        water.DrawWater(projection, device, false);
        DrawHiddenSquare();
        ASSERT_EQ(D3D_OK, device->EndScene());

        // The face spans rows 16 to 48; the upper copy covers rows 8 to 40,
        // the lower one rows 24 to 56, both columns 16 to 48.
        std::vector<DWORD> pixels = ReadBackBuffer();
        ASSERT_EQ(pixels.size(), static_cast<size_t>(kSize * kSize));
        EXPECT_TRUE(ColorNear(At(pixels, 32, 32), 0x9090FF));  // both added, blue saturated
        EXPECT_TRUE(ColorNear(At(pixels, 32, 14), 0x505090));  // the upper copy alone
        EXPECT_TRUE(ColorNear(At(pixels, 32, 50), 0x505090));  // the lower copy alone
        EXPECT_TRUE(ColorNear(At(pixels, 32, 3), 0x101010));   // neither
        EXPECT_TRUE(ColorNear(At(pixels, 8, 32), 0x101010));

        device->SetTexture(1, nullptr);
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
        water.ReleaseWater();
    }
}
