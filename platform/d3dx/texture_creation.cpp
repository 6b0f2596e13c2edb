// Texture creation: fitting requests to the device, decoding files into
// textures with their mip chains, and copying pixels into surfaces.
#include "platform/d3d8/include/d3d8_level_upload.h"
#include <d3dx8tex.h>

#include "image_decoder.h"
#include "image_filter.h"
#include "pixel_format.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "platform/startup_profile.h"

// A decoded file with its colour key applied and the first levels of its own
// mip chain.
struct PreparedLevel {
    UINT width = 0;
    UINT height = 0;
    std::vector<uint32_t> texels;
};

struct _D3DXPREPAREDIMAGE {
    std::vector<PreparedLevel> levels;  // never empty; [0] is the image
    DWORD mipFilter = D3DX_FILTER_BOX;
    D3DCOLOR colourKey = 0;
    D3DFORMAT fileTexelFormat = D3DFMT_UNKNOWN;
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
};

namespace {

constexpr UINT kDefaultSide = 256;

UINT NextPowerOfTwo(UINT value) {
    UINT p = 1;
    while (p < value && p < (1u << 31)) p <<= 1;
    return p;
}

UINT FullChainLength(UINT width, UINT height) {
    UINT levels = 1;
    for (UINT side = std::max(width, height); side > 1; side >>= 1) ++levels;
    return levels;
}

// Asks the device's Direct3D object whether textures of `format` can be made
// with `usage`. A device that cannot answer is trusted with the format.
bool DeviceTakesFormat(IDirect3DDevice8* device, DWORD usage, D3DFORMAT format) {
    IDirect3D8* d3d = nullptr;
    if (FAILED(device->GetDirect3D(&d3d)) || !d3d) return true;
    D3DDEVICE_CREATION_PARAMETERS creation{};
    D3DDISPLAYMODE mode{};
    bool ok = true;
    if (SUCCEEDED(device->GetCreationParameters(&creation)) &&
        SUCCEEDED(device->GetDisplayMode(&mode)))
        ok = SUCCEEDED(d3d->CheckDeviceFormat(creation.AdapterOrdinal, creation.DeviceType,
                                              mode.Format, usage, D3DRTYPE_TEXTURE, format));
    d3d->Release();
    return ok;
}

// The format asked for first, then the formats that keep the most of it.
D3DFORMAT ChooseFormat(IDirect3DDevice8* device, DWORD usage, D3DFORMAT wanted) {
    if (wanted == D3DFMT_UNKNOWN) wanted = D3DFMT_A8R8G8B8;
    if (DeviceTakesFormat(device, usage, wanted)) return wanted;
    static const D3DFORMAT withAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
    static const D3DFORMAT opaque[] = {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R5G6B5,
                                       D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5};
    if (wanted == D3DFMT_V8U8) return wanted;  // nothing else holds signed texels
    const bool alpha = FormatHasAlpha(wanted);
    const D3DFORMAT* candidates = alpha ? withAlpha : opaque;
    const size_t count = alpha ? std::size(withAlpha) : std::size(opaque);
    for (size_t i = 0; i < count; ++i)
        if (candidates[i] != wanted && DeviceTakesFormat(device, usage, candidates[i]))
            return candidates[i];
    return wanted;  // let texture creation report the failure
}

// The texture format for a file's pixels: a format this library writes, with
// alpha whenever the file has it or a colour key may punch holes into it.
D3DFORMAT FormatForFile(D3DFORMAT fileFormat, D3DCOLOR colourKey) {
    D3DFORMAT format = fileFormat;
    if (format == D3DFMT_R8G8B8 || TexelSize(format) == 0) format = D3DFMT_X8R8G8B8;
    if (colourKey != 0 && !FormatHasAlpha(format))
        format = format == D3DFMT_X8R8G8B8 ? D3DFMT_A8R8G8B8 : D3DFMT_A1R5G5B5;
    return format;
}

DWORD ResolveFilter(DWORD filter, DWORD fallback) {
    return filter == D3DX_DEFAULT ? fallback : filter;
}

// Writes width x height A8R8G8B8 texels into locked memory of `format`.
void WriteTexels(const std::vector<uint32_t>& texels, UINT width, UINT height, D3DFORMAT format,
                 const D3DLOCKED_RECT& locked) {
    const UINT size = TexelSize(format);
    // On a little-endian machine A8R8G8B8 is the texel arrays' own layout in
    // memory (B, G, R, A): whole rows copy.
    if (format == D3DFMT_A8R8G8B8 && std::endian::native == std::endian::little) {
        for (UINT y = 0; y < height; ++y)
            std::memcpy(
                static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                texels.data() + size_t(y) * width, size_t(width) * 4);
        return;
    }
    for (UINT y = 0; y < height; ++y) {
        uint8_t* row =
            static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch;
        for (UINT x = 0; x < width; ++x)
            WriteTexel(row + x * size, format, texels[size_t(y) * width + x]);
    }
}

// Writes every level of `texture`: the prepared levels while the texture's
// levels have their sizes, otherwise level 0 resized from the image with
// `filter` and each further level made from the one above with the image's
// mip filter.
HRESULT FillLevels(IDirect3DTexture8* texture, const D3DXPREPAREDIMAGE& image, DWORD filter) {
    const DWORD levels = texture->GetLevelCount();
    // A8R8G8B8 texels are the arrays' own bytes on a little-endian machine,
    // so a texture that takes whole levels gets them without a lock's copy.
    IDirect3DLevelUpload8* upload = nullptr;
    if (std::endian::native != std::endian::little ||
        FAILED(
            texture->QueryInterface(IID_IDirect3DLevelUpload8, reinterpret_cast<void**>(&upload))))
        upload = nullptr;
    struct Releaser {
        IDirect3DLevelUpload8* upload;
        ~Releaser() {
            if (upload != nullptr) upload->Release();
        }
    } releaser{upload};
    const std::vector<uint32_t>* above = &image.levels[0].texels;
    UINT aboveWidth = image.levels[0].width, aboveHeight = image.levels[0].height;
    std::vector<uint32_t> made;  // the latest level the image had not prepared
    bool prepared = true;        // every level so far came from the image
    for (DWORD level = 0; level < levels; ++level) {
        D3DSURFACE_DESC desc{};
        HRESULT hr = texture->GetLevelDesc(level, &desc);
        if (FAILED(hr)) return hr;
        if (TexelSize(desc.Format) == 0) return D3DERR_INVALIDCALL;
        prepared = prepared && level < image.levels.size() &&
                   image.levels[level].width == desc.Width &&
                   image.levels[level].height == desc.Height;
        if (prepared) {
            above = &image.levels[level].texels;
        } else {
            made = ResizeTexels(*above, aboveWidth, aboveHeight, desc.Width, desc.Height,
                                level == 0 ? filter : image.mipFilter);
            above = &made;
        }
        aboveWidth = desc.Width;
        aboveHeight = desc.Height;
        if (upload != nullptr && desc.Format == D3DFMT_A8R8G8B8 &&
            SUCCEEDED(upload->UploadLevel(level, above->data(), desc.Width * 4)))
            continue;
        D3DLOCKED_RECT locked{};
        hr = texture->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) return hr;
        WriteTexels(*above, desc.Width, desc.Height, desc.Format, locked);
        texture->UnlockRect(level);
    }
    return D3D_OK;
}

}  // namespace

HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE8 pDevice, UINT* pWidth, UINT* pHeight,
                                            UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                            D3DPOOL Pool) {
    (void)Pool;
    if (!pDevice) return D3DERR_INVALIDCALL;
    D3DCAPS8 caps{};
    HRESULT hr = pDevice->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;

    UINT width = pWidth ? *pWidth : 0, height = pHeight ? *pHeight : 0;
    const bool widthDefault = width == 0 || width == D3DX_DEFAULT;
    const bool heightDefault = height == 0 || height == D3DX_DEFAULT;
    if (widthDefault && heightDefault)
        width = height = kDefaultSide;
    else if (widthDefault)
        width = height;
    else if (heightDefault)
        height = width;
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
        width = NextPowerOfTwo(width);
        height = NextPowerOfTwo(height);
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) width = height = std::max(width, height);
    if (caps.MaxTextureWidth) width = std::min<UINT>(width, caps.MaxTextureWidth);
    if (caps.MaxTextureHeight) height = std::min<UINT>(height, caps.MaxTextureHeight);

    UINT levels = pNumMipLevels ? *pNumMipLevels : 0;
    const UINT fullChain = FullChainLength(width, height);
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_MIPMAP))
        levels = 1;
    else if (levels == 0 || levels == D3DX_DEFAULT || levels > fullChain)
        levels = fullChain;

    if (pWidth) *pWidth = width;
    if (pHeight) *pHeight = height;
    if (pNumMipLevels) *pNumMipLevels = levels;
    if (pFormat) *pFormat = ChooseFormat(pDevice, Usage, *pFormat);
    return D3D_OK;
}

HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE8 pDevice, UINT Width, UINT Height, UINT MipLevels,
                                 DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                 LPDIRECT3DTEXTURE8* ppTexture) {
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    HRESULT hr =
        D3DXCheckTextureRequirements(pDevice, &Width, &Height, &MipLevels, Usage, &Format, Pool);
    if (FAILED(hr)) return hr;
    return pDevice->CreateTexture(Width, Height, MipLevels, Usage, Format, Pool, ppTexture);
}

HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                D3DXIMAGE_INFO* pSrcInfo) {
    if (!pSrcData || SrcDataSize == 0 || !pSrcInfo) return D3DERR_INVALIDCALL;
    DecodedImage image;
    HRESULT hr = DecodeImage(pSrcData, SrcDataSize, &image);
    if (FAILED(hr)) return hr;
    *pSrcInfo = D3DXIMAGE_INFO{image.width,      image.height,    1, 1, image.format,
                               D3DRTYPE_TEXTURE, image.fileFormat};
    return D3D_OK;
}

HRESULT WINAPI D3DXPrepareTextureFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize,
                                                  UINT MipLevels, DWORD MipFilter,
                                                  D3DCOLOR ColorKey, D3DXPREPAREDIMAGE** ppImage) {
    if (!ppImage) return D3DERR_INVALIDCALL;
    *ppImage = nullptr;
    if (!pSrcData || SrcDataSize == 0) return D3DERR_INVALIDCALL;
    MipFilter = ResolveFilter(MipFilter, D3DX_FILTER_BOX);
    if (!IsValidFilter(MipFilter)) return D3DERR_INVALIDCALL;

    StartupPhaseScope timing(StartupPhase::ImageDecode);
    DecodedImage decoded;
    HRESULT hr = DecodeImage(pSrcData, SrcDataSize, &decoded);
    if (FAILED(hr)) return hr;
    try {
        auto image = std::make_unique<D3DXPREPAREDIMAGE>();
        image->mipFilter = MipFilter;
        image->colourKey = ColorKey;
        image->fileTexelFormat = decoded.format;
        image->fileFormat = decoded.fileFormat;
        ApplyColourKey(&decoded.texels, ColorKey);
        UINT count = FullChainLength(decoded.width, decoded.height);
        if (MipLevels != 0 && MipLevels != D3DX_DEFAULT) count = std::min(count, MipLevels);
        image->levels.reserve(count);
        image->levels.push_back({decoded.width, decoded.height, std::move(decoded.texels)});
        while (image->levels.size() < count) {
            const PreparedLevel& above = image->levels.back();
            const UINT width = std::max(above.width / 2, 1u);
            const UINT height = std::max(above.height / 2, 1u);
            image->levels.push_back(
                {width, height,
                 ResizeTexels(above.texels, above.width, above.height, width, height, MipFilter)});
        }
        *ppImage = image.release();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT WINAPI D3DXCreateTextureFromPreparedImage(LPDIRECT3DDEVICE8 pDevice,
                                                  const D3DXPREPAREDIMAGE* pImage, UINT Width,
                                                  UINT Height, UINT MipLevels, DWORD Usage,
                                                  D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                  D3DXIMAGE_INFO* pSrcInfo,
                                                  LPDIRECT3DTEXTURE8* ppTexture) {
    if (!pDevice || !pImage || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    Filter = ResolveFilter(Filter, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER);
    if (!IsValidFilter(Filter)) return D3DERR_INVALIDCALL;

    // Levels the image has not prepared are filtered here; the uploads time
    // themselves.
    StartupPhaseScope timing(StartupPhase::ImageDecode);
    const PreparedLevel& top = pImage->levels[0];
    if (Width == 0 || Width == D3DX_DEFAULT) Width = top.width;
    if (Height == 0 || Height == D3DX_DEFAULT) Height = top.height;
    if (Format == D3DFMT_UNKNOWN || Format == static_cast<D3DFORMAT>(D3DX_DEFAULT))
        Format = FormatForFile(pImage->fileTexelFormat, pImage->colourKey);
    HRESULT hr =
        D3DXCheckTextureRequirements(pDevice, &Width, &Height, &MipLevels, Usage, &Format, Pool);
    if (FAILED(hr)) return hr;
    if (TexelSize(Format) == 0) return D3DERR_INVALIDCALL;

    IDirect3DTexture8* texture = nullptr;
    hr = pDevice->CreateTexture(Width, Height, MipLevels, Usage, Format, Pool, &texture);
    if (FAILED(hr)) return hr;
    try {
        hr = FillLevels(texture, *pImage, Filter);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (FAILED(hr)) {
        texture->Release();
        return hr;
    }
    if (pSrcInfo)
        *pSrcInfo =
            D3DXIMAGE_INFO{top.width,        top.height,        1, 1, pImage->fileTexelFormat,
                           D3DRTYPE_TEXTURE, pImage->fileFormat};
    *ppTexture = texture;
    return D3D_OK;
}

void WINAPI D3DXReleasePreparedImage(D3DXPREPAREDIMAGE* pImage) {
    delete pImage;
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                   UINT SrcDataSize, UINT Width, UINT Height,
                                                   UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                   D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                                   PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE8* ppTexture) {
    (void)pPalette;
    if (!pDevice || !pSrcData || SrcDataSize == 0 || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (!IsValidFilter(ResolveFilter(Filter, D3DX_FILTER_TRIANGLE))) return D3DERR_INVALIDCALL;
    // Only level 0 is prepared: the texture's size is not known yet, and the
    // device may not take the image's own.
    D3DXPREPAREDIMAGE* image = nullptr;
    HRESULT hr =
        D3DXPrepareTextureFromFileInMemory(pSrcData, SrcDataSize, 1, MipFilter, ColorKey, &image);
    if (FAILED(hr)) return hr;
    hr = D3DXCreateTextureFromPreparedImage(pDevice, image, Width, Height, MipLevels, Usage, Format,
                                            Pool, Filter, pSrcInfo, ppTexture);
    D3DXReleasePreparedImage(image);
    return hr;
}

HRESULT WINAPI D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE8 pDevice, LPCVOID pSrcData,
                                                 UINT SrcDataSize, LPDIRECT3DTEXTURE8* ppTexture) {
    return D3DXCreateTextureFromFileInMemoryEx(
        pDevice, pSrcData, SrcDataSize, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}

HRESULT WINAPI D3DXLoadSurfaceFromMemory(LPDIRECT3DSURFACE8 pDestSurface,
                                         const PALETTEENTRY* pDestPalette, const RECT* pDestRect,
                                         LPCVOID pSrcMemory, D3DFORMAT SrcFormat, UINT SrcPitch,
                                         const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect,
                                         DWORD Filter, D3DCOLOR ColorKey) {
    (void)pDestPalette;
    (void)pSrcPalette;
    if (!pDestSurface || !pSrcMemory || !pSrcRect) return D3DERR_INVALIDCALL;
    Filter = ResolveFilter(Filter, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER);
    if (!IsValidFilter(Filter)) return D3DERR_INVALIDCALL;
    const UINT srcSize = TexelSize(SrcFormat);
    if (srcSize == 0) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    HRESULT hr = pDestSurface->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    const UINT destSize = TexelSize(desc.Format);
    if (destSize == 0) return D3DERR_INVALIDCALL;

    const RECT whole{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    const RECT dest = pDestRect ? *pDestRect : whole;
    const RECT& src = *pSrcRect;
    if (dest.left < 0 || dest.top < 0 || dest.right > whole.right || dest.bottom > whole.bottom ||
        dest.left >= dest.right || dest.top >= dest.bottom)
        return D3DERR_INVALIDCALL;
    if (src.left < 0 || src.top < 0 || src.left >= src.right || src.top >= src.bottom ||
        uint64_t(src.right) * srcSize > SrcPitch)
        return D3DERR_INVALIDCALL;

    const UINT srcWidth = src.right - src.left, srcHeight = src.bottom - src.top;
    const UINT destWidth = dest.right - dest.left, destHeight = dest.bottom - dest.top;
    const auto* srcBytes = static_cast<const uint8_t*>(pSrcMemory);
    D3DLOCKED_RECT locked{};
    // Same format, same size and no key: the texels are copied as they are.
    if (SrcFormat == desc.Format && srcWidth == destWidth && srcHeight == destHeight &&
        ColorKey == 0) {
        hr = pDestSurface->LockRect(&locked, &dest, 0);
        if (FAILED(hr)) return hr;
        for (UINT y = 0; y < srcHeight; ++y)
            std::memcpy(
                static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                srcBytes + size_t(src.top + y) * SrcPitch + size_t(src.left) * srcSize,
                size_t(srcWidth) * srcSize);
        return pDestSurface->UnlockRect();
    }
    try {
        std::vector<uint32_t> texels(size_t(srcWidth) * srcHeight);
        for (UINT y = 0; y < srcHeight; ++y)
            for (UINT x = 0; x < srcWidth; ++x)
                texels[size_t(y) * srcWidth + x] = ReadTexel(
                    srcBytes + size_t(src.top + y) * SrcPitch + size_t(src.left + x) * srcSize,
                    SrcFormat);
        ApplyColourKey(&texels, ColorKey);
        texels = ResizeTexels(texels, srcWidth, srcHeight, destWidth, destHeight, Filter);
        hr = pDestSurface->LockRect(&locked, &dest, 0);
        if (FAILED(hr)) return hr;
        WriteTexels(texels, destWidth, destHeight, desc.Format, locked);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return pDestSurface->UnlockRect();
}
