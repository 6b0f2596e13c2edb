// Direct3DCreate8 and the Direct3D object.
#include "platform/d3d8/direct3d_object.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/d3d8/device.h"
#include "platform/d3d8/gl_context.h"
#include "platform/d3d8/gl_formats.h"
#include "platform/win32/video_connection.h"

namespace d3d8 {

namespace {

void CopyText(char* out, size_t capacity, const char* text) {
    std::snprintf(out, capacity, "%s", text ? text : "");
}

uint64_t Fnv1a(const char* text, uint64_t seed) {
    uint64_t hash = seed;
    for (const char* p = text; *p; ++p)
        hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    return hash;
}

// Reads the renderer's names and limits from a hidden probe window.
bool ProbeRenderer(RendererInfo* info) {
    RequestCoreProfile();
    SDL_Window* window =
        SDL_CreateWindow("d3d8 probe", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return false;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    GlContext::ForgetCurrent();
    if (!context) {
        SDL_DestroyWindow(window);
        return false;
    }
    KeepGlDriverLoaded();
    CopyText(info->renderer, sizeof info->renderer,
             reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    CopyText(info->vendor, sizeof info->vendor,
             reinterpret_cast<const char*>(glGetString(GL_VENDOR)));
    CopyText(info->version, sizeof info->version,
             reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info->maxTextureSize);
    GLfloat range[2] = {1.0f, 1.0f};
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, range);
    info->maxPointSize = range[1];
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    return true;
}

// The monitors as the Win32 layer lists them: SDL's displays, the one window
// of a screen-saver daemon the saver draws in, or a test's scripted set.
struct MonitorEntry {
    RECT rect;
    std::string device;
    bool primary;
};

BOOL CALLBACK CollectMonitor(HMONITOR handle, HDC, LPRECT, LPARAM data) {
    MONITORINFOEX info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfo(handle, &info)) {
        reinterpret_cast<std::vector<MonitorEntry>*>(data)->push_back(
            {info.rcMonitor, info.szDevice, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

// Adapter 0 is the primary monitor's, the others follow in the list's order.
std::vector<MonitorEntry> ListMonitors() {
    std::vector<MonitorEntry> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const MonitorEntry& m) { return m.primary; });
    return monitors;
}

// The SDL display a monitor lies on most: the one a full-screen window
// there would switch.
int DisplayOfRect(const RECT& rect) {
    int best = 0;
    long long bestArea = -1;
    for (int display = 0; display < SDL_GetNumVideoDisplays(); ++display) {
        SDL_Rect b;
        if (SDL_GetDisplayBounds(display, &b) != 0) continue;
        const long long w = std::min<long long>(rect.right, b.x + b.w) -
                            std::max<long long>(rect.left, b.x);
        const long long h = std::min<long long>(rect.bottom, b.y + b.h) -
                            std::max<long long>(rect.top, b.y);
        const long long area = w > 0 && h > 0 ? w * h : 0;
        if (area > bestArea) {
            bestArea = area;
            best = display;
        }
    }
    return best;
}

D3DFORMAT FormatOfBits(DWORD bits) {
    return bits == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
}

AdapterInfo DescribeMonitor(const MonitorEntry& monitor, const RendererInfo& renderer) {
    AdapterInfo adapter;
    adapter.rect = monitor.rect;
    adapter.display = DisplayOfRect(monitor.rect);
    D3DADAPTER_IDENTIFIER8& id = adapter.identifier;
    CopyText(id.Driver, sizeof id.Driver, "velmora-gl");
    CopyText(id.Description, sizeof id.Description, renderer.renderer);
    int major = 0, minor = 0;
    std::sscanf(renderer.version, "%d.%d", &major, &minor);
    id.DriverVersion.u.HighPart = (major << 16) | minor;
    id.DriverVersion.u.LowPart = 0;
    // A stable identity for this renderer on this monitor.
    char seed[600];
    std::snprintf(seed, sizeof seed, "%s|%s|%d", renderer.renderer, monitor.device.c_str(),
                  adapter.display);
    const uint64_t high = Fnv1a(seed, 1469598103934665603ull);
    const uint64_t low = Fnv1a(seed, 0x9E3779B97F4A7C15ull);
    id.DeviceIdentifier.Data1 = static_cast<DWORD>(high >> 32);
    id.DeviceIdentifier.Data2 = static_cast<WORD>(high >> 16);
    id.DeviceIdentifier.Data3 = static_cast<WORD>(high);
    for (int i = 0; i < 8; ++i) id.DeviceIdentifier.Data4[i] = static_cast<BYTE>(low >> (8 * i));
    id.VendorId = 0;
    id.DeviceId = static_cast<DWORD>(Fnv1a(renderer.renderer, 1469598103934665603ull));
    id.SubSysId = 0;
    id.Revision = 0;
    id.WHQLLevel = 0;

    DEVMODE mode{};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettings(monitor.device.c_str(), ENUM_CURRENT_SETTINGS, &mode)) {
        adapter.desktopMode = {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmDisplayFrequency,
                               FormatOfBits(mode.dmBitsPerPel)};
    } else {
        adapter.desktopMode = {static_cast<UINT>(monitor.rect.right - monitor.rect.left),
                               static_cast<UINT>(monitor.rect.bottom - monitor.rect.top), 60,
                               D3DFMT_X8R8G8B8};
    }
    // Every display size is offered in both formats: the back buffer is the
    // renderer's own, whatever the display's depth.
    for (DWORD i = 0; EnumDisplaySettings(monitor.device.c_str(), i, &mode); ++i) {
        // Some video drivers list a mode without a size: it is not a mode.
        if (mode.dmPelsWidth == 0 || mode.dmPelsHeight == 0) continue;
        for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
            D3DDISPLAYMODE m = {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmDisplayFrequency,
                                format};
            const bool known = std::any_of(
                adapter.modes.begin(), adapter.modes.end(), [&](const D3DDISPLAYMODE& o) {
                    return o.Width == m.Width && o.Height == m.Height &&
                           o.RefreshRate == m.RefreshRate && o.Format == m.Format;
                });
            if (!known) adapter.modes.push_back(m);
        }
    }
    if (adapter.modes.empty() && adapter.desktopMode.Width) {
        D3DDISPLAYMODE m = adapter.desktopMode;
        m.Format = D3DFMT_X8R8G8B8;
        adapter.modes.push_back(m);
        m.Format = D3DFMT_R5G6B5;
        adapter.modes.push_back(m);
    }
    return adapter;
}

}  // namespace

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5;
}

