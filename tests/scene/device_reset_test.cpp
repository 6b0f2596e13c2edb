// A forced device loss in the middle of a run on the real offscreen device:
// the host resets the device, the scene rebuilds every element, frames are
// drawn again, and nothing made on the device is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/d3d8/d3d8_testing.h"
#include "platform/win32/command_line.h"
#include "scene/particle_system.h"
#include "scene/scene_settings.h"
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

// Changes the stored settings in the middle of a run, as the configuration
// dialog of another process does, then loses the device.
class ReconfiguredRenderer : public FrameRenderer {
public:
    using FrameRenderer::FrameRenderer;

    HRESULT AdvanceFrame() override {
        ++frames;
        if (frames == 10) {
            HKEY key;
            if (RegCreateKeyEx(HKEY_CURRENT_USER, registryPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                               nullptr, &key, nullptr) == ERROR_SUCCESS) {
                DWORD on = 1, night = 1;
                RegSetValueEx(key, "Enable FPS", 0, REG_DWORD, reinterpret_cast<BYTE*>(&on),
                              sizeof on);
                RegSetValueEx(key, "Time", 0, REG_DWORD, reinterpret_cast<BYTE*>(&night),
                              sizeof night);
                RegCloseKey(key);
            }
        }
        if (frames == 14) {
            fpsBeforeRestore = SceneSettings.enableFps;
            nightBeforeRestore = nightMode;
            D3D8ForceDeviceLost(device, true);
        }
        if (frames == 16) D3D8ForceDeviceLost(device, false);
        return FrameRenderer::AdvanceFrame();
    }
    HRESULT RenderFrame() override {
        if (frames > 16) {
            fpsAfterRestore = SceneSettings.enableFps;
            nightAfterRestore = nightMode;
        }
        return FrameRenderer::RenderFrame();
    }

    int frames = 0;
    int fpsBeforeRestore = -1, fpsAfterRestore = -1;
    int nightBeforeRestore = -1, nightAfterRestore = -1;
};

// The real offscreen device with Media.dat from the build, and a settings
// file of the test's own.
class DeviceResetTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        std::filesystem::current_path(VELMORA_BINARY_DIR);  // where the build put Media.dat
        Win32SetCommandLineArguments({"velmora-render", "/t"});
        options.width = 160;
        options.height = 120;
        options.step = 0.1f;
        options.times = {3.0f};
        options.outputFolder = folder.Path();
    }
    void TearDown() override {
        std::filesystem::current_path(folder.Path());
        unsetenv("XDG_CONFIG_HOME");
    }

    TempFolder folder;
    FrameRendererOptions options;
};

}  // namespace

TEST_F(DeviceResetTest, SettingsChangedWhileRunningApplyAtTheNextDeviceRestore) {
    ReconfiguredRenderer renderer(options);
    EXPECT_EQ(renderer.Run(), 0);
    // Read when the scene starts and when it rebuilds its elements, not in
    // between.
    EXPECT_EQ(renderer.fpsBeforeRestore, 0);
    EXPECT_EQ(renderer.nightBeforeRestore, 0);
    EXPECT_EQ(renderer.fpsAfterRestore, 1);
    EXPECT_EQ(renderer.nightAfterRestore, 1);
}

TEST_F(DeviceResetTest, ALostDeviceIsResetAndTheSceneRebuilt) {
    long liveBefore = D3D8LiveObjectCount();
    {
        LosingRenderer renderer(options);
        EXPECT_EQ(renderer.Run(), 0);
        EXPECT_EQ(renderer.restores, 2);
        EXPECT_TRUE(renderer.elementsBuilt);
        EXPECT_GT(renderer.framesAfterReset, 5);
    }
    EXPECT_EQ(D3D8LiveObjectCount(), liveBefore);
    EXPECT_TRUE(std::filesystem::exists(folder / "frame-0003.00.png"));
}
