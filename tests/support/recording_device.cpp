#include "tests/support/recording_device.h"

#include <algorithm>
#include <cstring>

std::string DeviceCall::Text() const {
    std::string text = method + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i ? "," : "") + args[i];
    return text + ")";
}

// Buffers

template <typename Base, typename Desc>
HRESULT RecordingBuffer<Base, Desc>::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    *data = nullptr;
    HRESULT result = this->device->Record("Lock", this->name, offset, size, flags);
    if (FAILED(result)) return result;
    if (offset > bytes.size() || (size != 0 && size > bytes.size() - offset)) {
        return D3DERR_INVALIDCALL;
    }
    locked = true;
    *data = bytes.data() + offset;
    return D3D_OK;
}

template <typename Base, typename Desc>
HRESULT RecordingBuffer<Base, Desc>::Unlock() {
    locked = false;
    return this->device->Record("Unlock", this->name);
}

template class RecordingBuffer<UnusedVertexBuffer, D3DVERTEXBUFFER_DESC>;
template class RecordingBuffer<UnusedIndexBuffer, D3DINDEXBUFFER_DESC>;

// Surfaces and textures

RecordingSurface::RecordingSurface(RecordingDeviceBase* owner, D3DSURFACE_DESC description)
    : Recorded<UnusedSurface>(owner),
      desc(description),
      pitch(static_cast<INT>(description.Width * TexelSize(description.Format) + 12)),
      bytes(size_t(pitch) * description.Height, 0xCD) {
    desc.Size = static_cast<UINT>(bytes.size());
}

UINT RecordingSurface::TexelSize(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_D24X8:
        case D3DFMT_D24S8:
        case D3DFMT_D32:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_L8:
            return 1;
        default:
            return 2;
    }
}

uint32_t RecordingSurface::At(UINT x, UINT y) const {
    const UINT size = TexelSize(desc.Format);
    const BYTE* texel = bytes.data() + size_t(y) * pitch + size_t(x) * size;
    uint32_t value = 0;
    for (UINT i = 0; i < size; ++i) value |= uint32_t(texel[i]) << (8 * i);
    return value;
}

HRESULT RecordingSurface::GetContainer(REFIID, void** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingSurface::GetDesc(D3DSURFACE_DESC* result) {
    *result = desc;
    return D3D_OK;
}

HRESULT RecordingSurface::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    HRESULT result = device->Record("LockRect", name, rect, flags);
    if (FAILED(result)) return result;
    if (locked || out == nullptr) return D3DERR_INVALIDCALL;
    const LONG left = rect ? rect->left : 0;
    const LONG top = rect ? rect->top : 0;
    locked = true;
    ++locks;
    out->Pitch = pitch;
    out->pBits = bytes.data() + size_t(top) * pitch + size_t(left) * TexelSize(desc.Format);
    return D3D_OK;
}

HRESULT RecordingSurface::UnlockRect() {
    HRESULT result = device->Record("UnlockRect", name);
    if (FAILED(result)) return result;
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    return D3D_OK;
}

RecordingTexture::RecordingTexture(RecordingDeviceBase* owner, UINT width, UINT height, UINT count,
                                   DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Recorded<UnusedTexture>(owner) {
    UINT w = std::max(width, 1u);
    UINT h = std::max(height, 1u);
    for (UINT level = 0; count == 0 || level < count; ++level) {
        levels.push_back(owner->MakeSurface(w, h, format, usage, pool));
        if (w == 1 && h == 1) break;
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }
}

HRESULT RecordingTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    *desc = levels[level]->desc;
    return D3D_OK;
}

HRESULT RecordingTexture::GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) {
    if (level >= levels.size()) {
        *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    levels[level]->AddRef();
    *surface = levels[level];
    return D3D_OK;
}

HRESULT RecordingTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                   DWORD flags) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->LockRect(locked, rect, flags);
}

HRESULT RecordingTexture::UnlockRect(UINT level) {
    if (level >= levels.size()) return D3DERR_INVALIDCALL;
    return levels[level]->UnlockRect();
}

// State

DWORD RecordedState::RenderState(D3DRENDERSTATETYPE state) const {
    auto found = renderStates.find(state);
    return found == renderStates.end() ? 0 : found->second;
}