bool IsSupportedDepthFormat(D3DFORMAT format) {
    return format == D3DFMT_D16 || format == D3DFMT_D24X8 || format == D3DFMT_D24S8 ||
           format == D3DFMT_D32;
}

D3DCAPS8 HalCaps(UINT adapter, const RendererInfo& renderer) {
    D3DCAPS8 c;
    std::memset(&c, 0, sizeof c);
    c.DeviceType = D3DDEVTYPE_HAL;
    c.AdapterOrdinal = adapter;
    c.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.DevCaps = D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXVIDEOMEMORY |
                D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT |
                D3DDEVCAPS_HWRASTERIZATION;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                          D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                          D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS;
    const DWORD allCompares = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL |
                              D3DPCMPCAPS_LESSEQUAL | D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL |
                              D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
    c.ZCmpCaps = allCompares;
    c.AlphaCmpCaps = allCompares;
    const DWORD blends =
        D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR |
        D3DPBLENDCAPS_INVSRCCOLOR | D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA |
        D3DPBLENDCAPS_DESTALPHA | D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR |
        D3DPBLENDCAPS_INVDESTCOLOR | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
    c.SrcBlendCaps = blends | D3DPBLENDCAPS_SRCALPHASAT;
    c.DestBlendCaps = blends;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                  D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    c.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                    D3DPTEXTURECAPS_PROJECTED | D3DPTEXTURECAPS_MIPMAP;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                          D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR |
                           D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_BORDER |
                           D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    c.MaxTextureWidth = static_cast<DWORD>(renderer.maxTextureSize);
    c.MaxTextureHeight = static_cast<DWORD>(renderer.maxTextureSize);
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = static_cast<DWORD>(renderer.maxTextureSize);
    c.MaxAnisotropy = 1;
    c.MaxVertexW = 1.0e10f;
    c.GuardBandLeft = -8192.0f;
    c.GuardBandTop = -8192.0f;
    c.GuardBandRight = 8192.0f;
    c.GuardBandBottom = 8192.0f;
    c.StencilCaps = D3DSTENCILCAPS_KEEP | D3DSTENCILCAPS_ZERO | D3DSTENCILCAPS_REPLACE |
                    D3DSTENCILCAPS_INCRSAT | D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INVERT |
                    D3DSTENCILCAPS_INCR | D3DSTENCILCAPS_DECR;
    c.FVFCaps = 4 | D3DFVFCAPS_PSIZE;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X |
                      D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_ADDSIGNED | D3DTEXOPCAPS_ADDSIGNED2X |
                      D3DTEXOPCAPS_SUBTRACT | D3DTEXOPCAPS_ADDSMOOTH |
                      D3DTEXOPCAPS_BLENDDIFFUSEALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                      D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BLENDTEXTUREALPHAPM |
                      D3DTEXOPCAPS_BLENDCURRENTALPHA | D3DTEXOPCAPS_MODULATEALPHA_ADDCOLOR |
                      D3DTEXOPCAPS_MODULATECOLOR_ADDALPHA | D3DTEXOPCAPS_MODULATEINVALPHA_ADDCOLOR |
                      D3DTEXOPCAPS_MODULATEINVCOLOR_ADDALPHA | D3DTEXOPCAPS_BUMPENVMAP |
                      D3DTEXOPCAPS_DOTPRODUCT3 | D3DTEXOPCAPS_MULTIPLYADD | D3DTEXOPCAPS_LERP;
    c.MaxTextureBlendStages = 2;
    c.MaxSimultaneousTextures = 2;
    c.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 |
                             D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = 8;
    c.MaxPointSize = renderer.maxPointSize;
    c.MaxPrimitiveCount = 0xFFFFF;
    c.MaxVertexIndex = 0xFFFFFF;
    c.MaxStreams = 1;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = D3DVS_VERSION(0, 0);
    c.PixelShaderVersion = D3DPS_VERSION(0, 0);
    return c;
}

