// Clearing and drawing: the Draw* calls, and applying the device state to GL
// before a draw.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d8/device.h"
#include "platform/d3d8/gl_translation.h"

namespace d3d8 {

namespace {

bool HasStencil(D3DFORMAT format) {
    return DepthInternalFormat(format) == GL_DEPTH24_STENCIL8;
}

}  // namespace

HRESULT Device8::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                       DWORD Stencil) {
    if ((Count > 0) != (pRects != nullptr)) return D3DERR_INVALIDCALL;
    if (Flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthTarget_) return D3DERR_INVALIDCALL;
    if ((Flags & D3DCLEAR_STENCIL) && !HasStencil(depthTarget_->Format()))
        return D3DERR_INVALIDCALL;
    if (loss_ != Loss::kOperational || !link_->gl->MakeCurrent()) return D3D_OK;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFF);
    glClearColor(((Color >> 16) & 0xFF) / 255.0f, ((Color >> 8) & 0xFF) / 255.0f,
                 (Color & 0xFF) / 255.0f, ((Color >> 24) & 0xFF) / 255.0f);
    glClearDepth(std::clamp(Z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(Stencil));
    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) mask |= GL_COLOR_BUFFER_BIT;
    if (Flags & D3DCLEAR_ZBUFFER) mask |= GL_DEPTH_BUFFER_BIT;
    if (Flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    // Clears are limited to the viewport, and to each rectangle within it.
    const D3DVIEWPORT8& vp = state_.viewport;
    const LONG vx0 = static_cast<LONG>(vp.X), vy0 = static_cast<LONG>(vp.Y);
    const LONG vx1 = vx0 + static_cast<LONG>(vp.Width), vy1 = vy0 + static_cast<LONG>(vp.Height);
    glEnable(GL_SCISSOR_TEST);
    auto clearRect = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
        x0 = std::max(x0, vx0), y0 = std::max(y0, vy0);
        x1 = std::min(x1, vx1), y1 = std::min(y1, vy1);
        if (x0 >= x1 || y0 >= y1) return;
        glScissor(x0, y0, x1 - x0, y1 - y0);
        glClear(mask);
    };
    if (Count == 0) {
        clearRect(vx0, vy0, vx1, vy1);
    } else {
        for (DWORD i = 0; i < Count; ++i)
            clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
    }
    // Draws never scissor, so the test is left off; the next draw sets the
    // write masks the clear opened back to the device's.
    glDisable(GL_SCISSOR_TEST);
    dirty_ |= kDirtyColorWrite | kDirtyDepthWrite | kDirtyStencil;
    return D3D_OK;
}

void Device8::MarkDirty(DirtyMask groups) {
    // A block being recorded leaves the device's own state, and GL, alone.
    if (!recording_) dirty_ |= groups;
}

void Device8::InvalidateGlState() {
    dirty_ = kDirtyAll;
    boundProgram_ = nullptr;
}

void Device8::ApplyTextures(DirtyMask dirty) {
    bool unitChanged = false;
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        if (dirty & DirtyTexture(stage)) {
            glActiveTexture(GL_TEXTURE0 + stage);
            unitChanged = true;
            auto* texture = static_cast<Texture8*>(state_.textures[stage]);
            glBindTexture(GL_TEXTURE_2D, texture ? texture->GlTexture() : 0);
        }
        if (!(dirty & DirtySampler(stage))) continue;
        const auto& ts = state_.stageStates[stage];
        const GLuint sampler = samplers_[stage];
        glBindSampler(stage, sampler);
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(ts[D3DTSS_ADDRESSU]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(ts[D3DTSS_ADDRESSV]));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, AddressMode(ts[D3DTSS_ADDRESSW]));
        const DWORD border = ts[D3DTSS_BORDERCOLOR];
        const float borderColor[4] = {((border >> 16) & 0xFF) / 255.0f,
                                      ((border >> 8) & 0xFF) / 255.0f, (border & 0xFF) / 255.0f,
                                      ((border >> 24) & 0xFF) / 255.0f};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, borderColor);
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, MagFilter(ts[D3DTSS_MAGFILTER]));
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                            MinFilter(ts[D3DTSS_MINFILTER], ts[D3DTSS_MIPFILTER]));
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, StateFloat(ts[D3DTSS_MIPMAPLODBIAS]));
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD,
                            static_cast<float>(ts[D3DTSS_MAXMIPLEVEL]));
    }
    // Resources bind the textures they upload on unit 0; the device leaves
    // it active so those bindings only ever disturb stage 0.
    if (unitChanged) glActiveTexture(GL_TEXTURE0);
}

