// Models on a recording device: buffer sizes and contents, start indices,
// the log lines of creation and of failed draws, the draw calls themselves.
#include <gtest/gtest.h>

#include <cstring>

#include "render/model_buffers.h"
#include "render/model_loader.h"
#include "render/texture_cache.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/recording_device.h"
#include "tests/render/recording_log.h"
#include "tests/support/test_decoders.h"

namespace {

// Two sub-meshes: 4 vertices and 2 triangles, then 3 vertices and 1 triangle
// whose last local index is 2.
void LoadTwoMeshes(Model& model) {
    R3MWriter file;
    file.Mesh("quad.tga", 4, 2);
    file.Record("tri.tga", "detail.tga",
                {{10, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                 {11, 0, 0, 0, 0, 1, 0, 0, 0, 0},
                 {12, 0, 0, 0, 0, 1, 0, 0, 0, 0}},
                {0, 1, 2});
    TextureCache textures(kNoTextureDecoder);
    ASSERT_TRUE(LoadModelFromBytes(model, file.bytes.data(),
                                   static_cast<uint32_t>(file.bytes.size()), textures));
}

std::vector<uint16_t> Indices(const RecordingIndexBuffer* buffer) {
    std::vector<uint16_t> indices(buffer->bytes.size() / 2);
    std::memcpy(indices.data(), buffer->bytes.data(), buffer->bytes.size());
    return indices;
}

}  // namespace

TEST(ModelBuffersTest, OneBufferPairHoldsEverySubMeshAtItsOwnRange) {
    RecordingLog log;
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    CreateBuffers(model, &device);

    EXPECT_EQ(device.Calls("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(280,8,530,1)"}));  // 0x212, managed
    EXPECT_EQ(device.Calls("CreateIndexBuffer"),
              (std::vector<std::string>{"CreateIndexBuffer(18,8,101,1)"}));  // 16-bit, managed
    EXPECT_EQ(device.Calls("Lock"),
              (std::vector<std::string>{"Lock(VB1,0,0,0)", "Lock(IB1,0,0,0)"}));
    EXPECT_EQ(device.Calls("Unlock"), (std::vector<std::string>{"Unlock(VB1)", "Unlock(IB1)"}));
    EXPECT_EQ(model.vertexBuffer, device.vertexBuffers.at(0));
    EXPECT_EQ(model.indexBuffer, device.indexBuffers.at(0));

    EXPECT_EQ(model.subMeshes[0].startIndex, 0u);
    EXPECT_EQ(model.subMeshes[1].startIndex, 6u);
    EXPECT_EQ(model.subMeshes[0].baseVertex, 0);
    EXPECT_EQ(model.subMeshes[1].baseVertex, 4);
    EXPECT_EQ(Indices(device.indexBuffers[0]), (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 5, 6}));

    // The second sub-mesh's first vertex (file x = 10) sits in slot 4.
    ModelVertex slot4;
    std::memcpy(&slot4, device.vertexBuffers[0]->bytes.data() + 4 * 40, 40);
    EXPECT_EQ(slot4.x, 10);
    EXPECT_EQ(slot4.y, 0);

    EXPECT_EQ(log.lines, (std::vector<std::string>{"CreateVertexBuffer (size - 7) - OK - ",
                                                   "CreateIndexBuffer (size - 3) - OK - "}));
}

TEST(ModelBuffersTest, CreatingAgainReleasesTheFirstPairFirst) {
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    CreateBuffers(model, &device);
    CreateBuffers(model, &device);
    ASSERT_EQ(device.vertexBuffers.size(), 2u);
    EXPECT_EQ(device.vertexBuffers[0]->references, 0u);
    EXPECT_EQ(device.indexBuffers[0]->references, 0u);
    EXPECT_EQ(model.vertexBuffer, device.vertexBuffers[1]);
    EXPECT_EQ(model.indexBuffer, device.indexBuffers[1]);
    ReleaseModel(model);
    EXPECT_TRUE(device.LiveObjects().empty());
    EXPECT_TRUE(model.subMeshes.empty());
    EXPECT_EQ(model.vertexBuffer, nullptr);
    EXPECT_EQ(model.totalVertexCount, 0);
}

TEST(ModelBuffersTest, FailedCreationIsLoggedAndLeavesNoBuffer) {
    RecordingLog log;
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    device.answer = [](const DeviceCall& call) {
        return call.method == "CreateVertexBuffer" ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
    };
    CreateBuffers(model, &device);
    EXPECT_EQ(model.vertexBuffer, nullptr);
    EXPECT_EQ(model.indexBuffer, nullptr);
    EXPECT_TRUE(device.Calls("CreateIndexBuffer").empty());
    EXPECT_EQ(log.lines, (std::vector<std::string>{"CreateVertexBuffer - NO"}));

    log.lines.clear();
    device.answer = [](const DeviceCall& call) {
        return call.method == "CreateIndexBuffer" ? D3DERR_OUTOFVIDEOMEMORY : D3D_OK;
    };
    CreateBuffers(model, &device);
    EXPECT_NE(model.vertexBuffer, nullptr);
    EXPECT_EQ(model.indexBuffer, nullptr);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"CreateVertexBuffer (size - 7) - OK - ",
                                                   "CreateIndexBuffer - NO"}));
}

