// A bitmap font cut from "font.tga" by the grid of media/font_grid.h. Draws
// the clock and the frame-rate text in the overlays' unit screen space, in
// batches of up to 50 glyphs per draw.
#pragma once

#include <d3d8.h>

#include "media/font_grid.h"

// Font vertex: position, diffuse colour, one texture coordinate pair.
struct FontVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};

constexpr DWORD kFontVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Flag of CGlyphFont and DrawString: depth test on, linear filtering.
constexpr DWORD kFontDepthTest = 4;

// Fills `table` with (left u, top v, right u, bottom v) for characters
// 32..126 on a texture of the given size.
void BuildGlyphTable(float textureWidth, float textureHeight, float table[kFontGlyphCount][4]);

class CGlyphFont {
public:
    CGlyphFont(const char* faceName, int height, DWORD flags);
    ~CGlyphFont();
    CGlyphFont(const CGlyphFont&) = delete;
    CGlyphFont& operator=(const CGlyphFont&) = delete;

    HRESULT AttachFont(IDirect3DDevice8* device, IDirect3DTexture8* texture);
    HRESULT CreateFontBuffers();
    void ReleaseFontBuffers();
    void DetachFont();
    HRESULT DrawString(float x, float y, float z, float scaleX, float scaleY, D3DCOLOR colour,
                       const char* text, DWORD flags);

    const float (*GlyphTable() const)[4] { return glyphs; }

private:
    void RecordStates();

    char faceName[80];
    int height;
    DWORD flags;
    IDirect3DDevice8* device = nullptr;
    IDirect3DTexture8* texture = nullptr;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;
    DWORD textureWidth = kFontTextureSize;
    DWORD textureHeight = 256;
    float glyphs[kFontGlyphCount][4] = {};
    DWORD savedStateBlock = 0;
    DWORD drawingStateBlock = 0;
};
