// Command line, version, last error, module file name and current folder.
#include <windows.h>
#include "win32_files.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"

namespace {

std::mutex commandLineLock;
bool commandLineReady = false;
std::string commandLine;

std::vector<std::string> ProcessArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    std::string current;
    for (char c : raw) {
        if (c == '\0') {
            arguments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) arguments.push_back(current);
    return arguments;
}

thread_local DWORD lastError = 0;

}  // namespace

std::string Win32JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string text;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (i > 0) text += ' ';
        bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
        if (!quote && argument.find('"') == std::string::npos) {
            text += argument;
            continue;
        }
        if (quote) text += '"';
        size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
                text += c;
                continue;
            }
            // Backslashes before a quote are doubled, then the quote escaped.
            if (c == '"') text.append(backslashes + 1, '\\');
            backslashes = 0;
            text += c;
        }
        if (quote) {
            text.append(backslashes, '\\');
            text += '"';
        }
    }
    return text;
}

void Win32SetCommandLineArguments(const std::vector<std::string>& arguments) {
    std::lock_guard<std::mutex> hold(commandLineLock);
    commandLine = Win32JoinCommandLine(arguments);
    commandLineReady = true;
}

LPSTR GetCommandLine() {
    std::lock_guard<std::mutex> hold(commandLineLock);
    if (!commandLineReady) {
        commandLine = Win32JoinCommandLine(ProcessArguments());
        commandLineReady = true;
    }
    return commandLine.data();
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}

void WINAPI ExitProcess(UINT uExitCode) {
    std::fflush(nullptr);
    _exit(static_cast<int>(uExitCode));
}

BOOL GetVersionEx(LPOSVERSIONINFO info) {
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFO)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // The NT family: no Windows 9x password services are expected here.
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 2600;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

DWORD GetModuleFileName(HMODULE module, LPSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (module != nullptr && module != GetModuleHandle(nullptr)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        buffer[0] = '\0';
        return 0;
    }
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        buffer[0] = '\0';
        return 0;
    }
    path[length] = '\0';
    // Truncated results keep their terminator and report the full buffer, as on Windows.
    std::snprintf(buffer, size, "%s", path);
    if (static_cast<DWORD>(length) >= size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return static_cast<DWORD>(length);
}

DWORD GetFileAttributes(LPCSTR path) {
    struct stat status;
    if (path == nullptr || stat(Win32MapPath(path).c_str(), &status) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

int lstrcmpi(LPCSTR first, LPCSTR second) {
    return strcasecmp(first, second);
}

DWORD GetCurrentDirectory(DWORD size, LPSTR buffer) {
    char path[4096];
    if (getcwd(path, sizeof path) == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    DWORD length = static_cast<DWORD>(std::strlen(path));
    // Too small a buffer: the size needed, terminator included.
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, path, length + 1);
    return length;
}

BOOL SetCurrentDirectory(LPCSTR path) {
    if (path == nullptr) return FALSE;
    std::string mapped = Win32MapPath(path);
    if (chdir(mapped.c_str()) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