void Device8::ApplyFixedState(DirtyMask dirty) {
    const auto& rs = state_.renderStates;
    if (dirty & kDirtyViewport) {
        const D3DVIEWPORT8& vp = state_.viewport;
        glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y),
                   static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
        glDepthRange(vp.MinZ, vp.MaxZ);
    }
    if (dirty & kDirtyDepthTest) {
        if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && depthTarget_) {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(CompareFunction(rs[D3DRS_ZFUNC]));
        } else {
            glDisable(GL_DEPTH_TEST);
        }
    }
    if (dirty & kDirtyDepthWrite) glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    if (dirty & kDirtyBlend) {
        if (rs[D3DRS_ALPHABLENDENABLE]) {
            glEnable(GL_BLEND);
            DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
            // The two "both" factors set source and destination together.
            if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
            if (src == D3DBLEND_BOTHINVSRCALPHA)
                src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
            glBlendFunc(BlendFactor(src), BlendFactor(dst));
            glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
        } else {
            glDisable(GL_BLEND);
        }
    }
    if (dirty & kDirtyRaster) {
        // Rows are kept top first, so Direct3D's clockwise is GL's counter-clockwise.
        switch (rs[D3DRS_CULLMODE]) {
            case D3DCULL_CW:
                glEnable(GL_CULL_FACE);
                glCullFace(GL_FRONT);
                break;
            case D3DCULL_CCW:
                glEnable(GL_CULL_FACE);
                glCullFace(GL_BACK);
                break;
            default:
                glDisable(GL_CULL_FACE);
                break;
        }
        switch (rs[D3DRS_FILLMODE]) {
            case D3DFILL_POINT:
                glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
                break;
            case D3DFILL_WIREFRAME:
                glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
                break;
            default:
                glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
                break;
        }
    }
    if (dirty & kDirtyColorWrite) {
        const DWORD write = rs[D3DRS_COLORWRITEENABLE];
        glColorMask(write & 1 ? GL_TRUE : GL_FALSE, write & 2 ? GL_TRUE : GL_FALSE,
                    write & 4 ? GL_TRUE : GL_FALSE, write & 8 ? GL_TRUE : GL_FALSE);
    }
    if (dirty & kDirtyStencil) {
        if (rs[D3DRS_STENCILENABLE] && depthTarget_ && HasStencil(depthTarget_->Format())) {
            glEnable(GL_STENCIL_TEST);
            glStencilFunc(CompareFunction(rs[D3DRS_STENCILFUNC]),
                          static_cast<GLint>(rs[D3DRS_STENCILREF]), rs[D3DRS_STENCILMASK]);
            glStencilOp(StencilOperation(rs[D3DRS_STENCILFAIL]),
                        StencilOperation(rs[D3DRS_STENCILZFAIL]),
                        StencilOperation(rs[D3DRS_STENCILPASS]));
            glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
        } else {
            glDisable(GL_STENCIL_TEST);
        }
    }
    if (dirty & kDirtyDither) {
        // Dithering only matters for 16-bit targets and is left to the renderer.
        if (rs[D3DRS_DITHERENABLE])
            glEnable(GL_DITHER);
        else
            glDisable(GL_DITHER);
    }
}

HRESULT Device8::ApplyProgram(const VertexLayout& layout, bool points, DirtyMask dirty) {
    const FixedFunctionProgram* program = boundProgram_;
    if (!program || (dirty & kDirtyProgram) || points != boundPoints_) {
        D3DFORMAT formats[kStageCount];
        for (DWORD stage = 0; stage < kStageCount; ++stage) {
            auto* texture = static_cast<Texture8*>(state_.textures[stage]);
            formats[stage] = texture ? texture->Format() : D3DFMT_UNKNOWN;
        }
        program = programs_.Get(MakePipelineKey(state_, layout, points, formats));
        if (!program) return D3DERR_DRIVERINTERNALERROR;
    }
    DrawUniformInputs inputs;
    inputs.state = &state_;
    inputs.viewportX = static_cast<float>(state_.viewport.X);
    inputs.viewportY = static_cast<float>(state_.viewport.Y);
    inputs.viewportWidth = static_cast<float>(state_.viewport.Width);
    inputs.viewportHeight = static_cast<float>(state_.viewport.Height);
    inputs.maxPointSize = maxPointSize_;
    // Uniforms belong to the program: one bound anew takes every value, one
    // that stays bound only those that changed since the last draw.
    if (program != boundProgram_) {
        program->Bind();
        program->SetUniforms(inputs, kDirtyUniforms);
        boundProgram_ = program;
        boundPoints_ = points;
    } else if (dirty & kDirtyUniforms) {
        program->SetUniforms(inputs, dirty & kDirtyUniforms);
    }
    return D3D_OK;
}

