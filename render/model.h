// A model: the textured triangle meshes of one R3M file (its sub-meshes) in
// the program's Y-up frame, plus the vertex and index buffers that hold all
// of them on the device once CreateBuffers has run.
#pragma once

#include <d3d8.h>

#include <cstdint>
#include <string>
#include <vector>

// Vertex format of every model vertex: position, normal, two 2-D texture sets.
constexpr DWORD kModelVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;

// One vertex as the arrays and the device vertex buffer hold it (40 bytes).
struct ModelVertex {
    float x, y, z;
    float nx, ny, nz;
    float tu1, tv1;
    float tu2, tv2;
};
// The vertex buffer's stride, as SetStreamSource takes it.
constexpr UINT kModelVertexStride = sizeof(ModelVertex);
static_assert(kModelVertexStride == 40, "the vertex buffer stride is 40 bytes");

// Models with 16-bit indices can address at most this many vertices.
constexpr int32_t kMaxModelVertices = 65536;

struct SubMesh {
    int32_t secondTextureFlag = 0;  // > 0: the sub-mesh has a second texture
    std::string firstTextureName;
    std::string secondTextureName;  // empty without a second texture
    int32_t vertexCount = 0;
    int32_t triangleCount = 0;
    // Position of the first index in the model's index buffer. 32 bits wide:
    // a model of up to 65536 vertices can hold far more than 65536 indices.
    uint32_t startIndex = 0;
    uint16_t baseVertex = 0;                    // position of the first vertex in the vertex buffer
    IDirect3DTexture8* firstTexture = nullptr;  // borrowed from the texture cache
    IDirect3DTexture8* secondTexture = nullptr;  // borrowed, null with one texture
    std::vector<ModelVertex> vertices;           // vertexCount converted vertices
    std::vector<int32_t> triangles;              // 3 * triangleCount local indices
    float animation = 0.0f;                      // free for scene elements
};

struct Model {
    Model() = default;
    // Releases buffers that ReleaseModel did not release already.
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    std::vector<SubMesh> subMeshes;
    int32_t totalVertexCount = 0;
    int32_t totalTriangleCount = 0;
    IDirect3DVertexBuffer8* vertexBuffer = nullptr;  // owned, one reference
    IDirect3DIndexBuffer8* indexBuffer = nullptr;    // owned, one reference
};
