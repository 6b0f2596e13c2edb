// Device behaviour apart from pixels: references, resources, state blocks,
// loss and reset, and the failure codes of bad calls.
#include <d3d8_level_upload.h>

#include <cstring>
#include <vector>

#include "tests/d3d8/d3d8_fixture.h"

namespace {

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

using DeviceBehaviourTest = DeviceTest;

TEST_F(DeviceBehaviourTest, ReferencesFollowDirect3DRules) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(4u, texture->GetLevelCount());
    // A level surface holds its texture; binding holds it too.
    IDirect3DSurface8* level = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(1, &level));
    EXPECT_EQ(3u, texture->AddRef());
    EXPECT_EQ(2u, texture->Release());
    ASSERT_EQ(D3D_OK, device->SetTexture(0, texture));
    EXPECT_EQ(4u, texture->AddRef());
    texture->Release();
    EXPECT_EQ(2u, texture->Release());  // the caller's own reference
    EXPECT_EQ(1u, level->Release());    // the stage still holds it
    const long live = D3D8LiveObjectCount();
    EXPECT_EQ(D3D_OK, device->SetTexture(0, nullptr));
    EXPECT_EQ(live - 1, D3D8LiveObjectCount());

    // Back buffer references are the device's.
    IDirect3DSurface8* back = nullptr;
    ASSERT_EQ(D3D_OK, device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back));
    EXPECT_EQ(3u, device->AddRef());
    device->Release();
    D3DSURFACE_DESC desc;
    ASSERT_EQ(D3D_OK, back->GetDesc(&desc));
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    EXPECT_EQ(static_cast<UINT>(kSize), desc.Width);
    EXPECT_TRUE(desc.Usage & D3DUSAGE_RENDERTARGET);
    EXPECT_EQ(1u, back->Release());
    IDirect3DDevice8* owner = nullptr;
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb));
    ASSERT_EQ(D3D_OK, vb->GetDevice(&owner));
    EXPECT_EQ(device, owner);
    owner->Release();
    vb->Release();
}

TEST_F(DeviceBehaviourTest, TexturesAndBuffersLockAndDescribeThemselves) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5,
                             D3DFMT_A4R4G4B4, D3DFMT_V8U8}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateTexture(16, 4, 1, 0, format, D3DPOOL_MANAGED, &texture));
        D3DSURFACE_DESC desc;
        ASSERT_EQ(D3D_OK, texture->GetLevelDesc(0, &desc));
        EXPECT_EQ(format, desc.Format);
        EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
        const int bytes = format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 ? 4 : 2;
        EXPECT_EQ(16 * bytes, locked.Pitch);
        EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, nullptr, 0));
        EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
        EXPECT_EQ(D3DERR_INVALIDCALL, texture->UnlockRect(0));
        RECT outside = {0, 0, 17, 4};
        EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, &outside, 0));
        texture->Release();
    }
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(16, 16, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                    D3DPOOL_MANAGED, &texture));
    ASSERT_EQ(D3D_OK, device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                            D3DPOOL_DEFAULT, &texture));
    D3DLOCKED_RECT locked;
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, nullptr, 0));
    texture->Release();

    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateVertexBuffer(400, D3DUSAGE_WRITEONLY, 0x212, D3DPOOL_MANAGED, &vb));
    D3DVERTEXBUFFER_DESC vdesc;
    ASSERT_EQ(D3D_OK, vb->GetDesc(&vdesc));
    EXPECT_EQ(400u, vdesc.Size);
    EXPECT_EQ(0x212u, vdesc.FVF);
    BYTE* data = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, vb->Lock(300, 200, &data, 0));
    EXPECT_EQ(D3D_OK, vb->Lock(300, 0, &data, 0));
    EXPECT_EQ(D3D_OK, vb->Unlock());
    vb->Release();
    // Dynamic buffers belong in the default pool.
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb));
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              device->CreateIndexBuffer(64, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &ib));
}

