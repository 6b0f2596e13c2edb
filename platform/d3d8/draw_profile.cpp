#include "platform/d3d8/draw_profile.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace d3d8 {

const bool drawProfileEnabled = std::getenv("VELMORA_DRAW_PROFILE") != nullptr;

namespace {

double NowMilliseconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

void DrawProfile::BeforeDraw() {
    glFinish();
    drawStart_ = NowMilliseconds();
}

void DrawProfile::AfterDraw(const DrawProfileKey& key) {
    glFinish();
    Group& group = groups_[key];
    ++group.draws;
    group.milliseconds += NowMilliseconds() - drawStart_;
}

void DrawProfile::EndFrame() {
    ++frame_;
    std::vector<std::pair<DrawProfileKey, Group>> sorted(groups_.begin(), groups_.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.second.milliseconds > b.second.milliseconds; });
    double total = 0.0;
    unsigned draws = 0;
    for (const auto& [key, group] : sorted) {
        total += group.milliseconds;
        draws += group.draws;
        std::fprintf(stderr,
                     "draw profile: frame %u, %ux%u target: %u draw%s of %u primitives, %s, %s: "
                     "%.2f ms\n",
                     frame_, key.targetWidth, key.targetHeight, group.draws,
                     group.draws == 1 ? "" : "s", key.primitives,
                     key.blended ? "blended" : "opaque", key.stages.c_str(), group.milliseconds);
    }
    std::fprintf(stderr, "draw profile: frame %u, %u draws: %.2f ms\n", frame_, draws, total);
    groups_.clear();
}

}  // namespace d3d8
