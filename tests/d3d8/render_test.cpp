// Conformance scenes drawn by the real GL pipeline and read back.
#include <cmath>
#include <cstring>
#include <utility>

#include "tests/d3d8/d3d8_fixture.h"

namespace {

constexpr DWORD kFvf142 = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kFvf212 = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;
constexpr DWORD kFvf042 = D3DFVF_XYZ | D3DFVF_DIFFUSE;

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

DWORD Rgb(int r, int g, int b) {
    return static_cast<DWORD>((r << 16) | (g << 8) | b);
}

using RenderTest = DeviceTest;

TEST_F(RenderTest, ClearFillsTheTargetAndRectanglesLimitIt) {
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1.0f, 0));
    EXPECT_TRUE(ColorNear(Pixel(10, 10), 0x336699, 0));
    D3DRECT rect = {0, 0, 16, 8};
    ASSERT_EQ(D3D_OK, device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0));
    EXPECT_TRUE(ColorNear(Pixel(15, 7), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(16, 7), 0x336699, 0));
    EXPECT_TRUE(ColorNear(Pixel(15, 8), 0x336699, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
}

TEST_F(RenderTest, LitQuadIsTextureTimesMaterialLightPlusAmbient) {
    IDirect3DTexture8* texture = MakeTexture(2, 2, std::vector<DWORD>(4, 0xFFC08040));
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    D3DMATERIAL8 material = {};
    material.Diffuse = {0.5f, 0.5f, 0.5f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    // 60 degrees off the normal: half the light reaches the quad.
    light.Direction = {0.0f, std::sin(1.0471976f), std::cos(1.0471976f)};
    ASSERT_EQ(D3D_OK, device->SetLight(0, &light));
    ASSERT_EQ(D3D_OK, device->LightEnable(0, TRUE));
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    // The normal faces the viewer, scaled to prove NORMALIZENORMALS.
    const Vertex212 corners[4] = {{-1, 1, 0.5f, 0, 0, -3, 0, 0, 0, 0},
                                  {1, 1, 0.5f, 0, 0, -3, 1, 0, 1, 0},
                                  {1, -1, 0.5f, 0, 0, -3, 1, 1, 1, 1},
                                  {-1, -1, 0.5f, 0, 0, -3, 0, 1, 0, 1}};
    ASSERT_EQ(D3D_OK, device->BeginScene());
    DrawQuad(corners, kFvf212);
    ASSERT_EQ(D3D_OK, device->EndScene());
    const float light0 = 0.5f * 0.5f + 32.0f / 255.0f;
    auto expect = [&](int texel) { return static_cast<int>(texel * light0 + 0.5f); };
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgb(expect(0xC0), expect(0x80), expect(0x40))));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(RenderTest, StageOperationsModulateSelectAndChainThroughCurrent) {
    IDirect3DTexture8* gray = MakeTexture(2, 2, std::vector<DWORD>(4, 0xFF808080));
    IDirect3DTexture8* yellow = MakeTexture(2, 2, std::vector<DWORD>(4, 0xFFFFFF00));
    device->SetTexture(0, gray);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);

    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    DrawScreenQuad142(0xFF4080C0);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), Rgb(0x20, 0x40, 0x60)));

    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawScreenQuad142(0xFF4080C0);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), 0x808080));

    // Stage 0 passes the diffuse colour on; stage 1 modulates it with its texture.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTexture(1, yellow);
    device->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    DrawScreenQuad142(0xFF4080C0);
    EXPECT_TRUE(ColorNear(Pixel(20, 20), Rgb(0x40, 0x80, 0x00)));

    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    gray->Release();
    yellow->Release();
}

TEST_F(RenderTest, AlphaTestDiscardsBelowTheReference) {
    // Left texel alpha 0x40, right texel 0xC0.
    IDirect3DTexture8* texture = MakeTexture(2, 1, {0x40FF0000, 0xC0FF0000});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x80);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(10, 30), 0x000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 30), 0xFF0000, 0));
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_LESS);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    DrawScreenQuad142(0xFFFFFFFF);
    EXPECT_TRUE(ColorNear(Pixel(10, 30), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 30), 0x000000, 0));
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(RenderTest, BlendingWithSourceAlphaAndAdditive) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    DrawScreenQuad142(0x80FF0000);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgb(0x80, 0x00, 0x7F), 2));

    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF2000C0, 1.0f, 0);
    DrawScreenQuad142(0x10404040);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), Rgb(0x60, 0x40, 0xFF), 1));
}

