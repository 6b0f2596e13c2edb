#include "platform/d3d8/device.h"

#include <algorithm>
#include <cstring>

#include "platform/startup_profile.h"
#include "platform/win32/window_object.h"

namespace d3d8 {

namespace {

bool IsUnknownIid(REFIID riid) {
    static const GUID kUnknown = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return std::memcmp(&riid, &kUnknown, sizeof(GUID)) == 0;
}

GLenum CompareFunction(DWORD cmp) {
    switch (cmp) {
        case D3DCMP_NEVER:
            return GL_NEVER;
        case D3DCMP_LESS:
            return GL_LESS;
        case D3DCMP_EQUAL:
            return GL_EQUAL;
        case D3DCMP_LESSEQUAL:
            return GL_LEQUAL;
        case D3DCMP_GREATER:
            return GL_GREATER;
        case D3DCMP_NOTEQUAL:
            return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL:
            return GL_GEQUAL;
        default:
            return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
        case D3DBLEND_ZERO:
            return GL_ZERO;
        case D3DBLEND_ONE:
            return GL_ONE;
        case D3DBLEND_SRCCOLOR:
            return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR:
            return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA:
            return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA:
            return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA:
            return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA:
            return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR:
            return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR:
            return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT:
            return GL_SRC_ALPHA_SATURATE;
        default:
            return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT:
            return GL_FUNC_SUBTRACT;
        case D3DBLENDOP_REVSUBTRACT:
            return GL_FUNC_REVERSE_SUBTRACT;
        case D3DBLENDOP_MIN:
            return GL_MIN;
        case D3DBLENDOP_MAX:
            return GL_MAX;
        default:
            return GL_FUNC_ADD;
    }
}

GLenum StencilOperation(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO:
            return GL_ZERO;
        case D3DSTENCILOP_REPLACE:
            return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT:
            return GL_INCR;
        case D3DSTENCILOP_DECRSAT:
            return GL_DECR;
        case D3DSTENCILOP_INVERT:
            return GL_INVERT;
        case D3DSTENCILOP_INCR:
            return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR:
            return GL_DECR_WRAP;
        default:
            return GL_KEEP;
    }
}

GLint AddressMode(DWORD address) {
    switch (address) {
        case D3DTADDRESS_MIRROR:
            return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP:
            return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER:
            return GL_CLAMP_TO_BORDER;
        // Mirrored once: one mirror, then the edge; the nearest GL 3.3 has is a
        // plain mirror, identical inside -1..1.
        case D3DTADDRESS_MIRRORONCE:
            return GL_MIRRORED_REPEAT;
        default:
            return GL_REPEAT;
    }
}

GLint MinFilter(DWORD min, DWORD mip) {
    const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
    switch (mip) {
        case D3DTEXF_POINT:
            return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        case D3DTEXF_LINEAR:
        case D3DTEXF_ANISOTROPIC:
            return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        default:
            return linear ? GL_LINEAR : GL_NEAREST;
    }
}

// Vertices used by `primitives` primitives of `type`; 0 for unknown types.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitives) {
    switch (type) {
        case D3DPT_POINTLIST:
            return primitives;
        case D3DPT_LINELIST:
            return primitives * 2;
        case D3DPT_LINESTRIP:
            return primitives + 1;
        case D3DPT_TRIANGLELIST:
            return primitives * 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return primitives + 2;
        default:
            return 0;
    }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
    switch (type) {
        case D3DPT_POINTLIST:
            return GL_POINTS;
        case D3DPT_LINELIST:
            return GL_LINES;
        case D3DPT_LINESTRIP:
            return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP:
            return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN:
            return GL_TRIANGLE_FAN;
        default:
            return GL_TRIANGLES;
    }
}

bool HasStencil(D3DFORMAT format) {
    return DepthInternalFormat(format) == GL_DEPTH24_STENCIL8;
}

}  // namespace

// ---- Creation ---------------------------------------------------------------

Device8* Device8::Create(const DeviceCreation& creation, D3DPRESENT_PARAMETERS* parameters,
                         HRESULT* result) {
    if (!parameters) {
        *result = D3DERR_INVALIDCALL;
        return nullptr;
    }
    Device8* device = new Device8(creation);
    *result = device->Initialise(parameters);
    if (FAILED(*result)) {
        device->Release();
        return nullptr;
    }
    return device;
}

Device8::Device8(const DeviceCreation& creation) : creation_(creation) {
    if (creation_.parent) creation_.parent->AddRef();
}

Device8::~Device8() {
    if (recording_) ReleaseBoundObjects(recording_->state);
    for (auto& block : stateBlocks_) ReleaseBoundObjects(block.second->state);
    ReleaseBoundObjects(state_);
    bool windowAlive = false;
    if (link_) {
        windowAlive = link_->gl->MakeCurrent();
        if (renderTarget_) DropSurface(renderTarget_);
        if (depthTarget_) DropSurface(depthTarget_);
        backBuffer_.reset();
        depthStencil_.reset();
        if (windowAlive) {
            glDeleteFramebuffers(1, &framebuffer_);
            glDeleteFramebuffers(1, &presentFramebuffer_);
            glDeleteVertexArrays(1, &vertexArray_);
            glDeleteSamplers(kStageCount, samplers_);
        } else {
            programs_.ForgetAll();
        }
        programs_ = FixedFunctionCache();
        link_->device = nullptr;
    }
    if (windowAlive && !parameters_.Windowed && SwitchesDisplay())
        SDL_SetWindowFullscreen(window_, 0);
    if (creation_.parent) creation_.parent->Release();
}

