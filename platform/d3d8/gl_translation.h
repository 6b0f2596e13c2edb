// Direct3D 8 state values as the GL enums that carry them out: comparison
// functions, blend factors and equations, stencil operations, texture
// addressing and filtering, and primitive types.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

namespace d3d8 {

GLenum CompareFunction(DWORD cmp);
GLenum BlendFactor(DWORD blend);
GLenum BlendEquation(DWORD op);
GLenum StencilOperation(DWORD op);
GLint AddressMode(DWORD address);
// The minification filter of a stage's minification and mip filters.
GLint MinFilter(DWORD min, DWORD mip);
GLint MagFilter(DWORD mag);
GLenum PrimitiveMode(D3DPRIMITIVETYPE type);
// Vertices used by `primitives` primitives of `type`; 0 for unknown types.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitives);

}  // namespace d3d8
