#include "platform/d3d8/fixed_function.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/startup_profile.h"

namespace d3d8 {

namespace {

void ColorOf(D3DCOLOR c, float out[4]) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

// Normals transform by the inverse transpose of the world-view matrix's 3x3
// part. In row-vector form n' = n * inverse(M)^T; the result is returned
// column-major for GLSL, so that `matrix * n` gives n'.
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
    const float a = m._11, b = m._12, c = m._13;
    const float d = m._21, e = m._22, f = m._23;
    const float g = m._31, h = m._32, i = m._33;
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
    const float G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
    float det = a * A + b * B + c * C;
    if (std::fabs(det) < 1e-20f) det = 1.0f;
    const float s = 1.0f / det;
    // inverse(M)^T is the cofactor matrix over the determinant, so
    // n'_c = sum_r n_r * cof[r][c] / det. GLSL's `matrix * n` sums over the
    // columns, so column r holds row r of that matrix.
    const float cof[3][3] = {{A, B, C}, {D, E, F}, {G, H, I}};
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row) out[col * 3 + row] = cof[col][row] * s;
}

const char* kStageName[] = {"0", "1"};

std::string ArgumentExpression(uint8_t arg, int stage, bool alpha) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE:
            base = "vDiffuse";
            break;
        case D3DTA_CURRENT:
            base = "current";
            break;
        case D3DTA_TEXTURE:
            base = std::string("tex") + kStageName[stage];
            break;
        case D3DTA_TFACTOR:
            base = "uTextureFactor";
            break;
        case D3DTA_SPECULAR:
            base = "vSpecular";
            break;
        default:
            base = "temp";
            break;
    }
    if (arg & D3DTA_ALPHAREPLICATE) base = "vec4(" + base + ".a)";
    if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    (void)alpha;
    return base;
}

// The GLSL of one texture operation; empty for operations not supported.
std::string OperationExpression(uint8_t op, const std::string& a1, const std::string& a2,
                                const std::string& a0, int stage) {
    const std::string tex = std::string("tex") + kStageName[stage];
    switch (op) {
        case D3DTOP_SELECTARG1:
            return a1;
        case D3DTOP_SELECTARG2:
            return a2;
        case D3DTOP_MODULATE:
            return a1 + " * " + a2;
        case D3DTOP_MODULATE2X:
            return "2.0 * " + a1 + " * " + a2;
        case D3DTOP_MODULATE4X:
            return "4.0 * " + a1 + " * " + a2;
        case D3DTOP_ADD:
            return a1 + " + " + a2;
        case D3DTOP_ADDSIGNED:
            return a1 + " + " + a2 + " - vec4(0.5)";
        case D3DTOP_ADDSIGNED2X:
            return "2.0 * (" + a1 + " + " + a2 + " - vec4(0.5))";
        case D3DTOP_SUBTRACT:
            return a1 + " - " + a2;
        case D3DTOP_ADDSMOOTH:
            return a1 + " + " + a2 + " - " + a1 + " * " + a2;
        case D3DTOP_BLENDDIFFUSEALPHA:
            return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
        case D3DTOP_BLENDTEXTUREALPHA:
            return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
        case D3DTOP_BLENDFACTORALPHA:
            return "mix(" + a2 + ", " + a1 + ", uTextureFactor.a)";
        case D3DTOP_BLENDCURRENTALPHA:
            return "mix(" + a2 + ", " + a1 + ", current.a)";
        case D3DTOP_BLENDTEXTUREALPHAPM:
            return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
        case D3DTOP_MODULATEALPHA_ADDCOLOR:
            return a1 + " + " + a1 + ".a * " + a2;
        case D3DTOP_MODULATECOLOR_ADDALPHA:
            return a1 + " * " + a2 + " + vec4(" + a1 + ".a)";
        case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
            return "(1.0 - " + a1 + ".a) * " + a2 + " + " + a1;
        case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
            return "(vec4(1.0) - " + a1 + ") * " + a2 + " + vec4(" + a1 + ".a)";
        case D3DTOP_DOTPRODUCT3:
            return "vec4(4.0 * dot(" + a1 + ".rgb - vec3(0.5), " + a2 + ".rgb - vec3(0.5)))";
        case D3DTOP_MULTIPLYADD:
            return a0 + " + " + a1 + " * " + a2;
        case D3DTOP_LERP:
            return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
        default:
            return std::string();
    }
}