Direct3D8* Direct3D8::Create() {
    // The window layer starts SDL's video the way windows need it; the
    // object then holds a reference of its own.
    if (!Win32EnsureVideo() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    Direct3D8* object = new Direct3D8();
    if (!ProbeRenderer(&object->renderer_)) {
        object->Release();
        return nullptr;
    }
    for (const MonitorEntry& monitor : ListMonitors())
        object->adapters_.push_back(DescribeMonitor(monitor, object->renderer_));
    return object;
}

Direct3D8::~Direct3D8() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

HRESULT Direct3D8::QueryInterface(REFIID riid, void** ppvObj) {
    static const GUID kUnknown = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (std::memcmp(&riid, &kUnknown, sizeof(GUID)) != 0) return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IUnknown*>(this);
    return S_OK;
}

ULONG Direct3D8::AddRef() {
    return ++references_;
}

ULONG Direct3D8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT Direct3D8::RegisterSoftwareDevice(void* pInitializeFunction) {
    (void)pInitializeFunction;
    // Pluggable software rasterisers are not offered.
    return D3DERR_NOTAVAILABLE;
}

UINT Direct3D8::GetAdapterCount() {
    return static_cast<UINT>(adapters_.size());
}

HRESULT Direct3D8::GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                        D3DADAPTER_IDENTIFIER8* pIdentifier) {
    if (Adapter >= adapters_.size() || !pIdentifier || (Flags & ~D3DENUM_NO_WHQL_LEVEL))
        return D3DERR_INVALIDCALL;
    *pIdentifier = adapters_[Adapter].identifier;
    return D3D_OK;
}

UINT Direct3D8::GetAdapterModeCount(UINT Adapter) {
    return Adapter < adapters_.size() ? static_cast<UINT>(adapters_[Adapter].modes.size()) : 0;
}

HRESULT Direct3D8::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
    if (Adapter >= adapters_.size() || !pMode || Mode >= adapters_[Adapter].modes.size())
        return D3DERR_INVALIDCALL;
    *pMode = adapters_[Adapter].modes[Mode];
    return D3D_OK;
}

HRESULT Direct3D8::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    if (Adapter >= adapters_.size() || !pMode) return D3DERR_INVALIDCALL;
    *pMode = adapters_[Adapter].desktopMode;
    return D3D_OK;
}

