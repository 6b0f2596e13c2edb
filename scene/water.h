// The lake: a water model coloured by the scene reflected in it, rippled by
// a scrolling bump map, with a foam model circling on it. The reflection is
// rendered every frame into a 512 x 512 target with the mirrored view and
// projected back onto the water through camera-space texture coordinates.
#pragma once

#include <d3d8.h>
#include <d3dx8.h>

#include <cstdint>

struct Model;
class ModelCache;
class TextureCache;

// Builds the 256 x 256 V8U8 texels of the bump map from signed heights:
// u is the difference to the row below, v to the column on the right, both
// wrapping at the edges and limited to -127..127.
void BuildBumpTexels(const int8_t* heights, uint16_t* texels);

// The texture matrix that maps a camera-space position onto the reflection
// texture, from the projection's _11, _22 and _33.
void ReflectionTextureMatrix(const D3DXMATRIX& projection, D3DXMATRIX* matrix);

class CWater {
public:
    CWater();
    ~CWater();
    CWater(const CWater&) = delete;
    CWater& operator=(const CWater&) = delete;

    void LoadFoam(IDirect3DDevice8* device, ModelCache* models, TextureCache* textures);
    void CreateWater(IDirect3DDevice8* device, const D3DSURFACE_DESC& backBufferDesc,
                     ModelCache* models, TextureCache* textures);
    IDirect3DTexture8* CreateBumpTexture(IDirect3DDevice8* device, UINT width, UINT height);
    void BeginReflection(IDirect3DDevice8* device);
    HRESULT EndReflection(IDirect3DDevice8* device);
    void DrawWater(D3DXMATRIX projection, IDirect3DDevice8* device, bool bumpMapping);
    void ReleaseWater();

    // Recomputes the scroll and foam matrices from the scene time.
    void AnimateWater();
    const D3DXMATRIX& ScrollMatrix() const { return scrollMatrix; }
    const D3DXMATRIX& FoamMatrix(int copy) const { return copy == 0 ? foamMatrix1 : foamMatrix2; }
    IDirect3DTexture8* ReflectionTexture() const { return reflectionTexture; }
    IDirect3DTexture8* BumpTexture() const { return bumpTexture; }

private:
    void DrawFoam(IDirect3DDevice8* device);
    void CreateReflectionDepth(IDirect3DDevice8* device);

    Model* waterModel = nullptr;
    Model* foamModel = nullptr;
    TextureCache* textureCache = nullptr;
    IDirect3DTexture8* reflectionTexture = nullptr;
    IDirect3DTexture8* bumpTexture = nullptr;
    bool ownsBumpTexture = false;
    IDirect3DSurface8* reflectionSurface = nullptr;
    // Made only when the device's own depth buffer is smaller than the
    // reflection, which Direct3D cannot draw into with it.
    IDirect3DSurface8* reflectionDepth = nullptr;
    IDirect3DSurface8* savedRenderTarget = nullptr;
    IDirect3DSurface8* savedDepthStencil = nullptr;
    D3DXMATRIX scrollMatrix;
    D3DXMATRIX foamMatrix1;
    D3DXMATRIX foamMatrix2;
};
