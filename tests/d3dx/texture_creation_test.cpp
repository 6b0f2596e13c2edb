// Texture creation against the recording device: the request fitted to the
// device, decoded files written into every mip level in the texture's
// format, the colour key, and pixel copies into surfaces.
#include <d3dx8.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/recording_device.h"
#include "tests/support/scripted_direct3d.h"
#include "tests/support/tga_file.h"

namespace {

// A 24-bit bottom-up BMP from A8R8G8B8 texels given top row first.
std::string MakeBmp24(UINT width, UINT height, const std::vector<uint32_t>& texels) {
    const UINT stride = (width * 3 + 3) & ~3u;
    std::string file(54 + stride * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'B', file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1, file[28] = 24;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            const uint32_t t = texels[(height - 1 - y) * width + x];
            std::memcpy(&file[54 + y * stride + x * 3], &t, 3);
        }
    return file;
}

// The arguments of one CreateTexture call, as numbers.
struct TextureRequest {
    UINT width, height, levels;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
};

class TextureCreationTest : public ::testing::Test {
protected:
    // A hardware device that needs powers of two, with mip maps and alpha,
    // on an adapter that takes the common texture formats.
    void SetUp() override {
        direct3d.adapters.resize(1);
        device->direct3d = &direct3d;
        device->caps.TextureCaps =
            D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_ALPHA;
        device->caps.MaxTextureWidth = device->caps.MaxTextureHeight = 2048;
    }
    void TearDown() override {
        if (texture) texture->Release();
        for (RecordingTexture* made : device->textures) {
            EXPECT_EQ(0u, made->references) << made->name << " was leaked";
        }
    }

    // The texture cache's call: sizes from the file, up to 15 levels,
    // format from the file, managed, point filters, colour key 0x0FF00000.
    HRESULT LoadLikeTheCache(const std::string& file, D3DXIMAGE_INFO* info = nullptr) {
        return D3DXCreateTextureFromFileInMemoryEx(
            device, file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT, D3DX_DEFAULT, 15, 0,
            D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0x0FF00000, info,
            nullptr, &texture);
    }
    RecordingSurface& Level(size_t i) {
        return *static_cast<RecordingTexture*>(texture)->levels.at(i);
    }
    size_t CreateCalls() const { return device->Calls("CreateTexture").size(); }
    TextureRequest LastCreate() const {
        const std::vector<std::string>& a = device->calls.at(LastCreateIndex()).args;
        auto number = [&](size_t i) { return static_cast<UINT>(std::stoul(a.at(i))); };
        return {number(0),
                number(1),
                number(2),
                number(3),
                static_cast<D3DFORMAT>(number(4)),
                static_cast<D3DPOOL>(number(5))};
    }
    // Makes every call to `method` fail with `result`.
    void Fail(const std::string& method, HRESULT result) {
        device->answer = [method, result](const DeviceCall& call) {
            return call.method == method ? result : D3D_OK;
        };
    }

    std::vector<std::string> log;
    ScriptedDirect3D direct3d{&log};
    RecordingDevice recorder;
    RecordingDevice* device = &recorder;
    IDirect3DTexture8* texture = nullptr;

private:
    size_t LastCreateIndex() const {
        for (size_t i = device->calls.size(); i-- > 0;) {
            if (device->calls[i].method == "CreateTexture") return i;
        }
        ADD_FAILURE() << "no CreateTexture call";
        return device->calls.size();
    }
};

TEST_F(TextureCreationTest, CreateTextureForTheReflectionTarget) {
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device, 512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                        D3DPOOL_DEFAULT, &texture));
    EXPECT_EQ(512u, LastCreate().width);
    EXPECT_EQ(512u, LastCreate().height);
    EXPECT_EQ(1u, LastCreate().levels);
    EXPECT_EQ(DWORD(D3DUSAGE_RENDERTARGET), LastCreate().usage);
    EXPECT_EQ(D3DFMT_X8R8G8B8, LastCreate().format);
    EXPECT_EQ(D3DPOOL_DEFAULT, LastCreate().pool);
}

TEST_F(TextureCreationTest, CreateTextureReportsTheDevicesFailure) {
    Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
    texture = reinterpret_cast<IDirect3DTexture8*>(0x1);  // must be cleared
    EXPECT_EQ(D3DERR_OUTOFVIDEOMEMORY,
              D3DXCreateTexture(device, 512, 512, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                D3DPOOL_DEFAULT, &texture));
    EXPECT_EQ(nullptr, texture);
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXCreateTexture(nullptr, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture));
}