bool OperationSupported(DWORD op) {
    if (op == D3DTOP_DISABLE || op == D3DTOP_BUMPENVMAP) return true;
    return !OperationExpression(static_cast<uint8_t>(op), "a", "b", "c", 0).empty();
}

bool ArgumentSupported(DWORD arg) {
    return (arg & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) == 0 &&
           (arg & D3DTA_SELECTMASK) <= D3DTA_TEMP;
}

const char* CompareExpression(uint8_t func) {
    switch (func) {
        case D3DCMP_NEVER:
            return "false";
        case D3DCMP_LESS:
            return "a < uAlphaRef";
        case D3DCMP_EQUAL:
            return "a == uAlphaRef";
        case D3DCMP_LESSEQUAL:
            return "a <= uAlphaRef";
        case D3DCMP_GREATER:
            return "a > uAlphaRef";
        case D3DCMP_NOTEQUAL:
            return "a != uAlphaRef";
        case D3DCMP_GREATEREQUAL:
            return "a >= uAlphaRef";
        default:
            return "true";
    }
}

}  // namespace

VertexLayout LayoutOfFvf(DWORD fvf) {
    VertexLayout layout;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW) return layout;
    if (fvf & (D3DFVF_RESERVED0 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_RESERVED2)) return layout;
    layout.pretransformed = position == D3DFVF_XYZRHW;
    if (layout.pretransformed && (fvf & D3DFVF_NORMAL)) return layout;
    UINT offset = layout.pretransformed ? 16 : 12;
    if (fvf & D3DFVF_NORMAL) {
        layout.hasNormal = true;
        layout.normalOffset = offset;
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        layout.hasPointSize = true;
        layout.pointSizeOffset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.hasDiffuse = true;
        layout.diffuseOffset = offset;
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        layout.hasSpecular = true;
        layout.specularOffset = offset;
        offset += 4;
    }
    const int sets = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (sets > kMaxTexCoordSets) return layout;
    layout.texCoordSets = sets;
    for (int i = 0; i < sets; ++i) {
        static const int kSizes[4] = {2, 3, 4, 1};
        const int size = kSizes[(fvf >> (16 + 2 * i)) & 3];
        layout.texCoordSize[i] = size;
        layout.texCoordOffset[i] = offset;
        offset += 4 * static_cast<UINT>(size);
    }
    layout.stride = offset;
    layout.valid = true;
    return layout;
}

bool PipelineKey::operator==(const PipelineKey& other) const {
    return std::memcmp(this, &other, sizeof *this) == 0;
}

size_t PipelineKeyHash::operator()(const PipelineKey& key) const {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&key);
    size_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof key; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

