#include "tests/render/recording_device.h"

#include <algorithm>
#include <cstring>

std::string DeviceCall::Text() const {
    std::string text = method + "(";
    for (size_t i = 0; i < args.size(); ++i) text += (i ? "," : "") + args[i];
    return text + ")";
}

// Buffers

template <typename Interface, typename Desc>
HRESULT RecordingBuffer<Interface, Desc>::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

template <typename Interface, typename Desc>
HRESULT RecordingBuffer<Interface, Desc>::GetDevice(IDirect3DDevice8** result) {
    device->AddRef();
    *result = device;
    return D3D_OK;
}

template <typename Interface, typename Desc>
HRESULT RecordingBuffer<Interface, Desc>::Lock(UINT offset, UINT size, BYTE** data, DWORD flags) {
    HRESULT result = device->Record("Lock", name, offset, size, flags);
    if (FAILED(result)) {
        *data = nullptr;
        return result;
    }
    if (offset > bytes.size() || (size != 0 && size > bytes.size() - offset)) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    locked = true;
    *data = bytes.data() + offset;
    return D3D_OK;
}

template <typename Interface, typename Desc>
HRESULT RecordingBuffer<Interface, Desc>::Unlock() {
    locked = false;
    return device->Record("Unlock", name);
}

template class RecordingBuffer<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
template class RecordingBuffer<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;

// Surfaces and textures

RecordingSurface::RecordingSurface(RecordingDevice* device, D3DSURFACE_DESC desc)
    : device(device), desc(desc), pixels(size_t{desc.Width} * desc.Height) {}

HRESULT RecordingSurface::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingSurface::GetDevice(IDirect3DDevice8** result) {
    device->AddRef();
    *result = device;
    return D3D_OK;
}

HRESULT RecordingSurface::GetContainer(REFIID, void** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingSurface::GetDesc(D3DSURFACE_DESC* result) {
    *result = desc;
    return D3D_OK;
}

HRESULT RecordingSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    HRESULT result = device->Record("LockRect", name, rect, flags);
    if (FAILED(result)) return result;
    LONG left = rect ? rect->left : 0;
    LONG top = rect ? rect->top : 0;
    locked->Pitch = static_cast<INT>(desc.Width * 4);
    locked->pBits = pixels.data() + size_t(top) * desc.Width + size_t(left);
    return D3D_OK;
}

HRESULT RecordingSurface::UnlockRect() {
    return device->Record("UnlockRect", name);
}