TEST_F(TextureCreationTest, RequirementsFollowTheDeviceCapabilities) {
    UINT w = 100, h = 30, levels = D3DX_DEFAULT;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    ASSERT_EQ(D3D_OK,
              D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, &format, D3DPOOL_MANAGED));
    EXPECT_EQ(128u, w);  // powers of two on a device that needs them
    EXPECT_EQ(32u, h);
    EXPECT_EQ(8u, levels);  // 128 down to 1
    EXPECT_EQ(D3DFMT_A8R8G8B8, format);

    levels = 15;
    w = 6, h = 3;
    D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, nullptr, D3DPOOL_MANAGED);
    EXPECT_EQ(4u, levels);  // 8x4, 4x2, 2x1, 1x1: a request is limited to the full chain

    device->caps.TextureCaps = D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_SQUAREONLY;
    device->caps.MaxTextureWidth = device->caps.MaxTextureHeight = 64;
    w = 100, h = 30, levels = 0;
    D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, nullptr, D3DPOOL_MANAGED);
    EXPECT_EQ(64u, w);  // square, then limited to the largest texture
    EXPECT_EQ(64u, h);
    EXPECT_EQ(7u, levels);

    device->caps.TextureCaps = 0;  // no mip maps at all
    device->caps.MaxTextureWidth = device->caps.MaxTextureHeight = 2048;
    w = 100, h = 30, levels = 5;
    D3DXCheckTextureRequirements(device, &w, &h, &levels, 0, nullptr, D3DPOOL_MANAGED);
    EXPECT_EQ(100u, w);
    EXPECT_EQ(30u, h);
    EXPECT_EQ(1u, levels);

    w = D3DX_DEFAULT, h = 0;
    D3DXCheckTextureRequirements(device, &w, &h, nullptr, 0, nullptr, D3DPOOL_MANAGED);
    EXPECT_EQ(256u, w);
    EXPECT_EQ(256u, h);
}

TEST_F(TextureCreationTest, UnsupportedFormatsFallBackToTheClosest) {
    direct3d.adapters[0].textureFormats = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5};
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    D3DXCheckTextureRequirements(device, nullptr, nullptr, nullptr, 0, &format, D3DPOOL_MANAGED);
    EXPECT_EQ(D3DFMT_A8R8G8B8, format);
    direct3d.adapters[0].textureFormats = {D3DFMT_A4R4G4B4, D3DFMT_R5G6B5};
    format = D3DFMT_A8R8G8B8;
    D3DXCheckTextureRequirements(device, nullptr, nullptr, nullptr, 0, &format, D3DPOOL_MANAGED);
    EXPECT_EQ(D3DFMT_A4R4G4B4, format);  // alpha kept before precision
    format = D3DFMT_X8R8G8B8;
    D3DXCheckTextureRequirements(device, nullptr, nullptr, nullptr, 0, &format, D3DPOOL_MANAGED);
    EXPECT_EQ(D3DFMT_R5G6B5, format);
}

TEST_F(TextureCreationTest, TgaWithAlphaBecomesAFullMipChain) {
    // 6 x 3 texels, each distinct; the device rounds the texture to 8 x 4.
    std::vector<uint32_t> texels(18);
    for (uint32_t i = 0; i < 18; ++i) texels[i] = 0x80000000u | (i * 0x0A0B0C);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3D_OK, LoadLikeTheCache(Tga32(6, 3, texels), &info));
    EXPECT_EQ(6u, info.Width);
    EXPECT_EQ(3u, info.Height);
    EXPECT_EQ(D3DFMT_A8R8G8B8, info.Format);
    EXPECT_EQ(D3DXIFF_TGA, info.ImageFileFormat);
    EXPECT_EQ(D3DRTYPE_TEXTURE, info.ResourceType);
    EXPECT_EQ(8u, LastCreate().width);
    EXPECT_EQ(4u, LastCreate().height);
    EXPECT_EQ(4u, LastCreate().levels);
    EXPECT_EQ(D3DFMT_A8R8G8B8, LastCreate().format);
    EXPECT_EQ(D3DPOOL_MANAGED, LastCreate().pool);
    EXPECT_EQ(DWORD(0), LastCreate().usage);

    // Point filter: destination texel x takes source texel (2x + 1) * 6 / 16.
    const UINT sourceColumn[8] = {0, 1, 1, 2, 3, 4, 4, 5};
    const UINT sourceRow[4] = {0, 1, 1, 2};
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 8; ++x)
            EXPECT_EQ(texels[sourceRow[y] * 6 + sourceColumn[x]], Level(0).At(x, y))
                << x << "," << y;
    // Each further level is the point-filtered level above.
    for (size_t level = 1; level < 4; ++level) {
        const RecordingSurface &above = Level(level - 1), &here = Level(level);
        for (UINT y = 0; y < here.desc.Height; ++y)
            for (UINT x = 0; x < here.desc.Width; ++x)
                EXPECT_EQ(above.At(std::min(2 * x + 1, above.desc.Width - 1),
                                   std::min(2 * y + 1, above.desc.Height - 1)),
                          here.At(x, y))
                    << "level " << level;
        EXPECT_FALSE(here.locked);
        EXPECT_EQ(1, here.locks);
    }
}

