#include "platform/d3d8/resources.h"

#include <algorithm>
#include <cstring>

#include "platform/startup_profile.h"

namespace d3d8 {

namespace {

HRESULT DeviceOf(const std::shared_ptr<DeviceLink>& link, IDirect3DDevice8** ppDevice) {
    if (!ppDevice) return D3DERR_INVALIDCALL;
    *ppDevice = link->device;
    if (!link->device) return D3DERR_INVALIDCALL;
    link->device->AddRef();
    return D3D_OK;
}

HRESULT NoInterface(void** ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return E_NOINTERFACE;
}

bool IsUnknownIid(REFIID riid) {
    static const GUID kUnknown = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    return std::memcmp(&riid, &kUnknown, sizeof(GUID)) == 0;
}

template <typename T>
HRESULT QueryUnknown(T* self, REFIID riid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    if (!IsUnknownIid(riid)) return NoInterface(ppvObj);
    self->AddRef();
    *ppvObj = static_cast<IUnknown*>(self);
    return S_OK;
}

}  // namespace

// ---- Surface8 ---------------------------------------------------------------

Surface8::Surface8(Texture8* container, UINT level, UINT width, UINT height)
    : container_(container), level_(level), width_(width), height_(height) {}

Surface8::Surface8(std::shared_ptr<DeviceLink> link, D3DFORMAT format, DWORD usage, UINT width,
                   UINT height, bool lockable)
    : link_(std::move(link)),
      format_(format),
      usage_(usage),
      width_(width),
      height_(height),
      lockable_(lockable) {
    link_->gl->MakeCurrent();
    glGenRenderbuffers(1, &renderbuffer_);
    Reallocate(format, width, height, lockable);
}

void Surface8::Reallocate(D3DFORMAT format, UINT width, UINT height, bool lockable) {
    format_ = format;
    width_ = width;
    height_ = height;
    lockable_ = lockable;
    link_->gl->MakeCurrent();
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
    GLenum internal =
        IsDepthStencil() ? DepthInternalFormat(format) : TextureFormat(format)->internalFormat;
    glRenderbufferStorage(GL_RENDERBUFFER, internal, static_cast<GLsizei>(width),
                          static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

Surface8::~Surface8() {
    // Without the window the context's objects go with the context.
    if (renderbuffer_ && link_->gl->MakeCurrent()) glDeleteRenderbuffers(1, &renderbuffer_);
}

DepthStencilSurface8::DepthStencilSurface8(std::shared_ptr<DeviceLink> link, D3DFORMAT format,
                                           UINT width, UINT height)
    : Surface8(link, format, D3DUSAGE_DEPTHSTENCIL, width, height, false), link_(std::move(link)) {
    ++link_->defaultPoolObjects;
}

DepthStencilSurface8::~DepthStencilSurface8() {
    --link_->defaultPoolObjects;
}

ULONG DepthStencilSurface8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT Surface8::QueryInterface(REFIID riid, void** ppvObj) {
    return QueryUnknown(this, riid, ppvObj);
}

ULONG Surface8::AddRef() {
    if (container_) return container_->AddRef();
    return link_->device ? link_->device->AddRef() : 0;
}

ULONG Surface8::Release() {
    if (container_) return container_->Release();
    return link_->device ? link_->device->Release() : 0;
}

HRESULT Surface8::GetDevice(IDirect3DDevice8** ppDevice) {
    return container_ ? container_->GetDevice(ppDevice) : DeviceOf(link_, ppDevice);
}

HRESULT Surface8::GetContainer(REFIID riid, void** ppContainer) {
    if (!ppContainer) return D3DERR_INVALIDCALL;
    if (container_) return container_->QueryInterface(riid, ppContainer);
    if (!link_->device) return D3DERR_INVALIDCALL;
    return link_->device->QueryInterface(riid, ppContainer);
}

D3DFORMAT Surface8::Format() const {
    return container_ ? container_->Format() : format_;
}
DWORD Surface8::Usage() const {
    return container_ ? container_->Usage() : usage_;
}

bool Surface8::BelongsTo(const DeviceLink* link) const {
    return container_ ? container_->BelongsTo(link) : link_.get() == link;
}

HRESULT Surface8::GetDesc(D3DSURFACE_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = Format();
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = Usage();
    pDesc->Pool = container_ ? container_->Pool() : D3DPOOL_DEFAULT;
    const GlFormat* gl = TextureFormat(Format());
    UINT bytes = gl ? gl->bytesPerPixel : (Format() == D3DFMT_D16 ? 2 : 4);
    pDesc->Size = width_ * height_ * bytes;
    pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
    pDesc->Width = width_;
    pDesc->Height = height_;
    return D3D_OK;
}

HRESULT Surface8::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) {
    if (container_) return container_->LockRect(level_, pLockedRect, pRect, Flags);
    // Only a back buffer created lockable can be read; depth buffers never.
    if (!pLockedRect || !lockable_ || IsDepthStencil() || locked_) return D3DERR_INVALIDCALL;
    RECT whole = {0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    RECT r = pRect ? *pRect : whole;
    if (r.left < 0 || r.top < 0 || r.right > whole.right || r.bottom > whole.bottom ||
        r.left >= r.right || r.top >= r.bottom)
        return D3DERR_INVALIDCALL;
    HRESULT hr = ReadPixels(&readback_);
    if (FAILED(hr)) return hr;
    const GlFormat* gl = TextureFormat(format_);
    const INT pitch = static_cast<INT>(width_ * gl->bytesPerPixel);
    pLockedRect->Pitch = pitch;
    pLockedRect->pBits = readback_.data() + r.top * pitch + r.left * gl->bytesPerPixel;
    locked_ = true;
    return D3D_OK;
}

HRESULT Surface8::ReadPixels(std::vector<BYTE>* pixels) {
    if (container_ || IsDepthStencil()) return D3DERR_INVALIDCALL;
    const GlFormat* gl = TextureFormat(format_);
    pixels->assign(static_cast<size_t>(width_) * height_ * gl->bytesPerPixel, 0);
    if (!link_->gl->MakeCurrent()) return D3DERR_DEVICELOST;
    GLint previous = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              renderbuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // Rows are stored top row first, the order Direct3D lays memory out in.
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_),
                 gl->uploadFormat, gl->uploadType, pixels->data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
    glDeleteFramebuffers(1, &fbo);
    return D3D_OK;
}

HRESULT Surface8::UnlockRect() {
    if (container_) return container_->UnlockRect(level_);
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    readback_.clear();
    return D3D_OK;
}

void Surface8::AttachColor(GLenum target) const {
    if (container_)
        glFramebufferTexture2D(target, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, container_->GlTexture(),
                               static_cast<GLint>(level_));
    else
        glFramebufferRenderbuffer(target, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer_);
}

void Surface8::AttachDepth(GLenum target) const {
    GLenum attachment = DepthInternalFormat(format_) == GL_DEPTH24_STENCIL8
                            ? GL_DEPTH_STENCIL_ATTACHMENT
                            : GL_DEPTH_ATTACHMENT;
    glFramebufferRenderbuffer(target, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(target, attachment, GL_RENDERBUFFER, renderbuffer_);
}

// ---- Texture8 ---------------------------------------------------------------

Texture8* Texture8::Create(std::shared_ptr<DeviceLink> link, UINT width, UINT height, UINT levels,
                           DWORD usage, D3DFORMAT format, D3DPOOL pool, HRESULT* result) {
    *result = D3DERR_INVALIDCALL;
    const GlFormat* gl = TextureFormat(format);
    if (!gl || width == 0 || height == 0) return nullptr;
    if (usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) return nullptr;
    const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
    if (renderTarget && (pool != D3DPOOL_DEFAULT || !IsRenderTargetFormat(format))) return nullptr;
    if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM)
        return nullptr;
    GLint maxSize = 0;
    if (!link->gl->MakeCurrent()) {
        *result = D3DERR_DEVICELOST;
        return nullptr;
    }
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (width > static_cast<UINT>(maxSize) || height > static_cast<UINT>(maxSize)) return nullptr;
    UINT fullChain = 1;
    for (UINT size = std::max(width, height); size > 1; size >>= 1) ++fullChain;
    if (levels == 0 || levels > fullChain) levels = fullChain;
    *result = D3D_OK;
    return new Texture8(std::move(link), width, height, levels, usage, format, pool);
}

Texture8::Texture8(std::shared_ptr<DeviceLink> link, UINT width, UINT height, UINT levels,
                   DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : link_(std::move(link)),
      width_(width),
      height_(height),
      levels_(levels),
      usage_(usage),
      format_(format),
      pool_(pool),
      glFormat_(TextureFormat(format)) {
    if (pool_ == D3DPOOL_DEFAULT) ++link_->defaultPoolObjects;
    link_->gl->MakeCurrent();
    glGenTextures(1, &texture_);
    BindForTransfer();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_ - 1));
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, glFormat_->swizzle);
    StartupPhaseScope timing(StartupPhase::GlUpload);
    // Dynamic textures are rewritten often, and a signed format would read
    // -128 back as -127: those keep their texels in system memory.
    keepLevelMemory_ = (usage_ & D3DUSAGE_DYNAMIC) != 0 || format_ == D3DFMT_V8U8;
    levelMemory_.resize(levels_);
    levelLocked_.assign(levels_, false);
    levelWritten_.assign(levels_, false);
    // GL only reserves the levels: a level reads as zeros until its first
    // unlock, which is what the first lock hands out.
    for (UINT level = 0; level < levels_; ++level) {
        UINT w = LevelWidth(level), h = LevelHeight(level);
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level),
                     static_cast<GLint>(glFormat_->internalFormat), static_cast<GLsizei>(w),
                     static_cast<GLsizei>(h), 0, glFormat_->uploadFormat, glFormat_->uploadType,
                     nullptr);
        surfaces_.push_back(std::make_unique<Surface8>(this, level, w, h));
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Texture8::BindForTransfer() {
    glBindTexture(GL_TEXTURE_2D, texture_);
    link_->textureUnitDisturbed = true;
}