void Device8::ApplyVertexStream(const VertexLayout& layout, const BufferStorage& vertices,
                                UINT stride) {
    glBindBuffer(GL_ARRAY_BUFFER, vertices.GlBuffer());
    const GLsizei s = static_cast<GLsizei>(stride);
    uint32_t wanted = 0;
    auto attribute = [&](GLuint index, GLint size, GLenum type, GLboolean normalised,
                         UINT offset) {
        wanted |= 1u << index;
        if (!(enabledAttributes_ & (1u << index))) glEnableVertexAttribArray(index);
        glVertexAttribPointer(index, size, type, normalised, s,
                              reinterpret_cast<const void*>(static_cast<uintptr_t>(offset)));
    };
    attribute(kPositionAttribute, layout.pretransformed ? 4 : 3, GL_FLOAT, GL_FALSE, 0);
    if (layout.hasNormal)
        attribute(kNormalAttribute, 3, GL_FLOAT, GL_FALSE, layout.normalOffset);
    if (layout.hasDiffuse)
        attribute(kDiffuseAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, layout.diffuseOffset);
    if (layout.hasSpecular)
        attribute(kSpecularAttribute, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, layout.specularOffset);
    if (layout.hasPointSize)
        attribute(kPointSizeAttribute, 1, GL_FLOAT, GL_FALSE, layout.pointSizeOffset);
    for (int set = 0; set < layout.texCoordSets; ++set)
        attribute(kTexCoordAttribute + set, layout.texCoordSize[set], GL_FLOAT, GL_FALSE,
                  layout.texCoordOffset[set]);
    for (GLuint index = 0; index < kAttributeCount; ++index)
        if ((enabledAttributes_ & ~wanted) & (1u << index)) glDisableVertexAttribArray(index);
    enabledAttributes_ = wanted;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

DrawProfileKey Device8::DrawProfileKeyOf(UINT primitives) const {
    DrawProfileKey key;
    key.targetWidth = state_.viewport.Width;
    key.targetHeight = state_.viewport.Height;
    key.primitives = primitives;
    key.blended = state_.renderStates[D3DRS_ALPHABLENDENABLE] != 0;
    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        const DWORD op = state_.stageStates[stage][D3DTSS_COLOROP];
        if (op == D3DTOP_DISABLE) break;
        const char* name = nullptr;
        switch (op) {
            case D3DTOP_SELECTARG1: name = "select 1"; break;
            case D3DTOP_SELECTARG2: name = "select 2"; break;
            case D3DTOP_MODULATE: name = "modulate"; break;
            case D3DTOP_ADD: name = "add"; break;
            case D3DTOP_BUMPENVMAP: name = "bump"; break;
            default: name = "operation"; break;
        }
        // As in the pipeline, a later stage without a texture ends the cascade.
        auto* texture = static_cast<Texture8*>(state_.textures[stage]);
        if (stage > 0 && !texture) break;
        char text[64];
        D3DSURFACE_DESC desc{};
        if (texture && SUCCEEDED(texture->GetLevelDesc(0, &desc)))
            std::snprintf(text, sizeof text, "%s%s %ux%u", stage ? ", " : "", name, desc.Width,
                          desc.Height);
        else
            std::snprintf(text, sizeof text, "%s%s", stage ? ", " : "", name);
        key.stages += text;
    }
    if (key.stages.empty()) key.stages = "no stages";
    return key;
}

