// The model cache: one load per name as written, texture binding and
// replacement, sorting by distance, and releasing everything it owns.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "media/media_archive.h"
#include "render/model_buffers.h"
#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/recording_device.h"
#include "tests/render/recording_log.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_decoders.h"

namespace {

// A square of four vertices whose fourth vertex sits at file (x, y, z).
void Quad(R3MWriter& file, const std::string& texture, float x, float y, float z,
          const std::string& second = "") {
    R3MFileVertex v = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    R3MFileVertex fourth = {x, y, z, 0, 0, 1, 0, 0, 0, 0};
    file.Record(texture, second, {v, v, v, fourth}, {0, 1, 2, 0, 2, 3});
}

}  // namespace

TEST(ModelCacheTest, EachNameAsWrittenIsReadOnce) {
    TempFolder folder;
    R3MWriter file;
    Quad(file, "a.tga", 1, 0, 0);
    folder.WriteFile("pack/models/scene.r3m", file.bytes);
    ASSERT_EQ(RunCommand("cd pack && zip -q -e -P plumbo3 ../Media.dat models/scene.r3m"), 0);
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    ModelCache cache;

    Model* first = cache.GetModel(&device, "models/scene.r3m", textures, true);
    Model* again = cache.GetModel(&device, "models/scene.r3m", textures, true);
    EXPECT_EQ(first, again);
    EXPECT_EQ(device.Calls("CreateVertexBuffer").size(), 1u);
    ASSERT_EQ(first->subMeshes.size(), 1u);

    // Another spelling is another entry, loaded from the same archive entry.
    Model* capital = cache.GetModel(&device, "models/Scene.r3m", textures, true);
    EXPECT_NE(capital, first);
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(capital->subMeshes.size(), 1u);
    EXPECT_EQ(device.Calls("CreateVertexBuffer").size(), 2u);
    CloseMediaArchive();
}

TEST(ModelCacheTest, AMissingModelStaysEmptyAndIsLoggedOnce) {
    TempFolder folder;
    RecordingLog log;
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    ModelCache cache;
    Model* model = cache.GetModel(&device, "models/none.r3m", textures, false);
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(model->subMeshes.empty());
    EXPECT_EQ(cache.GetModel(&device, "models/none.r3m", textures, false), model);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Unable to load data from zipmodels/none.r3m"}));
    device.calls.clear();
    DrawModel(*model, &device, true);
    EXPECT_TRUE(device.Calls("DrawIndexedPrimitive").empty());
}

TEST(ModelCacheTest, TheFirstRequestDecidesAboutBuffers) {
    TempFolder folder;
    R3MWriter file;
    Quad(file, "a.tga", 1, 0, 0);
    folder.WriteFile("media/models/foliage.r3m", file.bytes);
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    ModelCache cache;
    Model* model = cache.GetModel(&device, "models/foliage.r3m", textures, false);
    cache.GetModel(&device, "models/foliage.r3m", textures, true);
    EXPECT_EQ(model->vertexBuffer, nullptr);
    EXPECT_TRUE(device.Calls("CreateVertexBuffer").empty());
}

TEST(ModelCacheTest, ResolveLoadsTexturesOnceAndBindsThemInEveryModel) {
    TempFolder folder;
    R3MWriter one;
    Quad(one, "Bark.tga", 1, 0, 0, "detail.jpg");
    Quad(one, "leaf.tga", 1, 0, 0);
    R3MWriter two;
    Quad(two, "BARK.TGA", 1, 0, 0);
    folder.WriteFile("media/models/one.r3m", one.bytes);
    folder.WriteFile("media/models/two.r3m", two.bytes);
    for (const char* name : {"bark.tga", "detail.jpg", "leaf.tga"}) {
        folder.WriteFile(std::string("media/texture/") + name, "image");
    }
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    ModelCache cache;
    Model* first = cache.GetModel(&device, "models/one.r3m", textures, true);
    Model* second = cache.GetModel(&device, "models/two.r3m", textures, true);
    cache.ResolveTextures(&device, textures);

    EXPECT_EQ(device.Calls("CreateTexture").size(), 3u);
    IDirect3DTexture8* bark = textures.GetTexture("bark.tga");
    ASSERT_NE(bark, nullptr);
    EXPECT_EQ(first->subMeshes[0].firstTexture, bark);
    EXPECT_EQ(first->subMeshes[0].secondTexture, textures.GetTexture("detail.jpg"));
    EXPECT_EQ(first->subMeshes[1].firstTexture, textures.GetTexture("leaf.tga"));
    EXPECT_EQ(first->subMeshes[1].secondTexture, nullptr);
    EXPECT_EQ(second->subMeshes[0].firstTexture, bark);
    EXPECT_EQ(second->subMeshes[0].secondTexture, nullptr);
}