Texture8::~Texture8() {
    if (pool_ == D3DPOOL_DEFAULT) --link_->defaultPoolObjects;
    if (link_->gl->MakeCurrent()) glDeleteTextures(1, &texture_);
}

size_t Texture8::LevelBytes(UINT level) const {
    return static_cast<size_t>(LevelWidth(level)) * LevelHeight(level) * glFormat_->bytesPerPixel;
}

UINT Texture8::LevelWidth(UINT level) const {
    return std::max(1u, width_ >> level);
}
UINT Texture8::LevelHeight(UINT level) const {
    return std::max(1u, height_ >> level);
}

HRESULT Texture8::QueryInterface(REFIID riid, void** ppvObj) {
    if (ppvObj && std::memcmp(&riid, &IID_IDirect3DLevelUpload8, sizeof(GUID)) == 0) {
        if (keepLevelMemory_ || (usage_ & D3DUSAGE_RENDERTARGET)) return NoInterface(ppvObj);
        AddRef();
        *ppvObj = static_cast<IDirect3DLevelUpload8*>(this);
        return S_OK;
    }
    return QueryUnknown(static_cast<IDirect3DTexture8*>(this), riid, ppvObj);
}

ULONG Texture8::AddRef() {
    return ++references_;
}

ULONG Texture8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT Texture8::GetDevice(IDirect3DDevice8** ppDevice) {
    return DeviceOf(link_, ppDevice);
}

