// Shared pieces of the Direct3D 8 stand-in's tests: a window object around an
// SDL window of the offscreen video driver, and a fixture with a small
// windowed device whose back buffer can be read back.
#pragma once

#include <SDL.h>
#include <d3d8.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/d3d8/d3d8_testing.h"
#include "platform/win32/window_object.h"

// A window object for tests: the SDL window that devices draw on.
class TestWindow : public Win32Window {
public:
    TestWindow(int width, int height, bool shown = true);
    ~TestWindow() override;
    LRESULT HandleMessage(UINT, WPARAM, LPARAM) override { return 0; }
    BOOL Show(int command) override;
    BOOL Enable(BOOL) override { return FALSE; }
    BOOL SetText(const char*) override { return TRUE; }
    int GetText(char* buffer, int capacity) override;
    SDL_Window* SdlWindow() override { return window_; }

private:
    SDL_Window* window_;
};

// Uses SDL's offscreen video driver (EGL), so no display is needed.
void UseOffscreenVideo();

struct Vertex142 {  // position, diffuse, one texture set
    float x, y, z;
    D3DCOLOR diffuse;
    float u, v;
};
struct Vertex212 {  // position, normal, two texture sets
    float x, y, z;
    float nx, ny, nz;
    float u0, v0;
    float u1, v1;
};
struct Vertex042 {  // position, diffuse
    float x, y, z;
    D3DCOLOR diffuse;
};

D3DMATRIX IdentityMatrix();
// Direct3D's left-handed perspective projection with a square aspect.
D3DMATRIX PerspectiveMatrix(float scale, float nearZ, float farZ);

class DeviceTest : public ::testing::Test {
protected:
    static constexpr int kSize = 64;
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The fixture's device parameters: a lockable X8R8G8B8 back buffer with
    // a D24S8 depth buffer, windowed on `window`.
    D3DPRESENT_PARAMETERS WindowedParameters() const;
    // Releases the device and object early; TearDown then checks the count.
    void ReleaseAll();
    // The back buffer's pixels as 0x00RRGGBB, top row first.
    std::vector<DWORD> ReadBackBuffer();
    DWORD Pixel(int x, int y);
    // A texture filled with `texels` (A8R8G8B8, row after row).
    IDirect3DTexture8* MakeTexture(UINT width, UINT height, const std::vector<DWORD>& texels,
                                   D3DFORMAT format = D3DFMT_A8R8G8B8);
    template <typename V>
    IDirect3DVertexBuffer8* MakeVertexBuffer(const std::vector<V>& vertices, DWORD fvf) {
        IDirect3DVertexBuffer8* buffer = nullptr;
        const UINT length = static_cast<UINT>(vertices.size() * sizeof(V));
        EXPECT_EQ(D3D_OK, device->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, fvf,
                                                     D3DPOOL_MANAGED, &buffer));
        BYTE* data = nullptr;
        EXPECT_EQ(D3D_OK, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, vertices.data(), length);
        EXPECT_EQ(D3D_OK, buffer->Unlock());
        return buffer;
    }
    // Draws a triangle-list quad from the four corners, in fan order.
    template <typename V>
    void DrawQuad(const V (&corners)[4], DWORD fvf) {
        std::vector<V> vertices = {corners[0], corners[1], corners[2],
                                   corners[0], corners[2], corners[3]};
        IDirect3DVertexBuffer8* buffer = MakeVertexBuffer(vertices, fvf);
        EXPECT_EQ(D3D_OK, device->SetVertexShader(fvf));
        EXPECT_EQ(D3D_OK, device->SetStreamSource(0, buffer, sizeof(V)));
        EXPECT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2));
        EXPECT_EQ(D3D_OK, device->SetStreamSource(0, nullptr, 0));
        buffer->Release();
    }
    // A full-target quad of format 0x142 at depth z.
    void DrawScreenQuad142(D3DCOLOR color, float z = 0.5f);

    TestWindow* window = nullptr;
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
};

// Colour comparison with a tolerance per channel.
::testing::AssertionResult ColorNear(DWORD actual, DWORD expected, int tolerance = 3);
