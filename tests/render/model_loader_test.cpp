// The R3M reader: record layout, the frame conversion, base vertices and
// totals, texture registration, and malformed data, which ends the load
// with the records read before it.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "render/model_loader.h"
#include "render/texture_cache.h"
#include "tests/support/r3m_writer.h"
#include "tests/render/recording_log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_decoders.h"

namespace {

bool Load(Model& model, const std::string& bytes, TextureCache& textures) {
    return LoadModelFromBytes(model, bytes.data(), static_cast<uint32_t>(bytes.size()), textures);
}

bool Load(Model& model, const std::string& bytes) {
    TextureCache textures(kNoTextureDecoder);
    return Load(model, bytes, textures);
}

}  // namespace

TEST(ModelLoaderTest, ZeroBytesGiveAnEmptyModel) {
    Model model;
    TextureCache textures(kNoTextureDecoder);
    EXPECT_TRUE(LoadModelFromBytes(model, nullptr, 0, textures));
    EXPECT_TRUE(model.subMeshes.empty());
    EXPECT_EQ(model.totalVertexCount, 0);
    EXPECT_EQ(model.totalTriangleCount, 0);
    EXPECT_EQ(model.vertexBuffer, nullptr);
    EXPECT_EQ(model.indexBuffer, nullptr);
}

TEST(ModelLoaderTest, CountsFollowTheFirstNameWithoutFlagAndTheSecondNameWithIt) {
    // Flag 0: V at offset 54, T at 58, the vertex at 62.
    std::string withoutSecond(54 + 8 + 40, '\0');
    withoutSecond.replace(4, 5, "a.tga");
    withoutSecond[54] = 1;   // V = 1
    withoutSecond[102] = 7;  // part of the vertex, not a name
    Model one;
    ASSERT_TRUE(Load(one, withoutSecond));
    ASSERT_EQ(one.subMeshes.size(), 1u);
    EXPECT_EQ(one.subMeshes[0].secondTextureFlag, 0);
    EXPECT_EQ(one.subMeshes[0].firstTextureName, "a.tga");
    EXPECT_EQ(one.subMeshes[0].secondTextureName, "");
    EXPECT_EQ(one.subMeshes[0].vertexCount, 1);
    EXPECT_EQ(one.subMeshes[0].triangleCount, 0);

    // Flag 1: the second name at 54, V at 104, T at 108.
    std::string withSecond(104 + 8 + 40 * 3 + 12, '\0');
    withSecond[0] = 1;
    withSecond.replace(4, 5, "a.tga");
    withSecond.replace(54, 5, "b.jpg");
    withSecond[104] = 3;  // V = 3
    withSecond[108] = 1;  // T = 1
    withSecond[104 + 8 + 120 + 4] = 1;
    withSecond[104 + 8 + 120 + 8] = 2;
    Model two;
    ASSERT_TRUE(Load(two, withSecond));
    ASSERT_EQ(two.subMeshes.size(), 1u);
    EXPECT_EQ(two.subMeshes[0].secondTextureFlag, 1);
    EXPECT_EQ(two.subMeshes[0].secondTextureName, "b.jpg");
    EXPECT_EQ(two.subMeshes[0].vertexCount, 3);
    EXPECT_EQ(two.subMeshes[0].triangleCount, 1);
    EXPECT_EQ(two.subMeshes[0].triangles, (std::vector<int32_t>{0, 1, 2}));
}

TEST(ModelLoaderTest, FileVerticesTurnFromZUpToYUpWithFlippedTextureRows) {
    R3MWriter file;
    file.Record("a.tga", "", {{1, 2, 3, 0, 0, 1, 0.25f, 0.25f, 0.5f, 1}}, {});
    Model model;
    ASSERT_TRUE(Load(model, file.bytes));
    ASSERT_EQ(model.subMeshes.size(), 1u);
    const ModelVertex& v = model.subMeshes[0].vertices.at(0);
    EXPECT_EQ(v.x, 1);
    EXPECT_EQ(v.y, 3);
    EXPECT_EQ(v.z, -2);
    EXPECT_EQ(v.nx, 0);
    EXPECT_EQ(v.ny, 1);
    EXPECT_EQ(v.nz, 0);
    EXPECT_EQ(v.tu1, 0.25f);
    EXPECT_EQ(v.tv1, 0.75f);
    EXPECT_EQ(v.tu2, 0.5f);
    EXPECT_EQ(v.tv2, 0);
}

