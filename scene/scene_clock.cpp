#include "scene/scene_clock.h"

float sceneTime = 0.0f;
float sceneElapsed = 0.0f;
