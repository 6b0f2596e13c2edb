// The device's life and frames: creation and the present parameters, the
// display mode, loss and Reset, Present, scenes, and what the device tells
// about itself.
#include <algorithm>
#include <cstring>

#include "platform/d3d8/device.h"
#include "platform/startup_profile.h"
#include "platform/win32/window_object.h"

namespace d3d8 {

namespace {

bool IsUnknownIid(REFIID riid) {
    static const GUID kUnknown = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return std::memcmp(&riid, &kUnknown, sizeof(GUID)) == 0;
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
    // Every state is new, and GL still holds what the last draws set.
    InvalidateGlState();
}

void Device8::FullViewport() {
    state_.viewport = {0, 0, renderTarget_->Width(), renderTarget_->Height(), 0.0f, 1.0f};
    dirty_ |= kDirtyViewport;
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
    dirty_ |= kDirtyFramebuffer;
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

}  // namespace d3d8