HRESULT Device8::ResolveParameters(D3DPRESENT_PARAMETERS* p, SDL_Window** window) const {
    HWND handle = p->hDeviceWindow ? p->hDeviceWindow : creation_.focusWindow;
    Win32Window* object = Win32Window::FromHandle(handle);
    SDL_Window* sdl = object ? object->SdlWindow() : nullptr;
    if (!sdl) return D3DERR_INVALIDCALL;
    if (p->BackBufferCount > 1 || p->MultiSampleType != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    if (p->SwapEffect < D3DSWAPEFFECT_DISCARD || p->SwapEffect > D3DSWAPEFFECT_COPY_VSYNC)
        return D3DERR_INVALIDCALL;
    if (p->Windowed) {
        if (p->BackBufferFormat == D3DFMT_UNKNOWN)
            p->BackBufferFormat = creation_.desktopMode.Format;
        if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) {
            int w = 0, h = 0;
            SDL_GL_GetDrawableSize(sdl, &w, &h);
            if (w <= 0 || h <= 0) SDL_GetWindowSize(sdl, &w, &h);
            if (p->BackBufferWidth == 0) p->BackBufferWidth = static_cast<UINT>(std::max(w, 1));
            if (p->BackBufferHeight == 0) p->BackBufferHeight = static_cast<UINT>(std::max(h, 1));
        }
        if (p->FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
    } else if (p->BackBufferWidth == 0 || p->BackBufferHeight == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (!IsRenderTargetFormat(p->BackBufferFormat)) return D3DERR_INVALIDCALL;
    if (p->EnableAutoDepthStencil && !IsDepthFormat(p->AutoDepthStencilFormat))
        return D3DERR_INVALIDCALL;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (maxSize > 0 && (p->BackBufferWidth > static_cast<UINT>(maxSize) ||
                        p->BackBufferHeight > static_cast<UINT>(maxSize)))
        return D3DERR_OUTOFVIDEOMEMORY;
    if (p->BackBufferCount == 0) p->BackBufferCount = 1;
    *window = sdl;
    return D3D_OK;
}

HRESULT Device8::Initialise(D3DPRESENT_PARAMETERS* parameters) {
    HWND handle = parameters->hDeviceWindow ? parameters->hDeviceWindow : creation_.focusWindow;
    Win32Window* object = Win32Window::FromHandle(handle);
    SDL_Window* sdl = object ? object->SdlWindow() : nullptr;
    if (!sdl) return D3DERR_INVALIDCALL;
    auto gl = GlContext::Create(sdl);
    if (!gl) return D3DERR_NOTAVAILABLE;
    link_ = std::make_shared<DeviceLink>();
    link_->gl = std::move(gl);
    link_->device = this;
    window_ = sdl;
    D3DPRESENT_PARAMETERS resolved = *parameters;
    HRESULT hr = ResolveParameters(&resolved, &window_);
    if (FAILED(hr)) return hr;
    parameters_ = resolved;
    *parameters = resolved;

    GLfloat pointRange[2] = {1.0f, 64.0f};
    glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, pointRange);
    maxPointSize_ = pointRange[1];
    glGenFramebuffers(1, &framebuffer_);
    glGenFramebuffers(1, &presentFramebuffer_);
    glGenVertexArrays(1, &vertexArray_);
    glGenSamplers(kStageCount, samplers_);
    glBindVertexArray(vertexArray_);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // Rows are stored top first, so GL's lower left is Direct3D's upper left.
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    glFrontFace(GL_CCW);
    hr = MakeImplicitSurfaces(parameters_);
    if (FAILED(hr)) return hr;
    ApplyDisplayMode(parameters_);
    SetSwapInterval(parameters_);
    ResetState();
    return D3D_OK;
}

HRESULT Device8::MakeImplicitSurfaces(const D3DPRESENT_PARAMETERS& p) {
    const bool lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    if (backBuffer_)
        backBuffer_->Reallocate(p.BackBufferFormat, p.BackBufferWidth, p.BackBufferHeight,
                                lockable);
    else
        backBuffer_ = std::make_unique<Surface8>(link_, p.BackBufferFormat, D3DUSAGE_RENDERTARGET,
                                                 p.BackBufferWidth, p.BackBufferHeight, lockable);
    // The automatic depth buffer has the back buffer's size, as Direct3D's
    // does: a larger render target needs a depth buffer of its own.
    if (p.EnableAutoDepthStencil) {
        if (depthStencil_)
            depthStencil_->Reallocate(p.AutoDepthStencilFormat, p.BackBufferWidth,
                                      p.BackBufferHeight, false);
        else
            depthStencil_ =
                std::make_unique<Surface8>(link_, p.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL,
                                           p.BackBufferWidth, p.BackBufferHeight, false);
    }
    if (glGetError() == GL_OUT_OF_MEMORY) return D3DERR_OUTOFVIDEOMEMORY;
    if (renderTarget_) DropSurface(renderTarget_);
    if (depthTarget_) DropSurface(depthTarget_);
    renderTarget_ = backBuffer_.get();
    depthTarget_ = p.EnableAutoDepthStencil ? depthStencil_.get() : nullptr;
    BindTargets();
    if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

// Full screen switches the SDL display the window covers. A window embedded
// in another program's window (a screen-saver daemon's) already covers all
// it may cover, and a monitor that is only part of a display (a test's
// scripted monitors) keeps its window where it was placed.
bool Device8::SwitchesDisplay() const {
    if (!creation_.switchDisplay || window_ == nullptr) return false;
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FOREIGN) return false;
    SDL_Rect bounds;
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) return true;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    return x == bounds.x && y == bounds.y && w == bounds.w && h == bounds.h;
}

void Device8::ApplyDisplayMode(const D3DPRESENT_PARAMETERS& p) {
    if (!SwitchesDisplay()) return;
    if (p.Windowed) {
        SDL_SetWindowFullscreen(window_, 0);
        return;
    }
    // The desktop's own size needs no mode change; any other size switches
    // the display to that mode while the window is full screen.
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_DisplayMode desktop;
    if (display >= 0 && SDL_GetDesktopDisplayMode(display, &desktop) == 0 &&
        desktop.w == static_cast<int>(p.BackBufferWidth) &&
        desktop.h == static_cast<int>(p.BackBufferHeight)) {
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_DisplayMode wanted = {};
    wanted.w = static_cast<int>(p.BackBufferWidth);
    wanted.h = static_cast<int>(p.BackBufferHeight);
    wanted.refresh_rate = static_cast<int>(p.FullScreen_RefreshRateInHz);
    SDL_DisplayMode closest;
    if (display >= 0 && SDL_GetClosestDisplayMode(display, &wanted, &closest))
        SDL_SetWindowDisplayMode(window_, &closest);
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN);
}

