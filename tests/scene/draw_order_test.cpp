// The scene elements against a recording device: the state each draw is made
// with and the state it leaves behind, the batches, and the exact order of the
// tree's device calls, which is fixed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "render/model_cache.h"
#include "render/texture_cache.h"
#include "scene/glyph_font.h"
#include "scene/particle_system.h"
#include "scene/rerir_screensaver.h"
#include "scene/scene_settings.h"
#include "scene/scene_state.h"
#include "scene/sky_cube.h"
#include "scene/tree.h"
#include "tests/support/r3m_writer.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_decoders.h"

namespace {

std::string RS(D3DRENDERSTATETYPE state, DWORD value) {
    return "SetRenderState(" + std::to_string(state) + "," + std::to_string(value) + ")";
}
std::string TSS(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return "SetTextureStageState(" + std::to_string(stage) + "," + std::to_string(type) + "," +
           std::to_string(value) + ")";
}

// The calls of `calls` whose text starts with one of `prefixes`.
std::vector<std::string> Only(const std::vector<std::string>& calls,
                              std::initializer_list<const char*> prefixes) {
    std::vector<std::string> kept;
    for (const std::string& c : calls) {
        for (const char* p : prefixes) {
            if (c.rfind(p, 0) == 0) {
                kept.push_back(c);
                break;
            }
        }
    }
    return kept;
}

const D3DTEXTURESTAGESTATETYPE kAddresses[] = {D3DTSS_ADDRESSU, D3DTSS_ADDRESSV, D3DTSS_ADDRESSW};
const D3DTEXTURESTAGESTATETYPE kFilters[] = {D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_MIPFILTER};
const D3DMATRIX kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

bool IsIdentity(const D3DMATRIX& matrix) {
    return std::memcmp(&matrix, &kIdentity, sizeof matrix) == 0;
}

class DrawOrderTest : public ::testing::Test {
protected:
    RecordingDevice device;
    ModelCache models;
    TextureCache textures{kNoTextureDecoder};
};

}  // namespace

