// The comparison's share, PSNR and heat map on small made-up pictures with
// known answers, and PNG files of both writers read back by libpng.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/temp_folder.h"
#include "tools/compare/image_difference.h"
#include "tools/render/png_writer.h"

namespace {

RgbImage Filled(unsigned width, unsigned height, uint8_t value) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<size_t>(width) * height * 3, value);
    return image;
}

uint8_t* Pixel(RgbImage& image, unsigned x, unsigned y) {
    return &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
}

}  // namespace

TEST(ImageDifferenceTest, ShareCountsPixelsBeyondTheThresholdAndPsnrAllChannels) {
    RgbImage a = Filled(4, 2, 100), b = Filled(4, 2, 100);
    Pixel(b, 0, 0)[0] = 109;  // 9 levels: differs
    Pixel(b, 1, 0)[1] = 92;   // 8 levels: within the threshold
    Pixel(b, 2, 1)[2] = 80;   // 20 levels in blue and 3 in red: differs
    Pixel(b, 2, 1)[0] = 103;
    const ImageDifference d = CompareImages(a, b);
    EXPECT_DOUBLE_EQ(d.differingShare, 2.0 / 8.0);
    // Mean square over 24 samples: (81 + 64 + 400 + 9) / 24.
    EXPECT_NEAR(d.psnr, 10.0 * std::log10(255.0 * 255.0 * 24.0 / 554.0), 1e-9);
    EXPECT_NEAR(d.psnr, 34.4978, 1e-4);
    EXPECT_EQ(d.largest, 20u);
    // The same pair the other way round measures the same.
    const ImageDifference back = CompareImages(b, a);
    EXPECT_DOUBLE_EQ(back.differingShare, d.differingShare);
    EXPECT_DOUBLE_EQ(back.psnr, d.psnr);

    const ImageDifference same = CompareImages(a, a);
    EXPECT_EQ(same.differingShare, 0.0);
    EXPECT_TRUE(std::isinf(same.psnr));
    EXPECT_EQ(same.largest, 0u);
}

TEST(ImageDifferenceTest, HeatMapScalesDownKeepingTheLargestDifference) {
    RgbImage a = Filled(1024, 8, 50), b = Filled(1024, 8, 50);
    Pixel(b, 1001, 5)[1] = 50 + 64;  // white: 64 levels or more
    Pixel(b, 10, 0)[2] = 50 - 1;     // the faintest red
    Pixel(b, 11, 0)[0] = 50 + 30;    // past red into yellow
    const RgbImage map = DifferenceHeatMap(a, b, 512);
    ASSERT_EQ(map.width, 512u);
    ASSERT_EQ(map.height, 4u);
    unsigned lit = 0;
    for (size_t i = 0; i < map.rgb.size(); i += 3) lit += map.rgb[i] != 0;
    EXPECT_EQ(lit, 2u) << "only the two blocks with a difference are lit";
    const uint8_t* white = map.At(500, 2);
    EXPECT_EQ(white[0], 255);
    EXPECT_EQ(white[1], 255);
    EXPECT_EQ(white[2], 255);
    // Pixels 10 and 11 share one heat-map pixel, which shows the larger.
    const uint8_t* warm = map.At(5, 0);
    EXPECT_EQ(warm[0], 255);
    EXPECT_EQ(warm[1], 30 * 12 - 255);
    EXPECT_EQ(warm[2], 0);
    // A picture as narrow as the map keeps its size.
    const RgbImage full = DifferenceHeatMap(a, b, 2048);
    EXPECT_EQ(full.width, 1024u);
    EXPECT_EQ(full.height, 8u);
    EXPECT_EQ(full.At(10, 0)[0], 12);
}

TEST(ImageDifferenceTest, PngFilesOfBothWritersReadBackAsWritten) {
    TempFolder folder;
    // 0xAARRGGBB, alpha dropped: a row of primaries over a row of greys.
    const std::vector<uint32_t> pixels = {0xFFFF0000, 0x8000FF00, 0x000000FF,
                                          0xFF010203, 0xFF808080, 0xFFFEFDFC};
    ASSERT_TRUE(WritePng(folder / "renderer.png", pixels, 3, 2));
    RgbImage read;
    std::string error;
    ASSERT_TRUE(ReadPngImage(folder / "renderer.png", &read, &error)) << error;
    ASSERT_EQ(read.width, 3u);
    ASSERT_EQ(read.height, 2u);
    const std::vector<uint8_t> expected = {255, 0, 0, 0,   255, 0,   0,   0,   255,
                                           1,   2, 3, 128, 128, 128, 254, 253, 252};
    EXPECT_EQ(read.rgb, expected);

    ASSERT_TRUE(WritePngImage(folder / "heat.png", read));
    RgbImage again;
    ASSERT_TRUE(ReadPngImage(folder / "heat.png", &again, &error)) << error;
    EXPECT_EQ(again.rgb, expected);

    // A file cut short is refused, not read as a picture.
    const std::string bytes = folder.ReadFile("renderer.png");
    folder.WriteFile("cut.png", bytes.substr(0, bytes.size() - 20));
    EXPECT_FALSE(ReadPngImage(folder / "cut.png", &again, &error));
}
