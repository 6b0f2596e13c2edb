// Resources the device makes (textures, vertex and index buffers, depth
// surfaces) and the render target and depth buffer it draws into.
#include "platform/d3d8/device.h"

namespace d3d8 {

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
    // Depth and stencil tests depend on the depth target's presence and format.
    dirty_ |= kDirtyDepthTest | kDirtyStencil;
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

}  // namespace d3d8
