// The device state that draws read and state blocks record: render states,
// texture stage states, transforms, material, light 0, bound textures,
// stream 0, indices and the vertex format.
#pragma once

#include <d3d8.h>

#include <array>
#include <bitset>

namespace d3d8 {

constexpr DWORD kRenderStateCount = 256;
constexpr DWORD kStageCount = 2;
constexpr DWORD kStageStateCount = 32;
constexpr DWORD kLightCount = 8;

// Transform slots: view, projection, world, texture 0 and 1.
enum TransformSlot { kView, kProjection, kWorld, kTexture0, kTexture1, kTransformSlotCount };
// The slot of a Direct3D transform type, or -1 for one the device does not keep.
int TransformSlotOf(D3DTRANSFORMSTATETYPE type);

// A state DWORD that holds a float's bits (point sizes, bump matrix, LOD bias).
float StateFloat(DWORD bits);
// a * b, row-vector convention, as Direct3D composes transforms.
D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b);

struct DeviceState {
    std::array<DWORD, kRenderStateCount> renderStates{};
    std::array<std::array<DWORD, kStageStateCount>, kStageCount> stageStates{};
    std::array<D3DMATRIX, kTransformSlotCount> transforms{};
    D3DMATERIAL8 material{};
    std::array<D3DLIGHT8, kLightCount> lights{};
    std::array<BOOL, kLightCount> lightEnabled{};
    D3DVIEWPORT8 viewport{};
    DWORD vertexShader = 0;
    DWORD pixelShader = 0;
    // Bound objects are held with a reference by whoever owns the record.
    std::array<IDirect3DBaseTexture8*, kStageCount> textures{};
    IDirect3DVertexBuffer8* streamSource = nullptr;
    UINT streamStride = 0;
    IDirect3DIndexBuffer8* indices = nullptr;
    UINT baseVertexIndex = 0;

    // Direct3D's defaults; `depthEnabled` is whether an automatic depth buffer exists.
    static DeviceState Defaults(bool depthEnabled);
};

// Which parts of a DeviceState a state block holds.
struct StateMask {
    std::bitset<kRenderStateCount> renderStates;
    std::array<std::bitset<kStageStateCount>, kStageCount> stageStates;
    std::bitset<kTransformSlotCount> transforms;
    bool material = false;
    std::bitset<kLightCount> lights;
    std::bitset<kLightCount> lightEnabled;
    bool viewport = false;
    bool vertexShader = false;
    bool pixelShader = false;
    std::bitset<kStageCount> textures;
    bool streamSource = false;
    bool indices = false;

    static StateMask All();
    static StateMask PixelStates();
    static StateMask VertexStates();
};

// Copies the masked parts of `from` into `to`, keeping the references of bound
// objects balanced (the old ones released, the new ones added).
void CopyMaskedState(const DeviceState& from, DeviceState& to, const StateMask& mask);
// Releases the references a record holds and clears it.
void ReleaseBoundObjects(DeviceState& state);

}  // namespace d3d8
