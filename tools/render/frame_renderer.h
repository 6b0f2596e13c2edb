// Runs the saver's scene through the real host in its test mode, on a hidden
// window with a fixed frame step, and writes the frames at chosen scene times
// as PNG files, read from a lockable back buffer through Direct3D 8 itself.
// Every frame from time 0 is drawn, so camera cuts, leaf growth and particles
// are what the saver itself would show at those times; the scene's random
// draws come from a generator of the renderer's own, so a seed gives the same
// frames on every platform. It prints the wall and CPU time of a whole frame
// (scene, present and the driver's work), by day and by night.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/rerir_screensaver.h"

struct FrameRendererOptions {
    unsigned width = 1024;
    unsigned height = 768;
    float step = 1.0f / 30.0f;  // seconds of scene time per frame
    std::vector<float> times;   // scene times to write, ascending
    uint32_t seed = 1;          // of the scene's random draws
    std::string outputFolder = ".";
};

class FrameRenderer : public CRerirScreensaver {
public:
    explicit FrameRenderer(const FrameRendererOptions& options);

    // Renders up to the last requested time; returns the process exit code.
    int Run();

    HRESULT RenderFrame() override;

protected:
    // Wall and CPU seconds of the frames drawn by day or by night.
    struct FrameCost {
        unsigned frames = 0;
        double wallSeconds = 0.0;
        double processCpuSeconds = 0.0;
        double threadCpuSeconds = 0.0;
    };
    // Draws one frame a step later than the last and adds its cost.
    void DrawTimedFrame(LONGLONG stepMicroseconds);
    void PrintFrameCost(const char* label, const FrameCost& cost) const;

    FrameRendererOptions options;
    FrameCost dayCost, nightCost;

private:
    // Starts the saver, draws every frame and closes it; the exit code.
    int RunScene();
    bool CaptureFrame(float time);

    size_t nextTime = 0;
    unsigned framesDrawn = 0;
    bool failed = false;
};