TEST_F(RenderTest, CullModesFollowDirect3DWinding) {
    // Clockwise on screen: top left, top right, bottom left.
    const std::vector<Vertex042> clockwise = {
        {-1, 1, 0.5f, 0xFFFFFFFF}, {1, 1, 0.5f, 0xFFFFFFFF}, {-1, -1, 0.5f, 0xFFFFFFFF}};
    const std::vector<Vertex042> counterClockwise = {clockwise[0], clockwise[2], clockwise[1]};
    auto drawn = [&](const std::vector<Vertex042>& triangle, DWORD cull) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        device->SetRenderState(D3DRS_CULLMODE, cull);
        IDirect3DVertexBuffer8* buffer = MakeVertexBuffer(triangle, kFvf042);
        device->SetVertexShader(kFvf042);
        device->SetStreamSource(0, buffer, sizeof(Vertex042));
        EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
        device->SetStreamSource(0, nullptr, 0);
        buffer->Release();
        return Pixel(8, 8) == 0xFFFFFF;
    };
    EXPECT_TRUE(drawn(clockwise, D3DCULL_CCW));
    EXPECT_FALSE(drawn(clockwise, D3DCULL_CW));
    EXPECT_TRUE(drawn(clockwise, D3DCULL_NONE));
    EXPECT_FALSE(drawn(counterClockwise, D3DCULL_CCW));
    EXPECT_TRUE(drawn(counterClockwise, D3DCULL_CW));
    EXPECT_TRUE(drawn(counterClockwise, D3DCULL_NONE));
}

TEST_F(RenderTest, DepthTestAndDepthWrites) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawScreenQuad142(0xFFFF0000, 0.2f);
    DrawScreenQuad142(0xFF00FF00, 0.8f);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFF0000, 0));

    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawScreenQuad142(0xFF00FF00, 0.8f);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0x00FF00, 0));

    // Without depth writes the far quad left the near depth in place.
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawScreenQuad142(0xFF0000FF, 0.2f);
    DrawScreenQuad142(0xFFFFFFFF, 0.8f);
    EXPECT_TRUE(ColorNear(Pixel(32, 32), 0xFFFFFF, 0));
}