HRESULT Direct3D8::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                   D3DFORMAT BackBufferFormat, BOOL Windowed) {
    if (Adapter >= adapters_.size()) return D3DERR_INVALIDCALL;
    if (CheckType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (!IsDisplayFormat(DisplayFormat) || !IsRenderTargetFormat(BackBufferFormat))
        return D3DERR_NOTAVAILABLE;
    if (Windowed) {
        // A window shows the desktop's format; any renderable back buffer is
        // converted when presented.
        return DisplayFormat == adapters_[Adapter].desktopMode.Format ? D3D_OK
                                                                      : D3DERR_NOTAVAILABLE;
    }
    // Full screen: the back buffer matches the display, with or without alpha.
    const bool matches = BackBufferFormat == DisplayFormat ||
                         (DisplayFormat == D3DFMT_X8R8G8B8 && BackBufferFormat == D3DFMT_A8R8G8B8);
    return matches ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                     DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    if (Adapter >= adapters_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !IsDisplayFormat(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    if (Usage & D3DUSAGE_DEPTHSTENCIL)
        return RType == D3DRTYPE_SURFACE && IsSupportedDepthFormat(CheckFormat)
                   ? D3D_OK
                   : D3DERR_NOTAVAILABLE;
    switch (RType) {
        case D3DRTYPE_SURFACE:
        case D3DRTYPE_TEXTURE:
            if (Usage & D3DUSAGE_RENDERTARGET)
                return IsRenderTargetFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
            return TextureFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_VERTEXBUFFER:
            return CheckFormat == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
        case D3DRTYPE_INDEXBUFFER:
            return CheckFormat == D3DFMT_INDEX16 || CheckFormat == D3DFMT_INDEX32
                       ? D3D_OK
                       : D3DERR_NOTAVAILABLE;
        default:
            return D3DERR_NOTAVAILABLE;
    }
}

HRESULT Direct3D8::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                              D3DFORMAT SurfaceFormat, BOOL Windowed,
                                              D3DMULTISAMPLE_TYPE MultiSampleType) {
    (void)Windowed;
    if (Adapter >= adapters_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    if (!IsRenderTargetFormat(SurfaceFormat) && !IsSupportedDepthFormat(SurfaceFormat))
        return D3DERR_NOTAVAILABLE;
    return MultiSampleType == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                          D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                          D3DFORMAT DepthStencilFormat) {
    if (Adapter >= adapters_.size()) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL || !IsDisplayFormat(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    // Depth and colour buffers are separate renderbuffers, so every pairing works.
    return IsRenderTargetFormat(RenderTargetFormat) && IsSupportedDepthFormat(DepthStencilFormat)
               ? D3D_OK
               : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
    if (Adapter >= adapters_.size() || !pCaps) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) {
        std::memset(pCaps, 0, sizeof *pCaps);
        return D3DERR_NOTAVAILABLE;
    }
    *pCaps = HalCaps(Adapter, renderer_);
    return D3D_OK;
}

HMONITOR Direct3D8::GetAdapterMonitor(UINT Adapter) {
    if (Adapter >= adapters_.size()) return nullptr;
    return MonitorFromRect(&adapters_[Adapter].rect, MONITOR_DEFAULTTONEAREST);
}

HRESULT Direct3D8::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                                IDirect3DDevice8** ppReturnedDeviceInterface) {
    if (!ppReturnedDeviceInterface) return D3DERR_INVALIDCALL;
    *ppReturnedDeviceInterface = nullptr;
    if (Adapter >= adapters_.size() || !pPresentationParameters) return D3DERR_INVALIDCALL;
    if (DeviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    const DWORD processing =
        BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                         D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    const D3DPRESENT_PARAMETERS& p = *pPresentationParameters;
    if (!p.Windowed) {
        // Full screen needs one of the adapter's modes, in a display format.
        const auto& modes = adapters_[Adapter].modes;
        const bool known = std::any_of(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) {
            return m.Width == p.BackBufferWidth && m.Height == p.BackBufferHeight &&
                   (m.Format == p.BackBufferFormat ||
                    (m.Format == D3DFMT_X8R8G8B8 && p.BackBufferFormat == D3DFMT_A8R8G8B8)) &&
                   (p.FullScreen_RefreshRateInHz == 0 ||
                    m.RefreshRate == p.FullScreen_RefreshRateInHz);
        });
        if (!known) return D3DERR_INVALIDCALL;
    }
    DeviceCreation creation;
    creation.parent = this;
    creation.adapter = Adapter;
    creation.type = DeviceType;
    creation.focusWindow = hFocusWindow;
    creation.behaviorFlags = BehaviorFlags;
    creation.caps = HalCaps(Adapter, renderer_);
    creation.desktopMode = adapters_[Adapter].desktopMode;
    HRESULT hr = D3DERR_NOTAVAILABLE;
    Device8* device = Device8::Create(creation, pPresentationParameters, &hr);
    if (!device) return hr;
    *ppReturnedDeviceInterface = device;
    return D3D_OK;
}

}  // namespace d3d8

IDirect3D8* WINAPI Direct3DCreate8(UINT SDKVersion) {
    if (SDKVersion != D3D_SDK_VERSION) return nullptr;
    return d3d8::Direct3D8::Create();
}
