// The state setters and getters: transforms, viewport, material, lights,
// render and texture stage states, textures, the vertex format, streams and
// indices. Setters write the device's record (or the block being recorded)
// and mark the dirty groups of what they change.
#include <cstring>

#include "platform/d3d8/device.h"

namespace d3d8 {

DeviceState& Device8::Target() {
    return recording_ ? recording_->state : state_;
}
StateMask* Device8::RecordingMask() {
    return recording_ ? &recording_->mask : nullptr;
}

HRESULT Device8::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    const int slot = TransformSlotOf(State);
    if (!pMatrix || slot < 0) return D3DERR_INVALIDCALL;
    D3DMATRIX& matrix = Target().transforms[slot];
    if (std::memcmp(&matrix, pMatrix, sizeof matrix) != 0) MarkDirty(DirtyGroupsOfTransform(slot));
    matrix = *pMatrix;
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
    D3DVIEWPORT8& viewport = Target().viewport;
    if (std::memcmp(&viewport, &v, sizeof v) != 0) MarkDirty(kDirtyViewport);
    viewport = v;
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
    D3DMATERIAL8& material = Target().material;
    if (std::memcmp(&material, pMaterial, sizeof material) != 0) MarkDirty(kDirtyLighting);
    material = *pMaterial;
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
    D3DLIGHT8& light = Target().lights[Index];
    if (std::memcmp(&light, pLight, sizeof light) != 0) MarkDirty(kDirtyLighting);
    light = *pLight;
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
    BOOL& enabled = Target().lightEnabled[Index];
    if (enabled != (Enable ? TRUE : FALSE)) MarkDirty(kDirtyLighting);
    enabled = Enable ? TRUE : FALSE;
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
    DWORD& value = Target().renderStates[index];
    if (value != Value) MarkDirty(DirtyGroupsOfRenderState(index));
    value = Value;
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
    DWORD& value = Target().stageStates[Stage][index];
    if (value != Value) MarkDirty(DirtyGroupsOfStageState(Stage, index));
    value = Value;
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
    // The texture's format is part of the program's key.
    if (slot != pTexture) MarkDirty(DirtyTexture(Stage) | kDirtyProgram);
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
    DWORD& shader = Target().vertexShader;
    if (shader != Handle) MarkDirty(kDirtyProgram | kDirtyVertexStream);
    shader = Handle;
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
    if (target.streamSource != pStreamData || target.streamStride != Stride)
        MarkDirty(kDirtyVertexStream);
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
    if (target.indices != pIndexData) MarkDirty(kDirtyIndices);
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

}  // namespace d3d8