// Pre-transformed vertices: x and y are the target's pixels whatever the
// viewport, z goes to the depth buffer, lighting is skipped, and 1/w makes
// texture coordinates interpolate in perspective.
TEST_F(RenderTest, PreTransformedVerticesLandOnTheirPixelsWithDepthAndPerspective) {
    struct VertexRhw {
        float x, y, z, rhw;
        D3DCOLOR diffuse;
        float u, v;
    };
    constexpr DWORD kFvfRhw = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    D3DVIEWPORT8 inset = {8, 4, 48, 40, 0.0f, 1.0f};
    device->SetViewport(&inset);
    ASSERT_EQ(D3D_OK, device->BeginScene());
    const VertexRhw red[4] = {{10, 5, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {30, 5, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {30, 25, 0.5f, 1, 0xFFFF0000, 0, 0},
                              {10, 25, 0.5f, 1, 0xFFFF0000, 0, 0}};
    DrawQuad(red, kFvfRhw);
    // Behind the red square: only the pixels around it turn green.
    D3DVIEWPORT8 whole = {0, 0, kSize, kSize, 0.0f, 1.0f};
    device->SetViewport(&whole);
    const VertexRhw green[4] = {{0, 0, 0.7f, 1, 0xFF00FF00, 0, 0},
                                {32, 0, 0.7f, 1, 0xFF00FF00, 0, 0},
                                {32, 32, 0.7f, 1, 0xFF00FF00, 0, 0},
                                {0, 32, 0.7f, 1, 0xFF00FF00, 0, 0}};
    DrawQuad(green, kFvfRhw);
    // A black-to-white texture across a strip whose right end is four times
    // as far away: the white half starts at 80% of the width, not at 50%.
    IDirect3DTexture8* ramp = MakeTexture(2, 1, {0xFF000000, 0xFFFFFFFF});
    device->SetTexture(0, ramp);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    const VertexRhw strip[4] = {{0, 40, 0.1f, 1, 0xFFFFFFFF, 0, 0},
                                {kSize, 40, 0.1f, 0.25f, 0xFFFFFFFF, 1, 0},
                                {kSize, 50, 0.1f, 0.25f, 0xFFFFFFFF, 1, 1},
                                {0, 50, 0.1f, 1, 0xFFFFFFFF, 0, 1}};
    DrawQuad(strip, kFvfRhw);
    ASSERT_EQ(D3D_OK, device->EndScene());
    device->SetTexture(0, nullptr);
    ramp->Release();

    for (auto [x, y] : {std::pair{10, 5}, {29, 5}, {10, 24}, {29, 24}, {20, 15}})
        EXPECT_TRUE(ColorNear(Pixel(x, y), 0xFF0000, 0)) << x << "," << y;
    for (auto [x, y] : {std::pair{9, 5}, {30, 5}, {10, 4}, {10, 25}, {31, 31}, {0, 0}})
        EXPECT_TRUE(ColorNear(Pixel(x, y), 0x00FF00, 0)) << x << "," << y;
    EXPECT_TRUE(ColorNear(Pixel(32, 5), 0x000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(40, 45), 0x000000, 0));  // 62% of the way
    EXPECT_TRUE(ColorNear(Pixel(48, 45), 0x000000, 0));  // 75%
    EXPECT_TRUE(ColorNear(Pixel(56, 45), 0xFFFFFF, 0));  // 87%
}

// The reflection set-up: draw into a 512 by 512 render target with the back
// buffer's depth buffer, then project it through camera-space positions.
TEST_F(RenderTest, RenderTargetProjectedThroughCameraSpacePositions) {
    // A depth buffer must be at least as large as the target it serves.
    const int size = 512;
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = size;
    p.BackBufferHeight = size;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window->Handle();
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24X8;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    ASSERT_EQ(D3D_OK, device->Reset(&p));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                            D3DPOOL_DEFAULT, &target));
    IDirect3DSurface8* targetSurface = nullptr;
    ASSERT_EQ(D3D_OK, target->GetSurfaceLevel(0, &targetSurface));
    IDirect3DSurface8* savedTarget = nullptr;
    IDirect3DSurface8* savedDepth = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(&savedTarget));
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&savedDepth));
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(targetSurface, savedDepth));
    D3DVIEWPORT8 viewport;
    device->GetViewport(&viewport);
    EXPECT_EQ(512u, viewport.Width);
    // Quadrants: top left red, top right green, bottom left blue, bottom right white.
    D3DRECT quadrants[4] = {
        {0, 0, 256, 256}, {256, 0, 512, 256}, {0, 256, 256, 512}, {256, 256, 512, 512}};
    const D3DCOLOR colors[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(D3D_OK, device->Clear(1, &quadrants[i], D3DCLEAR_TARGET, colors[i], 1.0f, 0));
    // The shared depth buffer works in the render target: a far quad stays
    // hidden behind a near one.
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    const Vertex142 nearSquare[4] = {{-0.1f, 0.1f, 0.1f, 0xFFFFFF00, 0, 0},
                                     {0.1f, 0.1f, 0.1f, 0xFFFFFF00, 0, 0},
                                     {0.1f, -0.1f, 0.1f, 0xFFFFFF00, 0, 0},
                                     {-0.1f, -0.1f, 0.1f, 0xFFFFFF00, 0, 0}};
    DrawQuad(nearSquare, kFvf142);
    const Vertex142 farSquare[4] = {{-0.1f, 0.1f, 0.9f, 0xFF00FFFF, 0, 0},
                                    {0.1f, 0.1f, 0.9f, 0xFF00FFFF, 0, 0},
                                    {0.1f, -0.1f, 0.9f, 0xFF00FFFF, 0, 0},
                                    {-0.1f, -0.1f, 0.9f, 0xFF00FFFF, 0, 0}};
    DrawQuad(farSquare, kFvf142);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(savedTarget, savedDepth));
    device->GetViewport(&viewport);
    EXPECT_EQ(static_cast<DWORD>(size), viewport.Width);

    // Back buffer: a quad at camera depth z whose stage-0 coordinates are its
    // camera-space positions times M, divided by the third component.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const float z = 2.0f;
    D3DMATRIX projection = PerspectiveMatrix(1.0f, 1.0f, 10.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DMATRIX m = {};
    m._11 = 0.5f;
    m._22 = 0.5f;
    m._31 = 0.5f;
    m._32 = 0.5f;
    m._33 = 1.0f;
    device->SetTransform(D3DTS_TEXTURE0, &m);
    device->SetTexture(0, target);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS,
                                 D3DTTFF_COUNT3 | D3DTTFF_PROJECTED);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_MIRROR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    const Vertex142 quad[4] = {{-z, z, z, 0xFFFFFFFF, 0, 0},
                               {z, z, z, 0xFFFFFFFF, 0, 0},
                               {z, -z, z, 0xFFFFFFFF, 0, 0},
                               {-z, -z, z, 0xFFFFFFFF, 0, 0}};
    DrawQuad(quad, kFvf142);
    std::vector<DWORD> pixels = ReadBackBuffer();
    ASSERT_EQ(static_cast<size_t>(size * size), pixels.size());
    int checked = 0;
    for (int y = 3; y < size; y += 37)
        for (int x = 3; x < size; x += 37) {
            // The camera-space point seen at this pixel (pixel centres on
            // whole coordinates), then the formula: u = (0.5x + 0.5z) / z.
            const float ndcX = 2.0f * x / size - 1.0f, ndcY = 1.0f - 2.0f * y / size;
            const float eyeX = ndcX * z, eyeY = ndcY * z;
            const float u = (0.5f * eyeX + 0.5f * z) / z, v = (0.5f * eyeY + 0.5f * z) / z;
            const float tu = u * 512.0f, tv = v * 512.0f;
            if (std::fabs(tu - 256.0f) < 8.0f || std::fabs(tv - 256.0f) < 8.0f) continue;
            const bool inSquare = std::fabs(tu - 256.0f) < 20.0f && std::fabs(tv - 256.0f) < 20.0f;
            if (std::fabs(std::fabs(tu - 256.0f) - 25.6f) < 8.0f ||
                std::fabs(std::fabs(tv - 256.0f) - 25.6f) < 8.0f)
                continue;
            DWORD expected = colors[(tv < 256.0f ? 0 : 2) + (tu < 256.0f ? 0 : 1)] & 0xFFFFFF;
            if (inSquare) expected = 0xFFFF00;
            EXPECT_TRUE(ColorNear(pixels[y * size + x], expected, 0)) << "at " << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 60);
    device->SetTexture(0, nullptr);
    savedTarget->Release();
    savedDepth->Release();
    targetSurface->Release();
    target->Release();
}