TEST(ModelLoaderTest, AnEmptyFirstNameEndsTheListEvenWithDataBehindIt) {
    R3MWriter file;
    file.Int32(1);
    file.Name("");
    file.Mesh("a.tga", 4, 2);
    Model model;
    TextureCache textures(kNoTextureDecoder);
    EXPECT_TRUE(Load(model, file.bytes, textures));
    EXPECT_TRUE(model.subMeshes.empty());
    EXPECT_EQ(textures.Size(), 0u);

    R3MWriter second;
    second.Mesh("a.tga", 4, 2);
    second.Int32(0);
    second.Name("");
    second.Raw("junk that is never read", 23);
    Model kept;
    EXPECT_TRUE(Load(kept, second.bytes));
    EXPECT_EQ(kept.subMeshes.size(), 1u);
}

TEST(ModelLoaderTest, BaseVerticesAndTotalsRunOverTheRecordsInFileOrder) {
    R3MWriter file;
    file.Mesh("a.tga", 4, 2);
    file.Mesh("b.tga", 6, 3);
    file.Mesh("c.tga", 5, 1);
    Model model;
    ASSERT_TRUE(Load(model, file.bytes));
    ASSERT_EQ(model.subMeshes.size(), 3u);
    EXPECT_EQ(model.subMeshes[0].baseVertex, 0);
    EXPECT_EQ(model.subMeshes[1].baseVertex, 4);
    EXPECT_EQ(model.subMeshes[2].baseVertex, 10);
    EXPECT_EQ(model.totalVertexCount, 15);
    EXPECT_EQ(model.totalTriangleCount, 6);
    // Indices stay local to their record; the buffers add the base vertex.
    EXPECT_EQ(model.subMeshes[1].triangles[2], 2);
    for (const SubMesh& subMesh : model.subMeshes) {
        EXPECT_EQ(subMesh.startIndex, 0u);
        EXPECT_EQ(subMesh.firstTexture, nullptr);
        EXPECT_EQ(subMesh.animation, 0.0f);
    }
}

TEST(ModelLoaderTest, RegistersBothNamesOfEachRecordFoldedToLowerCase) {
    R3MWriter file;
    file.Mesh("Bark.TGA", 4, 2, "Detail.jpg");
    file.Mesh("leaf.tga", 4, 2);
    Model model;
    TextureCache textures(kNoTextureDecoder);
    ASSERT_TRUE(Load(model, file.bytes, textures));
    EXPECT_EQ(textures.Size(), 3u);
    textures.LoadAll(nullptr);  // no media at all: every entry stays null
    EXPECT_EQ(textures.Size(), 3u);
}

TEST(ModelLoaderTest, MissingFileIsLoggedAndLeavesTheModelEmpty) {
    TempFolder folder;
    RecordingLog log;
    Model model;
    TextureCache textures(kNoTextureDecoder);
    EXPECT_FALSE(LoadModel(model, "models/none.r3m", textures));
    EXPECT_TRUE(model.subMeshes.empty());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Unable to load data from zipmodels/none.r3m"}));
}

TEST(ModelLoaderTest, ReadsALooseMediaFile) {
    TempFolder folder;
    R3MWriter file;
    file.Mesh("a.tga", 4, 2);
    folder.WriteFile("media/models/quad.r3m", file.bytes);
    Model model;
    TextureCache textures(kNoTextureDecoder);
    EXPECT_TRUE(LoadModel(model, "models/quad.r3m", textures));
    EXPECT_EQ(model.subMeshes.size(), 1u);
    EXPECT_EQ(model.totalTriangleCount, 2);
}

TEST(ModelLoaderTest, AllowsExactly65536Vertices) {
    R3MWriter file;
    file.Mesh("a.tga", 40000, 1);
    file.Mesh("b.tga", 25536, 1);
    file.Mesh("c.tga", 0, 0);
    Model model;
    EXPECT_TRUE(Load(model, file.bytes));
    EXPECT_EQ(model.totalVertexCount, 65536);
    EXPECT_EQ(model.subMeshes.size(), 3u);
}

