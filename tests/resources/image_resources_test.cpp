// The built-in icon and preview bitmap, and their decoders on damaged data.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <vector>

#include "resources/image_resources.h"

TEST(ImageResourcesTest, IconHasThreeSizesWithAlpha) {
    std::vector<ImageResource> sizes = FindIconResource(101);
    std::set<int> widths;
    for (const ImageResource& image : sizes) {
        widths.insert(image.width);
        EXPECT_EQ(image.width, image.height);
        EXPECT_EQ(image.pixels.size(), static_cast<size_t>(image.width * image.height));
        // Transparent corners around an opaque middle.
        EXPECT_EQ(image.pixels[0] >> 24, 0u);
        EXPECT_EQ(image.pixels[image.width / 2 * image.width + image.width / 2] >> 24, 0xFFu);
    }
    EXPECT_EQ(widths, (std::set<int>{16, 32, 48}));
    EXPECT_TRUE(FindIconResource(102).empty());
}

TEST(ImageResourcesTest, PreviewBitmapIsAFrameOfTheScene) {
    ImageResource preview;
    ASSERT_TRUE(FindBitmapResource(107, &preview));
    EXPECT_EQ(preview.width, 152);
    EXPECT_EQ(preview.height, 112);
    // Sky at the top: more blue than red.
    uint32_t sky = preview.pixels[76];
    EXPECT_GT(sky & 0xFF, (sky >> 16) & 0xFF);
    EXPECT_FALSE(FindBitmapResource(108, &preview));

    HBITMAP bitmap = LoadBitmap(GetModuleHandle(nullptr), MAKEINTRESOURCE(107));
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    EXPECT_NE(LoadIcon(GetModuleHandle(nullptr), MAKEINTRESOURCE(101)), nullptr);
}

TEST(ImageResourcesTest, DamagedFilesAreRefused) {
    std::vector<uint8_t> bmp = {'B', 'M'};
    bmp.resize(54, 0);
    ImageResource image;
    EXPECT_FALSE(DecodeBitmapFile(bmp.data(), bmp.size(), &image));  // no pixels, no header
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0};
    ico.resize(22, 0xFF);  // one entry pointing far past the end
    std::vector<ImageResource> images;
    EXPECT_FALSE(DecodeIconFile(ico.data(), ico.size(), &images));
    EXPECT_FALSE(DecodeIconFile(ico.data(), 3, &images));
}