TEST_F(RenderTest, BumpEnvironmentMapOffsetsTheNextStage) {
    // Stage 1: four vertical stripes.
    const std::vector<DWORD> stripes = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    IDirect3DTexture8* stripeTexture = MakeTexture(4, 1, stripes);
    // Stage 0: every texel (du, dv) = (64, 0) in V8U8.
    IDirect3DTexture8* bump = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(2, 2, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, bump->LockRect(0, &locked, nullptr, 0));
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<WORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        row[0] = row[1] = 0x0040;  // low byte u, high byte v
    }
    bump->UnlockRect(0);
    device->SetTexture(0, bump);
    device->SetTexture(1, stripeTexture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatBits(0.5f));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT01, FloatBits(0.0f));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT10, FloatBits(0.0f));
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT11, FloatBits(0.0f));
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    DWORD passes = 0;
    EXPECT_EQ(D3D_OK, device->ValidateDevice(&passes));
    const Vertex212 corners[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0, 0, 0},
                                  {1, 1, 0.5f, 0, 0, -1, 1, 0, 1, 0},
                                  {1, -1, 0.5f, 0, 0, -1, 1, 1, 1, 1},
                                  {-1, -1, 0.5f, 0, 0, -1, 0, 1, 0, 1}};
    DrawQuad(corners, kFvf212);
    // u = x / 64 plus 0.5 * 64/127: column 4 reads stripe 1, column 36 stripe 3.
    EXPECT_TRUE(ColorNear(Pixel(4, 32), 0x00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(36, 32), 0xFFFFFF, 0));
    // Without the offset the same columns read stripes 0 and 2.
    device->SetTextureStageState(0, D3DTSS_BUMPENVMAT00, FloatBits(0.0f));
    DrawQuad(corners, kFvf212);
    EXPECT_TRUE(ColorNear(Pixel(4, 32), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(36, 32), 0x0000FF, 0));
    device->SetTexture(0, nullptr);
    device->SetTexture(1, nullptr);
    bump->Release();
    stripeTexture->Release();
}

