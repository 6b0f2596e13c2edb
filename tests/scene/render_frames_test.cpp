// The offscreen renderer over the built Media.dat: a day frame and a night
// frame of the whole scene, checked by pixel statistics, and its draw profile.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(unsigned x, unsigned y) const { return &rgb[(y * width + x) * 3]; }
};

bool ReadPng(const std::string& path, Picture* picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = image.width;
    picture->height = image.height;
    picture->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr) != 0;
}

double MeanBrightness(const Picture& p) {
    double sum = 0;
    for (unsigned char c : p.rgb) sum += c;
    return sum / p.rgb.size();
}

// Pixels left at one of the clear colours (the frame's or the reflection's).
int ClearColourPixels(const Picture& p) {
    int count = 0;
    for (size_t i = 0; i + 2 < p.rgb.size(); i += 3) {
        bool frameClear = p.rgb[i] == 0xF0 && p.rgb[i + 1] == 0x0F && p.rgb[i + 2] == 0xFF;
        bool mirrorClear = p.rgb[i] == 0xFF && p.rgb[i + 1] == 0x0F && p.rgb[i + 2] == 0xFF;
        count += frameClear || mirrorClear;
    }
    return count;
}

}  // namespace

TEST(RenderFramesTest, DayAndNightFramesOfTheWholeScene) {
    TempFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    std::string command = std::string("cd '") + VELMORA_BINARY_DIR +
                          "' && ./tools/render/velmora-render --size 320x240 --step 0.5"
                          " --at 1 --at 150 --out '" +
                          folder.Path() + "' >/dev/null";
    ASSERT_EQ(RunCommand(command), 0);
    unsetenv("XDG_CONFIG_HOME");

    Picture day, night;
    ASSERT_TRUE(ReadPng(folder / "frame-0001.00.png", &day));
    ASSERT_TRUE(ReadPng(folder / "frame-0150.00.png", &night));
    ASSERT_EQ(day.width, 320u);
    ASSERT_EQ(day.height, 240u);

    EXPECT_EQ(ClearColourPixels(day), 0);
    EXPECT_EQ(ClearColourPixels(night), 0);
    EXPECT_LT(MeanBrightness(night), MeanBrightness(day) * 0.7);
    // By day the top of the frame is sky: blue over red.
    const unsigned char* sky = day.At(day.width / 2, 4);
    EXPECT_GT(sky[2], sky[0]);
    // The lower left of the frame is open water, which shows the reflected
    // sky: a frame smaller than the reflection target still reflects (its
    // depth buffer is too small to share with the target).
    double water[3] = {0, 0, 0};
    int waterPixels = 0;
    for (unsigned y = day.height * 17 / 20; y < day.height * 19 / 20; ++y) {
        for (unsigned x = day.width / 20; x < day.width * 3 / 10; ++x, ++waterPixels)
            for (int c = 0; c < 3; ++c) water[c] += day.At(x, y)[c];
    }
    for (double& channel : water) channel /= waterPixels;
    EXPECT_GT(water[2], 90) << "the water is dark: nothing reached the reflection";
    EXPECT_GT(water[2], water[0]);
    // The clock is drawn in opaque yellow at the bottom right.
    int yellow = 0;
    for (unsigned y = day.height * 3 / 4; y < day.height; ++y) {
        for (unsigned x = day.width / 2; x < day.width; ++x) {
            const unsigned char* p = day.At(x, y);
            yellow += p[0] > 200 && p[1] > 200 && p[2] < 80;
        }
    }
    EXPECT_GT(yellow, 20);
}

TEST(RenderFramesTest, DrawProfileAccountsForEveryDrawOfEachFrame) {
    TempFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    const std::string log = folder / "profile.txt";
    std::string command = std::string("cd '") + VELMORA_BINARY_DIR +
                          "' && VELMORA_DRAW_PROFILE=1 ./tools/render/velmora-render --size 320x240"
                          " --step 1 --at 2 --out '" +
                          folder.Path() + "' >/dev/null 2>'" + log + "'";
    ASSERT_EQ(RunCommand(command), 0);
    unsetenv("XDG_CONFIG_HOME");

    // Frame 2, the last: its groups, then its total. A group line reads
    // "draw profile: frame 2, WxH target: N draw(s) of P primitives,
    // blended|opaque, STAGES: MS ms".
    std::ifstream in(log);
    std::string line;
    int draws = 0, totalDraws = -1;
    double milliseconds = 0.0, totalMilliseconds = 0.0, previous = 1e9;
    bool reflection = false, frame = false, water = false;
    while (std::getline(in, line)) {
        int number = 0, width = 0, height = 0, count = 0;
        double ms = 0.0;
        if (std::sscanf(line.c_str(), "draw profile: frame %d, %d draws: %lf ms", &number, &count,
                        &ms) == 3) {
            if (number != 2) continue;
            totalDraws = count;
            totalMilliseconds = ms;
            continue;
        }
        if (std::sscanf(line.c_str(), "draw profile: frame %d, %dx%d target: %d draw", &number,
                        &width, &height, &count) != 4 ||
            number != 2)
            continue;
        const size_t last = line.rfind(": ");
        ASSERT_EQ(std::sscanf(line.c_str() + last, ": %lf ms", &ms), 1) << line;
        EXPECT_LE(ms, previous) << "groups come costliest first: " << line;
        previous = ms;
        draws += count;
        milliseconds += ms;
        reflection |= width == 512 && height == 512;
        frame |= width == 320 && height == 240;
        water |= line.find(", bump 256x256, modulate 512x512: ") != std::string::npos;
    }
    ASSERT_GT(totalDraws, 0) << "no total line for frame 2";
    EXPECT_EQ(draws, totalDraws);
    EXPECT_NEAR(milliseconds, totalMilliseconds, 0.01 * draws + 0.01);
    EXPECT_TRUE(reflection) << "the reflection pass draws into the 512x512 target";
    EXPECT_TRUE(frame);
    EXPECT_TRUE(water) << "the water bumps its lookup into the reflection";
}

// The scene's random draws come from the renderer's generator: a seed gives
// the same night frame byte for byte on every run, and another seed moves
// the rising lights. The clock, which shows the wall clock, is off.
TEST(RenderFramesTest, ASeedGivesTheSameFramesOnEveryRun) {
    TempFolder folder;
    folder.WriteFile("velmora/registry.reg",
                     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                     "\"Show Time\"=dword:00000000\n");
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    auto render = [&](const char* seed, const char* out) {
        return RunCommand(std::string("cd '") + VELMORA_BINARY_DIR +
                          "' && ./tools/render/velmora-render --size 160x120 --step 1 --at 150"
                          " --seed " +
                          seed + " --out '" + (folder / out) + "' >/dev/null");
    };
    ASSERT_EQ(render("7", "first"), 0);
    ASSERT_EQ(render("7", "second"), 0);
    ASSERT_EQ(render("8", "other"), 0);
    unsetenv("XDG_CONFIG_HOME");

    const std::string first = folder.ReadFile("first/frame-0150.00.png");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == folder.ReadFile("second/frame-0150.00.png"))
        << "two runs with seed 7 wrote different frames";
    EXPECT_FALSE(first == folder.ReadFile("other/frame-0150.00.png"))
        << "seeds 7 and 8 wrote the same frame: the seed does not reach the particles";
}
