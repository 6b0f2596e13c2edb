// D3DX textures on the real Direct3D 8 stand-in (offscreen GL): the texture
// cache's load drawn through the pipeline, the water's reflection target and
// its bump texture.
#include <d3dx8.h>
#include <dlfcn.h>
#include <glob.h>

#include <cstring>
#include <string>

#include "tests/d3d8/d3d8_fixture.h"

namespace {

// Mesa unloads its software driver when the last GL context goes; the leak
// checker then finds the driver's own allocations with no module to name
// and reports them. Keeping the driver loaded for the whole run leaves those
// allocations reachable, so only real leaks are reported.
[[maybe_unused]] const bool kDriverKeptLoaded = [] {
    glob_t found{};
    bool kept = false;
    if (glob("/usr/lib/*/dri/swrast_dri.so", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        kept = dlopen(found.gl_pathv[0], RTLD_NOW | RTLD_NODELETE) != nullptr;
    globfree(&found);
    return kept;
}();

using D3dxDeviceTest = DeviceTest;

// A 32-bit TGA with its first row at the top, from A8R8G8B8 texels.
std::string MakeTga32(UINT width, UINT height, const std::vector<uint32_t>& texels) {
    std::string file(18, '\0');
    file[2] = 2;
    file[12] = static_cast<char>(width);
    file[14] = static_cast<char>(height);
    file[16] = 32;
    file[17] = 0x28;
    for (uint32_t t : texels) file.append(reinterpret_cast<const char*>(&t), 4);
    return file;
}

TEST_F(D3dxDeviceTest, CachedTextureDrawsWithItsColourKeyPunchedOut) {
    // Red, green / blue, and the key colour, which must come out transparent.
    const std::string tga = MakeTga32(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x0FF00000});
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(
                          device, tga.data(), static_cast<UINT>(tga.size()), D3DX_DEFAULT,
                          D3DX_DEFAULT, 15, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                          D3DX_FILTER_POINT, 0x0FF00000, nullptr, nullptr, &texture));
    ASSERT_NE(nullptr, texture);
    EXPECT_EQ(2u, texture->GetLevelCount());
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(1, &desc));
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF404040, 1.0f, 0);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->BeginScene();
    DrawScreenQuad142(0xFFFFFFFF);
    device->EndScene();
    EXPECT_TRUE(ColorNear(Pixel(16, 16), 0xFF0000));
    EXPECT_TRUE(ColorNear(Pixel(48, 16), 0x00FF00));
    EXPECT_TRUE(ColorNear(Pixel(16, 48), 0x0000FF));
    EXPECT_TRUE(ColorNear(Pixel(48, 48), 0x404040));  // keyed: discarded by the alpha test
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(D3dxDeviceTest, ReflectionTargetIsARenderTargetInTheDefaultPool) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                        D3DPOOL_DEFAULT, &texture));
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(D3D_OK, texture->GetLevelDesc(0, &desc));
    EXPECT_EQ(512u, desc.Width);
    EXPECT_EQ(512u, desc.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    EXPECT_EQ(DWORD(D3DUSAGE_RENDERTARGET), desc.Usage);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    EXPECT_EQ(1u, texture->GetLevelCount());
    texture->Release();
}

TEST_F(D3dxDeviceTest, BumpTexelsCopyIntoAV8U8Level) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK,
              D3DXCreateTexture(device, 256, 256, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &texture));
    std::vector<uint8_t> texels(256 * 512);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 13 + i / 512);
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(0, &level));
    const RECT all{0, 0, 256, 256};
    EXPECT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(level, nullptr, nullptr, texels.data(), D3DFMT_V8U8,
                                                512, nullptr, &all, D3DX_FILTER_NONE, 0));
    level->Release();
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
    for (UINT y = 0; y < 256; ++y)
        ASSERT_EQ(0, std::memcmp(texels.data() + y * 512,
                                 static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, 512))
            << "row " << y;
    texture->UnlockRect(0);
    texture->Release();
}

}  // namespace
