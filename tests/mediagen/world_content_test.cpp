// The world in the Media.dat that the build generates: every file the saver
// asks for is there and decodes, the models have the shapes the saver relies
// on, the font follows the saver's glyph grid, the sound loops without a
// click, and generating again gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "media/font_grid.h"
#include "media/media_archive.h"
#include "media/media_names.h"
#include "platform/d3dx/image_decoder.h"
#include "tests/mediagen/media_readers.h"
#include "tests/support/temp_folder.h"

namespace {

struct Point {
    float x, y, z;
};

Point Sub(Point a, Point b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
float Distance(Point a, Point b) {
    Point d = Sub(a, b);
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}
Point At(const TestVertex& v) {
    return {v.x, v.y, v.z};
}

// Eye positions of the seven camera presets over two minutes of running time.
std::vector<Point> PresetEyes() {
    std::vector<Point> eyes;
    for (float t = 0.0f; t < 120.0f; t += 0.25f) {
        float c = std::cos(0.2f * t);
        eyes.push_back({-50 - 10 * std::sin(0.2f * t), 60 + 30 * c, 200});
        eyes.push_back({180, 60 + 30 * c, 120});
        eyes.push_back({1, 150, 200 + 20 * std::cos(t / 5)});
        eyes.push_back({-200, 50, -200 * std::cos(t / 18)});
        eyes.push_back({110, 150, -110 * std::cos(t / 18)});
        eyes.push_back({-190, 50, 190 * std::cos(t / 18)});
        eyes.push_back({110 * std::cos(t / 10), 150, -110});
    }
    return eyes;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class WorldContentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OpenMediaArchive(VELMORA_BINARY_DIR "/Media.dat")); }
    static void TearDownTestSuite() { CloseMediaArchive(); }

    static bool Read(const std::string& name, std::vector<uint8_t>* bytes) {
        std::unique_ptr<IData> blob = ReadMediaFile(name.c_str());
        if (!blob) return false;
        const uint8_t* data = reinterpret_cast<const uint8_t*>(blob->GetData());
        bytes->assign(data, data + blob->GetSize());
        return true;
    }

    static std::vector<TestSubMesh> Model(const std::string& name) {
        std::vector<uint8_t> bytes;
        std::vector<TestSubMesh> meshes;
        std::string reason;
        EXPECT_TRUE(Read(name, &bytes)) << name;
        EXPECT_TRUE(ParseR3M(bytes, &meshes, &reason)) << name << ": " << reason;
        return meshes;
    }

    static TestImage Texture(const std::string& name) {
        std::vector<uint8_t> bytes;
        TestImage image;
        EXPECT_TRUE(Read("texture/" + Lower(name), &bytes)) << name;
        EXPECT_TRUE(DecodeByName(Lower(name), bytes, &image)) << name;
        return image;
    }
};

TEST_F(WorldContentTest, EveryModelParsesAndEveryTextureItNamesDecodes) {
    std::set<std::string> textures(std::begin(media_names::kNamedTextures),
                                   std::end(media_names::kNamedTextures));
    for (const char* name : media_names::kModels) {
        std::vector<TestSubMesh> meshes = Model(name);
        ASSERT_FALSE(meshes.empty()) << name;
        size_t vertices = 0;
        for (const TestSubMesh& mesh : meshes) {
            EXPECT_FALSE(mesh.indices.empty()) << name << " " << mesh.texture;
            vertices += mesh.vertices.size();
            textures.insert(mesh.texture);
            if (mesh.flag > 0) textures.insert(mesh.texture2);
            for (const TestVertex& v : mesh.vertices) {
                EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) &&
                            std::isfinite(v.u1) && std::isfinite(v.v1))
                    << name;
            }
        }
        EXPECT_LE(vertices, 65536u) << name;
    }
    for (const std::string& name : textures) {
        TestImage image = Texture(name);
        ASSERT_GT(image.width, 0) << name;
        // Power-of-two sizes load unchanged on every device.
        EXPECT_EQ(image.width & (image.width - 1), 0) << name;
        EXPECT_EQ(image.height & (image.height - 1), 0) << name;
    }
    std::vector<uint8_t> heights;
    ASSERT_TRUE(Read(media_names::kBumpHeights, &heights));
    EXPECT_EQ(heights.size(), 256u * 256u);
}