DWORD Texture8::SetPriority(DWORD PriorityNew) {
    DWORD old = priority_;
    if (pool_ == D3DPOOL_MANAGED) priority_ = PriorityNew;
    return old;
}

DWORD Texture8::GetPriority() {
    return priority_;
}

DWORD Texture8::SetLOD(DWORD LODNew) {
    DWORD old = lod_;
    if (pool_ != D3DPOOL_MANAGED) return 0;
    lod_ = std::min<DWORD>(LODNew, levels_ - 1);
    if (!link_->gl->MakeCurrent()) return old;
    BindForTransfer();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(lod_));
    glBindTexture(GL_TEXTURE_2D, 0);
    return old;
}

DWORD Texture8::GetLOD() {
    return lod_;
}
DWORD Texture8::GetLevelCount() {
    return levels_;
}

HRESULT Texture8::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) {
    if (Level >= levels_) return D3DERR_INVALIDCALL;
    return surfaces_[Level]->GetDesc(pDesc);
}

HRESULT Texture8::GetSurfaceLevel(UINT Level, IDirect3DSurface8** ppSurfaceLevel) {
    if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
    *ppSurfaceLevel = nullptr;
    if (Level >= levels_) return D3DERR_INVALIDCALL;
    AddRef();
    *ppSurfaceLevel = surfaces_[Level].get();
    return D3D_OK;
}

