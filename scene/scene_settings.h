// The scene's user settings: one process-wide record, read from the registry
// when the scene starts and whenever a screen rebuilds its elements, edited
// by the configuration dialog. The host's window procedure reads
// exitOnMouse on every mouse movement.
#pragma once

#include <cstdint>

// The ends of the ranges the dialog's trackbars offer (both start at 0).
constexpr int32_t kLongestCameraDelay = 40;
constexpr int32_t kLoudestSoundVolume = 100;

struct SceneSettingsRecord {
    uint8_t showTime = 1;            // draw the clock
    uint8_t enable12Hour = 1;        // clock with "am"/"pm"
    uint8_t enableSound = 1;         // play the ambient sound
    uint8_t exitOnMouse = 1;         // mouse movement ends the saver
    uint8_t enableFps = 1;           // draw the frame-rate text
    int32_t cameraChangeDelay = 15;  // 0..40; a cut every delay + 5 seconds
    int32_t soundVolume = 100;       // 0..100
    int32_t timeOfDay = 0;           // 0 day, 1 night, anything else random
};

extern SceneSettingsRecord SceneSettings;