// The saver's own image decoder reads every texture the same way as the
// reader above: same size, same pixels (top row first), so glyph cells and
// alpha edges land where they were drawn.
TEST_F(WorldContentTest, SaversImageDecoderSeesTheSamePixels) {
    std::set<std::string> names(std::begin(media_names::kNamedTextures),
                                std::end(media_names::kNamedTextures));
    for (const char* model : media_names::kModels) {
        for (const TestSubMesh& mesh : Model(model)) names.insert(Lower(mesh.texture));
    }
    for (const std::string& name : names) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(Read("texture/" + name, &bytes)) << name;
        TestImage ours = Texture(name);
        DecodedImage theirs;
        ASSERT_EQ(DecodeImage(bytes.data(), bytes.size(), &theirs), S_OK) << name;
        ASSERT_EQ(static_cast<int>(theirs.width), ours.width) << name;
        ASSERT_EQ(static_cast<int>(theirs.height), ours.height) << name;
        bool lossy = name.size() > 4 && name.substr(name.size() - 4) == ".jpg";
        int worst = 0;
        for (int y = 0; y < ours.height; ++y) {
            for (int x = 0; x < ours.width; ++x) {
                uint32_t argb = theirs.texels[static_cast<size_t>(y) * theirs.width + x];
                const uint8_t* p = ours.At(x, y);
                const int diffs[] = {std::abs(static_cast<int>((argb >> 16) & 255) - p[0]),
                                     std::abs(static_cast<int>((argb >> 8) & 255) - p[1]),
                                     std::abs(static_cast<int>(argb & 255) - p[2]),
                                     std::abs(static_cast<int>(argb >> 24) - p[3])};
                for (int d : diffs) worst = std::max(worst, d);
            }
        }
        EXPECT_LE(worst, lossy ? 8 : 0) << name;
    }
}

TEST_F(WorldContentTest, LeafClustersSitAtBranchTipsInTheCrownAndGrowAndSwayGently) {
    std::vector<TestSubMesh> placements = Model("models/foliage.r3m");
    std::vector<TestSubMesh> scene = Model("models/scene.r3m");
    std::vector<Point> bark;
    for (const TestSubMesh& mesh : scene) {
        if (Lower(mesh.texture) != "bark.jpg") continue;
        for (const TestVertex& v : mesh.vertices) bark.push_back(At(v));
    }
    ASSERT_FALSE(bark.empty());
    ASSERT_GE(placements.size(), 20u);
    for (const TestSubMesh& mesh : placements) {
        ASSERT_GE(mesh.vertices.size(), 4u);
        Point a = At(mesh.vertices[0]), b = At(mesh.vertices[3]);
        Point n{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        ASSERT_GT(length, 1e-3f);
        n = {n.x / length, n.y / length, n.z / length};
        // Full size after 25 / |N.z| seconds: between 25 s and about a minute.
        EXPECT_GE(std::fabs(n.z), 0.4f);
        // Sways at 5.3 |N.x| rad/s: a period of roughly 2 to 12 seconds.
        EXPECT_GE(std::fabs(n.x), 0.1f);
        EXPECT_LE(std::fabs(n.x), 0.6f);
        EXPECT_GE(b.y, 42.0f);
        EXPECT_LE(b.y, 70.0f);
        float nearest = 1e9f;
        for (Point p : bark) nearest = std::min(nearest, Distance(p, b));
        EXPECT_LT(nearest, 2.0f) << "cluster at " << b.x << " " << b.y << " " << b.z;
    }
    std::vector<TestSubMesh> leaves = Model("models/foliage1.r3m");
    ASSERT_FALSE(leaves.empty());
    for (const TestSubMesh& mesh : leaves) EXPECT_EQ(Lower(mesh.texture), "ftr05tp.tga");
}

// The saver draws the first grass model unlit by day and by night, the
// second unlit by day and lit at night. The island's grass, reeds and tree
// line are in the second, in sortable pieces, both sides of their sheets
// wound for its culling; the first holds only dark, half see-through blades
// that look the same at noon and at midnight.
TEST_F(WorldContentTest, BrightGrassIsLitAtNightAndTheUnlitGrassIsDark) {
    std::vector<TestSubMesh> lit = Model("models/trava2.r3m");
    std::map<std::string, int> pieces;
    for (const TestSubMesh& mesh : lit) {
        EXPECT_GE(mesh.vertices.size(), 4u);
        ++pieces[mesh.texture];
        // Every sheet twice, once for each side; the lake's colour is seen
        // from below only.
        if (mesh.texture != "lakebody.tga") {
            EXPECT_EQ(mesh.indices.size() % 12, 0u) << mesh.texture;
        }
    }
    EXPECT_GT(pieces["treewallsmall.tga"], 0);
    EXPECT_GT(pieces["reeds.tga"], 0);
    EXPECT_GE(pieces["grass.tga"], 6);

    std::vector<TestSubMesh> unlit = Model("models/trava.r3m");
    ASSERT_FALSE(unlit.empty());
    for (const TestSubMesh& mesh : unlit) {
        TestImage image = Texture(mesh.texture);
        double light = 0, cover = 0;
        for (size_t i = 0; i < image.rgba.size(); i += 4) {
            double alpha = image.rgba[i + 3] / 255.0;
            light += alpha * std::max({image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]});
            cover += alpha;
        }
        ASSERT_GT(cover, 0) << mesh.texture;
        // Seen through, a visible texel darkens the ground more than it lights it.
        EXPECT_LT(light / cover, 50.0) << mesh.texture;
        EXPECT_LT(cover / (image.width * image.height), 0.5) << mesh.texture;
    }
}

