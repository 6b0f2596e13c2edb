#include "tests/d3d8/d3d8_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

TestWindow::TestWindow(int width, int height, bool shown) {
    window_ = SDL_CreateWindow("d3d8 test", 0, 0, width, height,
                               SDL_WINDOW_OPENGL | (shown ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN));
}

TestWindow::~TestWindow() {
    if (window_) SDL_DestroyWindow(window_);
}

BOOL TestWindow::Show(int command) {
    if (command == 0)
        SDL_HideWindow(window_);
    else
        SDL_ShowWindow(window_);
    return TRUE;
}

int TestWindow::GetText(char* buffer, int capacity) {
    if (capacity > 0) buffer[0] = '\0';
    return 0;
}

void UseOffscreenVideo() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
}

D3DMATRIX IdentityMatrix() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof m);
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX PerspectiveMatrix(float scale, float nearZ, float farZ) {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof m);
    m._11 = scale;
    m._22 = scale;
    m._33 = farZ / (farZ - nearZ);
    m._34 = 1.0f;
    m._43 = -nearZ * farZ / (farZ - nearZ);
    return m;
}

void DeviceTest::SetUpTestSuite() {
    UseOffscreenVideo();
}

D3DPRESENT_PARAMETERS DeviceTest::WindowedParameters() const {
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window->Handle();
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return p;
}

void DeviceTest::SetUp() {
    ASSERT_EQ(0, D3D8LiveObjectCount());
    window = new TestWindow(kSize, kSize);
    d3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, d3d);
    D3DPRESENT_PARAMETERS p = WindowedParameters();
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, window->Handle(),
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    EXPECT_EQ(static_cast<UINT>(kSize), p.BackBufferWidth);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

void DeviceTest::ReleaseAll() {
    if (device) {
        EXPECT_EQ(0u, device->Release());
    }
    device = nullptr;
    if (d3d) {
        EXPECT_EQ(0u, d3d->Release());
    }
    d3d = nullptr;
}

void DeviceTest::TearDown() {
    ReleaseAll();
    delete window;
    window = nullptr;
    EXPECT_EQ(0, D3D8LiveObjectCount());
}

std::vector<DWORD> DeviceTest::ReadBackBuffer() {
    std::vector<DWORD> pixels;
    IDirect3DSurface8* back = nullptr;
    if (device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) return pixels;
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    D3DLOCKED_RECT locked;
    if (back->LockRect(&locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const auto* row = reinterpret_cast<const DWORD*>(
                static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            for (UINT x = 0; x < desc.Width; ++x) pixels.push_back(row[x] & 0x00FFFFFF);
        }
        back->UnlockRect();
    }
    back->Release();
    return pixels;
}

DWORD DeviceTest::Pixel(int x, int y) {
    std::vector<DWORD> pixels = ReadBackBuffer();
    return pixels.empty() ? 0xDEADBEEF : pixels[static_cast<size_t>(y) * kSize + x];
}

IDirect3DTexture8* DeviceTest::MakeTexture(UINT width, UINT height,
                                           const std::vector<DWORD>& texels, D3DFORMAT format) {
    IDirect3DTexture8* texture = nullptr;
    EXPECT_EQ(D3D_OK,
              device->CreateTexture(width, height, 1, 0, format, D3DPOOL_MANAGED, &texture));
    if (!texture) return nullptr;
    D3DLOCKED_RECT locked;
    EXPECT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
    for (UINT y = 0; y < height; ++y)
        std::memcpy(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, &texels[y * width],
                    width * 4);
    EXPECT_EQ(D3D_OK, texture->UnlockRect(0));
    return texture;
}

void DeviceTest::DrawScreenQuad142(D3DCOLOR color, float z) {
    const Vertex142 corners[4] = {{-1, 1, z, color, 0, 0},
                                  {1, 1, z, color, 1, 0},
                                  {1, -1, z, color, 1, 1},
                                  {-1, -1, z, color, 0, 1}};
    DrawQuad(corners, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
}

::testing::AssertionResult ColorNear(DWORD actual, DWORD expected, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "colour 0x" << (actual & 0xFFFFFF)
                                                 << " is not near 0x" << (expected & 0xFFFFFF);
    }
    return ::testing::AssertionSuccess();
}