PipelineKey MakePipelineKey(const DeviceState& state, const VertexLayout& layout, bool points,
                            const D3DFORMAT textureFormats[kStageCount]) {
    PipelineKey key;
    std::memset(&key, 0, sizeof key);
    const auto& rs = state.renderStates;
    key.hasNormal = layout.hasNormal;
    key.hasDiffuse = layout.hasDiffuse;
    key.hasSpecular = layout.hasSpecular;
    key.hasPointSize = layout.hasPointSize && points;
    // Pre-transformed vertices skip the vertex pipeline: no lighting, and
    // their point sizes are in pixels.
    key.pretransformed = layout.pretransformed;
    key.lighting = rs[D3DRS_LIGHTING] != 0 && !layout.pretransformed;
    key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    if (key.lighting) {
        key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
        key.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        const bool colorVertex = rs[D3DRS_COLORVERTEX] != 0;
        auto fromVertex = [&](DWORD source) -> uint8_t {
            if (!colorVertex) return 0;
            if (source == D3DMCS_COLOR1 && layout.hasDiffuse) return 1;
            if (source == D3DMCS_COLOR2 && layout.hasSpecular) return 2;
            return 0;
        };
        key.diffuseFromVertex = fromVertex(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
        key.ambientFromVertex = fromVertex(rs[D3DRS_AMBIENTMATERIALSOURCE]);
        key.specularFromVertex = fromVertex(rs[D3DRS_SPECULARMATERIALSOURCE]);
        key.emissiveFromVertex = fromVertex(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
        key.alphaTestFunc = static_cast<uint8_t>(rs[D3DRS_ALPHAFUNC] & 0xFF);
    key.points = points;
    key.pointSprite = points && rs[D3DRS_POINTSPRITEENABLE] != 0;
    key.pointScale = points && rs[D3DRS_POINTSCALEENABLE] != 0 && !layout.pretransformed;

    key.stageCount = 0;
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        const auto& ts = state.stageStates[stage];
        if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        // A later stage that blends in a texture it does not have ends the
        // cascade, as drivers do: the stages before it keep their colour and
        // alpha instead of taking a made-up texel.
        if (stage > 0 && textureFormats[stage] == D3DFMT_UNKNOWN) break;
        StageKey& s = key.stages[stage];
        s.colorOp = static_cast<uint8_t>(ts[D3DTSS_COLOROP]);
        s.colorArg1 = static_cast<uint8_t>(ts[D3DTSS_COLORARG1]);
        s.colorArg2 = static_cast<uint8_t>(ts[D3DTSS_COLORARG2]);
        s.colorArg0 = static_cast<uint8_t>(ts[D3DTSS_COLORARG0]);
        s.alphaOp = static_cast<uint8_t>(ts[D3DTSS_ALPHAOP]);
        s.alphaArg1 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG1]);
        s.alphaArg2 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG2]);
        s.alphaArg0 = static_cast<uint8_t>(ts[D3DTSS_ALPHAARG0]);
        s.hasTexture = textureFormats[stage] != D3DFMT_UNKNOWN;
        const DWORD index = ts[D3DTSS_TEXCOORDINDEX];
        s.coordSource = static_cast<uint8_t>((index >> 16) & 3);
        s.coordSet = static_cast<uint8_t>(index & 0xFFFF);
        if (s.coordSource == 0 && s.coordSet < layout.texCoordSets)
            s.coordSize = static_cast<uint8_t>(layout.texCoordSize[s.coordSet]);
        const DWORD flags = ts[D3DTSS_TEXTURETRANSFORMFLAGS];
        s.transformCount = static_cast<uint8_t>(flags & 0xFF);
        if (s.transformCount > 4) s.transformCount = 4;
        s.projected = (flags & D3DTTFF_PROJECTED) != 0;
        ++key.stageCount;
    }
    return key;
}

HRESULT ValidateStages(const DeviceState& state) {
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        const auto& ts = state.stageStates[stage];
        if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
        if (!OperationSupported(ts[D3DTSS_COLOROP])) return D3DERR_UNSUPPORTEDCOLOROPERATION;
        if (!OperationSupported(ts[D3DTSS_ALPHAOP]) || ts[D3DTSS_ALPHAOP] == D3DTOP_BUMPENVMAP)
            return D3DERR_UNSUPPORTEDALPHAOPERATION;
        if (!ArgumentSupported(ts[D3DTSS_COLORARG1]) || !ArgumentSupported(ts[D3DTSS_COLORARG2]) ||
            !ArgumentSupported(ts[D3DTSS_COLORARG0]))
            return D3DERR_UNSUPPORTEDCOLORARG;
        if (!ArgumentSupported(ts[D3DTSS_ALPHAARG1]) || !ArgumentSupported(ts[D3DTSS_ALPHAARG2]) ||
            !ArgumentSupported(ts[D3DTSS_ALPHAARG0]))
            return D3DERR_UNSUPPORTEDALPHAARG;
        // The bump operation perturbs the next stage, so it cannot be the last.
        if (ts[D3DTSS_COLOROP] == D3DTOP_BUMPENVMAP &&
            (stage + 1 >= kStageCount ||
             state.stageStates[stage + 1][D3DTSS_COLOROP] == D3DTOP_DISABLE))
            return D3DERR_UNSUPPORTEDCOLOROPERATION;
    }
    return D3D_OK;
}

