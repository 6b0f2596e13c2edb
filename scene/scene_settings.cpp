#include "scene/scene_settings.h"

SceneSettingsRecord SceneSettings;