HRESULT Texture8::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                           DWORD Flags) {
    (void)Flags;
    // Render targets live only in GL; Direct3D does not let them be locked either.
    if (!pLockedRect || Level >= levels_ || levelLocked_[Level] || (usage_ & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    const LONG w = static_cast<LONG>(LevelWidth(Level)), h = static_cast<LONG>(LevelHeight(Level));
    RECT r = pRect ? *pRect : RECT{0, 0, w, h};
    if (r.left < 0 || r.top < 0 || r.right > w || r.bottom > h || r.left >= r.right ||
        r.top >= r.bottom)
        return D3DERR_INVALIDCALL;
    std::vector<BYTE>& memory = levelMemory_[Level];
    if (memory.empty()) {
        // A written level's texels come back from GL for the time of the lock.
        memory.assign(LevelBytes(Level), 0);
        if (levelWritten_[Level] && link_->gl->MakeCurrent()) {
            BindForTransfer();
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(Level), glFormat_->uploadFormat,
                          glFormat_->uploadType, memory.data());
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    }
    const INT pitch = static_cast<INT>(w * static_cast<LONG>(glFormat_->bytesPerPixel));
    pLockedRect->Pitch = pitch;
    pLockedRect->pBits = levelMemory_[Level].data() + r.top * pitch +
                         r.left * static_cast<LONG>(glFormat_->bytesPerPixel);
    levelLocked_[Level] = true;
    return D3D_OK;
}

HRESULT Texture8::UnlockRect(UINT Level) {
    if (Level >= levels_ || !levelLocked_[Level]) return D3DERR_INVALIDCALL;
    levelLocked_[Level] = false;
    if (!link_->gl->MakeCurrent()) return D3D_OK;
    StartupPhaseScope timing(StartupPhase::GlUpload);
    levelWritten_[Level] = true;
    BindForTransfer();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(Level), 0, 0,
                    static_cast<GLsizei>(LevelWidth(Level)),
                    static_cast<GLsizei>(LevelHeight(Level)), glFormat_->uploadFormat,
                    glFormat_->uploadType, levelMemory_[Level].data());
    glBindTexture(GL_TEXTURE_2D, 0);
    if (!keepLevelMemory_) std::vector<BYTE>().swap(levelMemory_[Level]);
    return D3D_OK;
}

HRESULT Texture8::UploadLevel(UINT level, const void* texels, UINT pitch) {
    const UINT texel = glFormat_->bytesPerPixel;
    if (level >= levels_ || levelLocked_[level] || !texels || pitch % texel != 0 ||
        pitch / texel < LevelWidth(level) || keepLevelMemory_ || (usage_ & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    if (!link_->gl->MakeCurrent()) return D3D_OK;
    StartupPhaseScope timing(StartupPhase::GlUpload);
    levelWritten_[level] = true;
    BindForTransfer();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / texel));
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0,
                    static_cast<GLsizei>(LevelWidth(level)),
                    static_cast<GLsizei>(LevelHeight(level)), glFormat_->uploadFormat,
                    glFormat_->uploadType, texels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    return D3D_OK;
}

HRESULT Texture8::AddDirtyRect(const RECT* pDirtyRect) {
    (void)pDirtyRect;
    // Every unlock uploads its level at once, so nothing is ever left dirty.
    return D3D_OK;
}

// ---- Buffers ----------------------------------------------------------------

BufferStorage::BufferStorage(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage,
                             D3DPOOL pool)
    : link_(std::move(link)), length_(length), usage_(usage), pool_(pool), memory_(length, 0) {
    if (pool_ == D3DPOOL_DEFAULT) ++link_->defaultPoolObjects;
    link_->gl->MakeCurrent();
    StartupPhaseScope timing(StartupPhase::GlUpload);
    glGenBuffers(1, &buffer_);
    // Element buffers bind through the array target so no vertex array's
    // index binding is disturbed.
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, length_, memory_.data(),
                 (usage_ & D3DUSAGE_DYNAMIC) ? GL_STREAM_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

BufferStorage::~BufferStorage() {
    if (pool_ == D3DPOOL_DEFAULT) --link_->defaultPoolObjects;
    if (link_->gl->MakeCurrent()) glDeleteBuffers(1, &buffer_);
}

HRESULT BufferStorage::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (locked_ || offset > length_) return D3DERR_INVALIDCALL;
    if (size == 0) size = length_ - offset;
    if (size > length_ - offset) return D3DERR_INVALIDCALL;
    locked_ = true;
    discard_ = (flags & D3DLOCK_DISCARD) && (usage_ & D3DUSAGE_DYNAMIC);
    lockOffset_ = offset;
    lockSize_ = size;
    *data = memory_.data() + offset;
    return D3D_OK;
}

HRESULT BufferStorage::Unlock() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    if (!link_->gl->MakeCurrent()) return D3D_OK;
    StartupPhaseScope timing(StartupPhase::GlUpload);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    if (discard_) {
        // A discarded buffer gets fresh storage, so draws already queued keep
        // reading the old contents.
        glBufferData(GL_ARRAY_BUFFER, length_, memory_.data(), GL_STREAM_DRAW);
    } else if (lockSize_ > 0) {
        glBufferSubData(GL_ARRAY_BUFFER, lockOffset_, lockSize_, memory_.data() + lockOffset_);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return D3D_OK;
}

HRESULT BufferStorage::GetDevice(IDirect3DDevice8** ppDevice) const {
    return DeviceOf(link_, ppDevice);
}

VertexBuffer8::VertexBuffer8(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage, DWORD fvf,
                             D3DPOOL pool)
    : storage_(std::move(link), length, usage, pool), fvf_(fvf) {}

HRESULT VertexBuffer8::QueryInterface(REFIID riid, void** ppvObj) {
    return QueryUnknown(this, riid, ppvObj);
}
ULONG VertexBuffer8::AddRef() {
    return ++references_;
}
ULONG VertexBuffer8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}
HRESULT VertexBuffer8::GetDevice(IDirect3DDevice8** ppDevice) {
    return storage_.GetDevice(ppDevice);
}
DWORD VertexBuffer8::SetPriority(DWORD PriorityNew) {
    DWORD old = priority_;
    if (storage_.Pool() == D3DPOOL_MANAGED) priority_ = PriorityNew;
    return old;
}
HRESULT VertexBuffer8::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    return storage_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}
HRESULT VertexBuffer8::Unlock() {
    return storage_.Unlock();
}
HRESULT VertexBuffer8::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = D3DFMT_VERTEXDATA;
    pDesc->Type = D3DRTYPE_VERTEXBUFFER;
    pDesc->Usage = storage_.Usage();
    pDesc->Pool = storage_.Pool();
    pDesc->Size = storage_.Length();
    pDesc->FVF = fvf_;
    return D3D_OK;
}

