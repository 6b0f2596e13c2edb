#include "scene/media_folder.h"

#include <windows.h>

#include <unistd.h>

std::string ResolveMediaFolder(const std::string& storedPath, const std::string& installFolder) {
    if (!storedPath.empty()) return storedPath;
    if (access("Media.dat", F_OK) == 0) return "";
    if (!installFolder.empty() && access((installFolder + "Media.dat").c_str(), F_OK) == 0) {
        return installFolder;
    }
    return "";
}

std::string InstalledMediaFolder() {
    // VELMORA_MEDIA_FOLDER is the installed data folder, relative to the
    // installed program's folder unless the install named it absolutely.
    std::string folder = VELMORA_MEDIA_FOLDER;
    if (folder.front() == '/') return folder + "/";
    char program[4096];
    DWORD length = GetModuleFileName(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return "";
    std::string path(program, length);
    return path.substr(0, path.rfind('/') + 1) + folder + "/";
}
