#include "tools/render/seeded_random.h"

#include "scene/scene_state.h"

namespace {

// PCG32 (XSH RR): a 64-bit linear congruential state, output permuted.
uint64_t state = 0;
// What the scene drew from before the generator was installed.
int (*previousRandom)() = nullptr;
constexpr uint64_t kMultiplier = 6364136223846793005u;
constexpr uint64_t kIncrement = 1442695040888963407u;

uint32_t NextWord() {
    const uint64_t old = state;
    state = old * kMultiplier + kIncrement;
    const auto xorShifted = static_cast<uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rotation = static_cast<uint32_t>(old >> 59);
    return (xorShifted >> rotation) | (xorShifted << ((32 - rotation) & 31));
}

// The scene wants a non-negative int, as rand gives.
int NextDraw() {
    return static_cast<int>(NextWord() >> 1);
}

}  // namespace

void InstallSeededRandom(uint32_t seed) {
    state = 0;
    NextWord();
    state += seed;
    NextWord();
    if (sceneRandom != NextDraw) previousRandom = sceneRandom;
    sceneRandom = NextDraw;
}

void RemoveSeededRandom() {
    if (sceneRandom == NextDraw) sceneRandom = previousRandom;
}
