// Textures, surfaces and buffers of a device. Each keeps its contents in
// Direct3D's own memory layout where the caller can lock it, and mirrors it
// into a GL object on unlock.
#pragma once

#include <d3d8.h>
#include <d3d8_level_upload.h>
#include <epoxy/gl.h>

#include <memory>
#include <vector>

#include "platform/d3d8/gl_context.h"
#include "platform/d3d8/gl_formats.h"
#include "platform/d3d8/live_objects.h"

namespace d3d8 {

// What resources share with their device: the GL context, and the device
// itself while it lives (for GetDevice and the default-pool count that Reset
// checks).
struct DeviceLink {
    std::shared_ptr<GlContext> gl;
    IDirect3DDevice8* device = nullptr;
    long defaultPoolObjects = 0;
    // Set when a resource bound a texture of its own on the active unit (the
    // device's stage 0), so that the device binds its stage's texture again.
    bool textureUnitDisturbed = false;
};

class Texture8;

// A surface: a level of a texture, or one of the device's own buffers (the
// back buffer and the automatic depth buffer).
class Surface8 : public IDirect3DSurface8 {
public:
    // A level of `container`; its references are the container's.
    Surface8(Texture8* container, UINT level, UINT width, UINT height);
    // A device buffer held in a renderbuffer; its references are the device's.
    Surface8(std::shared_ptr<DeviceLink> link, D3DFORMAT format, DWORD usage, UINT width,
             UINT height, bool lockable);
    ~Surface8() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** ppContainer) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    D3DFORMAT Format() const;
    DWORD Usage() const;
    bool IsRenderTarget() const { return (Usage() & D3DUSAGE_RENDERTARGET) != 0; }
    bool IsDepthStencil() const { return (Usage() & D3DUSAGE_DEPTHSTENCIL) != 0; }
    bool BelongsTo(const DeviceLink* link) const;
    // Gives a device buffer new storage (Reset keeps the surface object, so
    // pointers the caller still holds stay valid).
    void Reallocate(D3DFORMAT format, UINT width, UINT height, bool lockable);
    // Reads a colour buffer's pixels, top row first, in its own format.
    HRESULT ReadPixels(std::vector<BYTE>* pixels);
    // Attaches this surface to the framebuffer bound to `target`.
    void AttachColor(GLenum target) const;
    void AttachDepth(GLenum target) const;

private:
    Texture8* container_ = nullptr;
    UINT level_ = 0;
    std::shared_ptr<DeviceLink> link_;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    DWORD usage_ = 0;
    UINT width_;
    UINT height_;
    bool lockable_ = false;
    GLuint renderbuffer_ = 0;
    std::vector<BYTE> readback_;
    bool locked_ = false;
};

// A depth-stencil surface the application made: counted by its own
// references, in the default pool (a reset needs it released first).
class DepthStencilSurface8 : public Surface8 {
public:
    DepthStencilSurface8(std::shared_ptr<DeviceLink> link, D3DFORMAT format, UINT width,
                         UINT height);
    ~DepthStencilSurface8() override;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

private:
    LiveObject live_;
    ULONG references_ = 1;
    std::shared_ptr<DeviceLink> link_;
};

class Texture8 : public IDirect3DTexture8, public IDirect3DLevelUpload8 {
public:
    // Null with `*result` set when the texture cannot be made.
    static Texture8* Create(std::shared_ptr<DeviceLink> link, UINT width, UINT height, UINT levels,
                            DWORD usage, D3DFORMAT format, D3DPOOL pool, HRESULT* result);
    ~Texture8() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD LODNew) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT Level,
                                              IDirect3DSurface8** ppSurfaceLevel) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                                       DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT Level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* pDirtyRect) override;
    HRESULT STDMETHODCALLTYPE UploadLevel(UINT level, const void* texels, UINT pitch) override;

    GLuint GlTexture() const { return texture_; }
    D3DFORMAT Format() const { return format_; }
    DWORD Usage() const { return usage_; }
    D3DPOOL Pool() const { return pool_; }
    bool BelongsTo(const DeviceLink* link) const { return link_.get() == link; }
    const std::shared_ptr<DeviceLink>& Link() const { return link_; }

private:
    Texture8(std::shared_ptr<DeviceLink> link, UINT width, UINT height, UINT levels, DWORD usage,
             D3DFORMAT format, D3DPOOL pool);
    // Binds the texture on the active unit to create, fill or read it.
    void BindForTransfer();
    UINT LevelWidth(UINT level) const;
    UINT LevelHeight(UINT level) const;
    size_t LevelBytes(UINT level) const;

    LiveObject live_;
    ULONG references_ = 1;
    std::shared_ptr<DeviceLink> link_;
    UINT width_;
    UINT height_;
    UINT levels_;
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
    DWORD lod_ = 0;
    const GlFormat* glFormat_;
    GLuint texture_ = 0;
    // A level's texels in system memory: only while it is locked, unless
    // keepLevelMemory_, since GL holds the texture and most are written once.
    std::vector<std::vector<BYTE>> levelMemory_;
    bool keepLevelMemory_ = false;
    std::vector<bool> levelWritten_;  // unlocked at least once, so GL holds texels
    std::vector<bool> levelLocked_;
    std::vector<std::unique_ptr<Surface8>> surfaces_;
};

// The shared working of vertex and index buffers.
class BufferStorage {
public:
    BufferStorage(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage, D3DPOOL pool);
    ~BufferStorage();
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();
    GLuint GlBuffer() const { return buffer_; }
    UINT Length() const { return length_; }
    DWORD Usage() const { return usage_; }
    D3DPOOL Pool() const { return pool_; }
    const BYTE* Memory() const { return memory_.data(); }
    const std::shared_ptr<DeviceLink>& Link() const { return link_; }
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) const;

private:
    std::shared_ptr<DeviceLink> link_;
    UINT length_;
    DWORD usage_;
    D3DPOOL pool_;
    GLuint buffer_ = 0;
    std::vector<BYTE> memory_;
    bool locked_ = false;
    bool discard_ = false;
    UINT lockOffset_ = 0;
    UINT lockSize_ = 0;
};

class VertexBuffer8 : public IDirect3DVertexBuffer8 {
public:
    VertexBuffer8(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage, DWORD fvf,
                  D3DPOOL pool);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData,
                                   DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
    const BufferStorage& Storage() const { return storage_; }

private:
    ~VertexBuffer8() override = default;
    LiveObject live_;
    ULONG references_ = 1;
    BufferStorage storage_;
    DWORD fvf_;
    DWORD priority_ = 0;
};

class IndexBuffer8 : public IDirect3DIndexBuffer8 {
public:
    IndexBuffer8(std::shared_ptr<DeviceLink> link, UINT length, DWORD usage, D3DFORMAT format,
                 D3DPOOL pool);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** ppDevice) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD PriorityNew) override;
    DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT STDMETHODCALLTYPE Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData,
                                   DWORD Flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;
    const BufferStorage& Storage() const { return storage_; }
    D3DFORMAT Format() const { return format_; }

private:
    ~IndexBuffer8() override = default;
    LiveObject live_;
    ULONG references_ = 1;
    BufferStorage storage_;
    D3DFORMAT format_;
    DWORD priority_ = 0;
};

}  // namespace d3d8