TEST_F(TextureCreationTest, ColourKeyMakesExactMatchesTransparentBlack) {
    const std::vector<uint32_t> texels = {0x0FF00000, 0xFFF00000, 0x0FF00001, 0x0FF00000};
    ASSERT_EQ(D3D_OK, LoadLikeTheCache(Tga32(2, 2, texels)));
    EXPECT_EQ(0u, Level(0).At(0, 0));
    EXPECT_EQ(0xFFF00000u, Level(0).At(1, 0));  // opaque: never the key
    EXPECT_EQ(0x0FF00001u, Level(0).At(0, 1));
    EXPECT_EQ(0u, Level(0).At(1, 1));
}

TEST_F(TextureCreationTest, OpaqueFilesGetAlphaOnlyWhenAKeyIsGiven) {
    const std::vector<uint32_t> texels = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
    const std::string bmp = MakeBmp24(2, 2, texels);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3D_OK, LoadLikeTheCache(bmp, &info));
    EXPECT_EQ(D3DFMT_R8G8B8, info.Format);
    EXPECT_EQ(D3DXIFF_BMP, info.ImageFileFormat);
    EXPECT_EQ(D3DFMT_A8R8G8B8, LastCreate().format);
    texture->Release();
    texture = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemory(device, bmp.data(),
                                                        static_cast<UINT>(bmp.size()), &texture));
    EXPECT_EQ(D3DFMT_X8R8G8B8, LastCreate().format);
    EXPECT_EQ(2u, LastCreate().levels);
    EXPECT_EQ(0xFF708090u, Level(0).At(0, 1));
    // The default mip filter is the box: the 1x1 level is the average.
    EXPECT_EQ(0xFF586878u, Level(1).At(0, 0));
}

TEST_F(TextureCreationTest, RequestedFormatsAndSizesAreHonoured) {
    const std::vector<uint32_t> texels = {0xFFFF0000, 0xFF00FF00, 0x800000FF, 0x00FFFFFF};
    const std::string tga = Tga32(2, 2, texels);
    ASSERT_EQ(D3D_OK,
              D3DXCreateTextureFromFileInMemoryEx(device, tga.data(), UINT(tga.size()), 0, 0, 1, 0,
                                                  D3DFMT_R5G6B5, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                  D3DX_FILTER_NONE, 0, nullptr, nullptr, &texture));
    EXPECT_EQ(1u, LastCreate().levels);
    EXPECT_EQ(0xF800u, Level(0).At(0, 0));
    EXPECT_EQ(0x07E0u, Level(0).At(1, 0));
    EXPECT_EQ(0x001Fu, Level(0).At(0, 1));
    texture->Release();

    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(device, tga.data(), UINT(tga.size()), 4,
                                                          4, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED,
                                                          D3DX_FILTER_NONE, D3DX_DEFAULT, 0,
                                                          nullptr, nullptr, &texture));
    // No filter: the image sits unscaled in the corner, the rest is transparent black.
    EXPECT_EQ(0xFF00u, Level(0).At(0, 0));
    EXPECT_EQ(0x800Fu, Level(0).At(0, 1));
    EXPECT_EQ(0x0FFFu, Level(0).At(1, 1));
    EXPECT_EQ(0u, Level(0).At(3, 3));
    EXPECT_EQ(0u, Level(0).At(2, 0));
    texture->Release();

    ASSERT_EQ(D3D_OK,
              D3DXCreateTextureFromFileInMemoryEx(device, tga.data(), UINT(tga.size()), 4, 4, 2, 0,
                                                  D3DFMT_A1R5G5B5, D3DPOOL_MANAGED, D3DX_FILTER_BOX,
                                                  D3DX_FILTER_BOX, 0, nullptr, nullptr, &texture));
    EXPECT_EQ(0xFC00u, Level(0).At(1, 1));  // box upscaling repeats texels
    EXPECT_EQ(0x801Fu, Level(0).At(0, 3));  // alpha 0x80 rounds to set
    EXPECT_EQ(0x7FFFu, Level(0).At(3, 3));
    EXPECT_EQ(0xFC00u, Level(1).At(0, 0));
}

