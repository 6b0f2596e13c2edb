// Groups of device state that a draw applies to GL, as bits of a mask. A set
// bit means GL may not hold the device's values of that group, so the next
// draw applies it; the rest is left as the last draw set it. Setters mark
// the groups of the states they change, and whatever changes GL state
// behind the device's back (clears, presents, target switches, resets,
// texture uploads) marks the groups it disturbed.
#pragma once

#include <d3d8.h>

#include <cstdint>

#include "platform/d3d8/device_state.h"

namespace d3d8 {

using DirtyMask = uint32_t;

enum DirtyGroup : DirtyMask {
    kDirtyFramebuffer = 1u << 0,    // the device's draw framebuffer and vertex array
    kDirtyViewport = 1u << 1,       // viewport, depth range and the viewport size uniform
    kDirtyDepthTest = 1u << 2,      // depth test and function (also the depth target's presence)
    kDirtyDepthWrite = 1u << 3,     // depth write mask
    kDirtyBlend = 1u << 4,          // blending on or off, factors and equation
    kDirtyRaster = 1u << 5,         // culling and fill mode
    kDirtyColorWrite = 1u << 6,     // colour write mask
    kDirtyStencil = 1u << 7,        // stencil test, function, operations and write mask
    kDirtyDither = 1u << 8,         // dithering
    kDirtyProgram = 1u << 9,        // what selects the fixed-function program
    kDirtyTransforms = 1u << 10,    // matrix uniforms
    kDirtyLighting = 1u << 11,      // material, light and ambient uniforms
    kDirtyFactors = 1u << 12,       // texture factor and alpha reference uniforms
    kDirtyPointSizes = 1u << 13,    // point size and scale uniforms
    kDirtyBumpMatrices = 1u << 14,  // bump matrix uniforms
    kDirtyVertexStream = 1u << 15,  // vertex buffer, stride and vertex format attributes
    kDirtyIndices = 1u << 16,       // the element buffer
    kDirtyTexture0 = 1u << 17,      // the texture bound to stage 0; stage s is this << s
    kDirtySampler0 = 1u << 19,      // stage 0's sampler parameters; stage s is this << s
    kDirtyAll = (1u << 21) - 1,
};
static_assert(kStageCount == 2, "two texture and sampler bits are kept per group");

constexpr DirtyMask DirtyTexture(DWORD stage) {
    return kDirtyTexture0 << stage;
}
constexpr DirtyMask DirtySampler(DWORD stage) {
    return kDirtySampler0 << stage;
}

// The uniform groups a program must set again when it stays bound.
constexpr DirtyMask kDirtyUniforms = kDirtyViewport | kDirtyTransforms | kDirtyLighting |
                                     kDirtyFactors | kDirtyPointSizes | kDirtyBumpMatrices;

// The groups a render state belongs to. States the device does not apply
// mark the program, whose key is recomputed and found unchanged.
DirtyMask DirtyGroupsOfRenderState(DWORD state);
// The groups a texture stage state of `stage` belongs to.
DirtyMask DirtyGroupsOfStageState(DWORD stage, DWORD type);
// The groups a transform slot belongs to (the view also turns the lights).
DirtyMask DirtyGroupsOfTransform(int slot);
// The groups an applied state block changes.
DirtyMask DirtyGroupsOf(const StateMask& mask);

}  // namespace d3d8