// The light column is drawn last at night with depth writes and culling on:
// nested shells, each closed around one vertical axis and facing outwards,
// drawn from the innermost out and all wider than the patch where the night
// particles rise (x -8..11, z 5..24), so none of them hides another's light.
TEST_F(WorldContentTest, LightColumnIsNestedOutwardFacingShellsAroundTheParticles) {
    std::vector<TestSubMesh> shells = Model("models/tube.r3m");
    ASSERT_GE(shells.size(), 8u);
    float left = 1e9f, right = -1e9f, back = 1e9f, front = -1e9f;
    for (const TestVertex& v : shells[0].vertices) {
        left = std::min(left, v.x), right = std::max(right, v.x);
        back = std::min(back, v.z), front = std::max(front, v.z);
    }
    const Point axis{0.5f * (left + right), 0, 0.5f * (back + front)};
    float previous = 0;
    for (const TestSubMesh& mesh : shells) {
        float nearest = 1e9f, farthest = 0;
        for (const TestVertex& v : mesh.vertices) {
            float r = std::hypot(v.x - axis.x, v.z - axis.z);
            nearest = std::min(nearest, r), farthest = std::max(farthest, r);
        }
        EXPECT_LT(farthest - nearest, 0.1f * farthest) << "not a shell around the axis";
        EXPECT_GT(nearest, previous) << "shells must be drawn from the innermost out";
        previous = farthest;
        for (Point corner :
             {Point{-8, 0, 5}, Point{11, 0, 5}, Point{-8, 0, 24}, Point{11, 0, 24}}) {
            EXPECT_LT(std::hypot(corner.x - axis.x, corner.z - axis.z) + 1.0f, nearest);
        }
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            Point a = At(mesh.vertices[mesh.indices[i]]),
                  b = At(mesh.vertices[mesh.indices[i + 1]]);
            Point c = At(mesh.vertices[mesh.indices[i + 2]]);
            Point u = Sub(b, a), w = Sub(c, a);
            Point n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
            Point out{a.x - axis.x, 0, a.z - axis.z};
            EXPECT_GT(n.x * out.x + n.z * out.z, 0.0f) << "a triangle faces the axis";
        }
    }
}

// The saver bends the reflection by the height differences between
// neighbouring texels of "bumpwat.raw" (0.01 of the texture for a difference
// of 127): ripples show only where those differences are large.
TEST_F(WorldContentTest, BumpHeightsChangeFastEnoughForRipplesToShow) {
    std::vector<uint8_t> heights;
    ASSERT_TRUE(Read(media_names::kBumpHeights, &heights));
    ASSERT_EQ(heights.size(), 256u * 256u);
    auto h = [&](int x, int y) {
        return static_cast<int8_t>(heights[(y & 255) * 256 + (x & 255)]);
    };
    double sum = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            int du = std::clamp(h(x, y) - h(x, y + 1), -127, 127);
            int dv = std::clamp(h(x, y) - h(x + 1, y), -127, 127);
            sum += du * du + dv * dv;
        }
    }
    EXPECT_GT(std::sqrt(sum / (2 * 256.0 * 256.0)), 15.0);
}

