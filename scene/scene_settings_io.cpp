// Reading and writing the scene's settings under the host's registry key.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "scene/rerir_screensaver.h"
#include "scene/scene_settings.h"

namespace {

// Reads a REG_DWORD into `value`; a missing or malformed value leaves it.
void QueryDword(HKEY key, const char* name, int32_t* value) {
    DWORD data = 0, size = sizeof(data), type = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(data)) {
        *value = static_cast<int32_t>(data);
    }
}

// A flag: `preset` when the value is missing, else whether it is non-zero.
uint8_t QueryFlag(HKEY key, const char* name, int32_t preset) {
    int32_t value = preset;
    QueryDword(key, name, &value);
    return value != 0 ? 1 : 0;
}

// A number as QueryDword reads it, brought into [lowest, highest]: values
// from outside the dialog (written by hand, or by another program) would make
// the camera cut on every frame or the volume overflow.
void QueryInRange(HKEY key, const char* name, int32_t lowest, int32_t highest, int32_t* value) {
    QueryDword(key, name, value);
    *value = std::clamp(*value, lowest, highest);
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof(value));
}

}  // namespace

void CRerirScreensaver::ReadSceneSettings() {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, registryPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return;
    }
    char path[255];
    DWORD size = sizeof(path), type = 0;
    if (RegQueryValueEx(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(path), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ && size > 0 && path[size - 1] == '\0') {
        mediaPath = path;
    } else {
        mediaPath.clear();
    }
    SceneSettings.showTime = QueryFlag(key, "Show Time", 1);
    SceneSettings.enable12Hour = QueryFlag(key, "Enable 12H", 1);
    SceneSettings.enableSound = QueryFlag(key, "Enable Sound", 1);
    SceneSettings.exitOnMouse = QueryFlag(key, "Exit on Mouse", 1);
    SceneSettings.enableFps = QueryFlag(key, "Enable FPS", 0);
    QueryInRange(key, "Camera Change", 0, kLongestCameraDelay, &SceneSettings.cameraChangeDelay);
    QueryInRange(key, "Sound Volume", 0, kLoudestSoundVolume, &SceneSettings.soundVolume);
    // Every "Time" has a meaning: 0 day, 1 night, anything else random.
    QueryDword(key, "Time", &SceneSettings.timeOfDay);
    LoadScreenSettings(key);
    RegCloseKey(key);
}

LONG CRerirScreensaver::WriteSceneSettings() {
    HKEY key;
    DWORD disposition;
    LONG result = RegCreateKeyEx(HKEY_CURRENT_USER, registryPath, 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                 &disposition);
    if (result != ERROR_SUCCESS) return result;
    const std::pair<const char*, DWORD> values[] = {
        {"Show Time", SceneSettings.showTime ? 1u : 0u},
        {"Enable 12H", SceneSettings.enable12Hour ? 1u : 0u},
        {"Enable Sound", SceneSettings.enableSound ? 1u : 0u},
        {"Exit on Mouse", SceneSettings.exitOnMouse ? 1u : 0u},
        {"Enable FPS", SceneSettings.enableFps ? 1u : 0u},
        {"Camera Change", static_cast<DWORD>(SceneSettings.cameraChangeDelay)},
        {"Sound Volume", static_cast<DWORD>(SceneSettings.soundVolume)},
        {"Time", static_cast<DWORD>(SceneSettings.timeOfDay)},
    };
    for (const auto& [name, value] : values) {
        result = SetDword(key, name, value);
        if (result != ERROR_SUCCESS) break;
    }
    if (result == ERROR_SUCCESS) SaveScreenSettings(key);
    RegCloseKey(key);
    return result;
}
