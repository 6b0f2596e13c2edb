// Figures for a large model: R3M parsing with the frame conversion (MB/s),
// and filling its device buffers. 60 sub-meshes of 1000 vertices (a 40 x 25
// grid each), 60 000 vertices and 112 320 triangles in all.
#include <chrono>
#include <cstdio>

#include "render/model_buffers.h"
#include "render/model_loader.h"
#include "render/texture_cache.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/recording_device.h"
#include "tests/support/test_decoders.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main() {
    constexpr int kSubMeshes = 60, kColumns = 40, kRows = 25, kRounds = 50;
    R3MWriter file;
    for (int m = 0; m < kSubMeshes; ++m) {
        std::vector<R3MFileVertex> vertices;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                float x = static_cast<float>(c), y = static_cast<float>(r + m * kRows);
                vertices.push_back({x, y, 0, 0, 0, 1, x / kColumns, y / kRows, 0, 0});
            }
        }
        std::vector<int32_t> indices;
        for (int r = 0; r + 1 < kRows; ++r) {
            for (int c = 0; c + 1 < kColumns; ++c) {
                int32_t i = r * kColumns + c;
                indices.insert(indices.end(),
                               {i, i + 1, i + kColumns, i + 1, i + kColumns + 1, i + kColumns});
            }
        }
        file.Record("grid" + std::to_string(m % 4) + ".tga", "", vertices, indices);
    }
    double megabytes = static_cast<double>(file.bytes.size()) / (1024.0 * 1024.0);

    double parse = 0, build = 0;
    int32_t vertices = 0, triangles = 0;
    for (int round = 0; round < kRounds; ++round) {
        Model model;
        TextureCache textures(kNoTextureDecoder);
        auto start = std::chrono::steady_clock::now();
        LoadModelFromBytes(model, file.bytes.data(), static_cast<uint32_t>(file.bytes.size()),
                           textures);
        auto parsed = std::chrono::steady_clock::now();
        RecordingDevice device;
        CreateBuffers(model, &device);
        auto built = std::chrono::steady_clock::now();
        parse += Seconds(parsed - start);
        build += Seconds(built - parsed);
        vertices = model.totalVertexCount;
        triangles = model.totalTriangleCount;
        ReleaseModel(model);
    }
    std::printf("model: %d vertices, %d triangles, %.2f MB of R3M\n", vertices, triangles,
                megabytes);
    std::printf("parse + convert: %.3f ms per load, %.0f MB/s\n", 1000 * parse / kRounds,
                megabytes * kRounds / parse);
    std::printf("fill vertex and index buffers (memory device): %.3f ms per model\n",
                1000 * build / kRounds);
    return 0;
}