TEST_F(DrawOrderTest, SkyIsDrawnUnlitWithoutDepthAndClampedThenRestoresTheStates) {
    TempFolder folder;
    R3MWriter file;
    file.Mesh("cubescene_bk.jpg", 4, 2);
    folder.WriteFile("media/models/sky.r3m", file.bytes);
    folder.WriteFile("media/texture/cubescene_bk.jpg", "image");
    TextureCache faces{kSquareTextureDecoder};
    CSkyCube sky;
    sky.LoadSky(&device, &models, &faces);
    models.ResolveTextures(&device, faces);
    IDirect3DTexture8* back = faces.GetTexture("cubescene_bk.jpg");
    ASSERT_NE(back, nullptr);
    // What the scene left: blending on, lit, point filters, an identity world.
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device.SetRenderState(D3DRS_LIGHTING, TRUE);
    for (D3DTEXTURESTAGESTATETYPE filter : kFilters) {
        device.SetTextureStageState(0, filter, D3DTEXF_POINT);
    }
    device.SetTransform(D3DTS_WORLD, &kIdentity);
    device.draws.clear();
    sky.DrawSky(&device, 0);

    // The box is drawn unlit, unblended, without depth (so that all drawn
    // later covers it), with clamped edges and the world the scene set.
    ASSERT_EQ(device.draws.size(), 1u);
    const RecordedState& drawn = device.draws[0].state;
    EXPECT_EQ(drawn.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(drawn.RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(drawn.RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(drawn.RenderState(D3DRS_ZWRITEENABLE), 0u);
    EXPECT_EQ(drawn.Texture(0), back);
    for (DWORD stage : {0u, 1u}) {
        for (D3DTEXTURESTAGESTATETYPE address : kAddresses) {
            EXPECT_EQ(drawn.StageState(stage, address), static_cast<DWORD>(D3DTADDRESS_CLAMP))
                << stage << " " << address;
        }
    }
    EXPECT_TRUE(IsIdentity(drawn.Transform(D3DTS_WORLD)));

    // Left behind: depth on, wrapping in u and v (w stays clamped), linear
    // filters after the reflection pass, lighting on, the identity world.
    EXPECT_EQ(device.RenderState(D3DRS_ZENABLE), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_ZWRITEENABLE), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(device.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    for (DWORD stage : {0u, 1u}) {
        EXPECT_EQ(device.StageState(stage, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
        EXPECT_EQ(device.StageState(stage, D3DTSS_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_WRAP));
        EXPECT_EQ(device.StageState(stage, D3DTSS_ADDRESSW), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    }
    for (D3DTEXTURESTAGESTATETYPE filter : kFilters) {
        EXPECT_EQ(device.StageState(0, filter), static_cast<DWORD>(D3DTEXF_LINEAR)) << filter;
    }
    EXPECT_TRUE(IsIdentity(device.Transform(D3DTS_WORLD)));

    // The main pass leaves the filters alone.
    for (D3DTEXTURESTAGESTATETYPE filter : kFilters) {
        device.SetTextureStageState(0, filter, D3DTEXF_POINT);
    }
    sky.DrawSky(&device, 1);
    ASSERT_EQ(device.draws.size(), 2u);
    for (D3DTEXTURESTAGESTATETYPE filter : kFilters) {
        EXPECT_EQ(device.draws[1].state.StageState(0, filter), static_cast<DWORD>(D3DTEXF_POINT));
        EXPECT_EQ(device.StageState(0, filter), static_cast<DWORD>(D3DTEXF_POINT)) << filter;
    }
    EXPECT_EQ(device.transforms[D3DTS_WORLD]._11, 1.0f);
}

TEST_F(DrawOrderTest, TreeDrawsGrassThenLeavesAndLeavesDepthAndCullingOn) {
    CTree tree;
    tree.LoadTree(&device, &models, &textures);
    device.calls.clear();
    tree.DrawTree(&device, 1);
    std::vector<std::string> states = Only(device.Calls(), {"SetRenderState"});
    std::vector<std::string> expected = {RS(D3DRS_ALPHATESTENABLE, 1),
                                         RS(D3DRS_LIGHTING, 1),
                                         RS(D3DRS_LIGHTING, 0),
                                         RS(D3DRS_CULLMODE, D3DCULL_NONE),
                                         RS(D3DRS_LIGHTING, 0),
                                         RS(D3DRS_ALPHABLENDENABLE, 1),
                                         RS(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA),
                                         RS(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA),
                                         RS(D3DRS_ZWRITEENABLE, 0),
                                         RS(D3DRS_ZENABLE, 1),
                                         RS(D3DRS_ZWRITEENABLE, 1),
                                         RS(D3DRS_CULLMODE, D3DCULL_CCW)};
    EXPECT_EQ(states, expected);
    EXPECT_EQ(Only(device.Calls(), {"SetTextureStageState"}).front(),
              TSS(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP));

    // By day neither grass is lit.
    device.calls.clear();
    tree.DrawTree(&device, 0);
    EXPECT_EQ(Only(device.Calls(), {"SetRenderState(137,1)"}), std::vector<std::string>{});
}

TEST_F(DrawOrderTest, TextIsDrawnInBatchesOfFiftyGlyphs) {
    IDirect3DTexture8* fontTexture = device.MakeTexture(256, 256);
    CGlyphFont font("Arial", 12, 1);
    ASSERT_EQ(font.AttachFont(&device, fontTexture), S_OK);
    ASSERT_EQ(font.CreateFontBuffers(), S_OK);
    device.calls.clear();
    std::string text(60, 'A');
    text += "  ";  // spaces draw nothing
    EXPECT_EQ(font.DrawString(0.02f, 0.93f, 0.001f, 0.35f, 0.35f, 0xFFFFFF00, text.c_str(), 0),
              S_OK);
    std::vector<std::string> draws = device.Calls("DrawPrimitive");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0], "DrawPrimitive(4,0,100)");
    EXPECT_EQ(draws[1], "DrawPrimitive(4,0,20)");
    EXPECT_EQ(device.Calls("ApplyStateBlock").size(), 2u);
    font.ReleaseFontBuffers();
    font.DetachFont();
    EXPECT_EQ(font.DrawString(0, 0, 0, 1, 1, 0, "x", 0), E_FAIL);
}

TEST_F(DrawOrderTest, ParticlesAreDrawnInPointListsOf511) {
    CParticleSystem particles;
    ASSERT_EQ(particles.CreateParticles(&device, &textures), S_OK);
    // More than a steady night ever holds, to see the batches.
    particles.Particles().assign(1100, Particle{1, 70, 5, 0, 0.7f, 0.7f, 0, 1});
    sceneElapsed = 0.0f;
    size_t count = particles.Particles().size();
    device.calls.clear();
    particles.DrawParticles(&device);
    std::vector<std::string> draws = device.Calls("DrawPrimitive");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0], "DrawPrimitive(1,0,511)");
    EXPECT_EQ(draws[1], "DrawPrimitive(1,0,511)");
    EXPECT_EQ(draws[2], "DrawPrimitive(1,0," + std::to_string(count - 1022) + ")");
    EXPECT_EQ(device.renderStates[D3DRS_POINTSPRITEENABLE], 0u);
    const auto& bytes = device.vertexBuffers.back()->bytes;
    PointVertex first;
    std::memcpy(&first, bytes.data(), sizeof(first));
    EXPECT_EQ(first.colour, 0xFFB2B200u);
    particles.ReleaseParticles();

    CParticleSystem unbuilt;  // no buffer: nothing happens
    device.calls.clear();
    unbuilt.DrawParticles(&device);
    EXPECT_TRUE(device.Calls().empty());
}

TEST_F(DrawOrderTest, OverlaysWithNothingToShowStillLeaveDepthAndBlendingOff) {
    SceneSettings.enableFps = 0;
    SceneSettings.showTime = 0;
    CRerirScreensaver scene;
    scene.device = &device;
    scene.SelectScreen(0);
    device.calls.clear();
    scene.DrawOverlays();
    EXPECT_TRUE(device.Calls("DrawPrimitive").empty());
    EXPECT_EQ(device.renderStates[D3DRS_ZENABLE], 0u);
    EXPECT_EQ(device.renderStates[D3DRS_ZWRITEENABLE], 0u);
    EXPECT_EQ(device.renderStates[D3DRS_ALPHABLENDENABLE], 0u);
    // Unit screen space: (0, 0) bottom left, (1, 1) top right.
    const D3DMATRIX& ortho = device.transforms[D3DTS_PROJECTION];
    EXPECT_FLOAT_EQ(ortho._11, 2.0f);
    EXPECT_FLOAT_EQ(ortho._41, -1.0f);
    scene.device = nullptr;
    SceneSettings = SceneSettingsRecord{};
}
