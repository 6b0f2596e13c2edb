// State blocks: recorded, created from the current state, captured, applied
// and deleted.
#include "platform/d3d8/device.h"

namespace d3d8 {

HRESULT Device8::BeginStateBlock() {
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    // Recorded values start as the device's, so states the block does not
    // hold never matter; only the mask says what the block holds.
    recording_->state = state_;
    for (auto* texture : recording_->state.textures)
        if (texture) texture->AddRef();
    if (recording_->state.streamSource) recording_->state.streamSource->AddRef();
    if (recording_->state.indices) recording_->state.indices->AddRef();
    return D3D_OK;
}

HRESULT Device8::EndStateBlock(DWORD* pToken) {
    if (!pToken || !recording_) return D3DERR_INVALIDCALL;
    // Drop the references to bound objects the block does not hold.
    StateMask unheld;
    for (DWORD stage = 0; stage < kStageCount; ++stage)
        unheld.textures.set(stage, !recording_->mask.textures.test(stage));
    unheld.streamSource = !recording_->mask.streamSource;
    unheld.indices = !recording_->mask.indices;
    CopyMaskedState(DeviceState(), recording_->state, unheld);
    *pToken = nextStateBlock_++;
    stateBlocks_[*pToken] = std::move(recording_);
    return D3D_OK;
}

HRESULT Device8::CreateStateBlock(D3DSTATEBLOCKTYPE Type, DWORD* pToken) {
    if (!pToken || recording_) return D3DERR_INVALIDCALL;
    auto block = std::make_unique<StateBlock>();
    switch (Type) {
        case D3DSBT_ALL:
            block->mask = StateMask::All();
            break;
        case D3DSBT_PIXELSTATE:
            block->mask = StateMask::PixelStates();
            break;
        case D3DSBT_VERTEXSTATE:
            block->mask = StateMask::VertexStates();
            break;
        default:
            return D3DERR_INVALIDCALL;
    }
    CopyMaskedState(state_, block->state, block->mask);
    *pToken = nextStateBlock_++;
    stateBlocks_[*pToken] = std::move(block);
    return D3D_OK;
}

HRESULT Device8::CaptureStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMaskedState(state_, found->second->state, found->second->mask);
    return D3D_OK;
}

HRESULT Device8::ApplyStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMaskedState(found->second->state, state_, found->second->mask);
    MarkDirty(DirtyGroupsOf(found->second->mask));
    return D3D_OK;
}

HRESULT Device8::DeleteStateBlock(DWORD Token) {
    auto found = stateBlocks_.find(Token);
    if (found == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    ReleaseBoundObjects(found->second->state);
    stateBlocks_.erase(found);
    return D3D_OK;
}

}  // namespace d3d8
