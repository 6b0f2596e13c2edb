// D3DX texture creation and image loading: decoding BMP, JPEG and TGA files
// held in memory into textures, with resizing, mip chains and a colour key.
#pragma once

#include <windows.h>
#include <d3d8.h>

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

// What a file held: its size, its pixel format and its kind.
typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// Adjusts a texture request to what the device can create: sizes of 0 or
// D3DX_DEFAULT become 256, sizes are rounded up to powers of two (and made
// square) where the device needs it and limited to its largest texture, a
// level count of 0 or D3DX_DEFAULT becomes the full mip chain, and a format
// the device cannot sample becomes the closest one it can (D3DFMT_UNKNOWN
// asks for A8R8G8B8). Any pointer may be null.
HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight,
                                            UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                            D3DPOOL Pool);

// Creates an empty texture after adjusting the request as above.
HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels,
                                 DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                 LPDIRECT3DTEXTURE8* ppTexture);

// Reads the size and format of a BMP, JPEG or TGA file held in memory.
HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                D3DXIMAGE_INFO* pSrcInfo);

// Decodes a BMP, JPEG or TGA file held in memory into a new texture.
// Width and Height of 0 or D3DX_DEFAULT take the image's size; Format
// D3DFMT_UNKNOWN takes the file's (with alpha when a colour key is given).
// The image is resized into level 0 with Filter, and every further level is
// made from the one above with MipFilter (D3DX_DEFAULT: TRIANGLE and BOX).
// Texels equal to ColorKey (compared as A8R8G8B8; 0 for no key) become
// transparent black first. pSrcInfo, when given, receives the file's own
// size and format. Palettised textures are never made, so pPalette is not
// written. D3DXERR_INVALIDDATA when the data is not a readable image.
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                   UINT SrcDataSize, UINT Width, UINT Height,
                                                   UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                   D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE8* ppTexture);

// Loading in two steps, so that decoding can run on a thread other than
// the device's (an addition of this platform to D3DX).
// D3DXPrepareTextureFromFileInMemory decodes the file, applies ColorKey and
// builds MipLevels levels (0 or D3DX_DEFAULT: the full chain) of the image's
// own size with MipFilter; it touches no device and is safe on any thread.
// D3DXCreateTextureFromPreparedImage then makes the texture on the device's
// thread, taking the prepared levels where the texture's levels have their
// sizes and filtering the rest as D3DXCreateTextureFromFileInMemoryEx does;
// both together give the same texture as that one call. The image stays the
// caller's: release it with D3DXReleasePreparedImage.
typedef struct _D3DXPREPAREDIMAGE D3DXPREPAREDIMAGE;
HRESULT WINAPI D3DXPrepareTextureFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                  UINT MipLevels, DWORD MipFilter,
                                                  D3DCOLOR ColorKey, D3DXPREPAREDIMAGE** ppImage);
HRESULT WINAPI D3DXCreateTextureFromPreparedImage(LPDIRECT3DDEVICE8 pDevice,
                                                  const D3DXPREPAREDIMAGE* pImage, UINT Width,
                                                  UINT Height, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  D3DXIMAGE_INFO* pSrcInfo,
                                                  LPDIRECT3DTEXTURE8* ppTexture);
void WINAPI D3DXReleasePreparedImage(D3DXPREPAREDIMAGE* pImage);

// The same with every setting at its default and the managed pool.
HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE8* ppTexture);

// Copies the pSrcRect part of an image in memory (SrcFormat, SrcPitch bytes
// per row) into pDestRect of a surface (the whole surface when null),
// converting the format and resizing with Filter. Texels equal to ColorKey
// become transparent black. Handles A8R8G8B8, X8R8G8B8, R8G8B8, R5G6B5,
// X1R5G5B5, A1R5G5B5, A4R4G4B4 and V8U8 on both sides; palettes are not used.
HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 pDestSurface,
                                         const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                         LPCVOID pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                         const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey);
