// Frame-rate benchmark of the Direct3D 8 stand-in: 20 000 textured, lit
// triangles drawn twice per frame (once into a 512 by 512 render target, once
// into the back buffer with that target as texture) at 1024 by 768, offscreen.
// Prints frames per second and CPU milliseconds per frame.
#include <SDL.h>
#include <d3d8.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/win32/window_object.h"

namespace {

class BenchWindow : public Win32Window {
public:
    BenchWindow(int w, int h)
        : window_(SDL_CreateWindow("d3d8 bench", 0, 0, w, h, SDL_WINDOW_OPENGL)) {}
    ~BenchWindow() override { SDL_DestroyWindow(window_); }
    LRESULT HandleMessage(UINT, WPARAM, LPARAM) override { return 0; }
    BOOL Show(int) override { return TRUE; }
    BOOL Enable(BOOL) override { return FALSE; }
    BOOL SetText(const char*) override { return TRUE; }
    int GetText(char* buffer, int capacity) override {
        if (capacity > 0) buffer[0] = '\0';
        return 0;
    }
    SDL_Window* SdlWindow() override { return window_; }

private:
    SDL_Window* window_;
};

struct Vertex {
    float x, y, z, nx, ny, nz, u0, v0, u1, v1;
};

double CpuSeconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

D3DMATRIX Identity() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof m);
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    const int width = 1024, height = 768;
    BenchWindow window(width, height);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (!d3d) return 1;
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window.Handle();
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    IDirect3DDevice8* device = nullptr;
    if (FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(),
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device))) {
        std::fprintf(stderr, "CreateDevice failed\n");
        return 1;
    }

    // A 100 by 100 grid of quads on a gentle wave: 20 000 triangles.
    const int cells = 100;
    std::vector<Vertex> vertices;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            const float x = -1.0f + 2.0f * i / cells, y = -1.0f + 2.0f * j / cells;
            const float z = 3.0f + 0.1f * std::sin(6.0f * x) * std::cos(6.0f * y);
            vertices.push_back({x * 2.0f, y * 1.5f, z, 0.0f, 0.0f, -1.0f, i / 10.0f, j / 10.0f,
                                i / 100.0f, j / 100.0f});
        }
    std::vector<WORD> indices;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const WORD a = static_cast<WORD>(j * (cells + 1) + i), b = a + 1,
                       c = static_cast<WORD>(a + cells + 1), d = c + 1;
            indices.insert(indices.end(), {a, c, b, b, c, d});
        }
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    device->CreateVertexBuffer(static_cast<UINT>(vertices.size() * sizeof(Vertex)),
                               D3DUSAGE_WRITEONLY, 0x212, D3DPOOL_MANAGED, &vb);
    device->CreateIndexBuffer(static_cast<UINT>(indices.size() * 2), D3DUSAGE_WRITEONLY,
                              D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    BYTE* data = nullptr;
    vb->Lock(0, 0, &data, 0);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
    vb->Unlock();
    ib->Lock(0, 0, &data, 0);
    std::memcpy(data, indices.data(), indices.size() * 2);
    ib->Unlock();

    IDirect3DTexture8* texture = nullptr;
    device->CreateTexture(256, 256, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture);
    for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
        D3DLOCKED_RECT locked;
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(level, &desc);
        texture->LockRect(level, &locked, nullptr, 0);
        for (UINT y = 0; y < desc.Height; ++y)
            for (UINT x = 0; x < desc.Width; ++x)
                reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] =
                    ((x ^ y) & 16) ? 0xFFC0A060 : 0xFF406080;
        texture->UnlockRect(level);
    }
    IDirect3DTexture8* target = nullptr;
    device->CreateTexture(512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                          &target);
    IDirect3DSurface8* targetSurface = nullptr;
    target->GetSurfaceLevel(0, &targetSurface);
    IDirect3DSurface8* back = nullptr;
    IDirect3DSurface8* depth = nullptr;
    device->GetRenderTarget(&back);
    device->GetDepthStencilSurface(&depth);

    D3DMATRIX projection = Identity();
    projection._33 = 100.0f / 99.0f;
    projection._34 = 1.0f;
    projection._43 = -100.0f / 99.0f;
    projection._44 = 0.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
    D3DMATERIAL8 material = {};
    material.Diffuse = {0.8f, 0.8f, 0.8f, 1.0f};
    material.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
    device->SetMaterial(&material);
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    light.Direction = {0.3f, -0.4f, 1.0f};
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x3F3F3F3F);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetVertexShader(0x212);
    device->SetStreamSource(0, vb, sizeof(Vertex));
    device->SetIndices(ib, 0);
    const UINT triangles = static_cast<UINT>(indices.size() / 3);

    auto frame = [&]() {
        device->BeginScene();
        device->SetRenderTarget(targetSurface, depth);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        device->SetTexture(0, texture);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()), 0,
                                     triangles);
        device->SetRenderTarget(back, depth);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->SetTexture(0, target);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size()), 0,
                                     triangles);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    };
    for (int i = 0; i < 5; ++i) frame();  // programs built, caches warm

    const auto start = std::chrono::steady_clock::now();
    const double processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    int frames = 0;
    double elapsed = 0.0;
    do {
        frame();
        ++frames;
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } while (elapsed < seconds);
    const double processCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
    const double threadCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;
    std::printf(
        "d3d8 bench: %d x %d, %u triangles drawn twice per frame (one pass into a 512x512 "
        "render target)\n",
        width, height, triangles);
    std::printf("frames %d in %.2f s: %.1f frames per second\n", frames, elapsed, frames / elapsed);
    std::printf(
        "CPU per frame: %.2f ms for the whole process (renderer threads included), "
        "%.2f ms on the calling thread\n",
        1000.0 * processCpu / frames, 1000.0 * threadCpu / frames);

    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0);
    device->SetIndices(nullptr, 0);
    back->Release();
    depth->Release();
    targetSurface->Release();
    target->Release();
    texture->Release();
    ib->Release();
    vb->Release();
    device->Release();
    d3d->Release();
    SDL_Quit();
    return 0;
}