RecordingTexture::RecordingTexture(RecordingDevice* device, UINT width, UINT height, UINT count,
                                   DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : device(device) {
    UINT w = std::max(width, 1u);
    UINT h = std::max(height, 1u);
    for (UINT level = 0; count == 0 || level < count; ++level) {
        levels.push_back(device->MakeSurface(w, h, format, usage, pool));
        if (w == 1 && h == 1) break;
        w = std::max(w / 2, 1u);
        h = std::max(h / 2, 1u);
    }
}

HRESULT RecordingTexture::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT RecordingTexture::GetDevice(IDirect3DDevice8** result) {
    device->AddRef();
    *result = device;
    return D3D_OK;
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

// Device bookkeeping

RecordingDevice::RecordingDevice() {
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
RecordingDevice::~RecordingDevice() = default;

std::vector<std::string> RecordingDevice::Calls(const std::string& method) const {
    std::vector<std::string> texts;
    for (const DeviceCall& call : calls) {
        if (method.empty() || call.method == method) texts.push_back(call.Text());
    }
    return texts;
}

std::string RecordingDevice::NameOf(const void* object) const {
    if (object == nullptr) return "null";
    auto found = names.find(object);
    return found == names.end() ? "?" : found->second;
}

void RecordingDevice::Name(const void* object, const std::string& name) {
    names[object] = name;
}

std::string RecordingDevice::NextName(const char* kind) {
    return kind + std::to_string(++counters[kind]);
}

std::vector<std::string> RecordingDevice::LiveObjects() const {
    std::vector<std::string> live;
    for (const auto& object : objects) {
        if (object->references != 0) live.push_back(object->name);
    }
    return live;
}

RecordingSurface* RecordingDevice::MakeSurface(UINT width, UINT height, D3DFORMAT format,
                                               DWORD usage, D3DPOOL pool) {
    D3DSURFACE_DESC desc = {};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Size = width * height * 4;
    desc.Width = width;
    desc.Height = height;
    auto surface = std::make_unique<RecordingSurface>(this, desc);
    surface->name = NextName("SURF");
    // A level belongs to its texture: it holds no reference of its own.
    surface->references = 0;
    RecordingSurface* result = surface.get();
    Name(static_cast<IDirect3DSurface8*>(result), result->name);
    objects.push_back(std::move(surface));
    return result;
}

RecordingTexture* RecordingDevice::MakeTexture(UINT width, UINT height, UINT levels) {
    auto texture = std::make_unique<RecordingTexture>(this, width, height, levels, 0,
                                                      D3DFMT_A8R8G8B8, D3DPOOL_MANAGED);
    texture->name = NextName("TEX");
    RecordingTexture* result = texture.get();
    Name(static_cast<IDirect3DTexture8*>(result), result->name);
    Name(static_cast<IDirect3DBaseTexture8*>(result), result->name);
    textures.push_back(result);
    objects.push_back(std::move(texture));
    return result;
}

HRESULT RecordingDevice::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

// IDirect3DDevice8, in declaration order

HRESULT RecordingDevice::TestCooperativeLevel() {
    return Record("TestCooperativeLevel");
}

UINT RecordingDevice::GetAvailableTextureMem() {
    Record("GetAvailableTextureMem");
    return 64u << 20;
}

HRESULT RecordingDevice::GetDirect3D(IDirect3D8** ppD3D8) {
    *ppD3D8 = nullptr;
    HRESULT result = Record("GetDirect3D");
    return FAILED(result) ? result : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
    *pCaps = caps;
    return Record("GetDeviceCaps");
}

HRESULT RecordingDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
    std::memset(pMode, 0, sizeof *pMode);
    pMode->Width = 640;
    pMode->Height = 480;
    pMode->RefreshRate = 60;
    pMode->Format = D3DFMT_X8R8G8B8;
    return Record("GetDisplayMode");
}

HRESULT RecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) {
    std::memset(pParameters, 0, sizeof *pParameters);
    return Record("GetCreationParameters");
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
    return Record("Reset", pPresentationParameters);
}

HRESULT RecordingDevice::Present(const RECT* pSourceRect, const RECT* pDestRect,
                                 HWND hDestWindowOverride, const RGNDATA* pDirtyRegion) {
    return Record("Present", pSourceRect, pDestRect, hDestWindowOverride, pDirtyRegion);
}

HRESULT RecordingDevice::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                       IDirect3DSurface8** ppBackBuffer) {
    *ppBackBuffer = nullptr;
    HRESULT result = Record("GetBackBuffer", BackBuffer, Type);
    if (FAILED(result)) return result;
    RecordingSurface* surface =
        MakeSurface(640, 480, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    surface->references = 1;
    *ppBackBuffer = surface;
    return result;
}

HRESULT RecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                       D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DTexture8** ppTexture) {
    *ppTexture = nullptr;
    HRESULT result = Record("CreateTexture", Width, Height, Levels, Usage, Format, Pool);
    if (FAILED(result)) return result;
    auto texture =
        std::make_unique<RecordingTexture>(this, Width, Height, Levels, Usage, Format, Pool);
    texture->name = NextName("TEX");
    RecordingTexture* made = texture.get();
    Name(static_cast<IDirect3DTexture8*>(made), made->name);
    Name(static_cast<IDirect3DBaseTexture8*>(made), made->name);
    textures.push_back(made);
    objects.push_back(std::move(texture));
    *ppTexture = made;
    return result;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                            IDirect3DVertexBuffer8** ppVertexBuffer) {
    *ppVertexBuffer = nullptr;
    HRESULT result = Record("CreateVertexBuffer", Length, Usage, FVF, Pool);
    if (FAILED(result)) return result;
    D3DVERTEXBUFFER_DESC desc = {
        D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, Usage, Pool, Length, FVF};
    auto buffer = std::make_unique<RecordingVertexBuffer>(this, Length, desc);
    buffer->name = NextName("VB");
    RecordingVertexBuffer* made = buffer.get();
    Name(static_cast<IDirect3DVertexBuffer8*>(made), made->name);
    vertexBuffers.push_back(made);
    objects.push_back(std::move(buffer));
    *ppVertexBuffer = made;
    return result;
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                           IDirect3DIndexBuffer8** ppIndexBuffer) {
    *ppIndexBuffer = nullptr;
    HRESULT result = Record("CreateIndexBuffer", Length, Usage, Format, Pool);
    if (FAILED(result)) return result;
    D3DINDEXBUFFER_DESC desc = {Format, D3DRTYPE_INDEXBUFFER, Usage, Pool, Length};
    auto buffer = std::make_unique<RecordingIndexBuffer>(this, Length, desc);
    buffer->name = NextName("IB");
    RecordingIndexBuffer* made = buffer.get();
    Name(static_cast<IDirect3DIndexBuffer8*>(made), made->name);
    indexBuffers.push_back(made);
    objects.push_back(std::move(buffer));
    *ppIndexBuffer = made;
    return result;
}