TEST_F(RenderTest, PointSpritesScaleWithDistance) {
    // Top half red, bottom half green: the sprite's own texture coordinates.
    IDirect3DTexture8* texture = MakeTexture(1, 2, {0xFFFF0000, 0xFF00FF00});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    D3DMATRIX projection = PerspectiveMatrix(1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_POINTSPRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSCALEENABLE, TRUE);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(1.8f));
    device->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_A, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_B, FloatBits(0.0f));
    device->SetRenderState(D3DRS_POINTSCALE_C, FloatBits(1.0f));
    // At distance 8 the sprite is 64 * 1.8 / 8 = 14.4 pixels wide around
    // pixel 32: pixels 25 to 39.
    const std::vector<Vertex042> point = {{0.0f, 0.0f, 8.0f, 0xFFFFFFFF}};
    IDirect3DVertexBuffer8* buffer = MakeVertexBuffer(point, kFvf042);
    device->SetVertexShader(kFvf042);
    device->SetStreamSource(0, buffer, sizeof(Vertex042));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    std::vector<DWORD> pixels = ReadBackBuffer();
    auto at = [&](int x, int y) { return pixels[y * kSize + x]; };
    EXPECT_TRUE(ColorNear(at(26, 27), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(at(38, 27), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(at(26, 38), 0x00FF00, 0));
    EXPECT_TRUE(ColorNear(at(38, 38), 0x00FF00, 0));
    EXPECT_EQ(0u, at(23, 32));
    EXPECT_EQ(0u, at(41, 32));
    EXPECT_EQ(0u, at(32, 23));
    EXPECT_EQ(0u, at(32, 41));
    int covered = 0;
    for (int x = 0; x < kSize; ++x) covered += at(x, 30) != 0;
    EXPECT_EQ(15, covered);
    // Twice as far, half as wide: 7.2 pixels, pixels 29 to 35.
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const std::vector<Vertex042> farPoint = {{0.0f, 0.0f, 16.0f, 0xFFFFFFFF}};
    IDirect3DVertexBuffer8* farBuffer = MakeVertexBuffer(farPoint, kFvf042);
    device->SetStreamSource(0, farBuffer, sizeof(Vertex042));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_POINTLIST, 0, 1));
    pixels = ReadBackBuffer();
    covered = 0;
    for (int x = 0; x < kSize; ++x) covered += at(x, 32) != 0;
    EXPECT_EQ(7, covered);
    device->SetStreamSource(0, nullptr, 0);
    device->SetTexture(0, nullptr);
    buffer->Release();
    farBuffer->Release();
    texture->Release();
}

