#include "platform/d3d8/gl_formats.h"

namespace d3d8 {

namespace {
const GlFormat kA8R8G8B8 = {
    GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
const GlFormat kX8R8G8B8 = {
    GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
const GlFormat kR5G6B5 = {
    GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
const GlFormat kA1R5G5B5 = {
    GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
const GlFormat kX1R5G5B5 = {
    GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
const GlFormat kA4R4G4B4 = {
    GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
const GlFormat kX4R4G4B4 = {
    GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
// Low byte u, high byte v, both signed: the red and green of a signed texture.
const GlFormat kV8U8 = {GL_RG8_SNORM, GL_RG, GL_BYTE, 2, {GL_RED, GL_GREEN, GL_ZERO, GL_ONE}};
const GlFormat kL8 = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_RED, GL_RED, GL_RED, GL_ONE}};
const GlFormat kA8 = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}};
const GlFormat kA8L8 = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, {GL_RED, GL_RED, GL_RED, GL_GREEN}};
}  // namespace

const GlFormat* TextureFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return &kA8R8G8B8;
        case D3DFMT_X8R8G8B8:
            return &kX8R8G8B8;
        case D3DFMT_R5G6B5:
            return &kR5G6B5;
        case D3DFMT_A1R5G5B5:
            return &kA1R5G5B5;
        case D3DFMT_X1R5G5B5:
            return &kX1R5G5B5;
        case D3DFMT_A4R4G4B4:
            return &kA4R4G4B4;
        case D3DFMT_X4R4G4B4:
            return &kX4R4G4B4;
        case D3DFMT_V8U8:
            return &kV8U8;
        case D3DFMT_L8:
            return &kL8;
        case D3DFMT_A8:
            return &kA8;
        case D3DFMT_A8L8:
            return &kA8L8;
        default:
            return nullptr;
    }
}

bool IsRenderTargetFormat(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 ||
           format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

bool IsDepthFormat(D3DFORMAT format) {
    return DepthInternalFormat(format) != 0;
}

GLenum DepthInternalFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
            return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24X8:
            return GL_DEPTH_COMPONENT24;
        case D3DFMT_D24S8:
        case D3DFMT_D24X4S4:
        case D3DFMT_D15S1:
            return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32:
            return GL_DEPTH_COMPONENT32F;
        default:
            return 0;
    }
}

}  // namespace d3d8