IndexBuffer8::IndexBuffer8(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage,
                           D3DFORMAT format, D3DPOOL pool)
    : storage_(std::move(link), length, usage, pool), format_(format) {}

HRESULT IndexBuffer8::QueryInterface(REFIID riid, void** ppvObj) {
    return QueryUnknown(this, riid, ppvObj);
}
ULONG IndexBuffer8::AddRef() {
    return ++references_;
}
ULONG IndexBuffer8::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}
HRESULT IndexBuffer8::GetDevice(IDirect3DDevice8** ppDevice) {
    return storage_.GetDevice(ppDevice);
}
DWORD IndexBuffer8::SetPriority(DWORD PriorityNew) {
    DWORD old = priority_;
    if (storage_.Pool() == D3DPOOL_MANAGED) priority_ = PriorityNew;
    return old;
}
HRESULT IndexBuffer8::Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) {
    return storage_.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}
HRESULT IndexBuffer8::Unlock() {
    return storage_.Unlock();
}
HRESULT IndexBuffer8::GetDesc(D3DINDEXBUFFER_DESC* pDesc) {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Format = format_;
    pDesc->Type = D3DRTYPE_INDEXBUFFER;
    pDesc->Usage = storage_.Usage();
    pDesc->Pool = storage_.Pool();
    pDesc->Size = storage_.Length();
    return D3D_OK;
}

}  // namespace d3d8
