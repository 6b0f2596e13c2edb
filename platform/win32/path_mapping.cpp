// Mapping of Windows paths to POSIX paths, and fopen through it.
#include "win32_files.h"

#undef fopen

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

bool IsDrivePath(const char* p) {
    return std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

// Creates every folder above the file at `path` that does not exist yet.
void CreateParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0700);
    }
}

}  // namespace

std::string Win32MapPath(const char* windowsPath) {
    std::string result;
    const char* rest = windowsPath;
    if (IsDrivePath(windowsPath)) {
        char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
        result = DataHome() + "/velmora/drive_" + drive;
        rest = windowsPath + 2;
        if (*rest != '\\' && *rest != '/') result += '/';
    }
    for (const char* c = rest; *c != '\0'; ++c) result += (*c == '\\') ? '/' : *c;
    return result;
}

FILE* Win32OpenFile(const char* windowsPath, const char* mode) {
    if (windowsPath == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    std::string path = Win32MapPath(windowsPath);
    bool writes = std::strpbrk(mode, "wa") != nullptr;
    if (writes && IsDrivePath(windowsPath)) CreateParentFolders(path);

    FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) return nullptr;
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}
