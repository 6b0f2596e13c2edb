// D3DX texture creation and image loading: decoding BMP, JPEG and TGA files
// held in memory into textures, with resizing, mip chains and a colour key.
#pragma once

#include <d3d8types.h>

// "Use the default" for sizes, level counts, filters and formats.
#define D3DX_DEFAULT ((UINT)-1)

// Filters for resizing images and for building mip levels. The low byte
// selects the filter; the flags above it may be or-ed in.
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (8 << 16)

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

// D3DX's own failure codes (facility 0x876, as Direct3D's).
#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)
