#include "scene/glyph_font.h"

#include <cstdio>
#include <initializer_list>

namespace {

constexpr int kBufferVertices = 300;

// Whether character `code` opens a new row of the font's grid.
bool StartsRow(int code) {
    for (int row = 1; row < kFontRowCount; ++row) {
        if (code == kGlyphRowStarts[row]) return true;
    }
    return false;
}

}  // namespace

void BuildGlyphTable(float textureWidth, float textureHeight, float table[kFontGlyphCount][4]) {
    int x = 0, rowTop = 0;
    for (int code = kFontFirstChar; code < kFontFirstChar + kFontGlyphCount; ++code) {
        if (StartsRow(code)) {
            rowTop += kFontRowHeight;
            x = 0;
        }
        int width = kGlyphWidths[code - kFontFirstChar];
        float* entry = table[code - kFontFirstChar];
        entry[0] = static_cast<float>(x) / textureWidth;
        entry[1] = static_cast<float>(rowTop) / textureHeight;
        entry[2] = static_cast<float>(x + width) / textureWidth;
        entry[3] = static_cast<float>(rowTop + kFontRowHeight) / textureHeight;
        x += width;
    }
}

CGlyphFont::CGlyphFont(const char* face, int fontHeight, DWORD fontFlags)
    : height(fontHeight), flags(fontFlags) {
    std::snprintf(faceName, sizeof(faceName), "%s", face);
}

CGlyphFont::~CGlyphFont() {
    ReleaseFontBuffers();
    DetachFont();
}

HRESULT CGlyphFont::AttachFont(IDirect3DDevice8* attachTo, IDirect3DTexture8* fontTexture) {
    device = attachTo;
    textureWidth = textureHeight = kFontTextureSize;
    D3DCAPS8 caps;
    if (SUCCEEDED(device->GetDeviceCaps(&caps)) &&
        caps.MaxTextureWidth < static_cast<DWORD>(kFontTextureSize)) {
        textureWidth = textureHeight = caps.MaxTextureWidth;
    }
    texture = fontTexture;
    BuildGlyphTable(static_cast<float>(textureWidth), static_cast<float>(textureHeight), glyphs);
    return S_OK;
}

HRESULT CGlyphFont::CreateFontBuffers() {
    HRESULT hr = device->CreateVertexBuffer(kBufferVertices * sizeof(FontVertex),
                                            D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                            D3DPOOL_DEFAULT, &vertexBuffer);
    if (FAILED(hr)) {
        vertexBuffer = nullptr;
        return hr;
    }
    for (DWORD* block : {&savedStateBlock, &drawingStateBlock}) {
        device->BeginStateBlock();
        RecordStates();
        device->EndStateBlock(block);
    }
    return S_OK;
}

void CGlyphFont::RecordStates() {
    device->SetTexture(0, texture);
    device->SetRenderState(D3DRS_ZENABLE, (flags & kFontDepthTest) ? TRUE : FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 0x08);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device->SetRenderState(D3DRS_CLIPPING, TRUE);
    device->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
    device->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    device->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    device->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

void CGlyphFont::ReleaseFontBuffers() {
    if (vertexBuffer != nullptr) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
    if (device != nullptr) {
        if (savedStateBlock != 0) device->DeleteStateBlock(savedStateBlock);
        if (drawingStateBlock != 0) device->DeleteStateBlock(drawingStateBlock);
    }
    savedStateBlock = drawingStateBlock = 0;
}

void CGlyphFont::DetachFont() {
    device = nullptr;
}

HRESULT CGlyphFont::DrawString(float x, float y, float z, float scaleX, float scaleY,
                               D3DCOLOR colour, const char* text, DWORD drawFlags) {
    if (device == nullptr) return E_FAIL;
    // Without a buffer (its creation failed) there is nothing to draw with.
    if (vertexBuffer == nullptr) return S_OK;

    device->CaptureStateBlock(savedStateBlock);
    device->ApplyStateBlock(drawingStateBlock);
    device->SetVertexShader(kFontVertexFvf);
    device->SetPixelShader(0);
    device->SetStreamSource(0, vertexBuffer, sizeof(FontVertex));
    if (drawFlags & kFontDepthTest) {
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }

    BYTE* bytes = nullptr;
    vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_DISCARD);
    auto* vertex = reinterpret_cast<FontVertex*>(bytes);
    UINT triangles = 0;
    float pen = x;
    for (const char* c = text; *c != '\0'; ++c) {
        int code = static_cast<unsigned char>(*c);
        if (code < kFontFirstChar || code >= kFontFirstChar + kFontGlyphCount) continue;
        const float* g = glyphs[code - kFontFirstChar];
        float w = (g[2] - g[0]) * scaleX;
        float h = (g[3] - g[1]) * scaleY;
        if (code != ' ' && vertex != nullptr) {
            *vertex++ = FontVertex{pen, y + h, z, colour, g[0], g[1]};
            *vertex++ = FontVertex{pen, y, z, colour, g[0], g[3]};
            *vertex++ = FontVertex{pen + w, y + h, z, colour, g[2], g[1]};
            *vertex++ = FontVertex{pen + w, y, z, colour, g[2], g[3]};
            *vertex++ = FontVertex{pen + w, y + h, z, colour, g[2], g[1]};
            *vertex++ = FontVertex{pen, y, z, colour, g[0], g[3]};
            triangles += 2;
            if (triangles * 3 > kBufferVertices - 6) {
                vertexBuffer->Unlock();
                device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
                vertexBuffer->Lock(0, 0, &bytes, D3DLOCK_DISCARD);
                vertex = reinterpret_cast<FontVertex*>(bytes);
                triangles = 0;
            }
        }
        pen += w;
    }
    vertexBuffer->Unlock();
    if (triangles != 0) device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);

    device->ApplyStateBlock(savedStateBlock);
    return S_OK;
}
