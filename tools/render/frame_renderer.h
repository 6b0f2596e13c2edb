// Runs the saver's scene through the real host on an offscreen device with a
// fixed frame step, and writes the frames at chosen scene times as PNG files.
// Every frame from time 0 is drawn, so camera cuts, leaf growth and particles
// are what the saver itself would show at those times.
#pragma once

#include <string>
#include <vector>

#include "scene/rerir_screensaver.h"

struct FrameRendererOptions {
    unsigned width = 1024;
    unsigned height = 768;
    float step = 1.0f / 30.0f;  // seconds of scene time per frame
    std::vector<float> times;   // scene times to write, ascending
    std::string outputFolder = ".";
};

class FrameRenderer : public CRerirScreensaver {
public:
    explicit FrameRenderer(const FrameRendererOptions& options);

    // Renders up to the last requested time; returns the process exit code.
    int Run();

    HRESULT RenderFrame() override;

private:
    bool CaptureFrame(float time);

    FrameRendererOptions options;
    size_t nextTime = 0;
    double renderSeconds = 0.0;
    unsigned framesDrawn = 0;
    bool failed = false;
};