HRESULT RecordingDevice::SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                                         IDirect3DSurface8* pNewZStencil) {
    return Record("SetRenderTarget", pRenderTarget, pNewZStencil);
}

HRESULT RecordingDevice::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                   D3DMULTISAMPLE_TYPE MultiSample,
                                                   IDirect3DSurface8** ppSurface) {
    *ppSurface = nullptr;
    HRESULT result = Record("CreateDepthStencilSurface", Width, Height, Format, MultiSample);
    if (FAILED(result)) return result;
    RecordingSurface* surface =
        MakeSurface(Width, Height, Format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT);
    surface->references = 1;
    *ppSurface = surface;
    return result;
}

HRESULT RecordingDevice::GetRenderTarget(IDirect3DSurface8** ppRenderTarget) {
    *ppRenderTarget = nullptr;
    HRESULT result = Record("GetRenderTarget");
    if (FAILED(result)) return result;
    RecordingSurface* surface =
        MakeSurface(640, 480, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    surface->references = 1;
    *ppRenderTarget = surface;
    return result;
}

HRESULT RecordingDevice::GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) {
    *ppZStencilSurface = nullptr;
    HRESULT result = Record("GetDepthStencilSurface");
    if (FAILED(result)) return result;
    RecordingSurface* surface =
        MakeSurface(640, 480, D3DFMT_D16, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT);
    surface->references = 1;
    *ppZStencilSurface = surface;
    return result;
}

HRESULT RecordingDevice::BeginScene() {
    return Record("BeginScene");
}
HRESULT RecordingDevice::EndScene() {
    return Record("EndScene");
}

HRESULT RecordingDevice::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                               float Z, DWORD Stencil) {
    return Record("Clear", Count, pRects, Flags, Color, Z, Stencil);
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    HRESULT result = Record("SetTransform", State);
    if (SUCCEEDED(result) && pMatrix) transforms[State] = *pMatrix;
    return result;
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    std::memset(pMatrix, 0, sizeof *pMatrix);
    auto found = transforms.find(State);
    if (found != transforms.end()) *pMatrix = found->second;
    return Record("GetTransform", State);
}

HRESULT RecordingDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    return Record("MultiplyTransform", State, pMatrix);
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT8* pViewport) {
    return Record("SetViewport", pViewport);
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT8* pViewport) {
    std::memset(pViewport, 0, sizeof *pViewport);
    return Record("GetViewport");
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL8* pMaterial) {
    return Record("SetMaterial", pMaterial);
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL8* pMaterial) {
    std::memset(pMaterial, 0, sizeof *pMaterial);
    return Record("GetMaterial");
}

HRESULT RecordingDevice::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
    return Record("SetLight", Index, pLight);
}

HRESULT RecordingDevice::GetLight(DWORD Index, D3DLIGHT8* pLight) {
    std::memset(pLight, 0, sizeof *pLight);
    return Record("GetLight", Index);
}

HRESULT RecordingDevice::LightEnable(DWORD Index, BOOL Enable) {
    return Record("LightEnable", Index, Enable);
}

HRESULT RecordingDevice::GetLightEnable(DWORD Index, BOOL* pEnable) {
    *pEnable = FALSE;
    return Record("GetLightEnable", Index);
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    HRESULT result = Record("SetRenderState", State, Value);
    if (SUCCEEDED(result)) renderStates[State] = Value;
    return result;
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    auto found = renderStates.find(State);
    *pValue = found == renderStates.end() ? 0 : found->second;
    return Record("GetRenderState", State);
}

HRESULT RecordingDevice::BeginStateBlock() {
    HRESULT result = Record("BeginStateBlock");
    if (SUCCEEDED(result)) ++stateBlockRecording;
    return result;
}