void Device8::SetSwapInterval(const D3DPRESENT_PARAMETERS& p) {
    // Full screen: interval one (and the default) waits for the retrace.
    // In a window only the vsync'd copy does.
    bool vsync = p.Windowed ? p.SwapEffect == D3DSWAPEFFECT_COPY_VSYNC
                            : p.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE;
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
}

void Device8::ResetState() {
    ReleaseBoundObjects(state_);
    state_ = DeviceState::Defaults(parameters_.EnableAutoDepthStencil != 0);
    FullViewport();
}

void Device8::FullViewport() {
    state_.viewport = {0, 0, renderTarget_->Width(), renderTarget_->Height(), 0.0f, 1.0f};
}

// ---- IUnknown ---------------------------------------------------------------

HRESULT Device8::QueryInterface(REFIID riid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (!IsUnknownIid(riid)) return E_NOINTERFACE;
    AddRef();
    *ppvObj = static_cast<IUnknown*>(this);
    return S_OK;
}

ULONG Device8::AddRef() {
    return ++references_;
}

ULONG Device8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

// ---- Frame ------------------------------------------------------------------

void Device8::UpdateLoss() {
    // A device whose window is gone stays lost.
    bool away = forcedLost_ || !link_->gl->MakeCurrent();
    if (!parameters_.Windowed && window_)
        away = away || (SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
    if (away)
        loss_ = Loss::kLost;
    else if (loss_ == Loss::kLost)
        loss_ = Loss::kNotReset;
}

void Device8::ForceLost(bool lost) {
    forcedLost_ = lost;
    if (lost) loss_ = Loss::kLost;
    UpdateLoss();
}

HRESULT Device8::TestCooperativeLevel() {
    UpdateLoss();
    if (loss_ == Loss::kLost) return D3DERR_DEVICELOST;
    if (loss_ == Loss::kNotReset) return D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

UINT Device8::GetAvailableTextureMem() {
    // The renderer works in system memory: offer half of it, within a UINT.
    const double bytes = SDL_GetSystemRAM() * 1024.0 * 1024.0 / 2.0;
    return static_cast<UINT>(std::min(bytes, 4294967295.0 - 1048576.0));
}

HRESULT Device8::GetDirect3D(IDirect3D8** ppD3D8) {
    if (!ppD3D8 || !creation_.parent) return D3DERR_INVALIDCALL;
    creation_.parent->AddRef();
    *ppD3D8 = creation_.parent;
    return D3D_OK;
}

HRESULT Device8::GetDeviceCaps(D3DCAPS8* pCaps) {
    if (!pCaps) return D3DERR_INVALIDCALL;
    *pCaps = creation_.caps;
    return D3D_OK;
}

HRESULT Device8::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    if (!pMode) return D3DERR_INVALIDCALL;
    *pMode = creation_.desktopMode;
    if (!parameters_.Windowed) {
        pMode->Width = parameters_.BackBufferWidth;
        pMode->Height = parameters_.BackBufferHeight;
        pMode->Format = parameters_.BackBufferFormat;
    }
    return D3D_OK;
}

HRESULT Device8::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    if (!pParameters) return D3DERR_INVALIDCALL;
    pParameters->AdapterOrdinal = creation_.adapter;
    pParameters->DeviceType = creation_.type;
    pParameters->hFocusWindow = creation_.focusWindow;
    pParameters->BehaviorFlags = creation_.behaviorFlags;
    return D3D_OK;
}

HRESULT Device8::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
    if (!pPresentationParameters) return D3DERR_INVALIDCALL;
    UpdateLoss();
    if (loss_ == Loss::kLost) return D3DERR_DEVICELOST;
    link_->gl->MakeCurrent();
    // Every default-pool resource must be gone first, as Direct3D demands.
    if (link_->defaultPoolObjects > 0) {
        loss_ = Loss::kNotReset;
        return D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS resolved = *pPresentationParameters;
    SDL_Window* window = nullptr;
    HRESULT hr = ResolveParameters(&resolved, &window);
    if (FAILED(hr)) {
        loss_ = Loss::kNotReset;
        return hr;
    }
    if (window != window_) return D3DERR_INVALIDCALL;
    if (recording_) {
        ReleaseBoundObjects(recording_->state);
        recording_.reset();
    }
    for (auto& block : stateBlocks_) ReleaseBoundObjects(block.second->state);
    stateBlocks_.clear();
    ReleaseBoundObjects(state_);
    parameters_ = resolved;
    *pPresentationParameters = resolved;
    hr = MakeImplicitSurfaces(parameters_);
    if (FAILED(hr)) {
        loss_ = Loss::kNotReset;
        return hr;
    }
    ApplyDisplayMode(parameters_);
    SetSwapInterval(parameters_);
    ResetState();
    inScene_ = false;
    loss_ = Loss::kOperational;
    return D3D_OK;
}

HRESULT Device8::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                         const RGNDATA* pDirtyRegion) {
    (void)pDirtyRegion;
    UpdateLoss();
    if (loss_ != Loss::kOperational) return D3DERR_DEVICELOST;
    if (hDestWindowOverride) {
        Win32Window* object = Win32Window::FromHandle(hDestWindowOverride);
        if (!object || object->SdlWindow() != window_) return D3DERR_INVALIDCALL;
    }
    if (!parameters_.Windowed && (pSourceRect || pDestRect)) return D3DERR_INVALIDCALL;
    int windowWidth = 0, windowHeight = 0;
    SDL_GL_GetDrawableSize(window_, &windowWidth, &windowHeight);
    RECT source = {0, 0, static_cast<LONG>(parameters_.BackBufferWidth),
                   static_cast<LONG>(parameters_.BackBufferHeight)};
    RECT dest = {0, 0, windowWidth, windowHeight};
    if (pSourceRect) source = *pSourceRect;
    if (pDestRect) dest = *pDestRect;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, presentFramebuffer_);
    backBuffer_->AttachColor(GL_READ_FRAMEBUFFER);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    const bool scaled = (source.right - source.left) != (dest.right - dest.left) ||
                        (source.bottom - source.top) != (dest.bottom - dest.top);
    // Window rows run upwards, the back buffer's downwards: flip while copying.
    glBlitFramebuffer(source.left, source.top, source.right, source.bottom, dest.left,
                      windowHeight - dest.top, dest.right, windowHeight - dest.bottom,
                      GL_COLOR_BUFFER_BIT, scaled ? GL_LINEAR : GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    BindTargets();
    SDL_GL_SwapWindow(window_);
    StartupProfileFramePresented();
    if (drawProfileEnabled) drawProfile_.EndFrame();
    return D3D_OK;
}

