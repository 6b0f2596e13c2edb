// Decoding of BMP, JPEG and TGA files made by ImageMagick from a picture
// that Debian ships, compared texel by texel with ImageMagick's own reading
// of the same files; then damaged and hostile files.
#include "platform/d3dx/image_decoder.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// 37 x 29 (odd width, so BMP rows are padded), with transparent and
// half-transparent texels along its edge.
const char* const kSourcePicture = "/usr/share/icons/Adwaita/48x48/places/folder-pictures.png";
constexpr UINT kWidth = 37, kHeight = 29;

class ImageDecoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TempFolder();
        ASSERT_EQ(0, RunCommand(std::string("convert ") + kSourcePicture +
                                " -crop 37x29+0+3 +repage src.png"));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    struct Sample {
        std::string options;  // ImageMagick options applied to the source picture
        std::string file;     // output, with an optional "format:" prefix
    };

    static std::string Path(const std::string& file) { return file.substr(file.find(':') + 1); }

    // Makes every sample from the source picture, the conversions running
    // side by side, and returns their bytes.
    static std::vector<std::string> MakeAll(const std::vector<Sample>& samples) {
        std::string script;
        for (const Sample& s : samples)
            script += "convert src.png " + s.options + " " + s.file + " & ";
        EXPECT_EQ(0, RunCommand(script + "wait"));
        std::vector<std::string> bytes;
        for (const Sample& s : samples) {
            bytes.push_back(folder->ReadFile(Path(s.file)));
            EXPECT_FALSE(bytes.back().empty()) << s.file;
        }
        return bytes;
    }

    static std::string Make(const std::string& options, const std::string& file) {
        return MakeAll({{options, file}})[0];
    }

    // ImageMagick's reading of each sample, as A8R8G8B8 texels. ImageMagick
    // keeps a TGA file's rows in stored order and notes the origin beside
    // them; -auto-orient puts the top row first.
    static std::vector<std::vector<uint32_t>> References(const std::vector<Sample>& samples) {
        std::string command = "convert";
        for (const Sample& s : samples) command.append(" ").append(Path(s.file));
        EXPECT_EQ(0, RunCommand(command + " -auto-orient -depth 8 +adjoin rgba:reference_%d.rgba"));
        std::vector<std::vector<uint32_t>> references;
        for (size_t n = 0; n < samples.size(); ++n) {
            const std::string raw = folder->ReadFile("reference_" + std::to_string(n) + ".rgba");
            std::vector<uint32_t> texels(raw.size() / 4);
            for (size_t i = 0; i < texels.size(); ++i) {
                const auto* p = reinterpret_cast<const uint8_t*>(raw.data() + i * 4);
                texels[i] =
                    uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            }
            references.push_back(std::move(texels));
        }
        return references;
    }

    // Makes the samples, decodes each and compares with ImageMagick's
    // reading, per texel and channel within `tolerance`.
    static void ExpectSamplesMatchImageMagick(const std::vector<Sample>& samples,
                                              const std::vector<D3DFORMAT>& formats,
                                              D3DXIMAGE_FILEFORMAT fileFormat, int tolerance) {
        const std::vector<std::string> files = MakeAll(samples);
        const std::vector<std::vector<uint32_t>> references = References(samples);
        for (size_t n = 0; n < samples.size(); ++n) {
            const std::string& name = samples[n].file;
            DecodedImage image;
            ASSERT_EQ(S_OK, DecodeImage(files[n].data(), files[n].size(), &image)) << name;
            // Every sample keeps the source picture's size.
            ASSERT_EQ(kWidth, image.width) << name;
            ASSERT_EQ(kHeight, image.height) << name;
            const std::vector<uint32_t>& expected = references[n];
            ASSERT_EQ(expected.size(), image.texels.size()) << name;
            EXPECT_EQ(formats[n], image.format) << name;
            EXPECT_EQ(fileFormat, image.fileFormat) << name;
            int worst = 0, mismatches = 0;
            for (size_t i = 0; i < expected.size(); ++i) {
                for (int shift = 0; shift < 32; shift += 8) {
                    const int diff = std::abs(int((expected[i] >> shift) & 0xFF) -
                                              int((image.texels[i] >> shift) & 0xFF));
                    worst = std::max(worst, diff);
                    if (diff > tolerance && mismatches++ < 3)
                        ADD_FAILURE()
                            << name << " texel " << i % kWidth << "," << i / kWidth << ": expected "
                            << std::hex << expected[i] << " got " << image.texels[i];
                }
            }
            EXPECT_LE(worst, tolerance) << name;
        }
    }

    static TempFolder* folder;
};

TempFolder* ImageDecoderTest::folder = nullptr;