TEST_F(TextureCreationTest, LinearFilterBlendsNeighbours) {
    const std::vector<uint32_t> texels = {0xFF000000, 0xFFFFFFFF};
    const std::string tga = Tga32(2, 1, texels);
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(device, tga.data(), UINT(tga.size()), 4,
                                                          1, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED,
                                                          D3DX_FILTER_LINEAR, D3DX_FILTER_LINEAR, 0,
                                                          nullptr, nullptr, &texture));
    // Centres at 0.25, 0.75, 1.25, 1.75 source texels: 0, 1/4, 3/4, 1 of the way.
    EXPECT_EQ(0xFF000000u, Level(0).At(0, 0));
    EXPECT_EQ(0xFF404040u, Level(0).At(1, 0));
    EXPECT_EQ(0xFFBFBFBFu, Level(0).At(2, 0));
    EXPECT_EQ(0xFFFFFFFFu, Level(0).At(3, 0));
}

TEST_F(TextureCreationTest, BadDataAndBadCallsCreateNothing) {
    const std::string junk = "not an image at all, just text";
    texture = reinterpret_cast<IDirect3DTexture8*>(0x1);
    EXPECT_EQ(D3DXERR_INVALIDDATA, LoadLikeTheCache(junk));
    EXPECT_EQ(nullptr, texture);
    const std::string truncated = Tga32(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFF)).substr(0, 40);
    EXPECT_EQ(D3DXERR_INVALIDDATA, LoadLikeTheCache(truncated));
    EXPECT_EQ(0u, CreateCalls());
    const std::string good = Tga32(1, 1, {0xFFFFFFFF});
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXCreateTextureFromFileInMemoryEx(
                  device, good.data(), UINT(good.size()), 0, 0, 1, 0, D3DFMT_UNKNOWN,
                  D3DPOOL_MANAGED, 99, D3DX_FILTER_POINT, 0, nullptr, nullptr, &texture));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXCreateTextureFromFileInMemoryEx(
                  device, nullptr, 10, 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                  D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0, nullptr, nullptr, &texture));
    EXPECT_EQ(0u, CreateCalls());
}

TEST_F(TextureCreationTest, FailuresAfterCreationReleaseTheTexture) {
    Fail("LockRect", D3DERR_INVALIDCALL);
    const std::string tga = Tga32(2, 2, std::vector<uint32_t>(4, 0xFFFFFFFF));
    EXPECT_EQ(D3DERR_INVALIDCALL, LoadLikeTheCache(tga));
    EXPECT_EQ(nullptr, texture);
    EXPECT_EQ(1u, CreateCalls());
    // TearDown checks that the texture was released.
}

// Every level of a texture, as its texels, for comparing two textures.
std::vector<std::vector<uint32_t>> LevelTexels(IDirect3DTexture8* texture) {
    std::vector<std::vector<uint32_t>> levels;
    for (const RecordingSurface* level : static_cast<RecordingTexture*>(texture)->levels) {
        levels.emplace_back();
        for (UINT y = 0; y < level->desc.Height; ++y)
            for (UINT x = 0; x < level->desc.Width; ++x) levels.back().push_back(level->At(x, y));
    }
    return levels;
}

