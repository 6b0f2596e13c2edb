// The methods of IDirect3DDevice8 after IUnknown's, in interface order, as one
// table: METHOD(result type, name, (parameters), (argument names)). The test
// doubles make their overrides from it, so the interface is written out once
// for all of them.
#pragma once

#include <d3d8.h>

#define VELMORA_D3D8_DEVICE_METHODS(METHOD)                                                        \
    METHOD(HRESULT, TestCooperativeLevel, (), ())                                                  \
    METHOD(UINT, GetAvailableTextureMem, (), ())                                                   \
    METHOD(HRESULT, GetDirect3D, (IDirect3D8 * *direct3d), (direct3d))                             \
    METHOD(HRESULT, GetDeviceCaps, (D3DCAPS8 * caps), (caps))                                      \
    METHOD(HRESULT, GetDisplayMode, (D3DDISPLAYMODE * mode), (mode))                               \
    METHOD(HRESULT, GetCreationParameters, (D3DDEVICE_CREATION_PARAMETERS * parameters),           \
           (parameters))                                                                           \
    METHOD(HRESULT, Reset, (D3DPRESENT_PARAMETERS * parameters), (parameters))                     \
    METHOD(HRESULT, Present,                                                                       \
           (const RECT* source, const RECT* destination, HWND window, const RGNDATA* dirty),       \
           (source, destination, window, dirty))                                                   \
    METHOD(HRESULT, GetBackBuffer,                                                                 \
           (UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface8 * *surface),                    \
           (index, type, surface))                                                                 \
    METHOD(HRESULT, CreateTexture,                                                                 \
           (UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,     \
            IDirect3DTexture8 * *texture),                                                         \
           (width, height, levels, usage, format, pool, texture))                                  \
    METHOD(HRESULT, CreateVertexBuffer,                                                            \
           (UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer8 * *buffer),  \
           (length, usage, fvf, pool, buffer))                                                     \
    METHOD(HRESULT, CreateIndexBuffer,                                                             \
           (UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,                              \
            IDirect3DIndexBuffer8 * *buffer),                                                      \
           (length, usage, format, pool, buffer))                                                  \
    METHOD(HRESULT, CreateDepthStencilSurface,                                                     \
           (UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE samples,                \
            IDirect3DSurface8 * *surface),                                                         \
           (width, height, format, samples, surface))                                              \
    METHOD(HRESULT, SetRenderTarget, (IDirect3DSurface8 * target, IDirect3DSurface8 * depth),      \
           (target, depth))                                                                        \
    METHOD(HRESULT, GetRenderTarget, (IDirect3DSurface8 * *target), (target))                      \
    METHOD(HRESULT, GetDepthStencilSurface, (IDirect3DSurface8 * *depth), (depth))                 \
    METHOD(HRESULT, BeginScene, (), ())                                                            \
    METHOD(HRESULT, EndScene, (), ())                                                              \
    METHOD(                                                                                        \
        HRESULT, Clear,                                                                            \
        (DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil), \
        (count, rects, flags, colour, z, stencil))                                                 \
    METHOD(HRESULT, SetTransform, (D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix),          \
           (state, matrix))                                                                        \
    METHOD(HRESULT, GetTransform, (D3DTRANSFORMSTATETYPE state, D3DMATRIX * matrix),               \
           (state, matrix))                                                                        \
    METHOD(HRESULT, MultiplyTransform, (D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix),     \
           (state, matrix))                                                                        \
    METHOD(HRESULT, SetViewport, (const D3DVIEWPORT8* viewport), (viewport))                       \
    METHOD(HRESULT, GetViewport, (D3DVIEWPORT8 * viewport), (viewport))                            \
    METHOD(HRESULT, SetMaterial, (const D3DMATERIAL8* material), (material))                       \
    METHOD(HRESULT, GetMaterial, (D3DMATERIAL8 * material), (material))                            \
    METHOD(HRESULT, SetLight, (DWORD index, const D3DLIGHT8* light), (index, light))               \
    METHOD(HRESULT, GetLight, (DWORD index, D3DLIGHT8 * light), (index, light))                    \
    METHOD(HRESULT, LightEnable, (DWORD index, BOOL enable), (index, enable))                      \
    METHOD(HRESULT, GetLightEnable, (DWORD index, BOOL * enable), (index, enable))                 \
    METHOD(HRESULT, SetRenderState, (D3DRENDERSTATETYPE state, DWORD value), (state, value))       \
    METHOD(HRESULT, GetRenderState, (D3DRENDERSTATETYPE state, DWORD * value), (state, value))     \
    METHOD(HRESULT, BeginStateBlock, (), ())                                                       \
    METHOD(HRESULT, EndStateBlock, (DWORD * token), (token))                                       \
    METHOD(HRESULT, ApplyStateBlock, (DWORD token), (token))                                       \
    METHOD(HRESULT, CaptureStateBlock, (DWORD token), (token))                                     \
    METHOD(HRESULT, DeleteStateBlock, (DWORD token), (token))                                      \
    METHOD(HRESULT, CreateStateBlock, (D3DSTATEBLOCKTYPE type, DWORD * token), (type, token))      \
    METHOD(HRESULT, GetTexture, (DWORD stage, IDirect3DBaseTexture8 * *texture), (stage, texture)) \
    METHOD(HRESULT, SetTexture, (DWORD stage, IDirect3DBaseTexture8 * texture), (stage, texture))  \
    METHOD(HRESULT, GetTextureStageState,                                                          \
           (DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD * value), (stage, type, value))      \
    METHOD(HRESULT, SetTextureStageState,                                                          \
           (DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value), (stage, type, value))        \
    METHOD(HRESULT, ValidateDevice, (DWORD * passes), (passes))                                    \
    METHOD(HRESULT, DrawPrimitive, (D3DPRIMITIVETYPE type, UINT start, UINT count),                \
           (type, start, count))                                                                   \
    METHOD(HRESULT, DrawIndexedPrimitive,                                                          \
           (D3DPRIMITIVETYPE type, UINT minIndex, UINT vertices, UINT start, UINT count),          \
           (type, minIndex, vertices, start, count))                                               \
    METHOD(HRESULT, DrawPrimitiveUP,                                                               \
           (D3DPRIMITIVETYPE type, UINT count, const void* vertices, UINT stride),                 \
           (type, count, vertices, stride))                                                        \
    METHOD(HRESULT, SetVertexShader, (DWORD handle), (handle))                                     \
    METHOD(HRESULT, GetVertexShader, (DWORD * handle), (handle))                                   \
    METHOD(HRESULT, SetStreamSource, (UINT stream, IDirect3DVertexBuffer8 * buffer, UINT stride),  \
           (stream, buffer, stride))                                                               \
    METHOD(HRESULT, GetStreamSource,                                                               \
           (UINT stream, IDirect3DVertexBuffer8 * *buffer, UINT * stride),                         \
           (stream, buffer, stride))                                                               \
    METHOD(HRESULT, SetIndices, (IDirect3DIndexBuffer8 * buffer, UINT baseVertex),                 \
           (buffer, baseVertex))                                                                   \
    METHOD(HRESULT, GetIndices, (IDirect3DIndexBuffer8 * *buffer, UINT * baseVertex),              \
           (buffer, baseVertex))                                                                   \
    METHOD(HRESULT, SetPixelShader, (DWORD handle), (handle))                                      \
    METHOD(HRESULT, GetPixelShader, (DWORD * handle), (handle))
