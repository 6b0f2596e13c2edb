// The Direct3D object: adapters, modes, capability and format checks, device
// creation; and the scripted object that host tests use.
#include <cstring>
#include <string>

#include "tests/support/scripted_direct3d.h"
#include "tests/d3d8/d3d8_fixture.h"

namespace {

class ObjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UseOffscreenVideo(); }
    void SetUp() override {
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, d3d);
    }
    void TearDown() override {
        if (d3d) {
            EXPECT_EQ(0u, d3d->Release());
        }
        EXPECT_EQ(0, D3D8LiveObjectCount());
    }
    IDirect3D8* d3d = nullptr;
};

TEST_F(ObjectTest, OnlyTheRightSdkVersionCreatesAnObject) {
    EXPECT_EQ(nullptr, Direct3DCreate8(D3D_SDK_VERSION - 1));
    EXPECT_EQ(220, D3D_SDK_VERSION);
}

TEST_F(ObjectTest, AdapterIdentifierNamesTheRendererStably) {
    ASSERT_GE(d3d->GetAdapterCount(), 1u);
    D3DADAPTER_IDENTIFIER8 first, second;
    ASSERT_EQ(D3D_OK, d3d->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &first));
    EXPECT_NE(std::string::npos, std::string(first.Description).find("llvmpipe"));
    IDirect3D8* other = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(nullptr, other);
    ASSERT_EQ(D3D_OK, other->GetAdapterIdentifier(0, 0, &second));
    other->Release();
    EXPECT_EQ(0, std::memcmp(&first.DeviceIdentifier, &second.DeviceIdentifier, sizeof(GUID)));
    const GUID zero = {};
    EXPECT_NE(0, std::memcmp(&first.DeviceIdentifier, &zero, sizeof(GUID)));
    EXPECT_EQ(D3DERR_INVALIDCALL, d3d->GetAdapterIdentifier(99, 0, &first));
    EXPECT_EQ(D3DERR_INVALIDCALL, d3d->GetAdapterIdentifier(0, 0, nullptr));
}

TEST_F(ObjectTest, ModesComeInBothDisplayFormatsAndIncludeTheDesktop) {
    D3DDISPLAYMODE desktop;
    ASSERT_EQ(D3D_OK, d3d->GetAdapterDisplayMode(0, &desktop));
    EXPECT_GT(desktop.Width, 0u);
    EXPECT_TRUE(desktop.Format == D3DFMT_X8R8G8B8 || desktop.Format == D3DFMT_R5G6B5);
    const UINT count = d3d->GetAdapterModeCount(0);
    ASSERT_GE(count, 2u);
    bool desktop32 = false, desktop16 = false;
    for (UINT i = 0; i < count; ++i) {
        D3DDISPLAYMODE mode;
        ASSERT_EQ(D3D_OK, d3d->EnumAdapterModes(0, i, &mode));
        if (mode.Width == desktop.Width && mode.Height == desktop.Height) {
            desktop32 = desktop32 || mode.Format == D3DFMT_X8R8G8B8;
            desktop16 = desktop16 || mode.Format == D3DFMT_R5G6B5;
        }
    }
    EXPECT_TRUE(desktop32);
    EXPECT_TRUE(desktop16);
    D3DDISPLAYMODE mode;
    EXPECT_EQ(D3DERR_INVALIDCALL, d3d->EnumAdapterModes(0, count, &mode));
    EXPECT_EQ(0u, d3d->GetAdapterModeCount(7));
    // The adapter's monitor is the one the Win32 calls report for its display.
    SDL_Rect bounds;
    ASSERT_EQ(0, SDL_GetDisplayBounds(0, &bounds));
    POINT centre = {bounds.x + bounds.w / 2, bounds.y + bounds.h / 2};
    EXPECT_NE(nullptr, d3d->GetAdapterMonitor(0));
    EXPECT_EQ(MonitorFromPoint(centre, MONITOR_DEFAULTTONULL), d3d->GetAdapterMonitor(0));
    EXPECT_EQ(nullptr, d3d->GetAdapterMonitor(7));
}

TEST_F(ObjectTest, HalCapsOfferWhatTheSaverNeeds) {
    D3DCAPS8 caps;
    ASSERT_EQ(D3D_OK, d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED);
    EXPECT_TRUE(caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(2u, caps.MaxSimultaneousTextures);
    EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps));
    EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->GetDeviceCaps(0, D3DDEVTYPE_SW, &caps));
}

TEST_F(ObjectTest, DeviceTypeFormatAndDepthChecks) {
    D3DDISPLAYMODE desktop;
    d3d->GetAdapterDisplayMode(0, &desktop);
    EXPECT_EQ(D3D_OK,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE));
    EXPECT_EQ(D3D_OK,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, FALSE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, FALSE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));
    EXPECT_EQ(D3D_OK,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, desktop.Format, D3DFMT_A1R5G5B5, TRUE));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              d3d->CheckDeviceType(5, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));

    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8}) {
        EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                 D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth));
        EXPECT_EQ(D3D_OK, d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                      D3DFMT_X8R8G8B8, depth));
    }
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_D15S1));
    for (D3DFORMAT texture : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5,
                              D3DFMT_A4R4G4B4, D3DFMT_V8U8})
        EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0,
                                                 D3DRTYPE_TEXTURE, texture));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET,
                                     D3DRTYPE_TEXTURE, D3DFMT_V8U8));
}