TEST_F(TextureCreationTest, PreparedImagesMakeTheSameTexturesAsOneCall) {
    std::vector<uint32_t> texels(8 * 4);
    for (uint32_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | (i * 0x070B0D);
    texels[5] = 0x0FF00000;  // the key
    // 8x4 fits the device as it is; 6x3 is rounded up to 8x4, so the levels
    // prepared at the image's own size cannot be used.
    for (const UINT width : {8u, 6u}) {
        const UINT height = width / 2;
        const std::string tga = Tga32(
            width, height, std::vector<uint32_t>(texels.begin(), texels.begin() + width * height));
        for (const UINT preparedLevels : {1u, 2u, UINT(D3DX_DEFAULT)}) {
            SCOPED_TRACE(testing::Message()
                         << width << "x" << height << ", " << preparedLevels << " levels prepared");
            IDirect3DTexture8* direct = nullptr;
            ASSERT_EQ(D3D_OK, D3DXCreateTextureFromFileInMemoryEx(
                                  device, tga.data(), UINT(tga.size()), 0, 0, 15, 0, D3DFMT_UNKNOWN,
                                  D3DPOOL_MANAGED, D3DX_FILTER_BOX, D3DX_FILTER_BOX, 0x0FF00000,
                                  nullptr, nullptr, &direct));
            D3DXPREPAREDIMAGE* image = nullptr;
            ASSERT_EQ(D3D_OK, D3DXPrepareTextureFromFileInMemory(tga.data(), UINT(tga.size()),
                                                                 preparedLevels, D3DX_FILTER_BOX,
                                                                 0x0FF00000, &image));
            D3DXIMAGE_INFO info{};
            ASSERT_EQ(D3D_OK, D3DXCreateTextureFromPreparedImage(device, image, 0, 0, 15, 0,
                                                                 D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                                 D3DX_FILTER_BOX, &info, &texture));
            D3DXReleasePreparedImage(image);
            EXPECT_EQ(width, info.Width);
            EXPECT_EQ(D3DXIFF_TGA, info.ImageFileFormat);
            EXPECT_EQ(D3DFMT_A8R8G8B8, LastCreate().format);  // alpha for the key
            EXPECT_EQ(4u, LastCreate().levels);
            EXPECT_EQ(LevelTexels(direct), LevelTexels(texture));
            if (width == 8) {
                EXPECT_EQ(0u, Level(0).At(5, 0));  // keyed out
            }
            direct->Release();
            texture->Release();
            texture = nullptr;
        }
    }
}

TEST_F(TextureCreationTest, PreparingBadDataOrBadCallsGivesNoImage) {
    D3DXPREPAREDIMAGE* image = reinterpret_cast<D3DXPREPAREDIMAGE*>(0x1);
    const std::string junk = "not an image at all, just text";
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXPrepareTextureFromFileInMemory(
                                       junk.data(), UINT(junk.size()), 0, D3DX_DEFAULT, 0, &image));
    EXPECT_EQ(nullptr, image);
    const std::string good = Tga32(1, 1, {0xFFFFFFFF});
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXPrepareTextureFromFileInMemory(good.data(), UINT(good.size()), 0, 99, 0, &image));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXPrepareTextureFromFileInMemory(nullptr, 4, 0, 0, 0, &image));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXPrepareTextureFromFileInMemory(good.data(), UINT(good.size()), 0, 0, 0, nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXCreateTextureFromPreparedImage(device, nullptr, 0, 0, 1, 0, D3DFMT_UNKNOWN,
                                                 D3DPOOL_MANAGED, 0, nullptr, &texture));
    EXPECT_EQ(0u, CreateCalls());
    D3DXReleasePreparedImage(nullptr);
}

TEST_F(TextureCreationTest, ImageInfoFromMemory) {
    const std::string bmp = MakeBmp24(5, 7, std::vector<uint32_t>(35, 0xFF000000));
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3D_OK, D3DXGetImageInfoFromFileInMemory(bmp.data(), UINT(bmp.size()), &info));
    EXPECT_EQ(5u, info.Width);
    EXPECT_EQ(7u, info.Height);
    EXPECT_EQ(1u, info.Depth);
    EXPECT_EQ(1u, info.MipLevels);
    EXPECT_EQ(D3DXERR_INVALIDDATA, D3DXGetImageInfoFromFileInMemory("xyz", 3, &info));
}

// The bump texture's copy: 256 x 256 V8U8 texels, pitch 512, no filter.
TEST(LoadSurfaceFromMemory, V8U8CopiesAreExact) {
    RecordingDevice device;
    std::vector<uint8_t> bump(256 * 512);
    for (size_t i = 0; i < bump.size(); ++i) bump[i] = static_cast<uint8_t>(i * 7 + i / 512);
    RecordingSurface* surface = device.MakeSurface(256, 256, D3DFMT_V8U8, 0, D3DPOOL_MANAGED);
    const RECT all{0, 0, 256, 256};
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, bump.data(), D3DFMT_V8U8,
                                                512, nullptr, &all, D3DX_FILTER_NONE, 0));
    for (UINT y = 0; y < 256; ++y)
        ASSERT_EQ(
            0, std::memcmp(bump.data() + y * 512, surface->bytes.data() + y * surface->pitch, 512))
            << "row " << y;
    EXPECT_FALSE(surface->locked);
    // Signed components survive a trip through another format and back.
    RecordingSurface* wide = device.MakeSurface(256, 256, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(wide, nullptr, nullptr, bump.data(), D3DFMT_V8U8,
                                                512, nullptr, &all, D3DX_FILTER_POINT, 0));
    RecordingSurface* back = device.MakeSurface(256, 256, D3DFMT_V8U8, 0, D3DPOOL_MANAGED);
    ASSERT_EQ(D3D_OK,
              D3DXLoadSurfaceFromMemory(back, nullptr, nullptr, wide->bytes.data(), D3DFMT_A8R8G8B8,
                                        wide->pitch, nullptr, &all, D3DX_FILTER_POINT, 0));
    // u 0 and v 7 sit in red and green, moved up by 128.
    EXPECT_EQ(0xFF8087FFu, wide->At(0, 0));
    for (UINT y = 0; y < 256; y += 17)
        ASSERT_EQ(0, std::memcmp(bump.data() + y * 512, back->bytes.data() + y * back->pitch, 512));
}