namespace {

// The vertex attributes the key reads, texture sets only where a stage uses them.
std::string VertexInputs(const PipelineKey& key) {
    std::string s = "#version 330 core\n";
    s += key.pretransformed ? "layout(location = 0) in vec4 aPosition;\n"
                            : "layout(location = 0) in vec3 aPosition;\n";
    if (key.hasNormal) s += "layout(location = 1) in vec3 aNormal;\n";
    if (key.hasDiffuse) s += "layout(location = 2) in vec4 aDiffuse;\n";
    if (key.hasSpecular) s += "layout(location = 3) in vec4 aSpecular;\n";
    if (key.hasPointSize) s += "layout(location = 8) in float aPointSize;\n";
    bool setUsed[kMaxTexCoordSets] = {};
    for (int i = 0; i < key.stageCount; ++i)
        if (key.stages[i].coordSource == 0 && key.stages[i].coordSize)
            setUsed[key.stages[i].coordSet] = true;
    for (int set = 0; set < kMaxTexCoordSets; ++set)
        if (setUsed[set]) {
            char line[96];
            std::snprintf(line, sizeof line, "layout(location = %d) in vec4 aTexCoord%d;\n",
                          kTexCoordAttribute + set, set);
            s += line;
        }
    return s;
}

const char kVertexUniformsAndOutputs[] = R"(uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform mat4 uTextureMatrix[2];
uniform vec4 uMaterialDiffuse, uMaterialAmbient, uMaterialSpecular, uMaterialEmissive;
uniform float uMaterialPower;
uniform vec4 uAmbient;
uniform int uLightCount;
uniform vec3 uLightDirection[8];
uniform vec4 uLightDiffuse[8], uLightSpecular[8], uLightAmbient[8];
uniform vec2 uViewportSize;
uniform vec3 uPointSize;
uniform vec3 uPointScale;
out vec4 vDiffuse;
out vec4 vSpecular;
out vec4 vTexCoord0;
out vec4 vTexCoord1;
)";

// The camera-space position `eye` and the clip-space position.
const char kPositionTransform[] = R"(void main() {
    vec4 eye = uWorldView * vec4(aPosition, 1.0);
    vec4 clip = uProjection * eye;
    // Direct3D's depth range is 0..w, its rows run downwards and its pixel
    // centres sit on whole coordinates.
    clip.z = 2.0 * clip.z - clip.w;
    clip.y = -clip.y;
    clip.xy += clip.w * vec2(1.0 / uViewportSize.x, 1.0 / uViewportSize.y);
    gl_Position = clip;
)";

// A pre-transformed position: x and y in the target's pixels, z the depth,
// w its reciprocal, so that colours and coordinates interpolate in
// perspective. Pixel centres sit on whole coordinates, as above; with no
// camera space, `eye` is its origin.
const char kPretransformedPosition[] = R"(uniform vec4 uViewport;
void main() {
    vec4 eye = vec4(0.0, 0.0, 0.0, 1.0);
    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = (aPosition.xy - uViewport.xy + 0.5) / uViewport.zw * 2.0 - 1.0;
    gl_Position = vec4(ndc, 2.0 * aPosition.z - 1.0, 1.0) * w;
)";

// The camera-space `normal`, zero without normals.
std::string NormalTransform(const PipelineKey& key) {
    std::string s = key.hasNormal ? "    vec3 normal = uNormalMatrix * aNormal;\n"
                                  : "    vec3 normal = vec3(0.0);\n";
    if (key.normalizeNormals)
        s += "    if (dot(normal, normal) > 0.0) normal = normalize(normal);\n";
    return s;
}

// Where each material colour comes from: a vertex colour or the material.
std::string MaterialSources(const PipelineKey& key) {
    auto source = [&](uint8_t fromVertex, const char* material) -> std::string {
        if (fromVertex == 1) return "aDiffuse";
        if (fromVertex == 2) return "aSpecular";
        return material;
    };
    std::string s;
    s += "    vec4 md = " + source(key.diffuseFromVertex, "uMaterialDiffuse") + ";\n";
    s += "    vec4 ma = " + source(key.ambientFromVertex, "uMaterialAmbient") + ";\n";
    s += "    vec4 ms = " + source(key.specularFromVertex, "uMaterialSpecular") + ";\n";
    s += "    vec4 me = " + source(key.emissiveFromVertex, "uMaterialEmissive") + ";\n";
    return s;
}

