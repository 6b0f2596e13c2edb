// Draws apply only the state that changed since the last draw. These scenes
// change GL state behind the device's back between two draws that share
// their device state, and read back whether the second draw still used it.
#include "tests/d3d8/d3d8_fixture.h"

namespace {

using StateTrackingTest = DeviceTest;

TEST_F(StateTrackingTest, DrawsReapplyWhatUploadsClearsTargetSwitchesAndResetsDisturbed) {
    // A texture upload binds its own texture on stage 0's unit.
    IDirect3DTexture8* green = MakeTexture(2, 2, std::vector<DWORD>(4, 0xFF00FF00));
    ASSERT_EQ(D3D_OK, device->SetTexture(0, green));
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0x00FF00, 0));
    IDirect3DTexture8* red = MakeTexture(2, 2, std::vector<DWORD>(4, 0xFFFF0000));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0x00FF00, 0)) << "stage 0 lost its texture";
    ASSERT_EQ(D3D_OK, device->SetTexture(0, nullptr));
    red->Release();
    green->Release();

    // A clear writes every channel whatever the colour write state says.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE,
                           D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA);
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFF0000, 0));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFF0000, 0)) << "the colour mask was not set again";
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);

    // A smaller target without a depth buffer, drawn with a depth state set
    // there: neither its viewport nor its lack of a depth test may outlast
    // the switch back.
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(32, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                            D3DPOOL_DEFAULT, &target));
    IDirect3DSurface8* targetSurface = nullptr;
    IDirect3DSurface8* backBuffer = nullptr;
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(D3D_OK, target->GetSurfaceLevel(0, &targetSurface));
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&backBuffer));
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&depth));
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(targetSurface, nullptr));
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const Vertex142 leftHalf[4] = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                   {0, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                   {0, -1, 0.5f, 0xFFFFFFFF, 0, 0},
                                   {-1, -1, 0.5f, 0xFFFFFFFF, 0, 0}};
    DrawQuad(leftHalf, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(backBuffer, depth));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 0.25f, 0);
    DrawScreenQuad142(0xFFFFFFFF, 0.5f);
    EXPECT_TRUE(ColorNear(Pixel(10, 10), 0x000000, 0)) << "the depth test stayed off";
    // The target added to blue over the whole back buffer: white where the
    // target's left half was drawn, blue elsewhere.
    device->SetTexture(0, target);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    DrawScreenQuad142(0xFF0000FF, 0.1f);
    EXPECT_TRUE(ColorNear(Pixel(10, 32), 0xFFFFFF, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 32), 0x0000FF, 0)) << "the target had the back buffer's viewport";
    EXPECT_TRUE(ColorNear(Pixel(50, 50), 0x0000FF, 0)) << "the target's viewport stayed";
    device->SetTexture(0, nullptr);
    targetSurface->Release();
    backBuffer->Release();
    depth->Release();
    target->Release();

    // A reset returns every state to its default, blending off among them.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawScreenQuad142(0xFF202020);
    D3DPRESENT_PARAMETERS p = WindowedParameters();
    ASSERT_EQ(D3D_OK, device->Reset(&p));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF404040, 1.0f, 0);
    DrawScreenQuad142(0xFF202020);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0x202020, 0)) << "blending outlived the reset";
}

}  // namespace
