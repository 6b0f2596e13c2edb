// Mapping of Windows paths to POSIX paths, and fopen through it.
#include "win32_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    int flags = 0;
    switch (mode[0]) {
        case 'r':
            flags = O_RDONLY;
            break;
        case 'w':
        case 'a':
            flags = O_WRONLY | O_CREAT | (mode[0] == 'a' ? O_APPEND : 0);
            break;
        default:
            errno = EINVAL;
            return nullptr;
    }
    if (std::strchr(mode, '+') != nullptr) flags = (flags & ~O_WRONLY) | O_RDWR;
    std::string path = Win32MapPath(windowsPath);
    if (flags != O_RDONLY && IsDrivePath(windowsPath)) CreateParentFolders(path);

    // Only plain files open, and opening never waits: a FIFO without a
    // writer, a device or a folder would block or make no sense as a file.
    int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat info;
    const bool known = fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        const mode_t kind = known ? info.st_mode & S_IFMT : 0;
        close(fd);
        std::fprintf(stderr, "velmora: %s is %s, not a file; it is not opened\n", path.c_str(),
                     kind == S_IFDIR    ? "a folder"
                     : kind == S_IFIFO  ? "a FIFO"
                     : kind == S_IFSOCK ? "a socket"
                     : kind == S_IFCHR || kind == S_IFBLK ? "a device"
                                                          : "not a regular file");
        errno = kind == S_IFDIR ? EISDIR : ENXIO;
        return nullptr;
    }
    // Truncation waits until the file is known to be one.
    if (mode[0] == 'w' && ftruncate(fd, 0) != 0) {
        int cause = errno;
        close(fd);
        errno = cause;
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, mode);
    if (file == nullptr) {
        int cause = errno;
        close(fd);
        errno = cause;
    }
    return file;
}