TEST_F(ImageDecoderTest, TgaFilesMatchImageMagick) {
    // ImageMagick writes its rows top first whatever the origin it declares:
    // flipped first, a bottom-origin file holds the picture the right way up.
    ExpectSamplesMatchImageMagick(
        {
            {"-flip -type TrueColorAlpha -compress None", "bottom32.tga"},
            {"-type TrueColorAlpha -compress None -orient TopLeft", "top32.tga"},
            {"-flip -type TrueColorAlpha -compress RLE", "rle_bottom32.tga"},
            {"-type TrueColorAlpha -compress RLE -orient TopLeft", "rle_top32.tga"},
            {"-flip -type TrueColor -compress None", "bottom24.tga"},
            {"-type TrueColor -compress RLE -orient TopLeft", "rle_top24.tga"},
            {"-flip -colorspace gray -alpha off -compress None", "grey.tga"},
            {"-colorspace gray -alpha off -compress RLE -orient TopLeft", "rle_grey.tga"},
            {"-flip -alpha off -colors 100 -type Palette -compress None", "mapped.tga"},
            {"-alpha off -colors 100 -type Palette -compress RLE -orient TopLeft",
             "rle_mapped.tga"},
        },
        {D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_R8G8B8,
         D3DFMT_R8G8B8, D3DFMT_L8, D3DFMT_L8, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8},
        D3DXIFF_TGA, 0);
}

TEST_F(ImageDecoderTest, TgaTopOriginBitIsHonoured) {
    // The same picture stored from the bottom and from the top decodes alike.
    const std::vector<std::string> files = MakeAll({
        {"-flip -type TrueColor -compress None", "b.tga"},
        {"-type TrueColor -compress None -orient TopLeft", "t.tga"},
    });
    const std::string &bottom = files[0], &top = files[1];
    ASSERT_NE(bottom, top);
    DecodedImage a, b;
    ASSERT_EQ(S_OK, DecodeImage(bottom.data(), bottom.size(), &a));
    ASSERT_EQ(S_OK, DecodeImage(top.data(), top.size(), &b));
    EXPECT_EQ(a.texels, b.texels);

    // Rows stored right to left: reverse every row and set the header bit.
    std::string mirrored = bottom;
    const size_t width = 37, height = 29;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            std::memcpy(&mirrored[18 + (y * width + x) * 3],
                        &bottom[18 + (y * width + width - 1 - x) * 3], 3);
    mirrored[17] = static_cast<char>(mirrored[17] | 0x10);
    DecodedImage c;
    ASSERT_EQ(S_OK, DecodeImage(mirrored.data(), mirrored.size(), &c));
    EXPECT_EQ(a.texels, c.texels);
}

TEST_F(ImageDecoderTest, BmpFilesMatchImageMagick) {
    ExpectSamplesMatchImageMagick(
        {
            {"-type TrueColor", "bmp3:rgb24.bmp"},
            {"-type TrueColorAlpha", "bmp:argb32.bmp"},
            {"-alpha off -colors 200 -type Palette -compress None", "bmp3:palette8.bmp"},
            {"-alpha off -colors 12 -type Palette -compress None", "bmp3:palette4.bmp"},
            {"-monochrome -compress None", "bmp3:mono.bmp"},
            {"-alpha off -colors 200 -type Palette -compress RLE", "bmp3:rle8.bmp"},
        },
        {D3DFMT_R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8,
         D3DFMT_X8R8G8B8},
        D3DXIFF_BMP, 0);
}

// Turns a bottom-up BMP with a 40-byte header into the same picture stored
// top-down (negative height, rows reversed).
std::string TopDown(const std::string& bmp, size_t width, size_t height, unsigned bits) {
    std::string out = bmp;
    const size_t offset = static_cast<uint8_t>(bmp[10]) | static_cast<uint8_t>(bmp[11]) << 8;
    const size_t stride = ((width * bits + 31) / 32) * 4;
    for (size_t row = 0; row < height; ++row)
        std::memcpy(&out[offset + row * stride], &bmp[offset + (height - 1 - row) * stride],
                    stride);
    const int32_t negative = -static_cast<int32_t>(height);
    std::memcpy(&out[22], &negative, 4);
    return out;
}

TEST_F(ImageDecoderTest, TopDownBmpDecodesLikeBottomUp) {
    const std::vector<std::string> files = MakeAll({
        {"-type TrueColor", "bmp3:td24.bmp"},
        {"-alpha off -colors 200 -type Palette -compress None", "bmp3:td8.bmp"},
    });
    const std::string &rgb = files[0], &palette = files[1];
    for (const auto& [bytes, bits] : {std::pair{rgb, 24u}, std::pair{palette, 8u}}) {
        DecodedImage bottomUp, topDown;
        ASSERT_EQ(S_OK, DecodeImage(bytes.data(), bytes.size(), &bottomUp));
        const std::string flipped = TopDown(bytes, 37, 29, bits);
        ASSERT_EQ(S_OK, DecodeImage(flipped.data(), flipped.size(), &topDown));
        EXPECT_EQ(bottomUp.texels, topDown.texels) << bits << " bits";
    }
}

