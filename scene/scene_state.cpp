#include "scene/scene_state.h"

float sceneTime = 0.0f;
float sceneElapsed = 0.0f;
bool bumpMapSupported = false;