DWORD RecordedState::StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    auto found = textureStageStates.find({stage, type});
    return found == textureStageStates.end() ? 0 : found->second;
}

IDirect3DBaseTexture8* RecordedState::Texture(DWORD stage) const {
    auto found = boundTextures.find(stage);
    return found == boundTextures.end() ? nullptr : found->second;
}

D3DMATRIX RecordedState::Transform(D3DTRANSFORMSTATETYPE state) const {
    auto found = transforms.find(state);
    return found == transforms.end() ? D3DMATRIX{} : found->second;
}

// Device bookkeeping

RecordingDeviceBase::RecordingDeviceBase() {
    std::memset(&caps, 0, sizeof caps);
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps.TextureCaps = D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps.TextureOpCaps = D3DTEXOPCAPS_BUMPENVMAP;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxTextureBlendStages = 2;
    caps.MaxSimultaneousTextures = 2;
    caps.MaxActiveLights = 8;
    caps.MaxPointSize = 64.0f;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFF;
    caps.MaxStreams = 1;
}
RecordingDeviceBase::~RecordingDeviceBase() = default;

std::vector<std::string> RecordingDeviceBase::Calls(const std::string& method) const {
    std::vector<std::string> texts;
    for (const DeviceCall& call : calls) {
        if (method.empty() || call.method == method) texts.push_back(call.Text());
    }
    return texts;
}

std::string RecordingDeviceBase::NameOf(const void* object) const {
    if (object == nullptr) return "null";
    auto found = names.find(object);
    return found == names.end() ? "?" : found->second;
}

void RecordingDeviceBase::Name(const void* object, const std::string& name) {
    names[object] = name;
}

std::string RecordingDeviceBase::NextName(const char* kind) {
    return kind + std::to_string(++counters[kind]);
}

std::vector<std::string> RecordingDeviceBase::LiveObjects() const {
    std::vector<std::string> live;
    for (const auto& object : objects) {
        if (object->references != 0) live.push_back(object->name);
    }
    return live;
}

RecordingSurface* RecordingDeviceBase::MakeSurface(UINT width, UINT height, D3DFORMAT format,
                                                   DWORD usage, D3DPOOL pool) {
    D3DSURFACE_DESC desc = {};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    RecordingSurface* surface =
        Keep("SURF", std::make_unique<RecordingSurface>(this, desc), nullptr);
    // A level belongs to its texture: it holds no reference of its own.
    surface->references = 0;
    return surface;
}

RecordingTexture* RecordingDeviceBase::MakeTexture(UINT width, UINT height, UINT levels) {
    return Keep("TEX",
                std::make_unique<RecordingTexture>(this, width, height, levels, 0, D3DFMT_A8R8G8B8,
                                                   D3DPOOL_MANAGED),
                &textures);
}

HRESULT RecordingDeviceBase::HandOut(RecordingSurface* surface, IDirect3DSurface8** result) {
    surface->references = 1;
    *result = surface;
    return D3D_OK;
}

HRESULT RecordingDeviceBase::KeepDraw() {
    draws.push_back({calls.back(), *this});
    return D3D_OK;
}

HRESULT RecordingDeviceBase::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

// What the calls do

HRESULT RecordingDeviceBase::GetDirect3D(IDirect3D8** result) {
    *result = direct3d;
    if (!direct3d) return D3DERR_NOTAVAILABLE;
    direct3d->AddRef();
    return D3D_OK;
}

HRESULT RecordingDeviceBase::EndStateBlock(DWORD* token) {
    *token = 0;
    if (stateBlockRecording == 0) return D3DERR_INVALIDCALL;
    --stateBlockRecording;
    *token = nextStateBlock++;
    return D3D_OK;
}

HRESULT RecordingDeviceBase::SetStreamSource(UINT number, IDirect3DVertexBuffer8* buffer,
                                             UINT stride) {
    if (number == 0) {
        stream = buffer;
        streamStride = stride;
    }
    return D3D_OK;
}

HRESULT RecordingDeviceBase::GetStreamSource(UINT number, IDirect3DVertexBuffer8** buffer,
                                             UINT* stride) {
    *buffer = number == 0 ? stream : nullptr;
    if (*buffer) (*buffer)->AddRef();
    *stride = number == 0 ? streamStride : 0;
    return D3D_OK;
}