// Each bad tail follows one good record; the load stops there and keeps it.
struct MalformedCase {
    const char* what;
    std::string tail;
};

class MalformedModelTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedModelTest, StopsWithTheRecordsReadBefore) {
    R3MWriter file;
    file.Mesh("good.tga", 4, 2);
    file.bytes += GetParam().tail;
    Model model;
    TextureCache textures(kNoTextureDecoder);
    EXPECT_FALSE(Load(model, file.bytes, textures));
    ASSERT_EQ(model.subMeshes.size(), 1u);
    EXPECT_EQ(model.subMeshes[0].firstTextureName, "good.tga");
    EXPECT_EQ(model.totalVertexCount, 4);
    EXPECT_EQ(model.totalTriangleCount, 2);
    EXPECT_EQ(textures.Size(), 1u);
}

namespace {

std::string Tail(void (*build)(R3MWriter&)) {
    R3MWriter w;
    build(w);
    return w.bytes;
}

std::string Header(int32_t flag, int32_t vertices, int32_t triangles) {
    R3MWriter w;
    w.Int32(flag);
    w.Name("bad.tga");
    if (flag > 0) w.Name("bad2.tga");
    w.Int32(vertices);
    w.Int32(triangles);
    return w.bytes;
}

std::string Cut(std::string bytes, size_t drop) {
    return bytes.substr(0, bytes.size() - drop);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(
    R3M, MalformedModelTest,
    testing::Values(
        MalformedCase{"flag_cut_off", std::string(3, '\0')},
        MalformedCase{"first_name_cut_off", Cut(Header(0, 0, 0), 20)},
        MalformedCase{"first_name_without_nul", Tail([](R3MWriter& w) {
                          w.Int32(0);
                          w.bytes += std::string(50, 'x');
                          w.Int32(0);
                          w.Int32(0);
                      })},
        MalformedCase{"second_name_without_nul", Tail([](R3MWriter& w) {
                          w.Int32(1);
                          w.Name("bad.tga");
                          w.bytes += std::string(50, 'y');
                          w.Int32(0);
                          w.Int32(0);
                      })},
        MalformedCase{"negative_flag", Header(-1, 0, 0)},
        MalformedCase{"negative_vertex_count", Header(0, -1, 0)},
        MalformedCase{"negative_triangle_count", Header(0, 0, -5)},
        MalformedCase{"counts_cut_off", Cut(Header(0, 0, 0), 2)},
        MalformedCase{"vertex_bytes_overflow_32_bits", Header(0, 0x7FFFFFFF, 0)},
        MalformedCase{"triangle_bytes_overflow_32_bits", Header(0, 0, 0x15555556)},
        MalformedCase{"more_vertices_than_bytes_left", Header(0, 3, 0) + std::string(119, '\0')},
        MalformedCase{"triangles_cut_off", Header(0, 3, 1) + std::string(120 + 11, '\0')},
        MalformedCase{"index_equal_to_vertex_count", Tail([](R3MWriter& w) {
                          w.Record("bad.tga", "", {{}, {}, {}}, {0, 1, 3});
                      })},
        MalformedCase{"negative_index", Tail([](R3MWriter& w) {
                          w.Record("bad.tga", "", {{}, {}, {}}, {0, -1, 2});
                      })},
        MalformedCase{"past_65536_vertices",
                      Tail([](R3MWriter& w) { w.Mesh("big.tga", 65533, 1); })},
        MalformedCase{"trailing_bytes", std::string("\x01\x02", 2)}),
    [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.what; });

TEST(ModelLoaderTest, CountsAskingForGigabytesAllocateNothingBeyondTheData) {
    // 40 * 0x06000000 bytes is 4 GB less a little: it fits in 32 bits but
    // not in the data. Under ASan a huge allocation would be reported.
    std::string bytes = Header(0, 0x06000000, 0x00100000) + std::string(64, '\0');
    Model model;
    EXPECT_FALSE(Load(model, bytes));
    EXPECT_TRUE(model.subMeshes.empty());
}
