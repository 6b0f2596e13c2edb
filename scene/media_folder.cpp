#include "scene/media_folder.h"

#include <windows.h>

namespace {

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string ResolveMediaFolder(const std::string& storedPath, const std::string& installFolder) {
    if (!storedPath.empty()) return storedPath;
    if (FileExists("Media.dat")) return "";
    if (!installFolder.empty() && FileExists(installFolder + "Media.dat")) return installFolder;
    return "";
}

std::string InstalledMediaFolder() {
    // VELMORA_MEDIA_FOLDER is the installed data folder: absolute, or relative
    // to the installed program's folder, or empty for that folder itself.
    std::string folder = VELMORA_MEDIA_FOLDER;
    if (!folder.empty() && folder.front() == '/') return folder + "/";
    char program[4096];
    DWORD length = GetModuleFileName(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) return "";
    std::string path(program, length);
    std::string programFolder = path.substr(0, path.find_last_of("/\\") + 1);
    return folder.empty() ? programFolder : programFolder + folder + "/";
}
