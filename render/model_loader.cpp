#include "render/model_loader.h"

#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "media/data_chunk.h"
#include "media/log_file.h"
#include "media/media_archive.h"
#include "platform/startup_profile.h"
#include "render/texture_cache.h"

// The arrays are read straight into their in-memory form, which matches the
// file's little-endian layout on little-endian hosts.
static_assert(std::endian::native == std::endian::little, "R3M data is little-endian");

namespace {

constexpr uint32_t kNameFieldSize = 50;
constexpr uint32_t kFileVertexSize = 40;
constexpr uint32_t kFileTriangleSize = 12;

// DataChunk plus the count of bytes still unread, so that sizes can be
// checked before anything is allocated for them.
class RecordReader {
public:
    RecordReader(const char* bytes, uint32_t size)
        : chunk(bytes, static_cast<int32_t>(size)), left(size) {}

    bool AtEnd() const { return chunk.AtEnd(); }
    uint32_t Left() const { return left; }

    // True only when all `count` bytes were there.
    bool ReadExact(void* destination, uint32_t count) {
        uint32_t got = chunk.Read(destination, count);
        left -= got;
        return got == count;
    }

    bool ReadInt32(int32_t& value) { return ReadExact(&value, sizeof value); }

    // A 50-byte name field: its text up to the first NUL. False when the
    // field is cut off or holds no NUL.
    bool ReadName(std::string& name) {
        char field[kNameFieldSize] = {};
        if (!ReadExact(field, kNameFieldSize)) return false;
        const void* nul = std::memchr(field, '\0', kNameFieldSize);
        if (nul == nullptr) return false;
        name.assign(field, static_cast<size_t>(static_cast<const char*>(nul) - field));
        return true;
    }

private:
    DataChunk chunk;
    uint32_t left;
};

enum class RecordResult { kAdded, kListEnd, kMalformed };

// Reads one record into `subMesh`. `verticesBefore` is the model's vertex
// total so far, for the 16-bit limit.
RecordResult ReadRecord(RecordReader& reader, int64_t verticesBefore, SubMesh& subMesh) {
    if (!reader.ReadInt32(subMesh.secondTextureFlag)) return RecordResult::kMalformed;
    if (!reader.ReadName(subMesh.firstTextureName)) return RecordResult::kMalformed;
    if (subMesh.firstTextureName.empty()) return RecordResult::kListEnd;
    if (subMesh.secondTextureFlag < 0) return RecordResult::kMalformed;
    if (subMesh.secondTextureFlag > 0 && !reader.ReadName(subMesh.secondTextureName)) {
        return RecordResult::kMalformed;
    }

    int32_t vertexCount = 0;
    int32_t triangleCount = 0;
    if (!reader.ReadInt32(vertexCount) || !reader.ReadInt32(triangleCount)) {
        return RecordResult::kMalformed;
    }
    if (vertexCount < 0 || triangleCount < 0) return RecordResult::kMalformed;
    if (verticesBefore + vertexCount > kMaxModelVertices) return RecordResult::kMalformed;
    // 64-bit products: no count can overflow them, and the data is at most 4 GB.
    uint64_t vertexBytes = uint64_t{kFileVertexSize} * static_cast<uint64_t>(vertexCount);
    uint64_t triangleBytes = uint64_t{kFileTriangleSize} * static_cast<uint64_t>(triangleCount);
    if (vertexBytes + triangleBytes > reader.Left()) return RecordResult::kMalformed;

    subMesh.vertexCount = vertexCount;
    subMesh.triangleCount = triangleCount;
    subMesh.vertices.resize(static_cast<size_t>(vertexCount));
    subMesh.triangles.resize(static_cast<size_t>(triangleCount) * 3);
    reader.ReadExact(subMesh.vertices.data(), static_cast<uint32_t>(vertexBytes));
    reader.ReadExact(subMesh.triangles.data(), static_cast<uint32_t>(triangleBytes));
    for (int32_t index : subMesh.triangles) {
        if (index < 0 || index >= vertexCount) return RecordResult::kMalformed;
    }
    for (ModelVertex& vertex : subMesh.vertices) vertex = ConvertFileVertex(vertex);
    return RecordResult::kAdded;
}

}  // namespace

ModelVertex ConvertFileVertex(const ModelVertex& v) {
    return ModelVertex{v.x, v.z, -v.y, v.nx, v.nz, -v.ny, v.tu1, 1.0f - v.tv1, v.tu2, 1.0f - v.tv2};
}

bool LoadModelFromBytes(Model& model, const char* bytes, uint32_t size, TextureCache& textures) {
    StartupPhaseScope timing(StartupPhase::ModelLoad);
    // DataChunk measures with a signed 32-bit length.
    bool whole = size <= static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
    size_t firstNew = model.subMeshes.size();
    if (whole) {
        RecordReader reader(bytes, size);
        int64_t vertices = model.totalVertexCount;
        while (!reader.AtEnd()) {
            SubMesh subMesh;
            RecordResult result = ReadRecord(reader, vertices, subMesh);
            if (result == RecordResult::kListEnd) break;
            if (result == RecordResult::kMalformed) {
                whole = false;
                break;
            }
            vertices += subMesh.vertexCount;
            model.subMeshes.push_back(std::move(subMesh));
        }
    }

    // Base vertices, totals and texture names, in file order.
    for (size_t i = firstNew; i < model.subMeshes.size(); ++i) {
        SubMesh& subMesh = model.subMeshes[i];
        subMesh.baseVertex = static_cast<uint16_t>(model.totalVertexCount);
        model.totalVertexCount += subMesh.vertexCount;
        model.totalTriangleCount += subMesh.triangleCount;
        if (subMesh.secondTextureFlag > 0) textures.AddTexture(subMesh.secondTextureName.c_str());
        textures.AddTexture(subMesh.firstTextureName.c_str());
    }
    return whole;
}

bool LoadModel(Model& model, const char* name, TextureCache& textures) {
    std::unique_ptr<IData> blob = ReadMediaFile(name);
    if (!blob) {
        if (LogFile* log = GetLog()) {
            log->WriteLine((std::string("Unable to load data from zip") + name).c_str());
        }
        return false;
    }
    return LoadModelFromBytes(model, blob->GetData(), blob->GetSize(), textures);
}
