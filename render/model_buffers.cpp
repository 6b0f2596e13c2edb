#include "render/model_buffers.h"

#include <cstdio>
#include <cstring>

#include "media/log_file.h"

namespace {

void WriteLog(const char* line) {
    if (LogFile* log = GetLog()) log->WriteLine(line);
}

// Each sub-mesh's vertices go to its base vertex, which in file order is the
// next free slot; placing them by base vertex keeps a re-created buffer right
// even after the list has been sorted.
void FillVertexBuffer(Model& model, UINT length) {
    BYTE* bytes = nullptr;
    if (FAILED(model.vertexBuffer->Lock(0, 0, &bytes, 0)) || bytes == nullptr) return;
    for (const SubMesh& subMesh : model.subMeshes) {
        size_t offset = size_t{subMesh.baseVertex} * sizeof(ModelVertex);
        size_t size = subMesh.vertices.size() * sizeof(ModelVertex);
        if (size == 0 || offset + size > length) continue;  // never write past the buffer
        std::memcpy(bytes + offset, subMesh.vertices.data(), size);
    }
    model.vertexBuffer->Unlock();
}

void FillIndexBuffer(Model& model, UINT length) {
    BYTE* bytes = nullptr;
    bool locked = SUCCEEDED(model.indexBuffer->Lock(0, 0, &bytes, 0)) && bytes != nullptr;
    UINT indexCount = length / sizeof(WORD);
    WORD* indices = reinterpret_cast<WORD*>(bytes);
    UINT position = 0;
    for (SubMesh& subMesh : model.subMeshes) {
        subMesh.startIndex = position;
        for (int32_t index : subMesh.triangles) {
            if (position == indexCount) break;  // never write past the buffer
            if (locked) indices[position] = static_cast<WORD>(index + subMesh.baseVertex);
            ++position;
        }
    }
    if (locked) model.indexBuffer->Unlock();
}

}  // namespace

void CreateBuffers(Model& model, IDirect3DDevice8* device) {
    if (model.vertexBuffer != nullptr) {
        model.vertexBuffer->Release();
        model.vertexBuffer = nullptr;
    }
    if (model.indexBuffer != nullptr) {
        model.indexBuffer->Release();
        model.indexBuffer = nullptr;
    }
    char line[80];

    UINT vertexLength = static_cast<UINT>(model.totalVertexCount) * sizeof(ModelVertex);
    if (FAILED(device->CreateVertexBuffer(vertexLength, D3DUSAGE_WRITEONLY, kModelVertexFormat,
                                          D3DPOOL_MANAGED, &model.vertexBuffer))) {
        model.vertexBuffer = nullptr;
        WriteLog("CreateVertexBuffer - NO");
        return;
    }
    std::snprintf(line, sizeof line, "CreateVertexBuffer (size - %i) - OK - ",
                  model.totalVertexCount);
    WriteLog(line);
    FillVertexBuffer(model, vertexLength);

    UINT indexLength = static_cast<UINT>(model.totalTriangleCount) * 3 * sizeof(WORD);
    if (FAILED(device->CreateIndexBuffer(indexLength, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                         D3DPOOL_MANAGED, &model.indexBuffer))) {
        model.indexBuffer = nullptr;
        WriteLog("CreateIndexBuffer - NO");
        return;
    }
    std::snprintf(line, sizeof line, "CreateIndexBuffer (size - %i) - OK - ",
                  model.totalTriangleCount);
    WriteLog(line);
    FillIndexBuffer(model, indexLength);
}

HRESULT DrawModel(Model& model, IDirect3DDevice8* device, bool bindTextures) {
    HRESULT result = device->SetStreamSource(0, model.vertexBuffer, kModelVertexStride);
    if (FAILED(result)) return result;
    result = device->SetIndices(model.indexBuffer, 0);
    if (FAILED(result)) return result;
    for (const SubMesh& subMesh : model.subMeshes) {
        if (bindTextures) {
            device->SetTexture(0, subMesh.firstTexture);
            device->SetTexture(1, subMesh.secondTexture);
        }
        if (FAILED(device->DrawIndexedPrimitive(
                D3DPT_TRIANGLELIST, subMesh.baseVertex, static_cast<UINT>(subMesh.vertexCount),
                subMesh.startIndex, static_cast<UINT>(subMesh.triangleCount)))) {
            char line[96];
            std::snprintf(line, sizeof line, "Error DrawIndexedPrimitive (%ix%ix%ix%i)",
                          static_cast<int>(subMesh.baseVertex), subMesh.vertexCount,
                          static_cast<int>(subMesh.startIndex), subMesh.triangleCount);
            WriteLog(line);
        }
    }
    return D3D_OK;
}

void ReleaseModel(Model& model) {
    if (model.vertexBuffer != nullptr) model.vertexBuffer->Release();
    if (model.indexBuffer != nullptr) model.indexBuffer->Release();
    model.vertexBuffer = nullptr;
    model.indexBuffer = nullptr;
    model.subMeshes.clear();
    model.subMeshes.shrink_to_fit();
    model.totalVertexCount = 0;
    model.totalTriangleCount = 0;
}

Model::~Model() {
    if (vertexBuffer != nullptr) vertexBuffer->Release();
    if (indexBuffer != nullptr) indexBuffer->Release();
}