HRESULT Device8::Draw(D3DPRIMITIVETYPE type, UINT primitives, bool indexed, UINT first,
                      UINT minIndex, UINT vertexCount, const BufferStorage* vertices, UINT stride) {
    const UINT count = VertexCountOf(type, primitives);
    if (count == 0 || primitives == 0) return D3DERR_INVALIDCALL;
    const VertexLayout layout = LayoutOfFvf(state_.vertexShader);
    if (!layout.valid) return D3DERR_INVALIDCALL;
    if (!vertices || stride < layout.stride) return D3DERR_INVALIDCALL;
    const UINT available = vertices->Length() / stride;
    const IndexBuffer8* indexBuffer = static_cast<IndexBuffer8*>(state_.indices);
    const UINT base = indexed ? state_.baseVertexIndex : 0;
    if (indexed) {
        if (!indexBuffer) return D3DERR_INVALIDCALL;
        const UINT indexSize = indexBuffer->Format() == D3DFMT_INDEX32 ? 4 : 2;
        const UINT indices = indexBuffer->Storage().Length() / indexSize;
        if (first > indices || count > indices - first) return D3DERR_INVALIDCALL;
        // The caller's range is the vertices its indices reach, as Direct3D
        // defines MinIndex and NumVertices: the stream must hold all of it.
        if (vertexCount == 0 ||
            static_cast<uint64_t>(base) + minIndex + vertexCount > available)
            return D3DERR_INVALIDCALL;
    } else if (static_cast<uint64_t>(first) + count > available) {
        return D3DERR_INVALIDCALL;
    }
    if (loss_ != Loss::kOperational || !link_->gl->MakeCurrent()) return D3D_OK;
    if (link_->textureUnitDisturbed) {
        dirty_ |= DirtyTexture(0);
        link_->textureUnitDisturbed = false;
    }
    const DirtyMask dirty = dirty_;
    if (dirty & kDirtyFramebuffer) {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer_);
        glBindVertexArray(vertexArray_);
    }
    HRESULT hr = ApplyProgram(layout, type == D3DPT_POINTLIST, dirty);
    if (FAILED(hr)) return hr;
    ApplyTextures(dirty);
    ApplyFixedState(dirty);
    if (dirty & kDirtyVertexStream) ApplyVertexStream(layout, *vertices, stride);
    // Only an indexed draw binds the index buffer; others leave it pending.
    if (indexed && (dirty & kDirtyIndices))
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer->Storage().GlBuffer());
    dirty_ = indexed ? 0 : dirty & kDirtyIndices;

    const GLenum mode = PrimitiveMode(type);
    if (drawProfileEnabled) drawProfile_.BeforeDraw();
    if (indexed) {
        const UINT indexSize = indexBuffer->Format() == D3DFMT_INDEX32 ? 4 : 2;
        glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count),
                                 indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(
                                     static_cast<uintptr_t>(first) * indexSize),
                                 static_cast<GLint>(base));
    } else {
        glDrawArrays(mode, static_cast<GLint>(first), static_cast<GLsizei>(count));
    }
    if (drawProfileEnabled) drawProfile_.AfterDraw(DrawProfileKeyOf(primitives));
    return D3D_OK;
}

HRESULT Device8::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                               UINT PrimitiveCount) {
    auto* buffer = static_cast<VertexBuffer8*>(state_.streamSource);
    if (!buffer) return D3DERR_INVALIDCALL;
    return Draw(PrimitiveType, PrimitiveCount, false, StartVertex, 0, 0, &buffer->Storage(),
                state_.streamStride);
}

HRESULT Device8::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT minIndex,
                                      UINT NumVertices, UINT startIndex, UINT primCount) {
    auto* buffer = static_cast<VertexBuffer8*>(state_.streamSource);
    if (!buffer) return D3DERR_INVALIDCALL;
    return Draw(PrimitiveType, primCount, true, startIndex, minIndex, NumVertices,
                &buffer->Storage(), state_.streamStride);
}

HRESULT Device8::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                 const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
    const UINT count = VertexCountOf(PrimitiveType, PrimitiveCount);
    if (!pVertexStreamZeroData || count == 0 || VertexStreamZeroStride == 0)
        return D3DERR_INVALIDCALL;
    // The caller's vertices go through a buffer of the device's own; as in
    // Direct3D, stream 0 is unbound afterwards.
    const UINT length = count * VertexStreamZeroStride;
    auto* staging = new VertexBuffer8(link_, length, D3DUSAGE_DYNAMIC, 0, D3DPOOL_SYSTEMMEM);
    BYTE* data = nullptr;
    staging->Lock(0, 0, &data, 0);
    std::memcpy(data, pVertexStreamZeroData, length);
    staging->Unlock();
    // The attributes point into the staging buffer for this draw only; once
    // it is gone they must be set again, even if stream 0 held nothing.
    dirty_ |= kDirtyVertexStream;
    HRESULT hr = Draw(PrimitiveType, PrimitiveCount, false, 0, 0, 0, &staging->Storage(),
                      VertexStreamZeroStride);
    staging->Release();
    dirty_ |= kDirtyVertexStream;
    SetStreamSource(0, nullptr, 0);
    return hr;
}

}  // namespace d3d8
