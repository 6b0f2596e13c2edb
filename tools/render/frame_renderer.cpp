#include "tools/render/frame_renderer.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "host/frame_timer.h"
#include "platform/d3d8/d3d8_testing.h"
#include "tools/render/png_writer.h"

namespace {

// The frame clock: a counter in microseconds that the renderer moves on by
// exactly one step per frame.
LONGLONG simulatedMicroseconds = 0;

BOOL QueryFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000000;
    return TRUE;
}
BOOL QueryCounter(LARGE_INTEGER* counter) {
    counter->QuadPart = simulatedMicroseconds;
    return TRUE;
}
DWORD Milliseconds() {
    return static_cast<DWORD>(simulatedMicroseconds / 1000);
}

const FrameTimerClock kSimulatedClock = {QueryFrequency, QueryCounter, Milliseconds};

double Seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

FrameRenderer::FrameRenderer(const FrameRendererOptions& rendererOptions)
    : options(rendererOptions) {}

int FrameRenderer::Run() {
    SetFrameTimerClock(&kSimulatedClock);
    simulatedMicroseconds = 0;
    HRESULT hr = Initialise(GetModuleHandle(nullptr));
    if (FAILED(hr) || errorMode) {
        std::fprintf(stderr, "velmora-render: the saver could not start (error 0x%08X)\n",
                     static_cast<unsigned>(FAILED(hr) ? hr : errorCode));
        return 1;
    }
    // The test window becomes the requested frame size before any device exists.
    RECT frame = {0, 0, static_cast<LONG>(options.width), static_cast<LONG>(options.height)};
    AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    FrameTimer(TimerCommand::Start);
    hr = InitScene();
    if (FAILED(hr)) {
        std::fprintf(stderr, "velmora-render: the scene could not start: is Media.dat here?\n");
        CloseSaver();
        return 1;
    }
    CreateScreenDevices();
    if (screenDeviceCount == 0 || errorMode) {
        std::fprintf(stderr, "velmora-render: no device could be created\n");
        CloseSaver();
        return 1;
    }
    const LONGLONG stepMicroseconds = std::llround(options.step * 1e6);
    while (nextTime < options.times.size() && !failed) DrawTimedFrame(stepMicroseconds);
    CloseSaver();
    SetFrameTimerClock(nullptr);
    PrintFrameCost("day", dayCost);
    PrintFrameCost("night", nightCost);
    return failed ? 1 : 0;
}

void FrameRenderer::DrawTimedFrame(LONGLONG stepMicroseconds) {
    simulatedMicroseconds += stepMicroseconds;
    const double wall = Seconds(CLOCK_MONOTONIC);
    const double process = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double thread = Seconds(CLOCK_THREAD_CPUTIME_ID);
    const unsigned drawnBefore = framesDrawn;
    DrawAllScreens();
    // The first frame builds the first shader programs: start-up, not frame cost.
    if (drawnBefore == 0) return;
    FrameCost& cost = nightMode ? nightCost : dayCost;
    ++cost.frames;
    cost.wallSeconds += Seconds(CLOCK_MONOTONIC) - wall;
    cost.processCpuSeconds += Seconds(CLOCK_PROCESS_CPUTIME_ID) - process;
    cost.threadCpuSeconds += Seconds(CLOCK_THREAD_CPUTIME_ID) - thread;
}

void FrameRenderer::PrintFrameCost(const char* label, const FrameCost& cost) const {
    if (cost.frames == 0) return;
    const double ms = cost.wallSeconds * 1000.0 / cost.frames;
    std::printf(
        "velmora-render: %s: %u frames at %ux%u, %.2f ms per frame (%.1f frames per second), "
        "%.2f ms CPU per frame, %.2f ms of it on the drawing thread\n",
        label, cost.frames, options.width, options.height, ms, ms > 0 ? 1000.0 / ms : 0.0,
        cost.processCpuSeconds * 1000.0 / cost.frames,
        cost.threadCpuSeconds * 1000.0 / cost.frames);
}

HRESULT FrameRenderer::RenderFrame() {
    HRESULT hr = CRerirScreensaver::RenderFrame();
    ++framesDrawn;
    // The frame nearest to each requested time is written.
    while (nextTime < options.times.size() &&
           appTime + options.step / 2.0f >= options.times[nextTime]) {
        if (!CaptureFrame(options.times[nextTime])) failed = true;
        ++nextTime;
    }
    return hr;
}

bool FrameRenderer::CaptureFrame(float time) {
    std::vector<DWORD> pixels;
    UINT width = 0, height = 0;
    if (FAILED(D3D8CaptureBackBuffer(device, &pixels, &width, &height))) {
        std::fprintf(stderr, "velmora-render: cannot read the frame at %.2f s\n", time);
        return false;
    }
    char name[64];
    std::snprintf(name, sizeof(name), "frame-%07.2f.png", time);
    std::string path = options.outputFolder + "/" + name;
    if (!WritePng(path, std::vector<uint32_t>(pixels.begin(), pixels.end()), width, height)) {
        std::fprintf(stderr, "velmora-render: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s (scene time %.2f s, %s)\n", path.c_str(), appTime, nightMode ? "night" : "day");
    return true;
}