TEST(ModelCacheTest, ReplaceTextureMatchesFirstNamesInAnyCase) {
    Model model;
    model.subMeshes.resize(4);
    model.subMeshes[0].firstTextureName = "leaf.tga";
    model.subMeshes[1].firstTextureName = "LEAF.Tga";
    model.subMeshes[2].firstTextureName = "leaf.tga.bak";
    model.subMeshes[3].firstTextureName = "bark.tga";
    model.subMeshes[3].secondTextureName = "leaf.tga";
    model.subMeshes[3].secondTextureFlag = 1;
    RecordingDevice device;
    RecordingTexture* night = device.MakeTexture(2, 2);
    ModelCache::ReplaceTexture(model, "Leaf.TGA", night);
    EXPECT_EQ(model.subMeshes[0].firstTexture, night);
    EXPECT_EQ(model.subMeshes[1].firstTexture, night);
    EXPECT_EQ(model.subMeshes[2].firstTexture, nullptr);
    EXPECT_EQ(model.subMeshes[3].firstTexture, nullptr);
    EXPECT_EQ(model.subMeshes[3].secondTexture, nullptr);
    EXPECT_EQ(night->references, 1u);  // borrowed

    ModelCache::ReplaceTexture(model, "leaf.tga", nullptr);
    EXPECT_EQ(model.subMeshes[0].firstTexture, nullptr);
}

TEST(ModelCacheTest, SortByDistancePutsTheNearestFourthVertexFirst) {
    TempFolder folder;
    R3MWriter file;
    // File (x, y, z) becomes (x, z, -y): distances 3, 1 and 2 from (0, 0, 0).
    Quad(file, "three.tga", 3, 0, 0);
    Quad(file, "one.tga", 0, 0, 1);
    Quad(file, "two.tga", 0, -2, 0);
    folder.WriteFile("media/models/trava2.r3m", file.bytes);
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    ModelCache cache;
    Model* model = cache.GetModel(&device, "models/trava2.r3m", textures, true);
    ModelCache::SortByDistance(*model, 0, 0, 0);
    ASSERT_EQ(model->subMeshes.size(), 3u);
    EXPECT_EQ(model->subMeshes[0].firstTextureName, "one.tga");
    EXPECT_EQ(model->subMeshes[1].firstTextureName, "two.tga");
    EXPECT_EQ(model->subMeshes[2].firstTextureName, "three.tga");
    // Whole records move: each keeps its own buffer range.
    EXPECT_EQ(model->subMeshes[0].baseVertex, 4);
    EXPECT_EQ(model->subMeshes[0].startIndex, 6u);

    // Seen from far along x the order turns around.
    ModelCache::SortByDistance(*model, 10, 0, 0);
    EXPECT_EQ(model->subMeshes[0].firstTextureName, "three.tga");
}

TEST(ModelCacheTest, SortCopesWithShortSubMeshesAndNotANumber) {
    Model model;
    model.subMeshes.resize(40);
    for (size_t i = 0; i < model.subMeshes.size(); ++i) {
        SubMesh& subMesh = model.subMeshes[i];
        subMesh.firstTextureName = std::to_string(i);
        if (i % 3 == 0) continue;  // no vertices at all
        subMesh.vertices.resize(4);
        subMesh.vertices[3].x =
            i % 3 == 1 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(i);
    }
    ModelCache::SortByDistance(model, 0, 0, 0);
    ASSERT_EQ(model.subMeshes.size(), 40u);
    // The measurable ones come first, nearest first.
    EXPECT_EQ(model.subMeshes[0].firstTextureName, "2");
    EXPECT_EQ(model.subMeshes[1].firstTextureName, "5");
    EXPECT_EQ(model.subMeshes[12].firstTextureName, "38");
}

TEST(ModelCacheTest, ReleaseAllReleasesEveryBufferAndEmptiesTheCache) {
    TempFolder folder;
    R3MWriter file;
    Quad(file, "a.tga", 1, 0, 0);
    folder.WriteFile("media/models/a.r3m", file.bytes);
    RecordingDevice device;
    TextureCache textures(kSquareTextureDecoder);
    {
        ModelCache cache;
        cache.GetModel(&device, "models/a.r3m", textures, true);
        cache.GetModel(&device, "models/A.r3m", textures, true);
        EXPECT_EQ(device.LiveObjects().size(), 4u);
        cache.ReleaseAll();
        EXPECT_EQ(cache.Size(), 0u);
        EXPECT_TRUE(device.LiveObjects().empty());
        cache.GetModel(&device, "models/a.r3m", textures, true);
    }
    // The destructor releases what is left.
    EXPECT_TRUE(device.LiveObjects().empty());
}