TEST(ModelBuffersTest, DrawBindsBuffersAndTexturesThenDrawsEachSubMesh) {
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    CreateBuffers(model, &device);
    RecordingTexture* quad = device.MakeTexture(4, 4);
    RecordingTexture* detail = device.MakeTexture(4, 4);
    model.subMeshes[0].firstTexture = quad;
    model.subMeshes[1].firstTexture = quad;
    model.subMeshes[1].secondTexture = detail;
    device.calls.clear();

    EXPECT_EQ(DrawModel(model, &device, true), D3D_OK);
    EXPECT_EQ(device.Calls(), (std::vector<std::string>{
                                  "SetStreamSource(0,VB1,40)",
                                  "SetIndices(IB1,0)",
                                  "SetTexture(0,TEX1)",
                                  "SetTexture(1,null)",
                                  "DrawIndexedPrimitive(4,0,4,0,2)",
                                  "SetTexture(0,TEX1)",
                                  "SetTexture(1,TEX2)",
                                  "DrawIndexedPrimitive(4,4,3,6,1)",
                              }));

    device.calls.clear();
    EXPECT_EQ(DrawModel(model, &device, false), D3D_OK);
    EXPECT_TRUE(device.Calls("SetTexture").empty());
    EXPECT_EQ(device.Calls("DrawIndexedPrimitive").size(), 2u);
}

TEST(ModelBuffersTest, AFailedDrawIsLoggedAndTheNextSubMeshIsStillDrawn) {
    RecordingLog log;
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    // A third sub-mesh behind the one that fails.
    model.subMeshes.push_back(model.subMeshes[0]);
    model.subMeshes[2].baseVertex = 7;
    model.totalVertexCount += 4;
    model.totalTriangleCount += 2;
    CreateBuffers(model, &device);
    log.lines.clear();
    device.calls.clear();
    device.answer = [](const DeviceCall& call) {
        return call.method == "DrawIndexedPrimitive" && call.args[1] == "4" ? D3DERR_INVALIDCALL
                                                                            : D3D_OK;
    };
    EXPECT_EQ(DrawModel(model, &device, false), D3D_OK);
    EXPECT_EQ(device.Calls("DrawIndexedPrimitive").size(), 3u);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Error DrawIndexedPrimitive (4x3x6x1)"}));
}

TEST(ModelBuffersTest, AFailedBindingEndsTheDrawWithItsResult) {
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    CreateBuffers(model, &device);
    device.calls.clear();
    device.answer = [](const DeviceCall& call) {
        return call.method == "SetIndices" ? D3DERR_INVALIDCALL : D3D_OK;
    };
    EXPECT_EQ(DrawModel(model, &device, true), D3DERR_INVALIDCALL);
    EXPECT_TRUE(device.Calls("DrawIndexedPrimitive").empty());
}

TEST(ModelBuffersTest, AnEmptyModelAsksForZeroBytesAndDrawsNothing) {
    RecordingLog log;
    RecordingDevice device;
    Model model;
    device.answer = [](const DeviceCall& call) {
        return call.method.rfind("Create", 0) == 0 && call.args[0] == "0" ? D3DERR_INVALIDCALL
                                                                          : D3D_OK;
    };
    CreateBuffers(model, &device);
    EXPECT_EQ(device.Calls("CreateVertexBuffer"),
              (std::vector<std::string>{"CreateVertexBuffer(0,8,530,1)"}));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"CreateVertexBuffer - NO"}));
    device.calls.clear();
    DrawModel(model, &device, true);
    EXPECT_EQ(device.Calls(),
              (std::vector<std::string>{"SetStreamSource(0,null,40)", "SetIndices(null,0)"}));
}

TEST(ModelBuffersTest, RebuildingASortedModelKeepsEachSubMeshOnItsOwnVertices) {
    RecordingDevice device;
    Model model;
    LoadTwoMeshes(model);
    std::swap(model.subMeshes[0], model.subMeshes[1]);
    CreateBuffers(model, &device);
    // The three-vertex sub-mesh, now first in the list, still owns slots 4 to 6.
    EXPECT_EQ(model.subMeshes[0].startIndex, 0u);
    EXPECT_EQ(model.subMeshes[1].startIndex, 3u);
    EXPECT_EQ(Indices(device.indexBuffers[0]), (std::vector<uint16_t>{4, 5, 6, 0, 1, 2, 0, 2, 3}));
    ModelVertex slot4;
    std::memcpy(&slot4, device.vertexBuffers[0]->bytes.data() + 4 * 40, 40);
    EXPECT_EQ(slot4.x, 10);
}

TEST(ModelBuffersTest, StartIndicesPastSixteenBitsStayExact) {
    // 65536 indices (21846 triangles) in the first sub-mesh: the second
    // starts at index 65538, beyond what 16 bits can hold.
    R3MWriter file;
    file.Mesh("a.tga", 3, 21846);
    file.Mesh("b.tga", 3, 1);
    RecordingDevice device;
    Model model;
    TextureCache textures(kNoTextureDecoder);
    ASSERT_TRUE(LoadModelFromBytes(model, file.bytes.data(),
                                   static_cast<uint32_t>(file.bytes.size()), textures));
    CreateBuffers(model, &device);
    EXPECT_EQ(model.subMeshes[1].startIndex, 65538u);
    device.calls.clear();
    DrawModel(model, &device, false);
    EXPECT_EQ(device.Calls("DrawIndexedPrimitive").back(), "DrawIndexedPrimitive(4,3,3,65538,1)");
    EXPECT_EQ(Indices(device.indexBuffers[0]).back(), 5);
}