// Directional lights summed into the diffuse and specular colours.
std::string Lighting(const PipelineKey& key) {
    std::string s = MaterialSources(key);
    s += R"(    vec3 ambient = uAmbient.rgb;
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < uLightCount; ++i) {
        ambient += uLightAmbient[i].rgb;
        float lambert = dot(normal, uLightDirection[i]);
        if (lambert > 0.0) {
            diffuse += uLightDiffuse[i].rgb * lambert;
)";
    if (key.specularEnable) {
        s += key.localViewer ? "            vec3 toViewer = -normalize(eye.xyz);\n"
                             : "            vec3 toViewer = vec3(0.0, 0.0, -1.0);\n";
        s += R"(            vec3 halfway = normalize(toViewer + uLightDirection[i]);
            float highlight = max(dot(normal, halfway), 0.0);
            if (uMaterialPower > 0.0 && highlight > 0.0)
                specular += uLightSpecular[i].rgb * pow(highlight, uMaterialPower);
)";
    }
    s += R"(        }
    }
    vDiffuse = clamp(vec4(me.rgb + ma.rgb * ambient + md.rgb * diffuse, md.a), 0.0, 1.0);
    vSpecular = clamp(vec4(ms.rgb * specular, 0.0), 0.0, 1.0);
)";
    return s;
}

// Without lighting the vertex colours pass through, white and black by default.
std::string UnlitColours(const PipelineKey& key) {
    std::string s = key.hasDiffuse ? "    vDiffuse = aDiffuse;\n" : "    vDiffuse = vec4(1.0);\n";
    s += key.hasSpecular ? "    vSpecular = aSpecular;\n" : "    vSpecular = vec4(0.0);\n";
    return s;
}

// A stage's texture coordinates before its transform: generated from the
// camera-space normal, position or reflection, or a vertex set.
std::string TexCoordInput(const StageKey& stage) {
    switch (stage.coordSource) {
        case 1:
            return "vec4(normal, 1.0)";
        case 2:
            return "vec4(eye.xyz, 1.0)";
        case 3:
            return "vec4(reflect(normalize(eye.xyz), normal), 1.0)";
        default:
            break;
    }
    // Missing components read as Direct3D pads them: a 1 after the last
    // given component, zeros beyond.
    char set[64];
    std::snprintf(set, sizeof set, "aTexCoord%d", stage.coordSet);
    switch (stage.coordSize) {
        case 1:
            return std::string("vec4(") + set + ".x, 1.0, 0.0, 0.0)";
        case 2:
            return std::string("vec4(") + set + ".xy, 1.0, 0.0)";
        case 3:
            return std::string("vec4(") + set + ".xyz, 1.0)";
        case 4:
            return set;
        default:
            return "vec4(0.0, 0.0, 1.0, 0.0)";
    }
}

// Every stage's output coordinates, through its texture transform when on.
std::string TexCoordOutputs(const PipelineKey& key) {
    std::string s;
    for (int i = 0; i < static_cast<int>(kStageCount); ++i) {
        const std::string out = std::string("vTexCoord") + kStageName[i];
        if (i >= key.stageCount) {
            s += "    " + out + " = vec4(0.0);\n";
            continue;
        }
        const StageKey& st = key.stages[i];
        const std::string input = TexCoordInput(st);
        if (st.transformCount)
            s += "    " + out + " = uTextureMatrix[" + kStageName[i] + "] * " + input + ";\n";
        else
            s += "    " + out + " = " + input + ";\n";
    }
    return s;
}

// A point's size: per vertex or the state's, scaled with distance when asked.
std::string PointSize(const PipelineKey& key) {
    if (!key.points) return std::string();
    std::string s = key.hasPointSize ? "    float size = aPointSize;\n"
                                     : "    float size = uPointSize.x;\n";
    if (key.pointScale)
        s += R"(    float distance = length(eye.xyz);
    float falloff = uPointScale.x + uPointScale.y * distance + uPointScale.z * distance * distance;
    size = falloff > 0.0 ? uViewportSize.y * size * sqrt(1.0 / falloff) : uPointSize.z;
)";
    s += "    gl_PointSize = clamp(size, uPointSize.y, uPointSize.z);\n";
    return s;
}

}  // namespace

