#include "scene/media_folder.h"

#include <windows.h>

#include <cstdio>

namespace {

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentFolder() {
    char folder[4096];
    DWORD length = GetCurrentDirectory(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return "the current folder";
    std::string path(folder, length);
    if (path.back() != '/' && path.back() != '\\') path += '/';
    return path + " (the current folder)";
}

}  // namespace

std::string ResolveMediaFolder(const std::string& storedPath, const std::string& installFolder) {
    // Where no Media.dat is found the saver can only say that media could not
    // be loaded; standard error says where it looked.
    if (!storedPath.empty()) {
        if (!FileExists(storedPath + "Media.dat")) {
            const DWORD folder = GetFileAttributes(storedPath.c_str());
            std::fprintf(stderr,
                         "velmora: the registry value \"Path\" names the folder %s, which %s\n",
                         storedPath.c_str(),
                         folder == INVALID_FILE_ATTRIBUTES ? "cannot be found"
                         : (folder & FILE_ATTRIBUTE_DIRECTORY) != 0 ? "holds no Media.dat"
                                                                    : "is not a folder");
        }
        return storedPath;
    }
    if (FileExists("Media.dat")) return "";
    if (!installFolder.empty() && FileExists(installFolder + "Media.dat")) return installFolder;
    std::string searched = CurrentFolder();
    if (!installFolder.empty()) searched += ", " + installFolder + " (the installed media)";
    std::fprintf(stderr, "velmora: no Media.dat in the folders searched: %s\n", searched.c_str());
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
