// A long run of the scene on the offscreen device at a fixed step, with the
// device forced lost and reset at regular scene-time intervals. Before every
// forced loss it samples resident memory, the live Direct3D objects, the most
// particles alive since the last sample and the wall time per frame, and at
// the end it reports what grew.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/render/frame_renderer.h"

struct SoakOptions {
    unsigned width = 64;
    unsigned height = 48;
    float step = 0.5f;              // seconds of scene time per frame
    double seconds = 24 * 3600.0;   // scene time to run
    double resetEvery = 600.0;      // scene seconds between forced device losses
    double residentGrowthMiB = 16;  // allowed growth of resident memory; 0 skips the check
    double frameTimeGrowth = 2.0;   // allowed factor on the frame time; 0 skips the check
    bool printSamples = true;
    std::string outputFolder = ".";  // where the last frame is written
};

struct SoakSample {
    double sceneSeconds;
    double residentMiB;
    long liveObjects;
    size_t mostParticles;  // since the previous sample
    double msPerFrame;     // since the previous sample
    unsigned resets;       // device resets so far
};

class SoakRenderer : public FrameRenderer {
public:
    explicit SoakRenderer(const SoakOptions& options);

    // Runs the soak and checks it; 0 when the run finished and nothing grew.
    int Run();

    HRESULT AdvanceFrame() override;
    HRESULT RestoreDeviceResources() override;

    const std::vector<SoakSample>& Samples() const { return samples; }
    // What grew, one line each; empty when nothing did.
    const std::vector<std::string>& Failures() const { return failures; }

private:
    void TakeSample();
    void CheckSamples();

    SoakOptions soak;
    std::vector<SoakSample> samples;
    std::vector<std::string> failures;
    double nextLoss;
    bool lossPending = false;
    unsigned restores = 0;
    size_t mostParticles = 0;
    unsigned framesAtSample = 0;
    double wallSecondsAtSample = 0.0;
};
