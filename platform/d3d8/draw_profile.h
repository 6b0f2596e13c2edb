// Where a frame's GL time goes, draw by draw. Off unless VELMORA_DRAW_PROFILE
// is set in the environment; then every draw waits for the GL work before it
// and after it (glFinish), so its time is its own, and each presented frame
// prints its draws to standard error grouped by what tells them apart (the
// target's size, the primitive count, blending and the texture stages),
// costliest first. The waits cost more than they measure: use it to compare
// draws, not to time frames.
#pragma once

#include <d3d8.h>

#include <map>
#include <string>
#include <tuple>

namespace d3d8 {

extern const bool drawProfileEnabled;

// What a draw is grouped by.
struct DrawProfileKey {
    UINT targetWidth = 0, targetHeight = 0;
    UINT primitives = 0;
    bool blended = false;
    std::string stages;  // e.g. "bump 256x256, modulate 512x512"

    bool operator<(const DrawProfileKey& other) const {
        return std::tie(targetWidth, targetHeight, primitives, blended, stages) <
               std::tie(other.targetWidth, other.targetHeight, other.primitives, other.blended,
                        other.stages);
    }
};

class DrawProfile {
public:
    // Waits for the GL work queued so far: the next draw starts on its own.
    void BeforeDraw();
    // Waits for the draw and books its time under `key`.
    void AfterDraw(const DrawProfileKey& key);
    // Prints the frame's groups and forgets them.
    void EndFrame();

private:
    struct Group {
        unsigned draws = 0;
        double milliseconds = 0.0;
    };
    std::map<DrawProfileKey, Group> groups_;
    double drawStart_ = 0.0;
    unsigned frame_ = 0;
};

}  // namespace d3d8
