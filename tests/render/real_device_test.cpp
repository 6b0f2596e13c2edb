// A model drawn through the real Direct3D 8 stand-in, offscreen: the loaded
// file's Z-up geometry and bottom-up texture rows must land where the
// camera expects them, each sub-mesh with its own texture.
#include <dlfcn.h>
#include <glob.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "tests/d3d8/d3d8_fixture.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tga_file.h"

namespace {

// Mesa's software driver is unloaded with the last GL context, and the leak
// checker then reports the driver's own allocations from a module it can no
// longer name. Holding the driver loaded for the whole run keeps them
// reachable, so only leaks of ours are reported.
[[maybe_unused]] const bool kGlDriverHeld = [] {
    glob_t found{};
    bool held = false;
    if (glob("/usr/lib/*/dri/swrast_dri.so", 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
        held = dlopen(found.gl_pathv[0], RTLD_NOW | RTLD_NODELETE) != nullptr;
    }
    globfree(&found);
    return held;
}();

// A quad facing the camera in the program's frame (x right, y up, z ahead),
// written in the file's frame: program (x, y, z) is file (x, -z, y). The
// file's texture rows run bottom-up, so the top edge has tv = 1.
void Quad(R3MWriter& file, const std::string& texture, float left, float right, float bottom,
          float top, float depth) {
    auto corner = [depth](float x, float y, float tu, float tv) {
        return R3MFileVertex{x, -depth, y, 0, -1, 0, tu, tv, 0, 0};
    };
    file.Record(texture, "",
                {corner(left, top, 0, 1), corner(right, top, 1, 1), corner(right, bottom, 1, 0),
                 corner(left, bottom, 0, 0)},
                {0, 1, 2, 0, 2, 3});
}

}  // namespace

using RealDeviceModelTest = DeviceTest;

TEST_F(RealDeviceModelTest, TexturedSubMeshesShowWhereTheCameraExpectsThem) {
    TempFolder folder;
    folder.WriteFile("media/texture/quarters.tga",
                     Tga32(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}));
    folder.WriteFile("media/texture/cyan.tga", Tga32(1, 1, {0xFF00FFFF}));
    R3MWriter file;
    // At depth 4 with a 90-degree view, x and y from -4 to 4 fill the 64
    // pixels: the first quad covers columns 16 to 32 and rows 16 to 48, the
    // second columns 40 to 56 and rows 24 to 40.
    Quad(file, "Quarters.TGA", -2, 0, -2, 2, 4);
    Quad(file, "cyan.tga", 1, 3, -1, 1, 4);
    folder.WriteFile("media/models/test.r3m", file.bytes);

    {
        TextureCache textures;
        ModelCache models;
        Model* model = models.GetModel(device, "models/test.r3m", textures, true);
        ASSERT_EQ(model->subMeshes.size(), 2u);
        models.ResolveTextures(device, textures);
        ASSERT_NE(textures.GetTexture("quarters.tga"), nullptr);

        D3DMATRIX identity = IdentityMatrix();
        D3DMATRIX projection = PerspectiveMatrix(1.0f, 1.0f, 100.0f);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetVertexShader(kModelVertexFormat);
        ASSERT_EQ(D3D_OK, device->BeginScene());
        EXPECT_EQ(D3D_OK, DrawModel(*model, device, true));
        ASSERT_EQ(D3D_OK, device->EndScene());

        std::vector<DWORD> pixels = ReadBackBuffer();
        ASSERT_EQ(pixels.size(), static_cast<size_t>(kSize * kSize));
        auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * kSize + x]; };
        EXPECT_TRUE(ColorNear(at(20, 24), 0xFF0000));  // top left texel at the top left
        EXPECT_TRUE(ColorNear(at(28, 24), 0x00FF00));
        EXPECT_TRUE(ColorNear(at(20, 40), 0x0000FF));
        EXPECT_TRUE(ColorNear(at(28, 40), 0xFFFF00));
        EXPECT_TRUE(ColorNear(at(48, 32), 0x00FFFF));  // the second sub-mesh
        EXPECT_TRUE(ColorNear(at(10, 32), 0x000000));  // nothing left of the first
        EXPECT_TRUE(ColorNear(at(36, 32), 0x000000));  // nor between the two
        EXPECT_TRUE(ColorNear(at(48, 12), 0x000000));  // nor above the second

        device->SetTexture(0, nullptr);
        device->SetStreamSource(0, nullptr, 0);
        device->SetIndices(nullptr, 0);
    }
}