TEST_F(RenderTest, IndexedDrawsUseMinimumStartAndBaseVertex) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    // Vertices 0..3: left half red; 4..7: right half green.
    const std::vector<Vertex042> vertices = {{-1, 1, 0.5f, 0xFFFF0000}, {0, 1, 0.5f, 0xFFFF0000},
                                             {0, -1, 0.5f, 0xFFFF0000}, {-1, -1, 0.5f, 0xFFFF0000},
                                             {0, 1, 0.5f, 0xFF00FF00},  {1, 1, 0.5f, 0xFF00FF00},
                                             {1, -1, 0.5f, 0xFF00FF00}, {0, -1, 0.5f, 0xFF00FF00}};
    IDirect3DVertexBuffer8* vb = MakeVertexBuffer(vertices, kFvf042);
    const WORD indices[] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                                D3DPOOL_MANAGED, &ib));
    BYTE* data = nullptr;
    ASSERT_EQ(D3D_OK, ib->Lock(0, 0, &data, 0));
    std::memcpy(data, indices, sizeof indices);
    ib->Unlock();
    device->SetVertexShader(kFvf042);
    device->SetStreamSource(0, vb, sizeof(Vertex042));
    device->SetIndices(ib, 0);
    ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 4, 6, 2));
    EXPECT_TRUE(ColorNear(Pixel(10, 32), 0x000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 32), 0x00FF00, 0));
    // The same quad reached through the base vertex index.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    device->SetIndices(ib, 4);
    ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_TRUE(ColorNear(Pixel(10, 32), 0x000000, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 32), 0x00FF00, 0));
    // A base that pushes indices past the buffer is refused, not drawn.
    device->SetIndices(ib, 6);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 6, 2));
    device->SetIndices(ib, 0);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 8, 6, 3));
    device->SetIndices(nullptr, 0);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2));
    device->SetStreamSource(0, nullptr, 0);
    ib->Release();
    vb->Release();
}

TEST_F(RenderTest, DynamicBufferDiscardedTwiceInAFrameDrawsBoth) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(6 * sizeof(Vertex042),
                                                 D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kFvf042,
                                                 D3DPOOL_DEFAULT, &buffer));
    device->SetVertexShader(kFvf042);
    device->SetStreamSource(0, buffer, sizeof(Vertex042));
    auto fill = [&](float left, float right, D3DCOLOR color) {
        BYTE* data = nullptr;
        ASSERT_EQ(D3D_OK, buffer->Lock(0, 0, &data, D3DLOCK_DISCARD));
        const Vertex042 v[6] = {{left, 1, 0.5f, color},   {right, 1, 0.5f, color},
                                {right, -1, 0.5f, color}, {left, 1, 0.5f, color},
                                {right, -1, 0.5f, color}, {left, -1, 0.5f, color}};
        std::memcpy(data, v, sizeof v);
        ASSERT_EQ(D3D_OK, buffer->Unlock());
    };
    ASSERT_EQ(D3D_OK, device->BeginScene());
    fill(-1.0f, 0.0f, 0xFFFF0000);
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
    fill(0.0f, 1.0f, 0xFF0000FF);
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
    ASSERT_EQ(D3D_OK, device->EndScene());
    EXPECT_TRUE(ColorNear(Pixel(10, 32), 0xFF0000, 0));
    EXPECT_TRUE(ColorNear(Pixel(50, 32), 0x0000FF, 0));
    device->SetStreamSource(0, nullptr, 0);
    buffer->Release();
}

TEST_F(RenderTest, TriangleFanAndTextureAddressing) {
    // A 2x1 texture repeated twice across the quad: wrap gives red green red
    // green, clamp gives red then green to the edge, mirror red green green red.
    IDirect3DTexture8* texture = MakeTexture(2, 1, {0xFFFF0000, 0xFF00FF00});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    const std::vector<Vertex142> fan = {{-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                                        {1, 1, 0.5f, 0xFFFFFFFF, 2, 0},
                                        {1, -1, 0.5f, 0xFFFFFFFF, 2, 1},
                                        {-1, -1, 0.5f, 0xFFFFFFFF, 0, 1}};
    IDirect3DVertexBuffer8* buffer = MakeVertexBuffer(fan, kFvf142);
    device->SetVertexShader(kFvf142);
    device->SetStreamSource(0, buffer, sizeof(Vertex142));
    auto columns = [&](DWORD address) {
        device->SetTextureStageState(0, D3DTSS_ADDRESSU, address);
        EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2));
        std::vector<DWORD> row;
        for (int x : {4, 20, 36, 52}) row.push_back(Pixel(x, 32));
        return row;
    };
    const DWORD r = 0xFF0000, g = 0x00FF00;
    EXPECT_EQ((std::vector<DWORD>{r, g, r, g}), columns(D3DTADDRESS_WRAP));
    EXPECT_EQ((std::vector<DWORD>{r, g, g, g}), columns(D3DTADDRESS_CLAMP));
    EXPECT_EQ((std::vector<DWORD>{r, g, g, r}), columns(D3DTADDRESS_MIRROR));
    device->SetStreamSource(0, nullptr, 0);
    device->SetTexture(0, nullptr);
    buffer->Release();
    texture->Release();
}

