// How the built scene looks, by pixel statistics of the offscreen renderer's
// frames: the light column leaves the crown without a seam at night, the
// island at night is no brighter than a moonlit island against its dark
// lake, the lake by day mirrors the sky's blue rather than a violet, and the
// clock's glyphs stand close together.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const {
        return &rgb[(static_cast<size_t>(y) * width + x) * 3];
    }
    double Luma(int x, int y) const {
        const unsigned char* p = At(x, y);
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
};

bool ReadPng(const std::string& path, Picture* picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr) != 0;
}

// Renders the scene with the built Media.dat from `folder`, where a "media"
// folder may override some of its files, and reads the frames back. Every
// run draws the same frames: the scene's random draws are seeded and the
// settings are the defaults (clock on, 12-hour form, camera change every 20 s).
class SceneFrames {
public:
    explicit SceneFrames(const TempFolder& folder) : folder(folder) {
        folder.WriteFile("config/velmora/registry.reg", "REGEDIT4\n");
    }

    bool Render(const std::string& out, const std::string& size, const std::string& step,
                const std::vector<int>& times) {
        std::string command =
            "cd '" + folder.Path() +
            "' && ln -sf '" VELMORA_BINARY_DIR "/Media.dat' Media.dat && XDG_CONFIG_HOME='" +
            (folder / "config") + "' '" VELMORA_BINARY_DIR "/tools/render/velmora-render' --size " +
            size + " --step " + step + " --out '" + (folder / out) + "'";
        for (int t : times) command += " --at " + std::to_string(t);
        return RunCommand(command + " >/dev/null") == 0;
    }

    Picture Frame(const std::string& out, int t) const {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%04d.00.png", t);
        Picture picture;
        EXPECT_TRUE(ReadPng(folder / out + name, &picture)) << out << name;
        return picture;
    }

private:
    const TempFolder& folder;
};

// Night frames, one second apart, so that each camera holds for 21 s and the
// night begins at 147 s: at 150 s the first camera looks across the lake at
// the tree and the moon, at 280 s the seventh looks down on the island.
const std::vector<int> kNightTimes = {150, 280};
constexpr const char* kNightSize = "480x360";
constexpr const char* kNightStep = "1";

// Mean of the luma of a box given in fractions of the frame.
double BoxLuma(const Picture& p, double left, double top, double right, double bottom,
               bool inside) {
    double sum = 0;
    long count = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            double fx = (x + 0.5) / p.width, fy = (y + 0.5) / p.height;
            bool in = fx >= left && fx < right && fy >= top && fy < bottom;
            if (in != inside) continue;
            sum += p.Luma(x, y);
            ++count;
        }
    }
    return count ? sum / count : 0.0;
}

// Mean colour of a box given in fractions of the frame, and its hue in degrees.
struct BoxColour {
    double r = 0, g = 0, b = 0;
    double Hue() const {
        double high = std::max({r, g, b}), low = std::min({r, g, b}), range = high - low;
        if (range <= 0) return 0;
        double h = high == r   ? (g - b) / range
                   : high == g ? 2 + (b - r) / range
                               : 4 + (r - g) / range;
        return std::fmod(60 * h + 360, 360);
    }
    double Luma() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
};

BoxColour MeanColour(const Picture& p, double left, double top, double right, double bottom) {
    BoxColour c;
    long count = 0;
    for (int y = static_cast<int>(top * p.height); y < static_cast<int>(bottom * p.height); ++y) {
        for (int x = static_cast<int>(left * p.width); x < static_cast<int>(right * p.width); ++x) {
            const unsigned char* q = p.At(x, y);
            c.r += q[0], c.g += q[1], c.b += q[2];
            ++count;
        }
    }
    if (count) c.r /= count, c.g /= count, c.b /= count;
    return c;
}

}  // namespace

// In the two low views by day (10 s and 110 s) the foreground water mirrors
// open sky. It shows that sky's blue, darker, not a violet: the lit water
// keeps all of the blue it mirrors and only 5/8 of the red and green, which
// on its own turns the sky's 216 degrees of hue into 230.
TEST(SceneLookTest, TheLakeMirrorsTheSkysBlueNotAViolet) {
    TempFolder folder;
    SceneFrames frames(folder);
    ASSERT_TRUE(frames.Render("day", "480x360", "1", {10, 110}));
    for (int t : {10, 110}) {
        Picture p = frames.Frame("day", t);
        // The sky above the hills, and the water left of the tree's image
        // and of the clock.
        BoxColour sky = MeanColour(p, 0.02, 0.02, 0.98, 0.25);
        BoxColour water = MeanColour(p, 0.02, 0.80, 0.38, 0.98);
        EXPECT_GT(sky.b, sky.r + 40) << "no open sky at " << t << " s";
        EXPECT_GT(water.b, water.r + 40) << "no mirrored sky at " << t << " s";
        EXPECT_LT(std::fabs(water.Hue() - sky.Hue()), 7.0)
            << "at " << t << " s the water's hue is " << water.Hue() << " degrees, the sky's "
            << sky.Hue();
        EXPECT_LT(water.Luma(), sky.Luma()) << "at " << t << " s";
    }
}