TEST_F(ImageDecoderTest, BmpWithoutAlphaMaskIsOpaque) {
    // A 32-bit BI_RGB bitmap keeps its fourth byte unused: every texel opaque.
    std::string bytes = Make("-type TrueColor", "bmp3:x24.bmp");
    DecodedImage rgb;
    ASSERT_EQ(S_OK, DecodeImage(bytes.data(), bytes.size(), &rgb));
    const uint32_t width = 37, height = 29, stride = width * 4, offset = 54;
    std::string x32(offset + stride * height, '\0');
    std::memcpy(&x32[0], bytes.data(), offset);
    const uint32_t fileSize = static_cast<uint32_t>(x32.size());
    std::memcpy(&x32[2], &fileSize, 4);
    x32[28] = 32;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t texel =
                rgb.texels[(height - 1 - y) * width + x] & 0x00FFFFFF;  // alpha byte 0
            std::memcpy(&x32[offset + y * stride + x * 4], &texel, 4);
        }
    DecodedImage decoded;
    ASSERT_EQ(S_OK, DecodeImage(x32.data(), x32.size(), &decoded));
    EXPECT_EQ(D3DFMT_X8R8G8B8, decoded.format);
    EXPECT_EQ(rgb.texels, decoded.texels);
}

TEST_F(ImageDecoderTest, JpegFilesMatchImageMagick) {
    ExpectSamplesMatchImageMagick(
        {
            {"-background '#336699' -flatten -quality 90", "colour.jpg"},
            {"-background white -flatten -colorspace gray -quality 90", "grey.jpg"},
            {"-background white -flatten -interlace JPEG", "progressive.jpg"},
        },
        {D3DFMT_X8R8G8B8, D3DFMT_L8, D3DFMT_X8R8G8B8}, D3DXIFF_JPG, 2);
}

TEST_F(ImageDecoderTest, TruncatedOrDamagedFilesFailCleanly) {
    const std::vector<std::string> files = MakeAll({
        {"-type TrueColorAlpha -compress None", "cut32.tga"},
        {"-type TrueColorAlpha -compress RLE", "cutrle.tga"},
        {"-alpha off -colors 100 -type Palette -compress RLE", "cutmap.tga"},
        {"-type TrueColor", "bmp3:cut24.bmp"},
        {"-type TrueColorAlpha", "bmp:cut32.bmp"},
        {"-alpha off -colors 12 -type Palette -compress RLE", "bmp3:cutrle.bmp"},
        {"-background white -flatten", "cut.jpg"},
        {"-background white -flatten -interlace JPEG", "cutp.jpg"},
    });
    // Each decode gets a copy of exactly the bytes it is given, so that the
    // sanitizers see any read past the end.
    auto decode = [](const std::string& bytes, size_t length, DecodedImage* image) {
        std::unique_ptr<uint8_t[]> copy(new uint8_t[length + 1]);
        std::memcpy(copy.get(), bytes.data(), length);
        return DecodeImage(copy.get(), length, image);
    };
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (const std::string& file : files) {
        // Every prefix short of the pixel data is refused. (Trailing bytes
        // such as a TGA footer or the JPEG end marker may be missing, so the
        // last few bytes are not cut.)
        for (size_t length = 0; length + 64 < file.size(); length += 1 + length / 8) {
            DecodedImage image;
            EXPECT_EQ(D3DXERR_INVALIDDATA, decode(file, length, &image)) << "length " << length;
            EXPECT_TRUE(image.texels.empty());
        }
        // Bytes overwritten at random, most often in the headers: every
        // result is either a whole image or a refusal.
        for (int round = 0; round < 150; ++round) {
            std::string damaged = file;
            const int changes = 1 + next() % 4;
            for (int i = 0; i < changes; ++i) {
                const size_t span =
                    (next() % 2) ? std::min<size_t>(64, damaged.size()) : damaged.size();
                damaged[next() % span] = static_cast<char>(next() >> 24);
            }
            DecodedImage image;
            const HRESULT hr = decode(damaged, damaged.size(), &image);
            if (SUCCEEDED(hr))
                EXPECT_EQ(size_t(image.width) * image.height, image.texels.size());
            else
                EXPECT_EQ(D3DXERR_INVALIDDATA, hr);
        }
    }
}

