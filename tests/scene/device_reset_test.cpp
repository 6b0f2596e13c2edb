// A forced device loss in the middle of a run on the real offscreen device:
// the host resets the device, the scene rebuilds every element, frames are
// drawn again, and nothing made on the device is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/d3d8/d3d8_testing.h"
#include "platform/win32/command_line.h"
#include "scene/particle_system.h"
#include "scene/water.h"
#include "tests/support/temp_folder.h"
#include "tools/render/frame_renderer.h"

namespace {

class LosingRenderer : public FrameRenderer {
public:
    using FrameRenderer::FrameRenderer;

    HRESULT AdvanceFrame() override {
        ++frames;
        if (frames == 10) D3D8ForceDeviceLost(device, true);
        if (frames == 13) D3D8ForceDeviceLost(device, false);
        return FrameRenderer::AdvanceFrame();
    }
    HRESULT RestoreDeviceResources() override {
        ++restores;
        HRESULT hr = FrameRenderer::RestoreDeviceResources();
        if (currentElements != nullptr) {
            elementsBuilt = currentElements->water != nullptr && currentElements->sky != nullptr &&
                            currentElements->tree != nullptr && currentElements->font != nullptr &&
                            currentElements->water->ReflectionTexture() != nullptr;
        }
        return hr;
    }
    HRESULT RenderFrame() override {
        if (restores == 2) ++framesAfterReset;
        return FrameRenderer::RenderFrame();
    }

    int frames = 0;
    int restores = 0;
    int framesAfterReset = 0;
    bool elementsBuilt = false;
};

}  // namespace

TEST(DeviceResetTest, ALostDeviceIsResetAndTheSceneRebuilt) {
    TempFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::filesystem::current_path(VELMORA_BINARY_DIR);  // where the build put Media.dat
    Win32SetCommandLineArguments({"velmora-render", "/t"});
    long liveBefore = D3D8LiveObjectCount();
    {
        FrameRendererOptions options;
        options.width = 160;
        options.height = 120;
        options.step = 0.1f;
        options.times = {3.0f};
        options.outputFolder = folder.Path();
        LosingRenderer renderer(options);
        EXPECT_EQ(renderer.Run(), 0);
        EXPECT_EQ(renderer.restores, 2);
        EXPECT_TRUE(renderer.elementsBuilt);
        EXPECT_GT(renderer.framesAfterReset, 5);
    }
    EXPECT_EQ(D3D8LiveObjectCount(), liveBefore);
    EXPECT_TRUE(std::filesystem::exists(folder / "frame-0003.00.png"));
    std::filesystem::current_path(folder.Path());
    unsetenv("XDG_CONFIG_HOME");
}
