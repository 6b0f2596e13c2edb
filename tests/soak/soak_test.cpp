// Half an hour of scene time on the real offscreen device with a forced
// device loss every five minutes: the device holds the same objects before
// every loss, the particles stay bounded, and everything is released at the
// end. Memory and frame time are only reported here; velmora-soak checks
// them over a whole day.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/d3d8/d3d8_testing.h"
#include "platform/win32/command_line.h"
#include "tests/support/temp_folder.h"
#include "tools/soak/soak_renderer.h"

TEST(SoakTest, HalfAnHourWithResetsKeepsObjectsFlatAndParticlesBounded) {
    TempFolder folder;
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::filesystem::current_path(VELMORA_BINARY_DIR);  // where the build put Media.dat
    Win32SetCommandLineArguments({"velmora-soak", "/t"});
    const long liveBefore = D3D8LiveObjectCount();
    {
        SoakOptions options;
        options.seconds = 30 * 60;
        options.step = 2.0f;
        options.resetEvery = 5 * 60;
        options.residentGrowthMiB = 0;  // sanitizer builds hold freed memory back
        options.frameTimeGrowth = 0;    // no timing in tests
        options.outputFolder = folder.Path();
        SoakRenderer soak(options);
        EXPECT_EQ(soak.Run(), 0);
        EXPECT_TRUE(soak.Failures().empty());

        const std::vector<SoakSample>& samples = soak.Samples();
        // A sample before each of the losses at 5, 10, ... 30 minutes.
        ASSERT_EQ(samples.size(), 6u);
        EXPECT_EQ(samples.back().resets, 5u);
        for (const SoakSample& s : samples) {
            EXPECT_EQ(s.liveObjects, samples.front().liveObjects) << s.sceneSeconds;
            EXPECT_GT(s.mostParticles, 0u) << "every interval holds a night";
            EXPECT_LE(s.mostParticles, 32u) << s.sceneSeconds;
        }
    }
    EXPECT_EQ(D3D8LiveObjectCount(), liveBefore);
    std::filesystem::current_path(folder.Path());
    unsetenv("XDG_CONFIG_HOME");
}
