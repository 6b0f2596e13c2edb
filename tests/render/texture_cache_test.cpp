// The texture cache over loose media files, with a decoder that makes
// textures on the recording device so loads can be counted and ordered.
#include <gtest/gtest.h>

#include <string>

#include "render/texture_cache.h"
#include "tests/support/recording_device.h"
#include "tests/render/recording_log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_decoders.h"
#include "tests/support/tga_file.h"

TEST(TextureCacheTest, NamesFoldToLowerCaseAtEveryEntryPoint) {
    TempFolder folder;
    folder.WriteFile("media/texture/leaf.tga", "image");
    RecordingLog log;
    RecordingDevice device;
    TextureCache cache(kSquareTextureDecoder);
    cache.AddTexture("Leaf.TGA");
    cache.AddTexture("leaf.tga");
    cache.AddTexture("LEAF.tga");
    EXPECT_EQ(cache.Size(), 1u);
    EXPECT_EQ(cache.GetTexture("leaf.tga"), nullptr);  // registered, not loaded yet

    cache.LoadAll(&device);
    EXPECT_EQ(device.Calls("CreateTexture").size(), 1u);
    EXPECT_EQ(cache.GetTexture("leaf.tga"), device.textures.at(0));
    EXPECT_EQ(cache.GetTexture("lEaF.TgA"), device.textures.at(0));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture Load texture/leaf.tga -OK"}));
    // Borrowed: handing it out adds no reference.
    EXPECT_EQ(device.textures[0]->references, 1u);
}

TEST(TextureCacheTest, LoadsInByteOrderOfTheKeys) {
    TempFolder folder;
    folder.WriteFile("media/texture/a.tga", "image");
    folder.WriteFile("media/texture/b.jpg", "image");
    folder.WriteFile("media/texture/_z.bmp", "image");
    RecordingLog log;
    RecordingDevice device;
    TextureCache cache(kSquareTextureDecoder);
    cache.AddTexture("b.jpg");
    cache.AddTexture("a.tga");
    cache.AddTexture("_Z.bmp");  // '_' sorts after the capitals but before the lower case
    cache.LoadAll(&device);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture Load texture/_z.bmp -OK",
                                                   "Texture Load texture/a.tga -OK",
                                                   "Texture Load texture/b.jpg -OK"}));
}

TEST(TextureCacheTest, MissingAndUndecodableFilesStayNullWithOneLineEach) {
    TempFolder folder;
    folder.WriteFile("media/texture/good.tga", "image");
    folder.WriteFile("media/texture/broken.jpg", "bad");
    RecordingLog log;
    RecordingDevice device;
    TextureCache cache(kSquareTextureDecoder);
    cache.AddTexture("good.tga");
    cache.AddTexture("broken.jpg");
    cache.AddTexture("Missing.bmp");
    cache.LoadAll(&device);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"Texture Load texture/broken.jpg -NO",
                                        "Texture Load texture/good.tga -OK",
                                        "Unable to load data from ziptexture/missing.bmp"}));
    EXPECT_EQ(cache.GetTexture("broken.jpg"), nullptr);
    EXPECT_EQ(cache.GetTexture("missing.bmp"), nullptr);
    EXPECT_NE(cache.GetTexture("good.tga"), nullptr);

    // Unknown names are neither registered nor logged.
    log.lines.clear();
    EXPECT_EQ(cache.GetTexture("other.tga"), nullptr);
    EXPECT_EQ(cache.Size(), 3u);
    EXPECT_TRUE(log.lines.empty());

    // Only the loaded texture is released; the cache ends empty.
    cache.ReleaseAll();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_TRUE(device.LiveObjects().empty());
    EXPECT_EQ(cache.GetTexture("good.tga"), nullptr);
}

TEST(TextureCacheTest, DestructionReleasesEveryTexture) {
    TempFolder folder;
    folder.WriteFile("media/texture/a.tga", "image");
    RecordingDevice device;
    {
        TextureCache cache(kSquareTextureDecoder);
        cache.AddTexture("a.tga");
        cache.LoadAll(&device);
        EXPECT_EQ(device.LiveObjects(), (std::vector<std::string>{"TEX1"}));
    }
    EXPECT_TRUE(device.LiveObjects().empty());
}

TEST(TextureCacheTest, LoadingTwiceKeepsOneReferencePerEntry) {
    TempFolder folder;
    folder.WriteFile("media/texture/a.tga", "image");
    RecordingDevice device;
    TextureCache cache(kSquareTextureDecoder);
    cache.AddTexture("a.tga");
    cache.LoadAll(&device);
    cache.LoadAll(&device);
    EXPECT_EQ(device.LiveObjects(), (std::vector<std::string>{"TEX2"}));
    EXPECT_EQ(cache.GetTexture("a.tga"), device.textures.at(1));
}

TEST(TextureCacheTest, TheDefaultDecoderMakesManagedMipMappedTexturesWithTheColourKey) {
    TempFolder folder;
    folder.WriteFile("media/texture/key.tga",
                     Tga32(4, 2,
                           {0xFF112233, 0x0FF00000, 0xFF112233, 0xFF112233, 0xFF445566, 0xFF445566,
                            0x0FF00000, 0xFF445566}));
    folder.WriteFile("media/texture/noise.jpg", "not an image at all");
    RecordingLog log;
    RecordingDevice device;
    TextureCache cache;
    cache.AddTexture("Key.tga");
    cache.AddTexture("noise.jpg");
    cache.LoadAll(&device);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Texture Load texture/key.tga -OK",
                                                   "Texture Load texture/noise.jpg -NO"}));
    ASSERT_EQ(device.textures.size(), 1u);
    RecordingTexture* texture = device.textures[0];
    EXPECT_EQ(cache.GetTexture("key.tga"), texture);
    EXPECT_EQ(cache.GetTexture("noise.jpg"), nullptr);
    // 4x2 gives a full chain of three levels, well under the cap of 15.
    ASSERT_EQ(texture->levels.size(), 3u);
    EXPECT_EQ(texture->levels[0]->desc.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(texture->levels[0]->desc.Width, 4u);
    EXPECT_EQ(texture->levels[0]->desc.Height, 2u);
    EXPECT_EQ(texture->levels[0]->desc.Format, D3DFMT_A8R8G8B8);
    const RecordingSurface& top = *texture->levels[0];
    EXPECT_EQ(top.At(0, 0), 0xFF112233u);
    EXPECT_EQ(top.At(1, 0), 0u);  // the colour key became transparent black
    EXPECT_EQ(top.At(2, 1), 0u);
    EXPECT_EQ(top.At(3, 1), 0xFF445566u);
    // Point filtering picks texels, it never blends them.
    const RecordingSurface& half = *texture->levels[1];
    for (UINT y = 0; y < half.desc.Height; ++y) {
        for (UINT x = 0; x < half.desc.Width; ++x) {
            const uint32_t texel = half.At(x, y);
            EXPECT_TRUE(texel == 0xFF112233u || texel == 0xFF445566u || texel == 0u)
                << std::hex << texel;
        }
    }
}