HRESULT Device8::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                               IDirect3DSurface8** ppBackBuffer) {
    if (!ppBackBuffer) return D3DERR_INVALIDCALL;
    *ppBackBuffer = nullptr;
    if (BackBuffer != 0 || Type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *ppBackBuffer = backBuffer_.get();
    return D3D_OK;
}

HRESULT Device8::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device8::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    if (link_->gl->MakeCurrent()) glFlush();
    return D3D_OK;
}

// ---- Resources --------------------------------------------------------------

HRESULT Device8::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                               D3DPOOL Pool, IDirect3DTexture8** ppTexture) {
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    HRESULT hr = D3DERR_INVALIDCALL;
    Texture8* texture = Texture8::Create(link_, Width, Height, Levels, Usage, Format, Pool, &hr);
    if (!texture) return hr;
    if (glGetError() == GL_OUT_OF_MEMORY) {
        texture->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *ppTexture = texture;
    BindTargets();
    return D3D_OK;
}

HRESULT Device8::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                    IDirect3DVertexBuffer8** ppVertexBuffer) {
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    if (Length == 0 ||
        (Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_MANAGED && Pool != D3DPOOL_SYSTEMMEM))
        return D3DERR_INVALIDCALL;
    // Dynamic buffers live in the default pool only.
    if ((Usage & D3DUSAGE_DYNAMIC) && Pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (!link_->gl->MakeCurrent()) return D3DERR_DEVICELOST;
    if (FVF != 0) {
        VertexLayout layout = LayoutOfFvf(FVF);
        if (!layout.valid || Length < layout.stride) return D3DERR_INVALIDCALL;
    }
    *ppVertexBuffer = new VertexBuffer8(link_, Length, Usage, FVF, Pool);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        (*ppVertexBuffer)->Release();
        *ppVertexBuffer = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return D3D_OK;
}

HRESULT Device8::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                   IDirect3DIndexBuffer8** ppIndexBuffer) {
    if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
    *ppIndexBuffer = nullptr;
    if (Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (Pool != D3DPOOL_DEFAULT && Pool != D3DPOOL_MANAGED && Pool != D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    if ((Usage & D3DUSAGE_DYNAMIC) && Pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (!link_->gl->MakeCurrent()) return D3DERR_DEVICELOST;
    *ppIndexBuffer = new IndexBuffer8(link_, Length, Usage, Format, Pool);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        (*ppIndexBuffer)->Release();
        *ppIndexBuffer = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return D3D_OK;
}

// ---- Render targets ---------------------------------------------------------

void Device8::HoldSurface(Surface8* surface) {
    // The device's own buffers live as long as the device; holding them
    // would keep the device alive through itself.
    if (surface != backBuffer_.get() && surface != depthStencil_.get()) surface->AddRef();
}

void Device8::DropSurface(Surface8* surface) {
    if (surface != backBuffer_.get() && surface != depthStencil_.get()) surface->Release();
}

void Device8::BindTargets() {
    if (!link_->gl->MakeCurrent()) return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    renderTarget_->AttachColor(GL_DRAW_FRAMEBUFFER);
    if (depthTarget_) {
        depthTarget_->AttachDepth(GL_DRAW_FRAMEBUFFER);
    } else {
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  0);
    }
}

HRESULT Device8::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                           D3DMULTISAMPLE_TYPE MultiSample,
                                           IDirect3DSurface8** ppSurface) {
    if (!ppSurface) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    if (Width == 0 || Height == 0 || !IsDepthFormat(Format) || MultiSample != D3DMULTISAMPLE_NONE)
        return D3DERR_INVALIDCALL;
    if (!link_->gl->MakeCurrent()) return D3DERR_DEVICELOST;
    auto* surface = new DepthStencilSurface8(link_, Format, Width, Height);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        surface->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *ppSurface = surface;
    return D3D_OK;
}

HRESULT Device8::SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                                 IDirect3DSurface8* pNewZStencil) {
    Surface8* target = pRenderTarget ? static_cast<Surface8*>(pRenderTarget) : renderTarget_;
    Surface8* depth = static_cast<Surface8*>(pNewZStencil);
    if (!target->BelongsTo(link_.get()) || !target->IsRenderTarget()) return D3DERR_INVALIDCALL;
    if (depth && (!depth->BelongsTo(link_.get()) || !depth->IsDepthStencil() ||
                  depth->Width() < target->Width() || depth->Height() < target->Height()))
        return D3DERR_INVALIDCALL;
    HoldSurface(target);
    if (depth) HoldSurface(depth);
    DropSurface(renderTarget_);
    if (depthTarget_) DropSurface(depthTarget_);
    renderTarget_ = target;
    depthTarget_ = depth;
    BindTargets();
    FullViewport();
    return D3D_OK;
}

HRESULT Device8::GetRenderTarget(IDirect3DSurface8** ppRenderTarget) {
    if (!ppRenderTarget) return D3DERR_INVALIDCALL;
    renderTarget_->AddRef();
    *ppRenderTarget = renderTarget_;
    return D3D_OK;
}

HRESULT Device8::GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) {
    if (!ppZStencilSurface) return D3DERR_INVALIDCALL;
    *ppZStencilSurface = depthTarget_;
    if (!depthTarget_) return D3DERR_NOTFOUND;
    depthTarget_->AddRef();
    return D3D_OK;
}

