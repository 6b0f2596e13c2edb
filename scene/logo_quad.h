// The logo: one textured rectangle in the overlays' unit screen space that
// slides in at the top right during the first second, stays until second 15
// and slides out during second 16.
#pragma once

#include <d3d8.h>

class CLogoQuad {
public:
    CLogoQuad() = default;
    ~CLogoQuad();
    CLogoQuad(const CLogoQuad&) = delete;
    CLogoQuad& operator=(const CLogoQuad&) = delete;

    HRESULT CreateLogoQuad(IDirect3DDevice8* device, float x, float y, float width, float height);
    void DrawLogoQuad(float offsetX, float offsetY);

private:
    IDirect3DDevice8* device = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
};

// Vertical offset of the logo `elapsed` seconds after the overlays first drew:
// 0.05 is just above the visible range.
float LogoSlideOffset(float elapsed);
