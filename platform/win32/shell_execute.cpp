// ShellExecute with the "open" verb: the desktop's xdg-open opens the file or
// address, detached from the saver. An Internet shortcut (a ".url" file with
// a "URL=" line) opens the address it holds.
#include <shellapi.h>
#include "win32_files.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <strings.h>

namespace {

// Results below 33 are errors, as ShellExecute reports them.
constexpr intptr_t kFileNotFound = 2;
constexpr intptr_t kNoAssociation = 31;
constexpr intptr_t kOutOfResources = 0;
constexpr intptr_t kOpened = 42;

bool IsAddress(const std::string& text) {
    size_t colon = text.find("://");
    if (colon == std::string::npos || colon < 2) return false;
    for (size_t i = 0; i < colon; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

// The address inside an Internet shortcut, or empty.
std::string ShortcutAddress(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 4 && strncasecmp(line.c_str(), "URL=", 4) == 0) return line.substr(4);
    }
    return "";
}

bool EndsWith(const std::string& text, const char* suffix) {
    std::string s = suffix;
    return text.size() >= s.size() &&
           strcasecmp(text.c_str() + text.size() - s.size(), suffix) == 0;
}

HINSTANCE Result(intptr_t code) {
    return reinterpret_cast<HINSTANCE>(code);
}

}  // namespace

HINSTANCE ShellExecute(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR directory, INT) {
    if (file == nullptr || *file == '\0') return Result(kFileNotFound);
    if (operation != nullptr && strcasecmp(operation, "open") != 0) return Result(kNoAssociation);

    std::string target = file;
    if (!IsAddress(target)) {
        std::string path = Win32MapPath(file);
        if (directory != nullptr && *directory != '\0' && path[0] != '/') {
            path = Win32MapPath(directory) + "/" + path;
        }
        if (path[0] != '/') {
            char here[4096];
            if (getcwd(here, sizeof here) != nullptr) path = std::string(here) + "/" + path;
        }
        if (access(path.c_str(), F_OK) != 0) return Result(kFileNotFound);
        target = path;
        if (EndsWith(path, ".url")) {
            std::string address = ShortcutAddress(path);
            if (!address.empty()) target = address;
        }
    }

    // Two forks, so the opener is never a child the saver has to wait for.
    pid_t child = fork();
    if (child < 0) return Result(kOutOfResources);
    if (child == 0) {
        setsid();
        pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("xdg-open", "xdg-open", target.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return Result(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kOpened : kOutOfResources);
}