HRESULT Device8::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                       DWORD Stencil) {
    if ((Count > 0) != (pRects != nullptr)) return D3DERR_INVALIDCALL;
    if (Flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthTarget_) return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) && !HasStencil(depthTarget_->Format()))
        return D3DERR_INVALIDCALL;
    if (loss_ != Loss::kOperational || !link_->gl->MakeCurrent()) return D3D_OK;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFF);
    glClearColor(((Color >> 16) & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f,
                 (Color & 0xFF) / 255.0f, ((Color >> 24) & 0xFF) / 255.0f);
    glClearDepth(std::clamp(Z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(Stencil));
    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (Flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (Flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    // Clears are limited to the viewport, and to each rectangle within it.
    const D3DVIEWPORT8& vp = state_.viewport;
    const LONG vx0 = static_cast<LONG>(vp.X), vy0 = static_cast<LONG>(vp.Y);
    const LONG vx1 = vx0 + static_cast<LONG>(vp.Width), vy1 = vy0 + static_cast<LONG>(vp.Height);
    glEnable(GL_SCISSOR_TEST);
    auto clearRect = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
        x0 = std::max(x0, vx0), y0 = std::max(y0, vy0);
        x1 = std::min(x1, vx1), y1 = std::min(y1, vy1);
        if (x0 >= x1 || y0 >= y1) return;
        glScissor(x0, y0, x1 - x0, y1 - y0);
        glClear(mask);
    };
    if (Count == 0) {
        clearRect(vx0, vy0, vx1, vy1);
    } else {
        for (DWORD i = 0; i < Count; ++i)
            clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
    }
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

// ---- State ------------------------------------------------------------------

DeviceState& Device8::Target() {
    return recording_ ? recording_->state : state_;
}
StateMask* Device8::RecordingMask() {
    return recording_ ? &recording_->mask : nullptr;
}

HRESULT Device8::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    const int slot = TransformSlotOf(State);
    if (!pMatrix || slot < 0) return D3DERR_INVALIDCALL;
    Target().transforms[slot] = *pMatrix;
    if (auto* mask = RecordingMask()) mask->transforms.set(slot);
    return D3D_OK;
}

HRESULT Device8::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    const int slot = TransformSlotOf(State);
    if (!pMatrix || slot < 0) return D3DERR_INVALIDCALL;
    *pMatrix = state_.transforms[slot];
    return D3D_OK;
}

HRESULT Device8::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    const int slot = TransformSlotOf(State);
    if (!pMatrix || slot < 0) return D3DERR_INVALIDCALL;
    const D3DMATRIX product = MultiplyMatrices(*pMatrix, state_.transforms[slot]);
    return SetTransform(State, &product);
}

HRESULT Device8::SetViewport(const D3DVIEWPORT8* pViewport) {
    if (!pViewport) return D3DERR_INVALIDCALL;
    const D3DVIEWPORT8& v = *pViewport;
    if (v.Width == 0 || v.Height == 0 || v.X + v.Width > renderTarget_->Width() ||
        v.Y + v.Height > renderTarget_->Height() || v.MinZ < 0.0f || v.MaxZ > 1.0f ||
        v.MinZ > v.MaxZ)
        return D3DERR_INVALIDCALL;
    Target().viewport = v;
    if (auto* mask = RecordingMask()) mask->viewport = true;
    return D3D_OK;
}

HRESULT Device8::GetViewport(D3DVIEWPORT8* pViewport) {
    if (!pViewport) return D3DERR_INVALIDCALL;
    *pViewport = state_.viewport;
    return D3D_OK;
}

HRESULT Device8::SetMaterial(const D3DMATERIAL8* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    Target().material = *pMaterial;
    if (auto* mask = RecordingMask()) mask->material = true;
    return D3D_OK;
}

HRESULT Device8::GetMaterial(D3DMATERIAL8* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    *pMaterial = state_.material;
    return D3D_OK;
}

HRESULT Device8::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
    // Only directional lights are emulated; others are refused, not ignored.
    if (!pLight || Index >= kLightCount || pLight->Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    Target().lights[Index] = *pLight;
    if (auto* mask = RecordingMask()) mask->lights.set(Index);
    return D3D_OK;
}

HRESULT Device8::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    if (!pLight || Index >= kLightCount) return D3DERR_INVALIDCALL;
    *pLight = state_.lights[Index];
    return D3D_OK;
}

HRESULT Device8::LightEnable(DWORD Index, BOOL Enable) {
    if (Index >= kLightCount) return D3DERR_INVALIDCALL;
    Target().lightEnabled[Index] = Enable ? TRUE : FALSE;
    if (auto* mask = RecordingMask()) mask->lightEnabled.set(Index);
    return D3D_OK;
}

HRESULT Device8::GetLightEnable(DWORD Index, BOOL* pEnable) {
    if (!pEnable || Index >= kLightCount) return D3DERR_INVALIDCALL;
    *pEnable = state_.lightEnabled[Index];
    return D3D_OK;
}

HRESULT Device8::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    const DWORD index = static_cast<DWORD>(State);
    if (index >= kRenderStateCount) return D3DERR_INVALIDCALL;
    Target().renderStates[index] = Value;
    if (auto* mask = RecordingMask()) mask->renderStates.set(index);
    return D3D_OK;
}

HRESULT Device8::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    const DWORD index = static_cast<DWORD>(State);
    if (!pValue || index >= kRenderStateCount) return D3DERR_INVALIDCALL;
    *pValue = state_.renderStates[index];
    return D3D_OK;
}

HRESULT Device8::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    const DWORD index = static_cast<DWORD>(Type);
    if (Stage >= kStageCount || index >= kStageStateCount) return D3DERR_INVALIDCALL;
    Target().stageStates[Stage][index] = Value;
    if (auto* mask = RecordingMask()) mask->stageStates[Stage].set(index);
    return D3D_OK;
}

HRESULT Device8::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    const DWORD index = static_cast<DWORD>(Type);
    if (!pValue || Stage >= kStageCount || index >= kStageStateCount) return D3DERR_INVALIDCALL;
    *pValue = state_.stageStates[Stage][index];
    return D3D_OK;
}

HRESULT Device8::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    if (Stage >= kStageCount) return D3DERR_INVALIDCALL;
    if (pTexture && !static_cast<Texture8*>(pTexture)->BelongsTo(link_.get()))
        return D3DERR_INVALIDCALL;
    auto& slot = Target().textures[Stage];
    if (pTexture) pTexture->AddRef();
    if (slot) slot->Release();
    slot = pTexture;
    if (auto* mask = RecordingMask()) mask->textures.set(Stage);
    return D3D_OK;
}