// A texture's texels live in GL between locks; a later lock must see every
// byte an earlier one wrote, on every level, in every format.
TEST_F(DeviceBehaviourTest, ALaterLockSeesWhatAnEarlierLockWrote) {
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                             D3DFMT_V8U8, D3DFMT_L8, D3DFMT_A8L8}) {
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateTexture(16, 8, 2, 0, format, D3DPOOL_MANAGED, &texture));
        const UINT bytes = format == D3DFMT_A8R8G8B8 ? 4 : format == D3DFMT_L8 ? 1 : 2;
        for (UINT level = 0; level < 2; ++level) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(D3D_OK, texture->LockRect(level, &locked, nullptr, 0));
            auto* texels = static_cast<BYTE*>(locked.pBits);
            const size_t size = (16u >> level) * (8u >> level) * bytes;
            for (size_t i = 0; i < size; ++i) texels[i] = static_cast<BYTE>(i * 37 + level);
            ASSERT_EQ(D3D_OK, texture->UnlockRect(level));
        }
        for (UINT level = 0; level < 2; ++level) {
            D3DLOCKED_RECT locked;
            ASSERT_EQ(D3D_OK, texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY));
            const auto* texels = static_cast<const BYTE*>(locked.pBits);
            const size_t size = (16u >> level) * (8u >> level) * bytes;
            for (size_t i = 0; i < size; ++i)
                ASSERT_EQ(static_cast<BYTE>(i * 37 + level), texels[i])
                    << "format " << format << " level " << level << " byte " << i;
            ASSERT_EQ(D3D_OK, texture->UnlockRect(level));
        }
        texture->Release();
    }
}

// Whole-level uploads skip the lock's copy: rows may be padded, a later
// lock reads the level back, and textures that keep their levels in system
// memory or cannot be locked do not offer them.
TEST_F(DeviceBehaviourTest, WholeLevelUploadsAreReadBackByLaterLocks) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateTexture(4, 2, 2, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    IDirect3DLevelUpload8* upload = nullptr;
    ASSERT_EQ(S_OK, texture->QueryInterface(IID_IDirect3DLevelUpload8,
                                            reinterpret_cast<void**>(&upload)));
    // Level 0 with rows of 6 texels, of which 4 are the level's.
    std::vector<uint32_t> padded(12, 0xDEADBEEF);
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 4; ++x) padded[y * 6 + x] = 0xFF000000u | (y << 8) | x;
    ASSERT_EQ(D3D_OK, upload->UploadLevel(0, padded.data(), 6 * 4));
    const uint32_t small[2] = {0x80112233, 0x40445566};
    ASSERT_EQ(D3D_OK, upload->UploadLevel(1, small, 8));

    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
    for (UINT y = 0; y < 2; ++y)
        for (UINT x = 0; x < 4; ++x)
            EXPECT_EQ(0xFF000000u | (y << 8) | x,
                      static_cast<const uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x]);
    // A locked level takes no upload; bad levels, pitches and texels neither.
    EXPECT_EQ(D3DERR_INVALIDCALL, upload->UploadLevel(0, padded.data(), 6 * 4));
    ASSERT_EQ(D3D_OK, texture->UnlockRect(0));
    ASSERT_EQ(D3D_OK, texture->LockRect(1, &locked, nullptr, D3DLOCK_READONLY));
    EXPECT_EQ(0x80112233u, static_cast<const uint32_t*>(locked.pBits)[0]);
    EXPECT_EQ(0x40445566u, static_cast<const uint32_t*>(locked.pBits)[1]);
    ASSERT_EQ(D3D_OK, texture->UnlockRect(1));
    EXPECT_EQ(D3DERR_INVALIDCALL, upload->UploadLevel(2, small, 8));
    EXPECT_EQ(D3DERR_INVALIDCALL, upload->UploadLevel(0, padded.data(), 3 * 4));
    EXPECT_EQ(D3DERR_INVALIDCALL, upload->UploadLevel(0, padded.data(), 4 * 4 + 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, upload->UploadLevel(0, nullptr, 4 * 4));
    upload->Release();
    EXPECT_EQ(0u, texture->Release());

    for (const DWORD usage : {DWORD(D3DUSAGE_DYNAMIC), DWORD(D3DUSAGE_RENDERTARGET)}) {
        const D3DPOOL pool = usage == D3DUSAGE_DYNAMIC ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
        ASSERT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, usage, D3DFMT_A8R8G8B8, pool, &texture));
        upload = reinterpret_cast<IDirect3DLevelUpload8*>(0x1);
        EXPECT_EQ(E_NOINTERFACE, texture->QueryInterface(IID_IDirect3DLevelUpload8,
                                                         reinterpret_cast<void**>(&upload)));
        EXPECT_EQ(nullptr, upload);
        texture->Release();
    }
    ASSERT_EQ(D3D_OK, device->CreateTexture(4, 4, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &texture));
    EXPECT_EQ(E_NOINTERFACE, texture->QueryInterface(IID_IDirect3DLevelUpload8,
                                                     reinterpret_cast<void**>(&upload)));
    texture->Release();
}