TEST_F(ObjectTest, CreateDeviceRefusesBadRequests) {
    TestWindow window(64, 64);
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    IDirect3DDevice8* device = nullptr;
    // No window behind the handle.
    EXPECT_EQ(D3DERR_INVALIDCALL,
              d3d->CreateDevice(0, D3DDEVTYPE_HAL, reinterpret_cast<HWND>(&p),
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    EXPECT_EQ(nullptr, device);
    // No vertex processing chosen.
    EXPECT_EQ(D3DERR_INVALIDCALL,
              d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(), 0, &p, &device));
    // A full-screen size the display does not have.
    D3DPRESENT_PARAMETERS full = p;
    full.Windowed = FALSE;
    full.BackBufferWidth = 1234;
    full.BackBufferHeight = 567;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(),
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &full, &device));
    // An unusable depth format.
    D3DPRESENT_PARAMETERS depth = p;
    depth.EnableAutoDepthStencil = TRUE;
    depth.AutoDepthStencilFormat = D3DFMT_A8R8G8B8;
    EXPECT_EQ(D3DERR_INVALIDCALL,
              d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(),
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &depth, &device));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CreateDevice(0, D3DDEVTYPE_REF, window.Handle(),
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device));
    EXPECT_EQ(nullptr, device);
}

TEST_F(ObjectTest, FullScreenDeviceInTheDesktopModeIsLostWhileHidden) {
    D3DDISPLAYMODE desktop;
    d3d->GetAdapterDisplayMode(0, &desktop);
    TestWindow window(static_cast<int>(desktop.Width), static_cast<int>(desktop.Height));
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = desktop.Width;
    p.BackBufferHeight = desktop.Height;
    p.BackBufferFormat = desktop.Format;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window.Handle();
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D16;
    p.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    IDirect3DDevice8* device = nullptr;
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(),
                                        D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0));
    EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
    window.Show(0);
    EXPECT_EQ(D3DERR_DEVICELOST, device->TestCooperativeLevel());
    EXPECT_EQ(D3DERR_DEVICELOST, device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(D3DERR_DEVICELOST, device->Reset(&p));
    window.Show(1);
    EXPECT_EQ(D3DERR_DEVICENOTRESET, device->TestCooperativeLevel());
    EXPECT_EQ(D3D_OK, device->Reset(&p));
    EXPECT_EQ(D3D_OK, device->TestCooperativeLevel());
    EXPECT_EQ(D3D_OK, device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, device->Release());
}

TEST(ScriptedObjectTest, AnswersFromTheScriptAndRecordsCreation) {
    UseOffscreenVideo();
    std::vector<std::string> log;
    ScriptedDirect3D scripted(&log);
    scripted.realDevices = true;
    ScriptedAdapter adapter;
    adapter.desktop = {1280, 1024, 60, D3DFMT_X8R8G8B8};
    adapter.monitor = reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x12340042));
    adapter.modes = {{640, 480, 60, D3DFMT_R5G6B5}, {1280, 1024, 60, D3DFMT_X8R8G8B8}};
    adapter.halFormats = {D3DFMT_X8R8G8B8};
    adapter.depthFormats = {D3DFMT_D16};
    scripted.adapters = {adapter};
    scripted.createResults = {D3DERR_OUTOFVIDEOMEMORY};
    IDirect3D8* d3d = &scripted;

    EXPECT_EQ(1u, d3d->GetAdapterCount());
    EXPECT_EQ(2u, d3d->GetAdapterModeCount(0));
    D3DADAPTER_IDENTIFIER8 id;
    ASSERT_EQ(D3D_OK, d3d->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &id));
    EXPECT_STREQ("Scripted adapter", id.Description);
    EXPECT_EQ(adapter.monitor, d3d->GetAdapterMonitor(0));
    EXPECT_EQ(D3D_OK,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, FALSE));
    EXPECT_EQ(D3DERR_NOTAVAILABLE,
              d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, FALSE));
    EXPECT_EQ(D3D_OK, d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                  D3DFMT_X8R8G8B8, D3DFMT_D16));
    EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                               D3DFMT_X8R8G8B8, D3DFMT_D24S8));

    // The first creation fails as scripted; the second makes a real device
    // on the window, without touching the display.
    TestWindow window(64, 48);
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferWidth = 1280;
    p.BackBufferHeight = 1024;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.hDeviceWindow = window.Handle();
    IDirect3DDevice8* device = nullptr;
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY,
              d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(), 0x40, &p, &device));
    p.BackBufferWidth = 640;
    p.BackBufferHeight = 480;
    p.BackBufferFormat = D3DFMT_R5G6B5;
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.Handle(), 0x40, &p, &device));
    EXPECT_EQ(log, (std::vector<std::string>{"CreateDevice 0 HAL 1280x1024 fmt 22 flags 0x40",
                                             "CreateDevice 0 HAL 640x480 fmt 23 flags 0x40"}));
    EXPECT_TRUE(scripted.createdDevices.empty());  // a real device, not a scripted one
    D3DCAPS8 caps;
    ASSERT_EQ(D3D_OK, device->GetDeviceCaps(&caps));
    EXPECT_EQ(static_cast<DWORD>(D3DDEVCAPS_HWTRANSFORMANDLIGHT), caps.DevCaps);
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0));
    EXPECT_EQ(0u, device->Release());
    EXPECT_EQ(0u, d3d->Release());
    EXPECT_EQ(0, D3D8LiveObjectCount());
}

}  // namespace
