#include "scene/logo_quad.h"

#include <d3dx8.h>

#include "scene/glyph_font.h"

CLogoQuad::~CLogoQuad() {
    if (vertexBuffer != nullptr) vertexBuffer->Release();
}

HRESULT CLogoQuad::CreateLogoQuad(IDirect3DDevice8* onDevice, float x, float y, float width,
                                  float height) {
    device = onDevice;
    HRESULT hr = device->CreateVertexBuffer(4 * sizeof(FontVertex), D3DUSAGE_WRITEONLY,
                                            kFontVertexFvf, D3DPOOL_MANAGED, &vertexBuffer);
    if (FAILED(hr)) {
        vertexBuffer = nullptr;
        return hr;
    }
    BYTE* bytes = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, 0))) return E_FAIL;
    const D3DCOLOR white = 0xFFFFFFFF;
    auto* v = reinterpret_cast<FontVertex*>(bytes);
    v[0] = FontVertex{x, y + height, 0.001f, white, 0.0f, 0.0f};
    v[1] = FontVertex{x + width, y + height, 0.001f, white, 1.0f, 0.0f};
    v[2] = FontVertex{x + width, y, 0.001f, white, 1.0f, 1.0f};
    v[3] = FontVertex{x, y, 0.001f, white, 0.0f, 1.0f};
    vertexBuffer->Unlock();
    return S_OK;
}

void CLogoQuad::DrawLogoQuad(float offsetX, float offsetY) {
    if (device == nullptr || vertexBuffer == nullptr) return;
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, offsetX, offsetY, 0.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetVertexShader(kFontVertexFvf);
    device->SetStreamSource(0, vertexBuffer, sizeof(FontVertex));
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    D3DXMatrixIdentity(&world);
    device->SetTransform(D3DTS_WORLD, &world);
}

float LogoSlideOffset(float e) {
    if (e < 1.0f) return 0.05f * (1.0f - e);
    if (e <= 15.0f) return 0.0f;
    if (e < 16.0f) return 0.05f * (e - 15.0f);
    return 0.05f;
}