TEST_F(WorldContentTest, SkyBoxStaysInsideTheFarPlaneAndWaterCoversEverythingBelowIt) {
    std::vector<TestSubMesh> sky = Model("models/sky.r3m");
    ASSERT_EQ(sky.size(), 5u);
    const char* faces[] = {"bk", "fr", "lf", "rt", "up"};
    float skyMinY = 1e9f, skyMaxX = 0, skyMaxZ = 0;
    std::vector<Point> eyes = PresetEyes();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sky[i].texture, std::string("cubescene_") + faces[i] + ".jpg");
        for (const TestVertex& v : sky[i].vertices) {
            skyMinY = std::min(skyMinY, v.y);
            skyMaxX = std::max(skyMaxX, std::fabs(v.x));
            skyMaxZ = std::max(skyMaxZ, std::fabs(v.z));
            for (Point eye : eyes) EXPECT_LT(Distance(eye, At(v)), 5500.0f * 0.98f);
        }
    }
    for (Point eye : eyes) {
        EXPECT_LT(std::fabs(eye.x), skyMaxX);
        EXPECT_LT(std::fabs(eye.z), skyMaxZ);
    }
    // The walls reach below the water, and the water reaches the walls.
    EXPECT_LE(skyMinY, 0.0f);
    float waterMinX = 0, waterMaxX = 0, waterMinZ = 0, waterMaxZ = 0;
    for (const TestSubMesh& mesh : Model("models/water.r3m")) {
        for (const TestVertex& v : mesh.vertices) {
            EXPECT_EQ(v.y, 0.0f);
            EXPECT_GT(v.ny, 0.99f);
            waterMinX = std::min(waterMinX, v.x), waterMaxX = std::max(waterMaxX, v.x);
            waterMinZ = std::min(waterMinZ, v.z), waterMaxZ = std::max(waterMaxZ, v.z);
        }
    }
    EXPECT_LE(waterMinX, -skyMaxX);
    EXPECT_GE(waterMaxX, skyMaxX);
    EXPECT_LE(waterMinZ, -skyMaxZ);
    EXPECT_GE(waterMaxZ, skyMaxZ);
    // Day faces are bright, night faces dark.
    for (const char* face : faces) {
        auto mean = [](const TestImage& image) {
            double sum = 0;
            for (size_t i = 0; i < image.rgba.size(); i += 4) {
                sum += image.rgba[i] + image.rgba[i + 1] + image.rgba[i + 2];
            }
            return sum / (3.0 * 255.0 * image.width * image.height);
        };
        EXPECT_GT(mean(Texture(std::string("cubescene_") + face + ".jpg")), 0.35) << face;
        EXPECT_LT(mean(Texture(std::string("cubescene_") + face + "_n.jpg")), 0.15) << face;
    }
}

// Counter-clockwise triangles are culled: the ground must wind so that
// (b - a) x (c - a) points up, the sky box so that it points inwards.
TEST_F(WorldContentTest, GroundFacesUpAndTheSkyFacesInwards) {
    auto normal = [](const TestSubMesh& mesh, size_t i) {
        Point a = At(mesh.vertices[mesh.indices[i]]), b = At(mesh.vertices[mesh.indices[i + 1]]);
        Point c = At(mesh.vertices[mesh.indices[i + 2]]);
        Point u = Sub(b, a), v = Sub(c, a);
        return Point{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    };
    std::vector<TestSubMesh> ground = Model("models/water.r3m");
    for (const char* name : {"models/scene1.r3m", "models/pena.r3m"}) {
        for (const TestSubMesh& mesh : Model(name)) {
            if (mesh.texture != "rock.jpg") ground.push_back(mesh);
        }
    }
    ASSERT_GE(ground.size(), 5u);
    for (const TestSubMesh& mesh : ground) {
        int down = 0;
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            Point n = normal(mesh, i);
            if (n.y < 0.0f) ++down;
        }
        EXPECT_EQ(down, 0) << mesh.texture;
    }
    for (const TestSubMesh& mesh : Model("models/sky.r3m")) {
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            Point n = normal(mesh, i);
            Point a = At(mesh.vertices[mesh.indices[i]]);
            Point inwards = Sub(Point{0, 1000, 0}, a);
            EXPECT_GT(n.x * inwards.x + n.y * inwards.y + n.z * inwards.z, 0.0f) << mesh.texture;
        }
    }
}

