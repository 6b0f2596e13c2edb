// Which dirty groups each piece of device state belongs to.
#include "platform/d3d8/dirty_state.h"

namespace d3d8 {

DirtyMask DirtyGroupsOfRenderState(DWORD state) {
    switch (state) {
        case D3DRS_ZENABLE:
        case D3DRS_ZFUNC:
            return kDirtyDepthTest;
        case D3DRS_ZWRITEENABLE:
            return kDirtyDepthWrite;
        case D3DRS_ALPHABLENDENABLE:
        case D3DRS_SRCBLEND:
        case D3DRS_DESTBLEND:
        case D3DRS_BLENDOP:
            return kDirtyBlend;
        case D3DRS_CULLMODE:
        case D3DRS_FILLMODE:
            return kDirtyRaster;
        case D3DRS_COLORWRITEENABLE:
            return kDirtyColorWrite;
        case D3DRS_STENCILENABLE:
        case D3DRS_STENCILFUNC:
        case D3DRS_STENCILREF:
        case D3DRS_STENCILMASK:
        case D3DRS_STENCILFAIL:
        case D3DRS_STENCILZFAIL:
        case D3DRS_STENCILPASS:
        case D3DRS_STENCILWRITEMASK:
            return kDirtyStencil;
        case D3DRS_DITHERENABLE:
            return kDirtyDither;
        case D3DRS_AMBIENT:
            return kDirtyLighting;
        case D3DRS_TEXTUREFACTOR:
        case D3DRS_ALPHAREF:
            return kDirtyFactors;
        case D3DRS_POINTSIZE:
        case D3DRS_POINTSIZE_MIN:
        case D3DRS_POINTSIZE_MAX:
        case D3DRS_POINTSCALE_A:
        case D3DRS_POINTSCALE_B:
        case D3DRS_POINTSCALE_C:
            return kDirtyPointSizes;
        default:
            return kDirtyProgram;
    }
}

DirtyMask DirtyGroupsOfStageState(DWORD stage, DWORD type) {
    switch (type) {
        case D3DTSS_ADDRESSU:
        case D3DTSS_ADDRESSV:
        case D3DTSS_ADDRESSW:
        case D3DTSS_BORDERCOLOR:
        case D3DTSS_MAGFILTER:
        case D3DTSS_MINFILTER:
        case D3DTSS_MIPFILTER:
        case D3DTSS_MIPMAPLODBIAS:
        case D3DTSS_MAXMIPLEVEL:
            return DirtySampler(stage);
        case D3DTSS_BUMPENVMAT00:
        case D3DTSS_BUMPENVMAT01:
        case D3DTSS_BUMPENVMAT10:
        case D3DTSS_BUMPENVMAT11:
            return kDirtyBumpMatrices;
        default:
            return kDirtyProgram;
    }
}

DirtyMask DirtyGroupsOfTransform(int slot) {
    // Light directions are given to the program in camera space.
    return slot == kView ? kDirtyTransforms | kDirtyLighting : kDirtyTransforms;
}

DirtyMask DirtyGroupsOf(const StateMask& mask) {
    DirtyMask dirty = 0;
    for (DWORD state = 0; state < kRenderStateCount; ++state)
        if (mask.renderStates.test(state)) dirty |= DirtyGroupsOfRenderState(state);
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        for (DWORD type = 0; type < kStageStateCount; ++type)
            if (mask.stageStates[stage].test(type)) dirty |= DirtyGroupsOfStageState(stage, type);
        if (mask.textures.test(stage)) dirty |= DirtyTexture(stage) | kDirtyProgram;
    }
    for (int slot = 0; slot < kTransformSlotCount; ++slot)
        if (mask.transforms.test(slot)) dirty |= DirtyGroupsOfTransform(slot);
    if (mask.material || mask.lights.any() || mask.lightEnabled.any()) dirty |= kDirtyLighting;
    if (mask.viewport) dirty |= kDirtyViewport;
    if (mask.vertexShader) dirty |= kDirtyProgram | kDirtyVertexStream;
    if (mask.streamSource) dirty |= kDirtyVertexStream;
    if (mask.indices) dirty |= kDirtyIndices;
    return dirty;
}

}  // namespace d3d8