TEST_F(DeviceBehaviourTest, BadDrawsReturnErrorsInsteadOfDrawing) {
    device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 1));
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateVertexBuffer(3 * 16, D3DUSAGE_WRITEONLY, 0x042, D3DPOOL_MANAGED, &vb));
    device->SetStreamSource(0, vb, 16);
    EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0));
    // A stride too small for the vertex format.
    device->SetStreamSource(0, vb, 12);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetVertexShader(D3DFVF_XYZB1 | D3DFVF_DIFFUSE));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_NORMAL));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetPixelShader(5));
    EXPECT_EQ(D3D_OK, device->SetPixelShader(0));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetStreamSource(1, vb, 16));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetTexture(2, nullptr));
    device->SetStreamSource(0, nullptr, 0);
    vb->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, device->EndScene());
    EXPECT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->BeginScene());
    EXPECT_EQ(D3D_OK, device->EndScene());
}

TEST_F(DeviceBehaviourTest, StateBlockOfEverythingRestoresEveryState) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(96, 0, 0x142, D3DPOOL_MANAGED, &vb));
    device->SetTexture(1, texture);
    device->SetStreamSource(0, vb, 24);
    device->SetVertexShader(0x142);
    device->SetRenderState(D3DRS_ALPHAREF, 8);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    D3DMATRIX world = IdentityMatrix();
    world._41 = 3.0f;
    device->SetTransform(D3DTS_WORLD, &world);
    D3DMATERIAL8 material = {};
    material.Diffuse = {0.5f, 0.25f, 1.0f, 0.0f};
    device->SetMaterial(&material);

    DWORD token = 0;
    ASSERT_EQ(D3D_OK, device->CreateStateBlock(D3DSBT_ALL, &token));
    // Change everything the block holds.
    for (DWORD rs = 7; rs <= 171; ++rs)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(rs), 0x55);
    for (DWORD stage = 0; stage < 2; ++stage)
        for (DWORD ts = 1; ts <= 28; ++ts)
            device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(ts), 0x66);
    D3DMATRIX other = IdentityMatrix();
    other._11 = 7.0f;
    for (auto t : {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_TEXTURE0, D3DTS_TEXTURE1})
        device->SetTransform(t, &other);
    device->SetTransform(D3DTS_WORLD, &other);
    D3DMATERIAL8 otherMaterial = {};
    device->SetMaterial(&otherMaterial);
    device->LightEnable(0, TRUE);
    device->SetTexture(1, nullptr);
    device->SetTexture(0, texture);
    device->SetStreamSource(0, nullptr, 0);
    device->SetVertexShader(0x042);
    D3DVIEWPORT8 viewport = {4, 4, 8, 8, 0.25f, 0.5f};
    device->SetViewport(&viewport);

    ASSERT_EQ(D3D_OK, device->ApplyStateBlock(token));
    DWORD value = 0;
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(8u, value);
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DZB_TRUE), value);
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(0u, value);
    device->GetTextureStageState(0, D3DTSS_ADDRESSU, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DTADDRESS_CLAMP), value);
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_DISABLE), value);
    D3DMATRIX m;
    device->GetTransform(D3DTS_WORLD, &m);
    EXPECT_EQ(3.0f, m._41);
    EXPECT_EQ(1.0f, m._11);
    device->GetTransform(D3DTS_TEXTURE1, &m);
    EXPECT_EQ(1.0f, m._11);
    D3DMATERIAL8 restored;
    device->GetMaterial(&restored);
    EXPECT_EQ(0.25f, restored.Diffuse.g);
    BOOL enabled = TRUE;
    device->GetLightEnable(0, &enabled);
    EXPECT_FALSE(enabled);
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(1, &bound);
    EXPECT_EQ(static_cast<IDirect3DBaseTexture8*>(texture), bound);
    if (bound) bound->Release();
    device->GetTexture(0, &bound);
    EXPECT_EQ(nullptr, bound);
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(vb, stream);
    EXPECT_EQ(24u, stride);
    if (stream) stream->Release();
    device->GetVertexShader(&value);
    EXPECT_EQ(0x142u, value);
    device->GetViewport(&viewport);
    EXPECT_EQ(static_cast<DWORD>(kSize), viewport.Width);

    EXPECT_EQ(D3D_OK, device->DeleteStateBlock(token));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->ApplyStateBlock(token));
    device->SetTexture(1, nullptr);
    device->SetStreamSource(0, nullptr, 0);
    texture->Release();
    vb->Release();
}

