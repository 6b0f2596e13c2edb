// Texel encodings of the surface formats D3DX converts between.
#include "pixel_format.h"

namespace {

uint32_t Expand(uint32_t value, unsigned bits) {
    const uint32_t max = (1u << bits) - 1;
    return (value * 255 + max / 2) / max;
}

uint32_t Reduce(uint32_t channel, unsigned bits) {
    const uint32_t max = (1u << bits) - 1;
    return (channel * max + 127) / 255;
}

uint32_t A(uint32_t c) {
    return c >> 24;
}
uint32_t R(uint32_t c) {
    return (c >> 16) & 0xFF;
}
uint32_t G(uint32_t c) {
    return (c >> 8) & 0xFF;
}
uint32_t B(uint32_t c) {
    return c & 0xFF;
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

}  // namespace

UINT TexelSize(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return 4;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_V8U8:
            return 2;
        default:
            return 0;
    }
}

bool FormatHasAlpha(D3DFORMAT format) {
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5 || format == D3DFMT_A4R4G4B4;
}

uint32_t ReadTexel(const uint8_t* p, D3DFORMAT format) {
    const uint32_t v16 = uint32_t(p[0]) | uint32_t(p[1]) << 8;
    switch (format) {
        case D3DFMT_A8R8G8B8:
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24;
        case D3DFMT_X8R8G8B8:
            return 0xFF000000u | uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        case D3DFMT_R8G8B8:
            return Argb(0xFF, p[2], p[1], p[0]);
        case D3DFMT_R5G6B5:
            return Argb(0xFF, Expand(v16 >> 11, 5), Expand((v16 >> 5) & 63, 6),
                        Expand(v16 & 31, 5));
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            const uint32_t a = format == D3DFMT_X1R5G5B5 || (v16 & 0x8000) ? 0xFF : 0;
            return Argb(a, Expand((v16 >> 10) & 31, 5), Expand((v16 >> 5) & 31, 5),
                        Expand(v16 & 31, 5));
        }
        case D3DFMT_A4R4G4B4:
            return Argb(Expand(v16 >> 12, 4), Expand((v16 >> 8) & 15, 4),
                        Expand((v16 >> 4) & 15, 4), Expand(v16 & 15, 4));
        case D3DFMT_V8U8:
            return Argb(0xFF, (p[0] + 128) & 0xFF, (p[1] + 128) & 0xFF, 0xFF);
        default:
            return 0;
    }
}

void WriteTexel(uint8_t* p, D3DFORMAT format, uint32_t c) {
    uint32_t v16 = 0;
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: {
            const uint32_t v = format == D3DFMT_X8R8G8B8 ? (c | 0xFF000000u) : c;
            p[0] = B(v), p[1] = G(v), p[2] = R(v), p[3] = A(v);
            return;
        }
        case D3DFMT_R8G8B8:
            p[0] = B(c), p[1] = G(c), p[2] = R(c);
            return;
        case D3DFMT_R5G6B5:
            v16 = Reduce(R(c), 5) << 11 | Reduce(G(c), 6) << 5 | Reduce(B(c), 5);
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            const uint32_t a = format == D3DFMT_X1R5G5B5 || A(c) >= 0x80 ? 1 : 0;
            v16 = a << 15 | Reduce(R(c), 5) << 10 | Reduce(G(c), 5) << 5 | Reduce(B(c), 5);
            break;
        }
        case D3DFMT_A4R4G4B4:
            v16 = Reduce(A(c), 4) << 12 | Reduce(R(c), 4) << 8 | Reduce(G(c), 4) << 4 |
                  Reduce(B(c), 4);
            break;
        case D3DFMT_V8U8:
            v16 = ((R(c) + 128) & 0xFF) | ((G(c) + 128) & 0xFF) << 8;
            break;
        default:
            return;
    }
    p[0] = static_cast<uint8_t>(v16);
    p[1] = static_cast<uint8_t>(v16 >> 8);
}