// The lake's own colour is a see-through sheet just under the water that
// faces down: the main view never draws it (it is culled, and hidden by the
// water), the mirrored camera below the water sees it over all the lake
// mirrors. Its fourth vertex, by which its model is sorted from the camera's
// look direction (at most 400 units long), is farther than any other piece's,
// so it is drawn after all of them.
TEST_F(WorldContentTest, TheLakesOwnColourLiesUnderTheWaterFacingDownAndIsDrawnLast) {
    std::vector<TestSubMesh> lit = Model("models/trava2.r3m");
    const TestSubMesh* sheet = nullptr;
    float farthestOther = 0;
    for (const TestSubMesh& mesh : lit) {
        float key = Distance(At(mesh.vertices[3]), {0, 0, 0});
        if (mesh.texture == "lakebody.tga")
            sheet = &mesh;
        else
            farthestOther = std::max(farthestOther, key);
    }
    ASSERT_NE(sheet, nullptr);
    EXPECT_GT(Distance(At(sheet->vertices[3]), {0, 0, 0}) - 400.0f, farthestOther + 400.0f);
    // Under all of the water, which reaches the sky box's walls at 2500.
    float left = 0, right = 0, back = 0, front = 0;
    for (const TestVertex& v : sheet->vertices) {
        EXPECT_LT(v.y, 0.0f);
        EXPECT_GT(v.y, -1.0f);
        left = std::min(left, v.x), right = std::max(right, v.x);
        back = std::min(back, v.z), front = std::max(front, v.z);
    }
    EXPECT_LE(left, -2500.0f);
    EXPECT_GE(right, 2500.0f);
    EXPECT_LE(back, -2500.0f);
    EXPECT_GE(front, 2500.0f);
    ASSERT_FALSE(sheet->indices.empty());
    for (size_t i = 0; i + 2 < sheet->indices.size(); i += 3) {
        Point a = At(sheet->vertices[sheet->indices[i]]);
        Point u = Sub(At(sheet->vertices[sheet->indices[i + 1]]), a);
        Point w = Sub(At(sheet->vertices[sheet->indices[i + 2]]), a);
        EXPECT_LT(u.z * w.x - u.x * w.z, 0.0f) << "triangle " << i / 3 << " faces up";
    }
    // Partly see-through: the mirror image stays, paler.
    TestImage image = Texture(sheet->texture);
    for (size_t i = 3; i < image.rgba.size(); i += 4) {
        EXPECT_GT(image.rgba[i], 40);
        EXPECT_LT(image.rgba[i], 120);
    }
}

TEST_F(WorldContentTest, FontGlyphsFillTheCellsOfTheGlyphTable) {
    TestImage font = Texture("font.tga");
    ASSERT_EQ(font.width, 256);
    ASSERT_EQ(font.height, 256);
    int x = 0, top = 0, row = 0, filling = 0, others = 0;
    std::vector<int> rowEnd(8, 0);
    for (int code = 32; code <= 126; ++code) {
        if (row < 7 && code == kGlyphRowStarts[row + 1]) ++row, top += 32, x = 0;
        int width = kGlyphWidths[code - 32];
        if (width > 0) {
            // Ink columns of this cell: present, and centred in the cell.
            int first = -1, last = -1, peak = 0;
            for (int cx = x; cx < x + width; ++cx) {
                for (int cy = top; cy < top + 32; ++cy) {
                    int alpha = font.At(cx, cy)[3];
                    peak = std::max(peak, alpha);
                    if (alpha > 128) {
                        if (first < 0) first = cx;
                        last = cx;
                    }
                }
            }
            ASSERT_GE(first, 0) << "no glyph for code " << code;
            EXPECT_GE(peak, 250) << code;
            int leftGap = first - x, rightGap = x + width - 1 - last;
            EXPECT_LE(std::abs(leftGap - rightGap), 2) << "glyph " << code << " is off-centre";
            EXPECT_GE(leftGap, 1) << code;
            EXPECT_GE(rightGap, 1) << code;
            // The saver advances by whole cells: a glyph that leaves more than
            // a pixel or two free stands apart from its neighbours.
            if (std::strchr("0123456789amp", code) != nullptr) {
                EXPECT_LE(leftGap + rightGap, 3)
                    << "glyph '" << static_cast<char>(code) << "' does not fill its cell";
            } else {
                filling += leftGap + rightGap <= 3;
                ++others;
            }
        }
        x += width;
        rowEnd[row] = x;
    }
    // Only a few narrow ones (':', 'i', 'l', 'I', '!', ...) stay centred in a wider cell.
    EXPECT_GE(filling, others * 3 / 4);
    // Nothing right of each row's last glyph; solid ink is white.
    for (int r = 0; r < 8; ++r) {
        for (int cy = r * 32; cy < r * 32 + 32; ++cy) {
            for (int cx = 0; cx < 256; ++cx) {
                const uint8_t* p = font.At(cx, cy);
                if (cx >= rowEnd[r]) {
                    EXPECT_EQ(p[3], 0) << cx << "," << cy;
                }
                if (p[3] == 255) {
                    EXPECT_TRUE(p[0] > 245 && p[1] > 245 && p[2] > 245);
                }
            }
        }
    }
}

