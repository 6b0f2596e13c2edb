#include "platform/d3d8/device_state.h"

#include <cstring>

namespace d3d8 {

namespace {

D3DMATRIX Identity() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof m);
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Render states that belong to pixel processing, and those of vertex
// processing, as Direct3D splits them for CreateStateBlock.
constexpr D3DRENDERSTATETYPE kPixelRenderStates[] = {
    D3DRS_ZENABLE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_LINEPATTERN,
    D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE,
    D3DRS_LASTPIXEL,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_ZFUNC,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_DITHERENABLE,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_EDGEANTIALIAS,
    D3DRS_ZBIAS,
    D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL,
    D3DRS_STENCILZFAIL,
    D3DRS_STENCILPASS,
    D3DRS_STENCILFUNC,
    D3DRS_STENCILREF,
    D3DRS_STENCILMASK,
    D3DRS_STENCILWRITEMASK,
    D3DRS_TEXTUREFACTOR,
    D3DRS_WRAP0,
    D3DRS_WRAP1,
    D3DRS_WRAP2,
    D3DRS_WRAP3,
    D3DRS_WRAP4,
    D3DRS_WRAP5,
    D3DRS_WRAP6,
    D3DRS_WRAP7,
    D3DRS_COLORWRITEENABLE,
    D3DRS_BLENDOP,
};
constexpr D3DRENDERSTATETYPE kVertexRenderStates[] = {
    D3DRS_SHADEMODE,
    D3DRS_SPECULARENABLE,
    D3DRS_CULLMODE,
    D3DRS_FOGENABLE,
    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    D3DRS_FOGDENSITY,
    D3DRS_RANGEFOGENABLE,
    D3DRS_AMBIENT,
    D3DRS_COLORVERTEX,
    D3DRS_FOGVERTEXMODE,
    D3DRS_CLIPPING,
    D3DRS_LIGHTING,
    D3DRS_NORMALIZENORMALS,
    D3DRS_LOCALVIEWER,
    D3DRS_EMISSIVEMATERIALSOURCE,
    D3DRS_AMBIENTMATERIALSOURCE,
    D3DRS_DIFFUSEMATERIALSOURCE,
    D3DRS_SPECULARMATERIALSOURCE,
    D3DRS_VERTEXBLEND,
    D3DRS_CLIPPLANEENABLE,
    D3DRS_SOFTWAREVERTEXPROCESSING,
    D3DRS_POINTSIZE,
    D3DRS_POINTSIZE_MIN,
    D3DRS_POINTSPRITEENABLE,
    D3DRS_POINTSCALEENABLE,
    D3DRS_POINTSCALE_A,
    D3DRS_POINTSCALE_B,
    D3DRS_POINTSCALE_C,
    D3DRS_MULTISAMPLEANTIALIAS,
    D3DRS_MULTISAMPLEMASK,
    D3DRS_PATCHEDGESTYLE,
    D3DRS_PATCHSEGMENTS,
    D3DRS_POINTSIZE_MAX,
    D3DRS_INDEXEDVERTEXBLENDENABLE,
    D3DRS_TWEENFACTOR,
};

}  // namespace

float StateFloat(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

D3DMATRIX MultiplyMatrices(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

int TransformSlotOf(D3DTRANSFORMSTATETYPE type) {
    switch (static_cast<DWORD>(type)) {
        case D3DTS_VIEW:
            return kView;
        case D3DTS_PROJECTION:
            return kProjection;
        case 256:
            return kWorld;
        case D3DTS_TEXTURE0:
            return kTexture0;
        case D3DTS_TEXTURE1:
            return kTexture1;
        default:
            return -1;
    }
}

DeviceState DeviceState::Defaults(bool depthEnabled) {
    DeviceState s;
    auto& rs = s.renderStates;
    rs[D3DRS_ZENABLE] = depthEnabled ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(0.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;

    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        auto& ts = s.stageStates[stage];
        ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = stage;
        ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ts[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ts[D3DTSS_MAXANISOTROPY] = 1;
        ts[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        ts[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    }
    for (auto& m : s.transforms) m = Identity();
    for (auto& light : s.lights) {
        std::memset(&light, 0, sizeof light);
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = {0.0f, 0.0f, 1.0f};
    }
    return s;
}

StateMask StateMask::All() {
    StateMask m;
    m.renderStates.set();
    for (auto& stage : m.stageStates) stage.set();
    m.transforms.set();
    m.material = true;
    m.lights.set();
    m.lightEnabled.set();
    m.viewport = true;
    m.vertexShader = true;
    m.pixelShader = true;
    m.textures.set();
    m.streamSource = true;
    m.indices = true;
    return m;
}

StateMask StateMask::PixelStates() {
    StateMask m;
    for (auto rs : kPixelRenderStates) m.renderStates.set(rs);
    for (auto& stage : m.stageStates) {
        stage.set();
        stage.reset(D3DTSS_TEXCOORDINDEX);
        stage.reset(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    m.pixelShader = true;
    return m;
}

StateMask StateMask::VertexStates() {
    StateMask m;
    for (auto rs : kVertexRenderStates) m.renderStates.set(rs);
    for (auto& stage : m.stageStates) {
        stage.set(D3DTSS_TEXCOORDINDEX);
        stage.set(D3DTSS_TEXTURETRANSFORMFLAGS);
    }
    m.lights.set();
    m.lightEnabled.set();
    m.vertexShader = true;
    return m;
}

namespace {
template <typename T>
void Rebind(T*& slot, T* value) {
    if (slot == value) return;
    if (value) value->AddRef();
    if (slot) slot->Release();
    slot = value;
}
}  // namespace

void CopyMaskedState(const DeviceState& from, DeviceState& to, const StateMask& mask) {
    for (DWORD i = 0; i < kRenderStateCount; ++i)
        if (mask.renderStates.test(i)) to.renderStates[i] = from.renderStates[i];
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        for (DWORD i = 0; i < kStageStateCount; ++i)
            if (mask.stageStates[stage].test(i))
                to.stageStates[stage][i] = from.stageStates[stage][i];
    for (int i = 0; i < kTransformSlotCount; ++i)
        if (mask.transforms.test(i)) to.transforms[i] = from.transforms[i];
    if (mask.material) to.material = from.material;
    for (DWORD i = 0; i < kLightCount; ++i) {
        if (mask.lights.test(i)) to.lights[i] = from.lights[i];
        if (mask.lightEnabled.test(i)) to.lightEnabled[i] = from.lightEnabled[i];
    }
    if (mask.viewport) to.viewport = from.viewport;
    if (mask.vertexShader) to.vertexShader = from.vertexShader;
    if (mask.pixelShader) to.pixelShader = from.pixelShader;
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        if (mask.textures.test(stage)) Rebind(to.textures[stage], from.textures[stage]);
    if (mask.streamSource) {
        Rebind(to.streamSource, from.streamSource);
        to.streamStride = from.streamStride;
    }
    if (mask.indices) {
        Rebind(to.indices, from.indices);
        to.baseVertexIndex = from.baseVertexIndex;
    }
}

void ReleaseBoundObjects(DeviceState& state) {
    for (auto& texture : state.textures) Rebind<IDirect3DBaseTexture8>(texture, nullptr);
    Rebind<IDirect3DVertexBuffer8>(state.streamSource, nullptr);
    Rebind<IDirect3DIndexBuffer8>(state.indices, nullptr);
}

}  // namespace d3d8