TEST_F(RenderTest, SixteenBitAndSignedFormatsKeepTheirChannels) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    // Blend with the texel's alpha over white, so alpha shows in the colour.
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    struct Case {
        D3DFORMAT format;
        DWORD texel;
        DWORD expected;
    };
    const Case cases[] = {
        {D3DFMT_R5G6B5, 0xF800, 0xFF0000},       // red
        {D3DFMT_R5G6B5, 0x001F, 0x0000FF},       // blue
        {D3DFMT_A1R5G5B5, 0x83E0, 0x00FF00},     // opaque green
        {D3DFMT_A1R5G5B5, 0x03E0, 0xFFFFFF},     // transparent: white shows
        {D3DFMT_A4R4G4B4, 0xF00F, 0x0000FF},     // opaque blue
        {D3DFMT_A4R4G4B4, 0x80F0, 0x77FF77},     // 8/15 green over white
        {D3DFMT_X8R8G8B8, 0x00FF0000, 0xFF0000}  // the unused byte is not alpha
    };
    for (const Case& c : cases) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateTexture(1, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture));
        D3DLOCKED_RECT locked;
        ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
        if (c.format == D3DFMT_X8R8G8B8)
            *static_cast<DWORD*>(locked.pBits) = c.texel;
        else
            *static_cast<WORD*>(locked.pBits) = static_cast<WORD>(c.texel);
        texture->UnlockRect(0);
        device->SetTexture(0, texture);
        DrawScreenQuad142(0xFFFFFFFF);
        EXPECT_TRUE(ColorNear(Pixel(32, 32), c.expected, 2)) << "format " << c.format;
        device->SetTexture(0, nullptr);
        texture->Release();
    }
}

TEST_F(RenderTest, TwoComponentTransformScrollsAndCoordinateIndexPicksTheSet) {
    // Four stripes along u; the quad's set 0 runs 0..1, set 1 is constant 0.9.
    IDirect3DTexture8* texture =
        MakeTexture(4, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    const Vertex212 corners[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0, 0.9f, 0},
                                  {1, 1, 0.5f, 0, 0, -1, 1, 0, 0.9f, 0},
                                  {1, -1, 0.5f, 0, 0, -1, 1, 1, 0.9f, 1},
                                  {-1, -1, 0.5f, 0, 0, -1, 0, 1, 0.9f, 1}};
    DrawQuad(corners, kFvf212);
    EXPECT_TRUE(ColorNear(Pixel(4, 32), 0xFF0000, 0));
    // With two-component coordinates the third row is a translation.
    D3DMATRIX scroll = IdentityMatrix();
    scroll._31 = 0.25f;
    device->SetTransform(D3DTS_TEXTURE0, &scroll);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    DrawQuad(corners, kFvf212);
    EXPECT_TRUE(ColorNear(Pixel(4, 32), 0x00FF00, 0));
    EXPECT_TRUE(ColorNear(Pixel(36, 32), 0xFFFFFF, 0));
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 1);
    DrawQuad(corners, kFvf212);
    EXPECT_TRUE(ColorNear(Pixel(4, 32), 0xFFFFFF, 0));
    device->SetTexture(0, nullptr);
    texture->Release();
}

}  // namespace