// A 4 x 3 palette bitmap, bottom-up, with the given compression and data.
std::string MakePaletteBmp(unsigned bits, uint32_t compression,
                           const std::vector<uint8_t>& pixels) {
    const uint32_t colours = 1u << bits, offset = 54 + colours * 4;
    std::string file(offset, '\0');
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'B', file[1] = 'M';
    put32(10, offset);
    put32(14, 40);
    put32(18, 4);
    put32(22, 3);
    file[26] = 1, file[28] = static_cast<char>(bits);
    put32(30, compression);
    for (uint32_t i = 0; i < colours; ++i)
        put32(54 + i * 4, i * 0x010203);  // index i: 0xii, 2i, 3i
    file.append(pixels.begin(), pixels.end());
    put32(2, static_cast<uint32_t>(file.size()));
    return file;
}

TEST(ImageDecoder, RunLengthBitmapsWithRunsLiteralsAndSkips) {
    auto colour = [](uint32_t i) { return 0xFF000000u | i * 0x010203u; };
    // RLE4, bottom row first: a run of alternating 1 and 2; then a literal
    // 3, 4, 5 and an end of line (texel 3 is skipped: index 0); then a
    // move of 2 right and 0 up, a run of two 7s and the end.
    const std::string rle4 =
        MakePaletteBmp(4, 2, {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 0, 2, 0x77, 0, 1});
    DecodedImage image;
    ASSERT_EQ(S_OK, DecodeImage(rle4.data(), rle4.size(), &image));
    const std::vector<uint32_t> expected4 = {
        colour(0), colour(0), colour(7), colour(7),  // top row
        colour(3), colour(4), colour(5), colour(0),  // middle
        colour(1), colour(2), colour(1), colour(2),  // bottom
    };
    EXPECT_EQ(expected4, image.texels);

    // RLE8: a literal of three (padded to four bytes), a run past the row's
    // end (clipped), and rows left out by the end-of-bitmap mark.
    const std::string rle8 = MakePaletteBmp(8, 1, {0, 3, 9, 8, 7, 0, 1, 6, 0, 0, 6, 200, 0, 1});
    ASSERT_EQ(S_OK, DecodeImage(rle8.data(), rle8.size(), &image));
    const std::vector<uint32_t> expected8 = {
        colour(0),   colour(0),   colour(0),   colour(0),    // never written
        colour(200), colour(200), colour(200), colour(200),  // run of 6, clipped
        colour(9),   colour(8),   colour(7),   colour(6),
    };
    EXPECT_EQ(expected8, image.texels);

    // Data that stops before its end-of-bitmap mark, and a top-down RLE file.
    const std::string cut = MakePaletteBmp(8, 1, {4, 1, 0, 0, 4, 2});
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(cut.data(), cut.size(), &image));
    std::string topDown = rle8;
    const int32_t negative = -3;
    std::memcpy(&topDown[22], &negative, 4);
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(topDown.data(), topDown.size(), &image));
}

TEST(ImageDecoder, HeadersDeclaringMoreThanTheDataHoldsAreRefused) {
    // A TGA header for 65535 x 65535 true-colour texels followed by a few bytes.
    uint8_t tga[64] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 32, 8};
    DecodedImage image;
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(tga, sizeof tga, &image));
    tga[2] = 10;  // the same as run-length data
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(tga, sizeof tga, &image));
    tga[12] = tga[13] = tga[14] = tga[15] = 0x10;  // 4112 x 4112, still far too little data
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(tga, sizeof tga, &image));

    // A BMP header for 16384 x 16384 texels with no pixel data.
    uint8_t bmp[54] = {'B', 'M'};
    const uint32_t offset = 54, header = 40, side = 16384;
    std::memcpy(bmp + 10, &offset, 4);
    std::memcpy(bmp + 14, &header, 4);
    std::memcpy(bmp + 18, &side, 4);
    std::memcpy(bmp + 22, &side, 4);
    bmp[26] = 1, bmp[28] = 24;
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(bmp, sizeof bmp, &image));
    const int32_t negativeMost = INT32_MIN;  // a height whose negation overflows 32 bits
    std::memcpy(bmp + 22, &negativeMost, 4);
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(bmp, sizeof bmp, &image));

    // A JPEG whose frame header claims 65500 x 65500 texels.
    const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0xFF, 0xDC,
                            0xFF, 0xDC, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(jpeg, sizeof jpeg, &image));
}

TEST(ImageDecoder, UnknownOrEmptyDataIsRefused) {
    DecodedImage image;
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(nullptr, 0, &image));
    const char text[] = "just some text, not a picture at all";
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(text, sizeof text, &image));
    // Unsupported TGA depth and BMP compression.
    uint8_t tga[18 + 4 * 4] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 12, 0};
    EXPECT_EQ(D3DXERR_INVALIDDATA, DecodeImage(tga, sizeof tga, &image));
    tga[16] = 32;
    EXPECT_EQ(S_OK, DecodeImage(tga, sizeof tga, &image));
    EXPECT_EQ(2u, image.width);
}

}  // namespace
