// Reading and writing the scene's settings under the host's registry key.
#include <windows.h>

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

void SetDword(HKEY key, const char* name, DWORD value) {
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
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
    QueryDword(key, "Camera Change", &SceneSettings.cameraChangeDelay);
    QueryDword(key, "Sound Volume", &SceneSettings.soundVolume);
    QueryDword(key, "Time", &SceneSettings.timeOfDay);
    LoadScreenSettings(key);
    RegCloseKey(key);
}

void CRerirScreensaver::WriteSceneSettings() {
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, registryPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
        return;
    }
    SetDword(key, "Show Time", SceneSettings.showTime ? 1 : 0);
    SetDword(key, "Enable 12H", SceneSettings.enable12Hour ? 1 : 0);
    SetDword(key, "Enable Sound", SceneSettings.enableSound ? 1 : 0);
    SetDword(key, "Exit on Mouse", SceneSettings.exitOnMouse ? 1 : 0);
    SetDword(key, "Enable FPS", SceneSettings.enableFps ? 1 : 0);
    SetDword(key, "Camera Change", static_cast<DWORD>(SceneSettings.cameraChangeDelay));
    SetDword(key, "Sound Volume", static_cast<DWORD>(SceneSettings.soundVolume));
    SetDword(key, "Time", static_cast<DWORD>(SceneSettings.timeOfDay));
    SaveScreenSettings(key);
    RegCloseKey(key);
}
