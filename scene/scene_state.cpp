#include "scene/scene_state.h"

#include <cstdlib>

namespace {

int LibraryRandom() {
    return std::rand();
}

}  // namespace

float sceneTime = 0.0f;
float sceneElapsed = 0.0f;
bool bumpMapSupported = false;
int (*sceneRandom)() = LibraryRandom;
