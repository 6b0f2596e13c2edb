// How each Direct3D pixel format the stand-in supports is held in OpenGL.
// Lockable memory keeps Direct3D's own byte layout; the GL upload format
// reads that layout directly, and the swizzle supplies missing channels.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

namespace d3d8 {

struct GlFormat {
    GLenum internalFormat;
    GLenum uploadFormat;
    GLenum uploadType;
    UINT bytesPerPixel;
    GLint swizzle[4];
};

// Null for formats the stand-in cannot hold in a texture.
const GlFormat* TextureFormat(D3DFORMAT format);

// Formats a back buffer or render target may have.
bool IsRenderTargetFormat(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);
GLenum DepthInternalFormat(D3DFORMAT format);

}  // namespace d3d8
