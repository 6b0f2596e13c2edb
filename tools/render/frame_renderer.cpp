#include "tools/render/frame_renderer.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "host/frame_timer.h"
#include "tools/render/back_buffer_reader.h"
#include "tools/render/png_writer.h"
#include "tools/render/render_platform.h"
#include "tools/render/seeded_random.h"

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

// The host reads its run mode from this: the captioned test window, whatever
// the process's own command line holds.
constexpr char kTestWindowCommandLine[] = "velmora-render /t";

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

FrameRenderer::FrameRenderer(const FrameRendererOptions& rendererOptions)
    : options(rendererOptions) {}

int FrameRenderer::Run() {
    SetFrameTimerClock(&kSimulatedClock);
    simulatedMicroseconds = 0;
    InstallSeededRandom(options.seed);
    const int result = RunScene();
    RemoveSeededRandom();
    SetFrameTimerClock(nullptr);
    PrintFrameCost("day", dayCost);
    PrintFrameCost("night", nightCost);
    return result;
}

int FrameRenderer::RunScene() {
    commandLine = kTestWindowCommandLine;
    presentFlags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    HRESULT hr = Initialise(GetModuleHandle(nullptr));
    if (FAILED(hr) || errorMode) {
        std::fprintf(stderr, "velmora-render: the saver could not start (error 0x%08X)\n",
                     static_cast<unsigned>(FAILED(hr) ? hr : errorCode));
        return 1;
    }
    // The saver idles its drawing thread; frames are timed at normal priority.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    // The test window is hidden and becomes the requested frame size before
    // any device exists.
    ShowWindow(window, SW_HIDE);
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
    return failed ? 1 : 0;
}

void FrameRenderer::DrawTimedFrame(LONGLONG stepMicroseconds) {
    simulatedMicroseconds += stepMicroseconds;
    const double wall = WallSeconds();
    const double process = ProcessCpuSeconds();
    const double thread = ThreadCpuSeconds();
    const unsigned drawnBefore = framesDrawn;
    DrawAllScreens();
    // The first frame builds the first shader programs: start-up, not frame cost.
    if (drawnBefore == 0) return;
    FrameCost& cost = nightMode ? nightCost : dayCost;
    ++cost.frames;
    cost.wallSeconds += WallSeconds() - wall;
    cost.processCpuSeconds += ProcessCpuSeconds() - process;
    cost.threadCpuSeconds += ThreadCpuSeconds() - thread;
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
    std::vector<uint32_t> pixels;
    unsigned width = 0, height = 0;
    if (!ReadBackBuffer(device, &pixels, &width, &height)) {
        std::fprintf(stderr, "velmora-render: cannot read the frame at %.2f s\n", time);
        return false;
    }
    char name[64];
    std::snprintf(name, sizeof(name), "frame-%07.2f.png", time);
    std::string path = options.outputFolder + "/" + name;
    if (!WritePng(path, pixels, width, height)) {
        std::fprintf(stderr, "velmora-render: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s (scene time %.2f s, %s)\n", path.c_str(), appTime, nightMode ? "night" : "day");
    return true;
}
