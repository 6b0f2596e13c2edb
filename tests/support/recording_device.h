// A Direct3D 8 device for tests that draws nothing and records every call
// in order, with its input arguments as text ("DrawIndexedPrimitive(4,0,4,0,2)";
// out-parameters are left out). Objects it hands out get short names in
// creation order (VB1, IB1, TEX1, SURF1) which the records use instead of
// addresses; they live as long as the device, so tests can look at a buffer's
// bytes and reference count even after its owner released it. `answer`
// decides any call's result before it takes effect. Every draw keeps the state
// it was made with (`draws`), so tests can check what a draw used rather than
// the order in which the state was set.
#pragma once

#include <d3d8.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "tests/support/unused_d3d8.h"

struct DeviceCall {
    std::string method;
    std::vector<std::string> args;

    std::string Text() const;  // "method(arg,arg)"
};

class RecordingDeviceBase;

// The reference count and name shared by every object the device makes.
class RecordedObject {
public:
    virtual ~RecordedObject() = default;
    std::string name;
    ULONG references = 1;
};

// IUnknown and GetDevice of an object the device makes and keeps.
template <typename Base>
class Recorded : public Base, public RecordedObject {
public:
    explicit Recorded(RecordingDeviceBase* owner) : device(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice8** result) override;

    RecordingDeviceBase* device;
};

// A vertex or index buffer with real bytes behind Lock.
template <typename Base, typename Desc>
class RecordingBuffer : public Recorded<Base> {
public:
    RecordingBuffer(RecordingDeviceBase* owner, UINT length, Desc description)
        : Recorded<Base>(owner), desc(description), bytes(length) {}

    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return desc.Type; }
    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(Desc* result) override {
        *result = desc;
        return D3D_OK;
    }

    Desc desc;
    std::vector<BYTE> bytes;
    bool locked = false;
};

using RecordingVertexBuffer = RecordingBuffer<UnusedVertexBuffer, D3DVERTEXBUFFER_DESC>;
using RecordingIndexBuffer = RecordingBuffer<UnusedIndexBuffer, D3DINDEXBUFFER_DESC>;

// A surface with lockable bytes in its format. Rows are padded beyond their
// texels, so code that ignores the pitch fails; fresh bytes are 0xCD, so
// texels nobody wrote stand out.
class RecordingSurface : public Recorded<UnusedSurface> {
public:
    RecordingSurface(RecordingDeviceBase* owner, D3DSURFACE_DESC description);

    HRESULT STDMETHODCALLTYPE GetContainer(REFIID, void** container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* result) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;

    // Bytes per texel of `format` (2 for the 16-bit formats and any other).
    static UINT TexelSize(D3DFORMAT format);
    // The texel at (x, y) as a little-endian number of its size.
    uint32_t At(UINT x, UINT y) const;

    D3DSURFACE_DESC desc;
    INT pitch;
    std::vector<BYTE> bytes;
    bool locked = false;
    int locks = 0;  // successful LockRect calls
};

// A texture whose levels are recording surfaces.
class RecordingTexture : public Recorded<UnusedTexture> {
public:
    RecordingTexture(RecordingDeviceBase* owner, UINT width, UINT height, UINT levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool);

    DWORD STDMETHODCALLTYPE GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface8** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;

    std::vector<RecordingSurface*> levels;  // owned by the device
};

// The state set through the device: what a draw is made with.
struct RecordedState {
    std::map<DWORD, D3DMATRIX> transforms;
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> textureStageStates;
    std::map<DWORD, IDirect3DBaseTexture8*> boundTextures;
    D3DMATERIAL8 material{};
    IDirect3DVertexBuffer8* stream = nullptr;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;
    IDirect3DSurface8* renderTarget = nullptr;  // null: the back buffer

    // Unset states read as 0, unset transforms as all zero, unbound
    // textures as null.
    DWORD RenderState(D3DRENDERSTATETYPE state) const;
    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    IDirect3DBaseTexture8* Texture(DWORD stage) const;
    D3DMATRIX Transform(D3DTRANSFORMSTATETYPE state) const;
};

// One draw call and the state it was made with.
struct RecordedDraw {
    DeviceCall call;
    RecordedState state;
};