HRESULT Device8::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    if (!ppTexture || Stage >= kStageCount) return D3DERR_INVALIDCALL;
    *ppTexture = state_.textures[Stage];
    if (*ppTexture) (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT Device8::SetVertexShader(DWORD Handle) {
    if (!LayoutOfFvf(Handle).valid) return D3DERR_INVALIDCALL;
    Target().vertexShader = Handle;
    if (auto* mask = RecordingMask()) mask->vertexShader = true;
    return D3D_OK;
}

HRESULT Device8::GetVertexShader(DWORD* pHandle) {
    if (!pHandle) return D3DERR_INVALIDCALL;
    *pHandle = state_.vertexShader;
    return D3D_OK;
}

HRESULT Device8::SetPixelShader(DWORD Handle) {
    // Only the fixed-function pixel pipeline exists.
    if (Handle != 0) return D3DERR_INVALIDCALL;
    Target().pixelShader = 0;
    if (auto* mask = RecordingMask()) mask->pixelShader = true;
    return D3D_OK;
}

HRESULT Device8::GetPixelShader(DWORD* pHandle) {
    if (!pHandle) return D3DERR_INVALIDCALL;
    *pHandle = state_.pixelShader;
    return D3D_OK;
}

HRESULT Device8::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                 UINT Stride) {
    if (StreamNumber != 0) return D3DERR_INVALIDCALL;
    if (pStreamData &&
        static_cast<VertexBuffer8*>(pStreamData)->Storage().Link().get() != link_.get())
        return D3DERR_INVALIDCALL;
    DeviceState& target = Target();
    if (pStreamData) pStreamData->AddRef();
    if (target.streamSource) target.streamSource->Release();
    target.streamSource = pStreamData;
    target.streamStride = Stride;
    if (auto* mask = RecordingMask()) mask->streamSource = true;
    return D3D_OK;
}

HRESULT Device8::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                 UINT* pStride) {
    if (StreamNumber != 0 || !ppStreamData || !pStride) return D3DERR_INVALIDCALL;
    *ppStreamData = state_.streamSource;
    if (*ppStreamData) (*ppStreamData)->AddRef();
    *pStride = state_.streamStride;
    return D3D_OK;
}

HRESULT Device8::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    if (pIndexData && static_cast<IndexBuffer8*>(pIndexData)->Storage().Link().get() != link_.get())
        return D3DERR_INVALIDCALL;
    DeviceState& target = Target();
    if (pIndexData) pIndexData->AddRef();
    if (target.indices) target.indices->Release();
    target.indices = pIndexData;
    target.baseVertexIndex = BaseVertexIndex;
    if (auto* mask = RecordingMask()) mask->indices = true;
    return D3D_OK;
}

HRESULT Device8::GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) {
    if (!ppIndexData || !pBaseVertexIndex) return D3DERR_INVALIDCALL;
    *ppIndexData = state_.indices;
    if (*ppIndexData) (*ppIndexData)->AddRef();
    *pBaseVertexIndex = state_.baseVertexIndex;
    return D3D_OK;
}

HRESULT Device8::ValidateDevice(DWORD* pNumPasses) {
    if (!pNumPasses) return D3DERR_INVALIDCALL;
    HRESULT hr = ValidateStages(state_);
    *pNumPasses = SUCCEEDED(hr) ? 1 : 0;
    return hr;
}

// ---- State blocks -----------------------------------------------------------

HRESULT Device8::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    // Recorded values start as the device's, so states the block does not
    // hold never matter; only the mask says what the block holds.
    recording_->state = state_;
    for (auto* texture : recording_->state.textures)
        if (texture) texture->AddRef();
    if (recording_->state.streamSource) recording_->state.streamSource->AddRef();
    if (recording_->state.indices) recording_->state.indices->AddRef();
    return D3D_OK;
}

HRESULT Device8::EndStateBlock(DWORD* pToken) {
    if (!pToken || !recording_) return D3DERR_INVALIDCALL;
    // Drop the references to bound objects the block does not hold.
    StateMask unheld;
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        unheld.textures.set(stage, !recording_->mask.textures.test(stage));
    unheld.streamSource = !recording_->mask.streamSource;
    unheld.indices = !recording_->mask.indices;
    CopyMaskedState(DeviceState(), recording_->state, unheld);
    *pToken = nextStateBlock_++;
    stateBlocks_[*pToken] = std::move(recording_);
    return D3D_OK;
}

HRESULT Device8::CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) {
    if (!pToken || recording_) return D3DERR_INVALIDCALL;
    auto block = std::make_unique<StateBlock>();
    switch (Type) {
        case D3DSBT_ALL:
            block->mask = StateMask::All();
            break;
        case D3DSBT_PIXELSTATE:
            block->mask = StateMask::PixelStates();
            break;
        case D3DSBT_VERTEXSTATE:
            block->mask = StateMask::VertexStates();
            break;
        default:
            return D3DERR_INVALIDCALL;
    }
    CopyMaskedState(state_, block->state, block->mask);
    *pToken = nextStateBlock_++;
    stateBlocks_[*pToken] = std::move(block);
    return D3D_OK;
}

HRESULT Device8::CaptureStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMaskedState(state_, found->second->state, found->second->mask);
    return D3D_OK;
}

HRESULT Device8::ApplyStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMaskedState(found->second->state, state_, found->second->mask);
    return D3D_OK;
}

HRESULT Device8::DeleteStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ReleaseBoundObjects(found->second->state);
    stateBlocks_.erase(found);
    return D3D_OK;
}

// ---- Drawing ----------------------------------------------------------------

