#include "tools/soak/soak_renderer.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "platform/d3d8/d3d8_testing.h"
#include "scene/particle_system.h"

namespace {

FrameRendererOptions RendererOptions(const SoakOptions& soak) {
    FrameRendererOptions options;
    options.width = soak.width;
    options.height = soak.height;
    options.step = soak.step;
    options.times = {static_cast<float>(soak.seconds)};
    options.outputFolder = soak.outputFolder;
    return options;
}

double ResidentMiB() {
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    if (!(statm >> pages >> resident)) return 0.0;
    return static_cast<double>(resident) * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0);
}

std::string SceneClock(double seconds) {
    char text[32];
    const long s = static_cast<long>(seconds);
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

SoakRenderer::SoakRenderer(const SoakOptions& options)
    : FrameRenderer(RendererOptions(options)), soak(options), nextLoss(options.resetEvery) {}

int SoakRenderer::Run() {
    const int result = FrameRenderer::Run();
    CheckSamples();
    for (const std::string& failure : failures) std::printf("soak: FAILED: %s\n", failure.c_str());
    if (result != 0) std::printf("soak: FAILED: the run did not finish\n");
    if (result == 0 && failures.empty())
        std::printf("soak: passed: %zu samples over %s of scene time, %u device resets\n",
                    samples.size(), SceneClock(soak.seconds).c_str(), restores - 1);
    return result != 0 || !failures.empty() ? 1 : 0;
}

HRESULT SoakRenderer::AdvanceFrame() {
    if (currentElements != nullptr && currentElements->particles != nullptr)
        mostParticles = std::max(mostParticles, currentElements->particles->Particles().size());
    if (lossPending) {
        // One frame lost, then the host finds the device ready to reset.
        D3D8ForceDeviceLost(device, false);
        lossPending = false;
    } else if (appTime >= nextLoss) {
        TakeSample();
        D3D8ForceDeviceLost(device, true);
        lossPending = true;
        nextLoss += soak.resetEvery;
    }
    return FrameRenderer::AdvanceFrame();
}

HRESULT SoakRenderer::RestoreDeviceResources() {
    ++restores;
    return FrameRenderer::RestoreDeviceResources();
}

void SoakRenderer::TakeSample() {
    const unsigned frames = dayCost.frames + nightCost.frames;
    const double wall = dayCost.wallSeconds + nightCost.wallSeconds;
    SoakSample sample;
    sample.sceneSeconds = appTime;
    sample.residentMiB = ResidentMiB();
    sample.liveObjects = D3D8LiveObjectCount();
    sample.mostParticles = mostParticles;
    sample.msPerFrame =
        frames > framesAtSample ? (wall - wallSecondsAtSample) * 1000.0 / (frames - framesAtSample)
                                : 0.0;
    sample.resets = restores > 0 ? restores - 1 : 0;  // the first restore is the start
    samples.push_back(sample);
    mostParticles = 0;
    framesAtSample = frames;
    wallSecondsAtSample = wall;
    if (soak.printSamples) {
        std::printf(
            "soak: %s resident %.1f MiB, live objects %ld, particles up to %zu, %.2f ms per "
            "frame, %u resets\n",
            SceneClock(sample.sceneSeconds).c_str(), sample.residentMiB, sample.liveObjects,
            sample.mostParticles, sample.msPerFrame, sample.resets);
        std::fflush(stdout);
    }
}

void SoakRenderer::CheckSamples() {
    if (samples.size() < 2) {
        failures.push_back("fewer than two samples: run longer than two reset intervals");
        return;
    }
    const SoakSample& first = samples.front();
    // Every sample is taken at the same point of the reset cycle, so the
    // device holds the same objects each time.
    for (const SoakSample& s : samples) {
        if (s.liveObjects != first.liveObjects) {
            failures.push_back("live objects went from " + std::to_string(first.liveObjects) +
                               " to " + std::to_string(s.liveObjects) + " at " +
                               SceneClock(s.sceneSeconds));
            break;
        }
    }
    // The first interval holds whole nights, so its particle peak is the steady one.
    const size_t particleLimit =
        first.mostParticles + std::max<size_t>(2, first.mostParticles / 10);
    for (const SoakSample& s : samples) {
        if (s.mostParticles > particleLimit) {
            failures.push_back("particles grew from at most " +
                               std::to_string(first.mostParticles) + " to " +
                               std::to_string(s.mostParticles) + " at " +
                               SceneClock(s.sceneSeconds));
            break;
        }
    }
    // Memory and frame time: the last quarter of the run against the first.
    const size_t quarter = std::max<size_t>(1, samples.size() / 4);
    std::vector<double> earlyResident, lateResident, earlyMs, lateMs;
    for (size_t i = 0; i < quarter; ++i) {
        earlyResident.push_back(samples[i].residentMiB);
        earlyMs.push_back(samples[i].msPerFrame);
        lateResident.push_back(samples[samples.size() - 1 - i].residentMiB);
        lateMs.push_back(samples[samples.size() - 1 - i].msPerFrame);
    }
    const double earlyPeak = *std::max_element(earlyResident.begin(), earlyResident.end());
    const double latePeak = *std::max_element(lateResident.begin(), lateResident.end());
    if (soak.residentGrowthMiB > 0 && latePeak > earlyPeak + soak.residentGrowthMiB) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "resident memory grew from %.1f MiB (first quarter) to %.1f MiB (last "
                      "quarter)",
                      earlyPeak, latePeak);
        failures.push_back(text);
    }
    const double earlyMedian = Median(earlyMs), lateMedian = Median(lateMs);
    if (soak.frameTimeGrowth > 0 && earlyMedian > 0 && lateMedian > earlyMedian * soak.frameTimeGrowth) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "frame time grew from %.2f ms (first quarter) to %.2f ms (last quarter)",
                      earlyMedian, lateMedian);
        failures.push_back(text);
    }
}