// The light column crosses the crown at night. Across the crown, the mean
// step from one column of pixels to the next stays within what the leaves'
// own texture shows: a column where the light is cut off, bright on one side
// and dark on the other, is a step far above the rest.
TEST(SceneLookTest, TheCrownAtNightHasNoSeam) {
    TempFolder folder;
    SceneFrames frames(folder);
    ASSERT_TRUE(frames.Render("lit", kNightSize, kNightStep, kNightTimes));
    // The same frames without leaves tell which pixels are the crown's.
    folder.WriteFile("media/models/foliage.r3m", "");
    ASSERT_TRUE(frames.Render("bare", kNightSize, kNightStep, kNightTimes));

    for (int t : kNightTimes) {
        Picture lit = frames.Frame("lit", t), bare = frames.Frame("bare", t);
        ASSERT_EQ(lit.width, bare.width);
        auto leaf = [&](int x, int y) {
            const unsigned char *a = lit.At(x, y), *b = bare.At(x, y);
            return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]) > 24;
        };
        std::vector<double> steps;
        double worst = 0;
        int worstColumn = -1;
        for (int x = 0; x + 1 < lit.width; ++x) {
            double sum = 0;
            int rows = 0;
            for (int y = 0; y < lit.height; ++y) {
                if (!leaf(x, y) || !leaf(x + 1, y)) continue;
                sum += lit.Luma(x, y) - lit.Luma(x + 1, y);
                ++rows;
            }
            if (rows < 15) continue;
            double step = std::fabs(sum / rows);
            steps.push_back(step);
            if (step > worst) worst = step, worstColumn = x;
        }
        ASSERT_GE(steps.size(), 40u) << "too little crown in the frame at " << t << " s";
        std::sort(steps.begin(), steps.end());
        double typical = steps[steps.size() * 9 / 10];
        EXPECT_LT(worst, 2.5 * typical + 2.0)
            << "at " << t << " s the crown steps by " << worst << " between columns " << worstColumn
            << " and " << worstColumn + 1 << "; nine steps in ten are below " << typical;
    }
}

// Lit by the moon, the island at night is brighter than the dark lake and
// sky around it, but not by more than a factor: unlit grass or sand would
// glow against them.
TEST(SceneLookTest, TheIslandAtNightIsMoonlitNotGlowing) {
    TempFolder folder;
    SceneFrames frames(folder);
    ASSERT_TRUE(frames.Render("night", kNightSize, kNightStep, kNightTimes));
    struct Box {
        int t;
        double left, top, right, bottom;  // inside the island's grass
    };
    const Box boxes[] = {{150, 0.37, 0.66, 0.60, 0.72}, {280, 0.40, 0.66, 0.58, 0.80}};
    for (const Box& b : boxes) {
        Picture p = frames.Frame("night", b.t);
        double island = BoxLuma(p, b.left, b.top, b.right, b.bottom, true);
        double around = BoxLuma(p, b.left, b.top, b.right, b.bottom, false);
        EXPECT_LT(island, 2.5 * around)
            << "at " << b.t << " s: island " << island << ", around " << around;
        EXPECT_GT(island, around / 2.5)
            << "at " << b.t << " s: island " << island << ", around " << around;
    }
}

// The clock's glyphs advance by their whole cells with no space between
// them, so a glyph that fills its cell leaves only a narrow gap to the next.
TEST(SceneLookTest, TheClocksGlyphsStandCloseTogether) {
    TempFolder folder;
    SceneFrames frames(folder);
    ASSERT_TRUE(frames.Render("clock", "1024x768", "0.25", {1}));
    Picture p = frames.Frame("clock", 1);
    // The clock is opaque yellow, in the bottom right corner (x from 0.7,
    // rows 0.02 to 0.064 of the height from the bottom); its ink, edges
    // included, is far more red and green than blue, unlike sky and water.
    auto ink = [&](int x) {
        for (int y = p.height * 93 / 100; y < p.height * 99 / 100; ++y) {
            const unsigned char* c = p.At(x, y);
            if (c[0] > c[2] + 60 && c[1] > c[2] + 60) return true;
        }
        return false;
    };
    std::vector<int> gaps;
    int first = -1, last = -1, run = 0;
    for (int x = p.width * 7 / 10; x < p.width; ++x) {
        if (ink(x)) {
            if (first < 0) first = x;
            if (last >= 0 && run > 0) gaps.push_back(run);
            last = x;
            run = 0;
        } else if (last >= 0) {
            ++run;
        }
    }
    ASSERT_GE(first, 0) << "no clock in the frame";
    // "HH:MMam" or "HH:MMpm": seven glyphs over about a quarter of the width.
    EXPECT_GT(last - first, p.width / 5);
    ASSERT_FALSE(gaps.empty());
    int widest = *std::max_element(gaps.begin(), gaps.end());
    // A pixel of each glyph's cell on either side and the edges' soft rim, at
    // 1.4 screen pixels per texel, or a little more beside the narrow colon.
    EXPECT_LE(widest, 8) << "a gap of " << widest << " pixels between the clock's glyphs";
}