void Device8::ApplySamplers() {
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        glActiveTexture(GL_TEXTURE0 + stage);
        auto* texture = static_cast<Texture8*>(state_.textures[stage]);
        glBindTexture(GL_TEXTURE_2D, texture ? texture->GlTexture() : 0);
        const auto& ts = state_.stageStates[stage];
        const GLuint sampler = samplers_[stage];
        glBindSampler(stage, sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(ts[D3DTSS_ADDRESSU]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(ts[D3DTSS_ADDRESSV]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, AddressMode(ts[D3DTSS_ADDRESSW]));
        const DWORD border = ts[D3DTSS_BORDERCOLOR];
        const float borderColor[4] = {((border >> 16) & 0xFF) / 255.0f,
                                      ((border >> 8) & 0xFF) / 255.0f, (border & 0xFF) / 255.0f,
                                      ((border >> 24) & 0xFF) / 255.0f};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColor);
        const DWORD mag = ts[D3DTSS_MAGFILTER];
        glSamplerParameteri(
            sampler, GL_TEXTURE_MAG_FILTER,
            mag == D3DTEXF_LINEAR || mag == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                            MinFilter(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER]));
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, StateFloat(ts[D3DTSS_MIPMAPLODBIAS]));
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD,
                            static_cast<float>(ts[D3DTSS_MAXMIPLEVEL]));
    }
    glActiveTexture(GL_TEXTURE0);
}

void Device8::ApplyFixedState() {
    const auto& rs = state_.renderStates;
    const D3DVIEWPORT8& vp = state_.viewport;
    glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y), static_cast<GLsizei>(vp.Width),
               static_cast<GLsizei>(vp.Height));
    glDepthRange(vp.MinZ, vp.MaxZ);
    glDisable(GL_SCISSOR_TEST);
    if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthTarget_) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
        // The two "both" factors set source and destination together.
        if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
        if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
        glBlendFunc(BlendFactor(src), BlendFactor(dst));
        glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
    } else {
        glDisable(GL_BLEND);
    }
    // Rows are kept top first, so Direct3D's clockwise is GL's counter-clockwise.
    switch (rs[D3DRS_CULLMODE]) {
        case D3DCULL_CW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_FRONT);
            break;
        case D3DCULL_CCW:
            glEnable(GL_CULL_FACE);
            glCullFace(GL_BACK);
            break;
        default:
            glDisable(GL_CULL_FACE);
            break;
    }
    switch (rs[D3DRS_FILLMODE]) {
        case D3DFILL_POINT:
            glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
            break;
        case D3DFILL_WIREFRAME:
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            break;
        default:
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
            break;
    }
    const DWORD write = rs[D3DRS_COLORWRITEENABLE];
    glColorMask(write & 1 ? GL_TRUE : GL_FALSE, write & 2 ? GL_TRUE : GL_FALSE,
                write & 4 ? GL_TRUE : GL_FALSE, write & 8 ? GL_TRUE : GL_FALSE);
    if (rs[D3DRS_STENCILENABLE] && depthTarget_ && HasStencil(depthTarget_->Format())) {
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(CompareFunction(rs[D3DRS_STENCILFUNC]),
                      static_cast<GLint>(rs[D3DRS_STENCILREF]), rs[D3DRS_STENCILMASK]);
        glStencilOp(StencilOperation(rs[D3DRS_STENCILFAIL]),
                    StencilOperation(rs[D3DRS_STENCILZFAIL]),
                    StencilOperation(rs[D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    } else {
        glDisable(GL_STENCIL_TEST);
    }
    // Dithering only matters for 16-bit targets and is left to the renderer.
    if (rs[D3DRS_DITHERENABLE])
        glEnable(GL_DITHER);
    else
        glDisable(GL_DITHER);
}

HRESULT Device8::ApplyPipeline(const VertexLayout& layout, bool points) {
    D3DFORMAT formats[kStageCount];
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        auto* texture = static_cast<Texture8*>(state_.textures[stage]);
        formats[stage] = texture ? texture->Format() : D3DFMT_UNKNOWN;
    }
    const PipelineKey key = MakePipelineKey(state_, layout, points, formats);
    const FixedFunctionProgram* program = programs_.Get(key);
    if (!program) return D3DERR_DRIVERINTERNALERROR;
    DrawUniformInputs inputs;
    inputs.state = &state_;
    inputs.viewportWidth = static_cast<float>(state_.viewport.Width);
    inputs.viewportHeight = static_cast<float>(state_.viewport.Height);
    inputs.maxPointSize = maxPointSize_;
    program->Use(inputs);
    return D3D_OK;
}

DrawProfileKey Device8::DrawProfileKeyOf(UINT primitives) const {
    DrawProfileKey key;
    key.targetWidth = state_.viewport.Width;
    key.targetHeight = state_.viewport.Height;
    key.primitives = primitives;
    key.blended = state_.renderStates[D3DRS_ALPHABLENDENABLE] != 0;
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        const DWORD op = state_.stageStates[stage][D3DTSS_COLOROP];
        if (op == D3DTOP_DISABLE) break;
        const char* name = nullptr;
        switch (op) {
            case D3DTOP_SELECTARG1: name = "select 1"; break;
            case D3DTOP_SELECTARG2: name = "select 2"; break;
            case D3DTOP_MODULATE: name = "modulate"; break;
            case D3DTOP_ADD: name = "add"; break;
            case D3DTOP_BUMPENVMAP: name = "bump"; break;
            default: name = "operation"; break;
        }
        // As in the pipeline, a later stage without a texture ends the cascade.
        auto* texture = static_cast<Texture8*>(state_.textures[stage]);
        if (stage > 0 && !texture) break;
        char text[64];
        D3DSURFACE_DESC desc{};
        if (texture && SUCCEEDED(texture->GetLevelDesc(0, &desc)))
            std::snprintf(text, sizeof text, "%s%s %ux%u", stage ? ", " : "", name, desc.Width,
                          desc.Height);
        else
            std::snprintf(text, sizeof text, "%s%s", stage ? ", " : "", name);
        key.stages += text;
    }
    if (key.stages.empty()) key.stages = "no stages";
    return key;
}