TEST(LoadSurfaceFromMemory, ConvertsResizesAndKeys) {
    RecordingDevice device;
    // 2 x 2 X8R8G8B8 source inside a wider buffer, copied from (1, 0).
    const uint32_t source[2][4] = {{0, 0x00FF0000, 0x0000FF00, 0}, {0, 0x000000FF, 0x00123456, 0}};
    const RECT rect{1, 0, 3, 2};
    RecordingSurface* surface = device.MakeSurface(4, 4, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_X8R8G8B8,
                                                16, nullptr, &rect, D3DX_FILTER_POINT, 0));
    EXPECT_EQ(0xFFFF0000u, surface->At(0, 0));  // X becomes opaque alpha
    EXPECT_EQ(0xFFFF0000u, surface->At(1, 1));
    EXPECT_EQ(0xFF00FF00u, surface->At(3, 0));
    EXPECT_EQ(0xFF123456u, surface->At(3, 3));

    // Into part of a 16-bit surface, with a key.
    const RECT dest{2, 2, 4, 4};
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(surface, nullptr, &dest, source, D3DFMT_X8R8G8B8,
                                                16, nullptr, &rect, D3DX_FILTER_NONE, 0xFF0000FF));
    EXPECT_EQ(0xFF00FF00u, surface->At(3, 2));
    EXPECT_EQ(0u, surface->At(2, 3));           // the keyed blue
    EXPECT_EQ(0xFFFF0000u, surface->At(1, 1));  // outside the rectangle: untouched

    RecordingSurface* small = device.MakeSurface(2, 2, D3DFMT_R5G6B5, 0, D3DPOOL_MANAGED);
    ASSERT_EQ(D3D_OK, D3DXLoadSurfaceFromMemory(small, nullptr, nullptr, source, D3DFMT_X8R8G8B8,
                                                16, nullptr, &rect, D3DX_FILTER_NONE, 0));
    EXPECT_EQ(0xF800u, small->At(0, 0));
    EXPECT_EQ(0x001Fu, small->At(0, 1));
    EXPECT_EQ(0x11AAu, small->At(1, 1));  // 0x12, 0x34, 0x56 rounded to 5, 6, 5 bits
}

TEST(LoadSurfaceFromMemory, RejectsBadRectanglesAndFormats) {
    RecordingDevice device;
    RecordingSurface* surface = device.MakeSurface(4, 4, D3DFMT_A8R8G8B8, 0, D3DPOOL_MANAGED);
    const uint32_t source[4] = {};
    const RECT ok{0, 0, 2, 2}, empty{1, 1, 1, 2}, tooWide{0, 0, 5, 1}, outside{3, 3, 5, 5};
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_A8R8G8B8, 8,
                                        nullptr, nullptr, D3DX_FILTER_NONE, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_A8R8G8B8, 8,
                                        nullptr, &empty, D3DX_FILTER_NONE, 0));
    // A source row longer than the pitch cannot be right.
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_A8R8G8B8, 8,
                                        nullptr, &tooWide, D3DX_FILTER_NONE, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, &outside, source, D3DFMT_A8R8G8B8, 8,
                                        nullptr, &ok, D3DX_FILTER_NONE, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_L6V5U5, 8,
                                        nullptr, &ok, D3DX_FILTER_NONE, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXLoadSurfaceFromMemory(surface, nullptr, nullptr, source, D3DFMT_A8R8G8B8, 8,
                                        nullptr, &ok, 0x1234, 0));
    EXPECT_EQ(0, surface->locks);
}

}  // namespace