TEST_F(DeviceBehaviourTest, RecordedBlocksHoldOnlyWhatWasSetAndCaptureCurrentValues) {
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    ASSERT_EQ(D3D_OK, device->BeginStateBlock());
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    DWORD saved = 0;
    ASSERT_EQ(D3D_OK, device->EndStateBlock(&saved));
    // Recording does not change the device.
    DWORD value = 0;
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DBLEND_ONE), value);

    ASSERT_EQ(D3D_OK, device->BeginStateBlock());
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    DWORD drawing = 0;
    ASSERT_EQ(D3D_OK, device->EndStateBlock(&drawing));

    // The text-drawing pattern: capture the caller's values, apply the
    // drawing states, draw, then restore the caller's values.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    ASSERT_EQ(D3D_OK, device->CaptureStateBlock(saved));
    ASSERT_EQ(D3D_OK, device->ApplyStateBlock(drawing));
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DBLEND_SRCALPHA), value);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    ASSERT_EQ(D3D_OK, device->ApplyStateBlock(saved));
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DBLEND_INVSRCALPHA), value);
    device->GetTextureStageState(0, D3DTSS_MINFILTER, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DTEXF_POINT), value);
    // A state the blocks never held is left alone.
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(static_cast<DWORD>(D3DZB_FALSE), value);
    EXPECT_EQ(D3D_OK, device->DeleteStateBlock(saved));
    EXPECT_EQ(D3D_OK, device->DeleteStateBlock(drawing));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->EndStateBlock(&saved));
}

TEST_F(DeviceBehaviourTest, ForcedLossAndResetWithDefaultPoolResources) {
    IDirect3DVertexBuffer8* dynamic = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                                 D3DPOOL_DEFAULT, &dynamic));
    DWORD block = 0;
    ASSERT_EQ(D3D_OK, device->CreateStateBlock(D3DSBT_ALL, &block));
    D3D8ForceDeviceLost(device, true);
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    // Drawing while lost does nothing and reports nothing.
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0));
    D3D8ForceDeviceLost(device, false);
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_COPY_VSYNC;
    p.hDeviceWindow = window->Handle();
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // The dynamic buffer must go first.
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Reset(&p));
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    dynamic->Release();
    ASSERT_EQ(D3D_OK, device->Reset(&p));
    EXPECT_EQ(static_cast<UINT>(kSize), p.BackBufferWidth);
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    // State blocks did not survive; states are back to their defaults.
    EXPECT_EQ(D3DERR_INVALIDCALL, device->ApplyStateBlock(block));
    DWORD lighting = 0;
    device->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(1u, lighting);
    IDirect3DSurface8* depth = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&depth));
    D3DSURFACE_DESC desc;
    depth->GetDesc(&desc);
    EXPECT_EQ(D3DFMT_D16, desc.Format);
    depth->Release();
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0));
    EXPECT_TRUE(ColorNear(Pixel(5, 5), 0x102030, 0));
    EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(DeviceBehaviourTest, ProgramsAreBuiltOncePerStateKey) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    DrawScreenQuad142(0xFFFFFFFF);
    const size_t first = D3D8ProgramCount(device);
    EXPECT_GE(first, 1u);
    // Values that are uniforms do not make new programs.
    device->SetRenderState(D3DRS_ALPHAREF, 77);
    device->SetRenderState(D3DRS_POINTSIZE, FloatBits(3.0f));
    DrawScreenQuad142(0xFF00FF00);
    EXPECT_EQ(first, D3D8ProgramCount(device));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    DrawScreenQuad142(0xFF00FF00);
    EXPECT_EQ(first + 1, D3D8ProgramCount(device));
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    DrawScreenQuad142(0xFF00FF00);
    EXPECT_EQ(first + 1, D3D8ProgramCount(device));
}