HRESULT Device8::Draw(D3DPRIMITIVETYPE type, UINT primitives, bool indexed, UINT first,
                      UINT minIndex, UINT vertexCount, const BufferStorage* vertices, UINT stride) {
    const UINT count = VertexCountOf(type, primitives);
    if (count == 0 || primitives == 0) return D3DERR_INVALIDCALL;
    const VertexLayout layout = LayoutOfFvf(state_.vertexShader);
    if (!layout.valid) return D3DERR_INVALIDCALL;
    if (!vertices || stride < layout.stride) return D3DERR_INVALIDCALL;
    const UINT available = vertices->Length() / stride;
    const IndexBuffer8* indexBuffer = static_cast<IndexBuffer8*>(state_.indices);
    UINT base = 0;
    if (indexed) {
        if (!indexBuffer) return D3DERR_INVALIDCALL;
        const BufferStorage& storage = indexBuffer->Storage();
        const UINT indexSize = indexBuffer->Format() == D3DFMT_INDEX32 ? 4 : 2;
        if (first > storage.Length() / indexSize || count > storage.Length() / indexSize - first)
            return D3DERR_INVALIDCALL;
        if (vertexCount == 0) return D3DERR_INVALIDCALL;
        // Every index must reach a vertex inside the stream, whatever the
        // range the caller promised; out-of-range reads are refused.
        base = state_.baseVertexIndex;
        UINT highest = 0;
        const BYTE* data = storage.Memory() + static_cast<size_t>(first) * indexSize;
        if (indexSize == 2) {
            const auto* idx = reinterpret_cast<const WORD*>(data);
            for (UINT i = 0; i < count; ++i) highest = std::max<UINT>(highest, idx[i]);
        } else {
            const auto* idx = reinterpret_cast<const DWORD*>(data);
            for (UINT i = 0; i < count; ++i) highest = std::max<UINT>(highest, idx[i]);
        }
        if (static_cast<uint64_t>(base) + highest >= available) return D3DERR_INVALIDCALL;
        if (static_cast<uint64_t>(base) + minIndex + vertexCount > available)
            return D3DERR_INVALIDCALL;
    } else if (static_cast<uint64_t>(first) + count > available) {
        return D3DERR_INVALIDCALL;
    }
    if (loss_ != Loss::kOperational || !link_->gl->MakeCurrent()) return D3D_OK;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    glBindVertexArray(vertexArray_);
    const bool points = type == D3DPT_POINTLIST;
    HRESULT hr = ApplyPipeline(layout, points);
    if (FAILED(hr)) return hr;
    ApplySamplers();
    ApplyFixedState();

    glBindBuffer(GL_ARRAY_BUFFER, vertices->GlBuffer());
    const GLsizei s = static_cast<GLsizei>(stride);
    auto offset = [](UINT bytes) {
        return reinterpret_cast<const void*>(static_cast<uintptr_t>(bytes));
    };
    for (GLuint i = 0; i < 9; ++i) glDisableVertexAttribArray(i);
    glEnableVertexAttribArray(kPositionAttribute);
    glVertexAttribPointer(kPositionAttribute, 3, GL_FLOAT, GL_FALSE, s, offset(0));
    if (layout.hasNormal) {
        glEnableVertexAttribArray(kNormalAttribute);
        glVertexAttribPointer(kNormalAttribute, 3, GL_FLOAT, GL_FALSE, s,
                              offset(layout.normalOffset));
    }
    if (layout.hasDiffuse) {
        glEnableVertexAttribArray(kDiffuseAttribute);
        glVertexAttribPointer(kDiffuseAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                              offset(layout.diffuseOffset));
    }
    if (layout.hasSpecular) {
        glEnableVertexAttribArray(kSpecularAttribute);
        glVertexAttribPointer(kSpecularAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                              offset(layout.specularOffset));
    }
    if (layout.hasPointSize) {
        glEnableVertexAttribArray(8);
        glVertexAttribPointer(8, 1, GL_FLOAT, GL_FALSE, s, offset(layout.pointSizeOffset));
    }
    for (int set = 0; set < layout.texCoordSets; ++set) {
        glEnableVertexAttribArray(kTexCoordAttribute + set);
        glVertexAttribPointer(kTexCoordAttribute + set, layout.texCoordSize[set], GL_FLOAT,
                              GL_FALSE, s, offset(layout.texCoordOffset[set]));
    }
    const GLenum mode = PrimitiveMode(type);
    if (drawProfileEnabled) drawProfile_.BeforeDraw();
    if (indexed) {
        const UINT indexSize = indexBuffer->Format() == D3DFMT_INDEX32 ? 4 : 2;
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer->Storage().GlBuffer());
        glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count),
                                 indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 offset(first * indexSize), static_cast<GLint>(base));
    } else {
        glDrawArrays(mode, static_cast<GLint>(first), static_cast<GLsizei>(count));
    }
    if (drawProfileEnabled) drawProfile_.AfterDraw(DrawProfileKeyOf(primitives));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return D3D_OK;
}

HRESULT Device8::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                               UINT PrimitiveCount) {
    auto* buffer = static_cast<VertexBuffer8*>(state_.streamSource);
    if (!buffer) return D3DERR_INVALIDCALL;
    return Draw(PrimitiveType, PrimitiveCount, false, StartVertex, 0, 0, &buffer->Storage(),
                state_.streamStride);
}

HRESULT Device8::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                      UINT NumVertices, UINT startIndex, UINT primCount) {
    auto* buffer = static_cast<VertexBuffer8*>(state_.streamSource);
    if (!buffer) return D3DERR_INVALIDCALL;
    return Draw(PrimitiveType, primCount, true, startIndex, minIndex, NumVertices,
                &buffer->Storage(), state_.streamStride);
}

HRESULT Device8::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                 const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    const UINT count = VertexCountOf(PrimitiveType, PrimitiveCount);
    if (!pVertexStreamZeroData || count == 0 || VertexStreamZeroStride == 0)
        return D3DERR_INVALIDCALL;
    // The caller's vertices go through a buffer of the device's own; as in
    // Direct3D, stream 0 is unbound afterwards.
    const UINT length = count * VertexStreamZeroStride;
    auto* staging = new VertexBuffer8(link_, length, D3DUSAGE_DYNAMIC, 0, D3DPOOL_SYSTEMMEM);
    BYTE* data = nullptr;
    staging->Lock(0, 0, &data, 0);
    std::memcpy(data, pVertexStreamZeroData, length);
    staging->Unlock();
    HRESULT hr = Draw(PrimitiveType, PrimitiveCount, false, 0, 0, 0, &staging->Storage(),
                      VertexStreamZeroStride);
    staging->Release();
    SetStreamSource(0, nullptr, 0);
    return hr;
}

}  // namespace d3d8