TEST_F(WorldContentTest, LogoAndGlowSpriteHaveTheirShapes) {
    TestImage logo = Texture("logo.tga");
    ASSERT_EQ(logo.width, 4 * logo.height);  // 0.15 by 0.05 of a 4:3 screen
    int inked = 0, clear = 0, left = logo.width, right = 0;
    for (int y = 0; y < logo.height; ++y) {
        for (int x = 0; x < logo.width; ++x) {
            int alpha = logo.At(x, y)[3];
            if (alpha > 200) ++inked, left = std::min(left, x), right = std::max(right, x);
            if (alpha == 0) ++clear;
        }
    }
    EXPECT_GT(inked, logo.width * logo.height / 20);
    EXPECT_GT(clear, logo.width * logo.height / 3);
    EXPECT_GT(right - left, logo.width / 2);

    TestImage glow = Texture("env0.bmp");
    const uint8_t* centre = glow.At(glow.width / 2, glow.height / 2);
    const uint8_t* corner = glow.At(0, 0);
    EXPECT_GT(centre[0], 200);
    EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
}

TEST_F(WorldContentTest, OceanSoundIsAStereoLoopWithoutAClickAtTheSeam) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Read(media_names::kOceanSound, &bytes));
    TestSound sound;
    ASSERT_TRUE(DecodeOgg(bytes, &sound));
    EXPECT_EQ(sound.rate, 44100);
    ASSERT_EQ(sound.channels, 2);
    double seconds = static_cast<double>(sound.samples.size()) / 2 / sound.rate;
    EXPECT_GE(seconds, 20.0);
    EXPECT_LE(seconds, 40.0);
    size_t frames = sound.samples.size() / 2;
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<int> steps;
        double energy = 0;
        for (size_t i = 0; i + 1 < frames; ++i) {
            int a = sound.samples[i * 2 + ch], b = sound.samples[(i + 1) * 2 + ch];
            steps.push_back(std::abs(b - a));
            energy += static_cast<double>(a) * a;
        }
        EXPECT_GT(std::sqrt(energy / frames), 300.0) << "channel " << ch << " is nearly silent";
        std::sort(steps.begin(), steps.end());
        int typical = steps[steps.size() * 9 / 10];
        int seam = std::abs(sound.samples[ch] - sound.samples[(frames - 1) * 2 + ch]);
        EXPECT_LE(seam, typical) << "channel " << ch;
    }
}

TEST(WorldGenerationTest, GeneratingAgainGivesTheSameArchiveOfModestSize) {
    TempFolder folder;
    ASSERT_EQ(RunCommand(std::string(VELMORA_MEDIAGEN) + " build again.dat >/dev/null"), 0);
    std::vector<uint8_t> built = ReadFileBytes(VELMORA_BINARY_DIR "/Media.dat");
    std::vector<uint8_t> again = ReadFileBytes(folder / "again.dat");
    EXPECT_LT(built.size(), 20u * 1024 * 1024);
    EXPECT_TRUE(built == again);
}

TEST(WorldGenerationTest, CheckedInIconIsTheGeneratedOneWithThreeSizes) {
    TempFolder folder;
    ASSERT_EQ(RunCommand(std::string(VELMORA_MEDIAGEN) + " icon icon.ico"), 0);
    std::vector<uint8_t> icon = ReadFileBytes(folder / "icon.ico");
    EXPECT_TRUE(icon == ReadFileBytes(VELMORA_SOURCE_DIR "/resources/icon101.ico"));
    ASSERT_GE(icon.size(), 6u + 3 * 16);
    EXPECT_EQ(icon[2], 1);  // icon, not cursor
    ASSERT_EQ(icon[4], 3);
    const int sizes[] = {16, 32, 48};
    for (int i = 0; i < 3; ++i) {
        const uint8_t* entry = &icon[6 + 16 * i];
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(entry[1], sizes[i]);
        EXPECT_EQ(entry[6], 32);  // bits per pixel
    }
}

}  // namespace
