// A Direct3D 8 device on one GL context. The back buffer and its depth buffer
// are renderbuffers of the device's own framebuffer, so any render target
// can be drawn with the back buffer's depth buffer; Present copies the back
// buffer to the window and swaps. Rows are kept top row first, as Direct3D
// addresses them, and flipped only when presented.
#pragma once

#include <d3d8.h>

#include <map>
#include <memory>

#include "platform/d3d8/device_state.h"
#include "platform/d3d8/dirty_state.h"
#include "platform/d3d8/draw_profile.h"
#include "platform/d3d8/fixed_function.h"
#include "platform/d3d8/resources.h"

namespace d3d8 {

// What the Direct3D object hands a new device.
struct DeviceCreation {
    IDirect3D8* parent = nullptr;
    UINT adapter = 0;
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    HWND focusWindow = nullptr;
    DWORD behaviorFlags = 0;
    D3DCAPS8 caps{};
    D3DDISPLAYMODE desktopMode{};
    // Whether full-screen present parameters switch the window to full screen
    // (false for scripted objects, whose modes do not exist on the display).
    bool switchDisplay = true;
};

class Device8 : public IDirect3DDevice8 {
public:
    // Null with `*result` set on failure.
    static Device8* Create(const DeviceCreation& creation, D3DPRESENT_PARAMETERS* parameters,
                           HRESULT* result);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObj) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
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

    // Test hooks: force the lost state on (as a hidden full-screen window
    // does) or end it, after which the device waits for Reset.
    void ForceLost(bool lost);
    size_t ProgramCount() const { return programs_.Size(); }

private:
    enum class Loss { kOperational, kLost, kNotReset };
    struct StateBlock {
        LiveObject live;
        DeviceState state;
        StateMask mask;
    };

    explicit Device8(const DeviceCreation& creation);
    ~Device8() override;
    HRESULT Initialise(D3DPRESENT_PARAMETERS* parameters);
    // Checks and completes present parameters against the window and display.
    HRESULT ResolveParameters(D3DPRESENT_PARAMETERS* parameters, SDL_Window** window) const;
    HRESULT MakeImplicitSurfaces(const D3DPRESENT_PARAMETERS& parameters);
    bool SwitchesDisplay() const;
    void ApplyDisplayMode(const D3DPRESENT_PARAMETERS& parameters);
    void SetSwapInterval(const D3DPRESENT_PARAMETERS& parameters);
    void ResetState();
    void UpdateLoss();
    DeviceState& Target();
    StateMask* RecordingMask();
    void BindTargets();
    void FullViewport();
    Surface8* CurrentTarget() const { return renderTarget_; }
    void HoldSurface(Surface8* surface);
    void DropSurface(Surface8* surface);
    // How the draw profile groups the draw about to be made.
    DrawProfileKey DrawProfileKeyOf(UINT primitives) const;
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primitives, bool indexed, UINT first, UINT minIndex,
                 UINT vertexCount, const BufferStorage* vertices, UINT stride);
    // Marks groups the device's own state changed in (not a recorded block's).
    void MarkDirty(DirtyMask groups);
    // Forgets everything the draws applied, for when GL state is unknown.
    void InvalidateGlState();
    // Each applies the groups of `dirty` it covers.
    HRESULT ApplyProgram(const VertexLayout& layout, bool points, DirtyMask dirty);
    void ApplyTextures(DirtyMask dirty);
    void ApplyFixedState(DirtyMask dirty);
    void ApplyVertexStream(const VertexLayout& layout, const BufferStorage& vertices, UINT stride);

    LiveObject live_;
    ULONG references_ = 1;
    DeviceCreation creation_;
    D3DPRESENT_PARAMETERS parameters_{};
    std::shared_ptr<DeviceLink> link_;
    SDL_Window* window_ = nullptr;
    std::unique_ptr<Surface8> backBuffer_;
    std::unique_ptr<Surface8> depthStencil_;
    Surface8* renderTarget_ = nullptr;
    Surface8* depthTarget_ = nullptr;
    GLuint framebuffer_ = 0;
    GLuint presentFramebuffer_ = 0;
    GLuint vertexArray_ = 0;
    GLuint samplers_[kStageCount] = {};
    FixedFunctionCache programs_;
    DrawProfile drawProfile_;
    DeviceState state_;
    // What GL may not hold of `state_`, and what the last draw left bound.
    DirtyMask dirty_ = kDirtyAll;
    const FixedFunctionProgram* boundProgram_ = nullptr;
    bool boundPoints_ = false;
    // The vertex array's enabled attributes: only the draws change them, so
    // this mirrors GL through resets and presents alike.
    uint32_t enabledAttributes_ = 0;
    std::map<DWORD, std::unique_ptr<StateBlock>> stateBlocks_;
    DWORD nextStateBlock_ = 1;
    std::unique_ptr<StateBlock> recording_;
    bool inScene_ = false;
    Loss loss_ = Loss::kOperational;
    bool forcedLost_ = false;
    float maxPointSize_ = 64.0f;
};

}  // namespace d3d8