std::string VertexShaderSource(const PipelineKey& key) {
    std::string s = VertexInputs(key);
    s += kVertexUniformsAndOutputs;
    s += key.pretransformed ? kPretransformedPosition : kPositionTransform;
    s += NormalTransform(key);
    s += key.lighting ? Lighting(key) : UnlitColours(key);
    s += TexCoordOutputs(key);
    s += PointSize(key);
    s += "}\n";
    return s;
}

std::string FragmentShaderSource(const PipelineKey& key) {
    std::string s = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec4 vTexCoord0;
in vec4 vTexCoord1;
uniform sampler2D uSampler0;
uniform sampler2D uSampler1;
uniform mat2 uBumpMatrix[2];
uniform vec4 uTextureFactor;
uniform float uAlphaRef;
out vec4 fragColor;
void main() {
    vec4 current = vDiffuse;
    vec4 temp = vec4(0.0);
    vec2 bump = vec2(0.0);
)";
    for (int i = 0; i < key.stageCount; ++i) {
        const StageKey& st = key.stages[i];
        const std::string n = kStageName[i];
        std::string coords;
        if (key.pointSprite) {
            coords = "gl_PointCoord";
        } else if (st.transformCount && st.projected) {
            const char* comp = "xyzw";
            const int last = st.transformCount - 1;
            coords = "(vTexCoord" + n + ".xy / vTexCoord" + n + "." + comp[last] + ")";
        } else {
            coords = "vTexCoord" + n + ".xy";
        }
        s += "    vec2 coord" + n + " = " + coords + " + bump;\n";
        s += "    bump = vec2(0.0);\n";
        if (st.hasTexture)
            s += "    vec4 tex" + n + " = texture(uSampler" + n + ", coord" + n + ");\n";
        else
            s += "    vec4 tex" + n + " = vec4(1.0);\n";
        if (st.colorOp == D3DTOP_BUMPENVMAP) {
            // The (du, dv) of this stage's texture, turned by the stage's bump
            // matrix, offsets the next stage's lookup; the colour passes through.
            s += "    bump = uBumpMatrix[" + n + "] * tex" + n + ".rg;\n";
            continue;
        }
        const std::string c =
            OperationExpression(st.colorOp, ArgumentExpression(st.colorArg1, i, false),
                                ArgumentExpression(st.colorArg2, i, false),
                                ArgumentExpression(st.colorArg0, i, false), i);
        std::string a;
        if (st.alphaOp != D3DTOP_DISABLE)
            a = OperationExpression(st.alphaOp, ArgumentExpression(st.alphaArg1, i, true),
                                    ArgumentExpression(st.alphaArg2, i, true),
                                    ArgumentExpression(st.alphaArg0, i, true), i);
        s += "    vec3 color" + n + " = " + (c.empty() ? "current" : "(" + c + ")") + ".rgb;\n";
        s += "    float alpha" + n + " = " + (a.empty() ? "current" : "(" + a + ")") + ".a;\n";
        s += "    current = clamp(vec4(color" + n + ", alpha" + n + "), 0.0, 1.0);\n";
    }
    if (key.specularEnable)
        s += "    current.rgb = clamp(current.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (key.alphaTestFunc) {
        s += "    float a = floor(current.a * 255.0 + 0.5);\n";
        s += std::string("    if (!(") + CompareExpression(key.alphaTestFunc) + ")) discard;\n";
    }
    s += "    fragColor = current;\n}\n";
    return s;
}

