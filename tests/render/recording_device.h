// A Direct3D 8 device for tests that draws nothing and records every call
// in order, with its arguments as text ("DrawIndexedPrimitive(4,0,4,0,2)").
// Objects it hands out get short names in creation order (VB1, IB1, TEX1,
// SURF1) which the records use instead of addresses; they live as long as the
// device, so tests can look at a buffer's bytes and reference count even
// after its owner released it. `answer` decides any call's result.
#pragma once

#include <d3d8.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

struct DeviceCall {
    std::string method;
    std::vector<std::string> args;

    std::string Text() const;  // "method(arg,arg)"
};

class RecordingDevice;

// The reference count and name shared by every object the device makes.
class RecordedObject {
public:
    virtual ~RecordedObject() = default;
    std::string name;
    ULONG references = 1;
};

// A vertex or index buffer with real bytes behind Lock.
template <typename Interface, typename Desc>
class RecordingBuffer : public Interface, public RecordedObject {
public:
    RecordingBuffer(RecordingDevice* device, UINT length, Desc desc)
        : device(device), desc(desc), bytes(length) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** result) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return desc.Type; }
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(Desc* result) override {
        *result = desc;
        return D3D_OK;
    }

    RecordingDevice* device;
    Desc desc;
    std::vector<BYTE> bytes;
    bool locked = false;
};

using RecordingVertexBuffer = RecordingBuffer<IDirect3DVertexBuffer8, D3DVERTEXBUFFER_DESC>;
using RecordingIndexBuffer = RecordingBuffer<IDirect3DIndexBuffer8, D3DINDEXBUFFER_DESC>;

// A surface with a lockable block of 32-bit pixels.
class RecordingSurface : public IDirect3DSurface8, public RecordedObject {
public:
    RecordingSurface(RecordingDevice* device, D3DSURFACE_DESC desc);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** result) override;
    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void** container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* result) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    RecordingDevice* device;
    D3DSURFACE_DESC desc;
    std::vector<DWORD> pixels;
};

// A texture whose levels are recording surfaces.
class RecordingTexture : public IDirect3DTexture8, public RecordedObject {
public:
    RecordingTexture(RecordingDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** result) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetPriority() override { return 0; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD STDMETHODCALLTYPE SetLOD(DWORD) override { return 0; }
    DWORD STDMETHODCALLTYPE GetLOD() override { return 0; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT*) override { return D3D_OK; }

    RecordingDevice* device;
    std::vector<RecordingSurface*> levels;  // owned by the device
};

class RecordingDevice : public IDirect3DDevice8 {
public:
    RecordingDevice();
    ~RecordingDevice() override;

    // Every call so far, in order.
    std::vector<DeviceCall> calls;
    // The result of each call, decided before it takes effect; null: success.
    std::function<HRESULT(const DeviceCall&)> answer;

    // The texts of the recorded calls to `method` (all calls when empty).
    std::vector<std::string> Calls(const std::string& method = "") const;
    // The name used for `object` in the records: its given name, "null",
    // or "?" for objects the device does not know.
    std::string NameOf(const void* object) const;
    // Gives an object made elsewhere a name for the records.
    void Name(const void* object, const std::string& name);

    // Made objects, in creation order.
    std::vector<RecordingVertexBuffer*> vertexBuffers;
    std::vector<RecordingIndexBuffer*> indexBuffers;
    std::vector<RecordingTexture*> textures;
    // Objects whose reference count is not zero (tests check for leaks).
    std::vector<std::string> LiveObjects() const;

    // Makes and names a texture the way CreateTexture does, unrecorded.
    RecordingTexture* MakeTexture(UINT width, UINT height, UINT levels = 1);
    RecordingSurface* MakeSurface(UINT width, UINT height, D3DFORMAT format, DWORD usage,
                                  D3DPOOL pool);

    // What GetDeviceCaps answers: a hardware device with mip maps, two
    // texture stages, bump environment mapping and 16-bit indices.
    D3DCAPS8 caps;

    // State set through the device, for tests that look at it.
    std::map<DWORD, D3DMATRIX> transforms;
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> textureStageStates;
    std::map<DWORD, IDirect3DBaseTexture8*> boundTextures;
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    ULONG references = 1;

    // IDirect3DDevice8
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT STDMETHODCALLTYPE
    GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* pParameters) override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* pSourceRect, const RECT* pDestRect,
                                      HWND hDestWindowOverride,
                                      const RGNDATA* pDirtyRegion) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                            IDirect3DSurface8** ppBackBuffer) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                            D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DTexture8** ppTexture) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                                 IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format,
                                                D3DPOOL Pool,
                                                IDirect3DIndexBuffer8** ppIndexBuffer) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                        D3DMULTISAMPLE_TYPE MultiSample,
                                                        IDirect3DSurface8** ppSurface) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(IDirect3DSurface8* pRenderTarget,
                                              IDirect3DSurface8* pNewZStencil) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(IDirect3DSurface8** ppRenderTarget) override;
    HRESULT STDMETHODCALLTYPE
    GetDepthStencilSurface(IDirect3DSurface8** ppZStencilSurface) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color,
                                    float Z, DWORD Stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE State,
                                           const D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE State,
                                           D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE State,
                                                const D3DMATRIX* pMatrix) override;
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT STDMETHODCALLTYPE GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(DWORD* pToken) override;
    HRESULT STDMETHODCALLTYPE ApplyStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE CaptureStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE DeleteStateBlock(DWORD Token) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD* pValue) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                                   DWORD Value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* pNumPasses) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                            UINT PrimitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                                   UINT NumVertices, UINT startIndex,
                                                   UINT primCount) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                              const void* pVertexStreamZeroData,
                                              UINT VertexStreamZeroStride) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(DWORD Handle) override;
    HRESULT STDMETHODCALLTYPE GetVertexShader(DWORD* pHandle) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT StreamNumber,
                                              IDirect3DVertexBuffer8* pStreamData,
                                              UINT Stride) override;
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT StreamNumber,
                                              IDirect3DVertexBuffer8** ppStreamData,
                                              UINT* pStride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer8* pIndexData,
                                         UINT BaseVertexIndex) override;
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer8** ppIndexData,
                                         UINT* pBaseVertexIndex) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(DWORD Handle) override;
    HRESULT STDMETHODCALLTYPE GetPixelShader(DWORD* pHandle) override;

    // Records one call and returns what `answer` makes of it.
    template <typename... Args>
    HRESULT Record(const char* method, const Args&... args) {
        DeviceCall call{method, {Format(args)...}};
        calls.push_back(call);
        return answer ? answer(call) : D3D_OK;
    }

private:
    template <typename T>
    std::string Format(const T& value) const {
        if constexpr (std::is_same_v<T, std::string>) {
            return value;
        } else if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>) {
            return NameOf(static_cast<const void*>(value));
        } else if constexpr (std::is_floating_point_v<T>) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
            return text;
        } else {
            return std::to_string(static_cast<long long>(value));
        }
    }
    std::string NextName(const char* kind);

    std::vector<std::unique_ptr<RecordedObject>> objects;
    std::map<const void*, std::string> names;
    std::map<std::string, int> counters;
    DWORD nextStateBlock = 1;
    int stateBlockRecording = 0;
};
