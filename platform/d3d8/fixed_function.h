// Direct3D 8's fixed-function vertex and pixel processing, as GLSL programs.
// A PipelineKey holds every state that changes the generated code; each key's
// program is built once and cached. Values that only change numbers (matrices,
// colours, reference values) are uniforms set per draw.
#pragma once

#include <d3d8.h>
#include <epoxy/gl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/d3d8/device_state.h"
#include "platform/d3d8/dirty_state.h"

namespace d3d8 {

// Vertex attribute locations the device binds a vertex format's parts to.
enum AttributeLocation {
    kPositionAttribute = 0,
    kNormalAttribute = 1,
    kDiffuseAttribute = 2,
    kSpecularAttribute = 3,
    kTexCoordAttribute = 4,  // + coordinate set index
    kPointSizeAttribute = 8,
    kAttributeCount = 9,
};
constexpr int kMaxTexCoordSets = 4;

// Sizes and offsets of the parts of a flexible vertex format.
struct VertexLayout {
    bool valid = false;
    bool pretransformed = false;  // x, y in the target's pixels, z depth, 1/w
    UINT stride = 0;
    UINT normalOffset = 0, diffuseOffset = 0, specularOffset = 0;
    bool hasNormal = false, hasDiffuse = false, hasSpecular = false, hasPointSize = false;
    UINT pointSizeOffset = 0;
    int texCoordSets = 0;
    int texCoordSize[kMaxTexCoordSets] = {};
    UINT texCoordOffset[kMaxTexCoordSets] = {};
};
// The layout of `fvf`; invalid for formats the stand-in cannot draw (vertex
// blending, more than four sets) and for pre-transformed positions with
// normals, which have nothing left to light.
VertexLayout LayoutOfFvf(DWORD fvf);

struct StageKey {
    uint8_t colorOp, colorArg1, colorArg2, colorArg0;
    uint8_t alphaOp, alphaArg1, alphaArg2, alphaArg0;
    uint8_t hasTexture;
    uint8_t coordSource;  // 0 vertex set, 1 camera normal, 2 camera position, 3 reflection
    uint8_t coordSet;
    uint8_t coordSize;       // components of the set (1..4), 0 when the set is missing
    uint8_t transformCount;  // 0 when the texture transform is off
    uint8_t projected;
};

struct PipelineKey {
    uint8_t hasNormal, hasDiffuse, hasSpecular, hasPointSize;
    uint8_t lighting, specularEnable, normalizeNormals, localViewer;
    uint8_t diffuseFromVertex, ambientFromVertex, specularFromVertex, emissiveFromVertex;
    uint8_t alphaTestFunc;  // 0 when alpha testing is off
    uint8_t points, pointSprite, pointScale;
    uint8_t stageCount;  // stages before the first disabled colour operation
    uint8_t pretransformed;
    uint8_t padding[2];
    StageKey stages[kStageCount];

    bool operator==(const PipelineKey& other) const;
};

struct PipelineKeyHash {
    size_t operator()(const PipelineKey& key) const;
};

// `textureFormats` are the formats of the textures bound to each stage
// (D3DFMT_UNKNOWN when none).
PipelineKey MakePipelineKey(const DeviceState& state, const VertexLayout& layout, bool points,
                            const D3DFORMAT textureFormats[kStageCount]);

// Whether the device can run the stages as set; the texture operation
// results Direct3D's ValidateDevice reports otherwise.
HRESULT ValidateStages(const DeviceState& state);

struct DrawUniformInputs {
    const DeviceState* state;
    float viewportX, viewportY, viewportWidth, viewportHeight;
    float maxPointSize;
};

class FixedFunctionProgram {
public:
    // Null with `log` filled when the generated code does not compile.
    static std::unique_ptr<FixedFunctionProgram> Build(const PipelineKey& key, std::string* log);
    ~FixedFunctionProgram();
    FixedFunctionProgram(const FixedFunctionProgram&) = delete;
    FixedFunctionProgram& operator=(const FixedFunctionProgram&) = delete;

    // Drops the GL name without deleting it (its context is gone).
    void Forget() { program_ = 0; }
    void Bind() const { glUseProgram(program_); }
    // Sets the uniforms of the `groups` (dirty groups) from the device
    // state; the program must be bound.
    void SetUniforms(const DrawUniformInputs& inputs, DirtyMask groups) const;

private:
    FixedFunctionProgram() = default;
    void SetLightingUniforms(const DeviceState& state) const;
    GLuint program_ = 0;
    PipelineKey key_{};
    GLint worldView_ = -1, projection_ = -1, normalMatrix_ = -1;
    GLint textureMatrix_[kStageCount] = {-1, -1};
    GLint bumpMatrix_[kStageCount] = {-1, -1};
    GLint materialDiffuse_ = -1, materialAmbient_ = -1, materialSpecular_ = -1,
          materialEmissive_ = -1, materialPower_ = -1;
    GLint ambient_ = -1, lightCount_ = -1, lightDirection_ = -1, lightDiffuse_ = -1,
          lightSpecular_ = -1, lightAmbient_ = -1;
    GLint textureFactor_ = -1, alphaRef_ = -1, viewportSize_ = -1, viewport_ = -1, pointSize_ = -1,
          pointScale_ = -1;
};

// The programs of one GL context, by key.
class FixedFunctionCache {
public:
    const FixedFunctionProgram* Get(const PipelineKey& key);
    size_t Size() const { return programs_.size(); }
    void ForgetAll() {
        for (auto& entry : programs_) entry.second->Forget();
    }

private:
    std::unordered_map<PipelineKey, std::unique_ptr<FixedFunctionProgram>, PipelineKeyHash>
        programs_;
};

// Generated sources, exposed for diagnostics.
std::string VertexShaderSource(const PipelineKey& key);
std::string FragmentShaderSource(const PipelineKey& key);

}  // namespace d3d8