// What the recording device keeps: the call records, the objects it made and
// the state. Its device methods are what the calls do once `answer` let them
// through; RecordingDevice records them first.
class RecordingDeviceBase : public AnsweringDevice<D3D_OK>, public RecordedState {
public:
    RecordingDeviceBase();
    ~RecordingDeviceBase() override;

    // Every call so far, in order.
    std::vector<DeviceCall> calls;
    // Every draw that was let through, with its state.
    std::vector<RecordedDraw> draws;
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
    // What GetDirect3D hands out (AddRef'd); null: D3DERR_NOTAVAILABLE.
    IDirect3D8* direct3d = nullptr;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return references > 0 ? --references : 0; }
    ULONG references = 1;

    // Records one call with its input arguments and returns what `answer`
    // makes of it.
    template <typename... Args>
    HRESULT Record(const char* method, const Args&... args) {
        DeviceCall call{method, {}};
        (AddInput(call.args, args), ...);
        calls.push_back(call);
        return answer ? answer(call) : D3D_OK;
    }

protected:
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override { return 64u << 20; }
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D8** result) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS8* result) override {
        *result = caps;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayMode(D3DDISPLAYMODE* mode) override {
        *mode = {640, 480, 60, D3DFMT_X8R8G8B8};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* p) override {
        *p = {0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT, D3DBACKBUFFER_TYPE,
                                            IDirect3DSurface8** result) override {
        return HandOut(
            MakeSurface(640, 480, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT), result);
    }
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DTexture8** result) override {
        *result = Keep(
            "TEX",
            std::make_unique<RecordingTexture>(this, width, height, levels, usage, format, pool),
            &textures);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer8** result) override {
        const D3DVERTEXBUFFER_DESC desc = {
            D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
        *result =
            Keep("VB", std::make_unique<RecordingVertexBuffer>(this, length, desc), &vertexBuffers);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                D3DPOOL pool,
                                                IDirect3DIndexBuffer8** result) override {
        const D3DINDEXBUFFER_DESC desc = {format, D3DRTYPE_INDEXBUFFER, usage, pool, length};
        *result =
            Keep("IB", std::make_unique<RecordingIndexBuffer>(this, length, desc), &indexBuffers);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                        D3DMULTISAMPLE_TYPE,
                                                        IDirect3DSurface8** result) override {
        return HandOut(MakeSurface(width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT),
                       result);
    }
    HRESULT STDMETHODCALLTYPE SetRenderTarget(IDirect3DSurface8* target,
                                              IDirect3DSurface8*) override {
        if (target) renderTarget = target;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRenderTarget(IDirect3DSurface8** result) override {
        return HandOut(
            MakeSurface(640, 480, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT), result);
    }
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface8** result) override {
        return HandOut(MakeSurface(640, 480, D3DFMT_D16, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT),
                       result);
    }
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state,
                                           const D3DMATRIX* matrix) override {
        if (matrix) transforms[state] = *matrix;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE state,
                                           D3DMATRIX* matrix) override {
        *matrix = Transform(state);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL8* value) override {
        if (value) material = *value;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL8* value) override {
        *value = material;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT8* viewport) override {
        *viewport = {};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLight(DWORD, D3DLIGHT8* light) override {
        *light = {};
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD, BOOL* enable) override {
        *enable = FALSE;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
        renderStates[state] = value;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
        *value = RenderState(state);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override {
        ++stateBlockRecording;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE EndStateBlock(DWORD* token) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE, DWORD* token) override {
        *token = nextStateBlock++;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture8** result) override {
        *result = Texture(stage);
        if (*result) (*result)->AddRef();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override {
        boundTextures[stage] = texture;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD* value) override {
        *value = StageState(stage, type);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                   DWORD value) override {
        textureStageStates[{stage, type}] = value;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* passes) override {
        *passes = 1;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE, UINT, UINT) override {
        return KeepDraw();
    }
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE, UINT, UINT, UINT,
                                                   UINT) override {
        return KeepDraw();
    }
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {
        return KeepDraw();
    }
    HRESULT STDMETHODCALLTYPE SetVertexShader(DWORD handle) override {
        vertexShader = handle;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVertexShader(DWORD* handle) override {
        *handle = vertexShader;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT number, IDirect3DVertexBuffer8* buffer,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT number, IDirect3DVertexBuffer8** buffer,
                                              UINT* stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer8* buffer, UINT base) override {
        indices = buffer;
        baseVertexIndex = base;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer8** buffer, UINT* base) override {
        *buffer = indices;
        if (indices) indices->AddRef();
        *base = baseVertexIndex;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPixelShader(DWORD* handle) override {
        *handle = 0;
        return D3D_OK;
    }

private:
    // Inputs are numbers, objects (by name) and read-only pointers (by name);
    // other pointers are out-parameters and not part of the record.
    template <typename T>
    void AddInput(std::vector<std::string>& texts, const T& value) const {
        if constexpr (std::is_same_v<T, std::string>) {
            texts.push_back(value);
        } else if constexpr (std::is_null_pointer_v<T>) {
            texts.push_back("null");
        } else if constexpr (std::is_pointer_v<T>) {
            using Target = std::remove_pointer_t<T>;
            if constexpr (std::is_const_v<Target>) {
                texts.push_back(NameOf(static_cast<const void*>(value)));
            } else if constexpr (std::is_base_of_v<IUnknown, Target>) {
                texts.push_back(NameOf(static_cast<const void*>(value)));
            }
        } else if constexpr (std::is_floating_point_v<T>) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
            texts.emplace_back(text);
        } else {
            texts.push_back(std::to_string(static_cast<long long>(value)));
        }
    }
    // Names a made object for the records, keeps it as long as the device
    // lives and lists it in `list`.
    template <typename Object>
    Object* Keep(const char* kind, std::unique_ptr<Object> object,
                 std::type_identity_t<std::vector<Object*>>* list) {
        Object* kept = object.get();
        kept->name = NextName(kind);
        Name(kept, kept->name);
        if (list) list->push_back(kept);
        objects.push_back(std::move(object));
        return kept;
    }
    // Hands `surface` out with a reference of the caller's own.
    static HRESULT HandOut(RecordingSurface* surface, IDirect3DSurface8** result);
    HRESULT KeepDraw();
    std::string NextName(const char* kind);

    std::vector<std::unique_ptr<RecordedObject>> objects;
    std::map<const void*, std::string> names;
    std::map<std::string, int> counters;
    DWORD nextStateBlock = 1;
    int stateBlockRecording = 0;
};

namespace test_doubles {

// Clears the out-parameters of a call that failed: pointers to objects
// become null, counts and tokens 0.
template <typename T>
void ClearOutput(T value) {
    if constexpr (std::is_pointer_v<T>) {
        using Target = std::remove_pointer_t<T>;
        if constexpr (!std::is_const_v<Target> &&
                      (std::is_pointer_v<Target> || std::is_arithmetic_v<Target>)) {
            if (value) *value = Target{};
        }
    }
}

}  // namespace test_doubles

// The recording device: each method records its call, asks `answer`, and only
// on success hands the call to what RecordingDeviceBase makes it do.
class RecordingDevice final : public RecordingDeviceBase {
public:
#define VELMORA_RECORD(Result, Name, Parameters, Arguments)             \
    Result STDMETHODCALLTYPE Name Parameters override {                 \
        return Pass<Result>(                                            \
            #Name, [&] { return RecordingDeviceBase::Name Arguments; }, \
            std::forward_as_tuple Arguments);                           \
    }
    VELMORA_D3D8_DEVICE_METHODS(VELMORA_RECORD)
#undef VELMORA_RECORD

private:
    template <typename Result, typename Effect, typename Arguments>
    Result Pass(const char* method, Effect effect, const Arguments& arguments) {
        const HRESULT result =
            std::apply([&](const auto&... values) { return Record(method, values...); }, arguments);
        if constexpr (std::is_same_v<Result, HRESULT>) {
            if (FAILED(result)) {
                std::apply([](auto... values) { (test_doubles::ClearOutput(values), ...); },
                           arguments);
                return result;
            }
        }
        return effect();
    }
};

template <typename Base>
HRESULT Recorded<Base>::GetDevice(IDirect3DDevice8** result) {
    device->AddRef();
    *result = device;
    return D3D_OK;
}