namespace {

GLuint Compile(GLenum type, const std::string& source, std::string* log) {
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buffer[2048];
        glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
        if (log) *log = buffer;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

std::unique_ptr<FixedFunctionProgram> FixedFunctionProgram::Build(const PipelineKey& key,
                                                                  std::string* log) {
    StartupPhaseScope timing(StartupPhase::ShaderBuild);
    GLuint vs = Compile(GL_VERTEX_SHADER, VertexShaderSource(key), log);
    if (!vs) return nullptr;
    GLuint fs = Compile(GL_FRAGMENT_SHADER, FragmentShaderSource(key), log);
    if (!fs) {
        glDeleteShader(vs);
        return nullptr;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char buffer[2048];
        glGetProgramInfoLog(program, sizeof buffer, nullptr, buffer);
        if (log) *log = buffer;
        glDeleteProgram(program);
        return nullptr;
    }
    std::unique_ptr<FixedFunctionProgram> p(new FixedFunctionProgram);
    p->program_ = program;
    p->key_ = key;
    auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    p->worldView_ = at("uWorldView");
    p->projection_ = at("uProjection");
    p->normalMatrix_ = at("uNormalMatrix");
    p->textureMatrix_[0] = at("uTextureMatrix[0]");
    p->textureMatrix_[1] = at("uTextureMatrix[1]");
    p->bumpMatrix_[0] = at("uBumpMatrix[0]");
    p->bumpMatrix_[1] = at("uBumpMatrix[1]");
    p->materialDiffuse_ = at("uMaterialDiffuse");
    p->materialAmbient_ = at("uMaterialAmbient");
    p->materialSpecular_ = at("uMaterialSpecular");
    p->materialEmissive_ = at("uMaterialEmissive");
    p->materialPower_ = at("uMaterialPower");
    p->ambient_ = at("uAmbient");
    p->lightCount_ = at("uLightCount");
    p->lightDirection_ = at("uLightDirection");
    p->lightDiffuse_ = at("uLightDiffuse");
    p->lightSpecular_ = at("uLightSpecular");
    p->lightAmbient_ = at("uLightAmbient");
    p->textureFactor_ = at("uTextureFactor");
    p->alphaRef_ = at("uAlphaRef");
    p->viewportSize_ = at("uViewportSize");
    p->viewport_ = at("uViewport");
    p->pointSize_ = at("uPointSize");
    p->pointScale_ = at("uPointScale");
    // Each stage samples its own texture unit, for the program's whole life.
    glUseProgram(program);
    for (int i = 0; i < static_cast<int>(kStageCount); ++i) {
        const GLint sampler = at(i == 0 ? "uSampler0" : "uSampler1");
        if (sampler >= 0) glUniform1i(sampler, i);
    }
    return p;
}

FixedFunctionProgram::~FixedFunctionProgram() {
    if (program_) glDeleteProgram(program_);
}

void FixedFunctionProgram::SetUniforms(const DrawUniformInputs& inputs, DirtyMask groups) const {
    const DeviceState& st = *inputs.state;
    const auto& rs = st.renderStates;
    if (groups & kDirtyTransforms) {
        const D3DMATRIX worldView = MultiplyMatrices(st.transforms[kWorld], st.transforms[kView]);
        glUniformMatrix4fv(worldView_, 1, GL_FALSE, &worldView.m[0][0]);
        glUniformMatrix4fv(projection_, 1, GL_FALSE, &st.transforms[kProjection].m[0][0]);
        if (normalMatrix_ >= 0) {
            float normal[9];
            NormalMatrix(worldView, normal);
            glUniformMatrix3fv(normalMatrix_, 1, GL_FALSE, normal);
        }
        for (int i = 0; i < static_cast<int>(kStageCount); ++i)
            if (textureMatrix_[i] >= 0)
                glUniformMatrix4fv(textureMatrix_[i], 1, GL_FALSE,
                                   &st.transforms[kTexture0 + i].m[0][0]);
    }
    if (groups & kDirtyViewport) {
        glUniform2f(viewportSize_, inputs.viewportWidth, inputs.viewportHeight);
        if (viewport_ >= 0)
            glUniform4f(viewport_, inputs.viewportX, inputs.viewportY, inputs.viewportWidth,
                        inputs.viewportHeight);
    }
    if (groups & kDirtyBumpMatrices) {
        for (int i = 0; i < static_cast<int>(kStageCount); ++i) {
            if (bumpMatrix_[i] < 0) continue;
            const auto& ts = st.stageStates[i];
            // Column-major: the first column is (M00, M01), so that
            // du' = M00 du + M10 dv and dv' = M01 du + M11 dv.
            const float bump[4] = {
                StateFloat(ts[D3DTSS_BUMPENVMAT00]), StateFloat(ts[D3DTSS_BUMPENVMAT01]),
                StateFloat(ts[D3DTSS_BUMPENVMAT10]), StateFloat(ts[D3DTSS_BUMPENVMAT11])};
            glUniformMatrix2fv(bumpMatrix_[i], 1, GL_FALSE, bump);
        }
    }
    if (key_.lighting && (groups & kDirtyLighting)) SetLightingUniforms(st);
    if (groups & kDirtyFactors) {
        float factor[4];
        ColorOf(rs[D3DRS_TEXTUREFACTOR], factor);
        glUniform4fv(textureFactor_, 1, factor);
        glUniform1f(alphaRef_, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
    }
    if (key_.points && (groups & kDirtyPointSizes)) {
        float maxSize = std::fmin(StateFloat(rs[D3DRS_POINTSIZE_MAX]), inputs.maxPointSize);
        glUniform3f(pointSize_, StateFloat(rs[D3DRS_POINTSIZE]), StateFloat(rs[D3DRS_POINTSIZE_MIN]),
                    maxSize);
        glUniform3f(pointScale_, StateFloat(rs[D3DRS_POINTSCALE_A]), StateFloat(rs[D3DRS_POINTSCALE_B]),
                    StateFloat(rs[D3DRS_POINTSCALE_C]));
    }
}

void FixedFunctionProgram::SetLightingUniforms(const DeviceState& st) const {
    const D3DMATERIAL8& m = st.material;
    glUniform4fv(materialDiffuse_, 1, &m.Diffuse.r);
    glUniform4fv(materialAmbient_, 1, &m.Ambient.r);
    glUniform4fv(materialSpecular_, 1, &m.Specular.r);
    glUniform4fv(materialEmissive_, 1, &m.Emissive.r);
    glUniform1f(materialPower_, m.Power);
    float ambient[4];
    ColorOf(st.renderStates[D3DRS_AMBIENT], ambient);
    glUniform4fv(ambient_, 1, ambient);
    float directions[kLightCount * 3], diffuse[kLightCount * 4], specular[kLightCount * 4],
        lightAmbient[kLightCount * 4];
    int count = 0;
    const D3DMATRIX& view = st.transforms[kView];
    for (DWORD i = 0; i < kLightCount; ++i) {
        if (!st.lightEnabled[i]) continue;
        const D3DLIGHT8& light = st.lights[i];
        // Towards the light, in camera space.
        const D3DVECTOR& d = light.Direction;
        float x = -(d.x * view._11 + d.y * view._21 + d.z * view._31);
        float y = -(d.x * view._12 + d.y * view._22 + d.z * view._32);
        float z = -(d.x * view._13 + d.y * view._23 + d.z * view._33);
        float length = std::sqrt(x * x + y * y + z * z);
        if (length > 0.0f) x /= length, y /= length, z /= length;
        directions[count * 3 + 0] = x;
        directions[count * 3 + 1] = y;
        directions[count * 3 + 2] = z;
        std::memcpy(&diffuse[count * 4], &light.Diffuse, sizeof(float) * 4);
        std::memcpy(&specular[count * 4], &light.Specular, sizeof(float) * 4);
        std::memcpy(&lightAmbient[count * 4], &light.Ambient, sizeof(float) * 4);
        ++count;
    }
    glUniform1i(lightCount_, count);
    if (count > 0) {
        glUniform3fv(lightDirection_, count, directions);
        glUniform4fv(lightDiffuse_, count, diffuse);
        glUniform4fv(lightSpecular_, count, specular);
        glUniform4fv(lightAmbient_, count, lightAmbient);
    }
}

const FixedFunctionProgram* FixedFunctionCache::Get(const PipelineKey& key) {
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second.get();
    std::string log;
    auto program = FixedFunctionProgram::Build(key, &log);
    if (!program) {
        std::fprintf(stderr, "d3d8: fixed-function program failed: %s\n", log.c_str());
        return nullptr;
    }
    const FixedFunctionProgram* result = program.get();
    programs_.emplace(key, std::move(program));
    return result;
}

}  // namespace d3d8