HRESULT RecordingDevice::EndStateBlock(DWORD* pToken) {
    *pToken = 0;
    HRESULT result = Record("EndStateBlock");
    if (FAILED(result)) return result;
    if (stateBlockRecording == 0) return D3DERR_INVALIDCALL;
    --stateBlockRecording;
    *pToken = nextStateBlock++;
    return result;
}

HRESULT RecordingDevice::ApplyStateBlock(DWORD Token) {
    return Record("ApplyStateBlock", Token);
}

HRESULT RecordingDevice::CaptureStateBlock(DWORD Token) {
    return Record("CaptureStateBlock", Token);
}

HRESULT RecordingDevice::DeleteStateBlock(DWORD Token) {
    return Record("DeleteStateBlock", Token);
}

HRESULT RecordingDevice::CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) {
    *pToken = 0;
    HRESULT result = Record("CreateStateBlock", Type);
    if (SUCCEEDED(result)) *pToken = nextStateBlock++;
    return result;
}

HRESULT RecordingDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) {
    auto found = boundTextures.find(Stage);
    *ppTexture = found == boundTextures.end() ? nullptr : found->second;
    if (*ppTexture) (*ppTexture)->AddRef();
    return Record("GetTexture", Stage);
}

HRESULT RecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
    HRESULT result = Record("SetTexture", Stage, pTexture);
    if (SUCCEEDED(result)) boundTextures[Stage] = pTexture;
    return result;
}

HRESULT RecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                              DWORD* pValue) {
    auto found = textureStageStates.find({Stage, Type});
    *pValue = found == textureStageStates.end() ? 0 : found->second;
    return Record("GetTextureStageState", Stage, Type);
}

HRESULT RecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                              DWORD Value) {
    HRESULT result = Record("SetTextureStageState", Stage, Type, Value);
    if (SUCCEEDED(result)) textureStageStates[{Stage, Type}] = Value;
    return result;
}

HRESULT RecordingDevice::ValidateDevice(DWORD* pNumPasses) {
    *pNumPasses = 1;
    return Record("ValidateDevice");
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                       UINT PrimitiveCount) {
    return Record("DrawPrimitive", PrimitiveType, StartVertex, PrimitiveCount);
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                              UINT NumVertices, UINT startIndex, UINT primCount) {
    return Record("DrawIndexedPrimitive", PrimitiveType, minIndex, NumVertices, startIndex,
                  primCount);
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                         const void* pVertexStreamZeroData,
                                         UINT VertexStreamZeroStride) {
    return Record("DrawPrimitiveUP", PrimitiveType, PrimitiveCount, pVertexStreamZeroData,
                  VertexStreamZeroStride);
}

HRESULT RecordingDevice::SetVertexShader(DWORD Handle) {
    HRESULT result = Record("SetVertexShader", Handle);
    if (SUCCEEDED(result)) vertexShader = Handle;
    return result;
}

HRESULT RecordingDevice::GetVertexShader(DWORD* pHandle) {
    *pHandle = vertexShader;
    return Record("GetVertexShader");
}

HRESULT RecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                         UINT Stride) {
    HRESULT result = Record("SetStreamSource", StreamNumber, pStreamData, Stride);
    if (SUCCEEDED(result) && StreamNumber == 0) {
        stream = pStreamData;
        streamStride = Stride;
    }
    return result;
}

HRESULT RecordingDevice::GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8** ppStreamData,
                                         UINT* pStride) {
    *ppStreamData = StreamNumber == 0 ? stream : nullptr;
    if (*ppStreamData) (*ppStreamData)->AddRef();
    *pStride = StreamNumber == 0 ? streamStride : 0;
    return Record("GetStreamSource", StreamNumber);
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
    HRESULT result = Record("SetIndices", pIndexData, BaseVertexIndex);
    if (SUCCEEDED(result)) {
        indices = pIndexData;
        baseVertexIndex = BaseVertexIndex;
    }
    return result;
}

HRESULT RecordingDevice::GetIndices(IDirect3DIndexBuffer8** ppIndexData, UINT* pBaseVertexIndex) {
    *ppIndexData = indices;
    if (indices) indices->AddRef();
    *pBaseVertexIndex = baseVertexIndex;
    return Record("GetIndices");
}

HRESULT RecordingDevice::SetPixelShader(DWORD Handle) {
    return Record("SetPixelShader", Handle);
}

HRESULT RecordingDevice::GetPixelShader(DWORD* pHandle) {
    *pHandle = 0;
    return Record("GetPixelShader");
}