TEST_F(DeviceBehaviourTest, RenderTargetChecksAndDepthSurfaceRules) {
    IDirect3DTexture8* managed = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateTexture(16, 16, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &managed));
    IDirect3DSurface8* level = nullptr;
    managed->GetSurfaceLevel(0, &level);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(level, nullptr));
    level->Release();
    managed->Release();
    IDirect3DTexture8* target = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(1024, 1024, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R5G6B5,
                                            D3DPOOL_DEFAULT, &target));
    target->GetSurfaceLevel(0, &level);
    IDirect3DSurface8* depth = nullptr;
    device->GetDepthStencilSurface(&depth);
    // The automatic depth buffer has the back buffer's size, so a larger
    // target needs a depth buffer of its own, which counts as a default-pool
    // object until it is released.
    D3DSURFACE_DESC depthDesc;
    depth->GetDesc(&depthDesc);
    EXPECT_EQ(static_cast<UINT>(kSize), depthDesc.Width);
    EXPECT_EQ(static_cast<UINT>(kSize), depthDesc.Height);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(level, depth));
    IDirect3DSurface8* ownDepth = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateDepthStencilSurface(
                                      1024, 1024, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, &ownDepth));
    ASSERT_EQ(D3D_OK, device->CreateDepthStencilSurface(1024, 1024, depthDesc.Format,
                                                        D3DMULTISAMPLE_NONE, &ownDepth));
    EXPECT_EQ(D3D_OK, device->SetRenderTarget(level, ownDepth));
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0));
    EXPECT_EQ(D3D_OK, device->SetRenderTarget(level, nullptr));
    EXPECT_EQ(0u, ownDepth->Release());
    IDirect3DSurface8* none = reinterpret_cast<IDirect3DSurface8*>(&none);
    EXPECT_EQ(D3DERR_NOTFOUND, device->GetDepthStencilSurface(&none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0));
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    IDirect3DSurface8* back = nullptr;
    device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back);
    EXPECT_EQ(D3D_OK, device->SetRenderTarget(back, depth));
    back->Release();
    depth->Release();
    level->Release();
    // The device no longer holds the target: releasing frees it.
    const long live = D3D8LiveObjectCount();
    EXPECT_EQ(0u, target->Release());
    EXPECT_EQ(live - 1, D3D8LiveObjectCount());
}

TEST_F(DeviceBehaviourTest, DeviceOutlivingItsWindowIsLostAndReleasesSafely) {
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(D3D_OK,
              device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
    device->SetTexture(0, texture);
    delete window;
    window = nullptr;
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    IDirect3DVertexBuffer8* vb = nullptr;
    EXPECT_EQ(D3DERR_DEVICELOST,
              device->CreateVertexBuffer(64, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vb));
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
    D3DLOCKED_RECT locked;
    ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    IDirect3DTexture8* late = nullptr;
    EXPECT_EQ(D3DERR_DEVICELOST,
              device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &late));
    device->SetTexture(0, nullptr);
    texture->Release();
}

}  // namespace
