#include "host/command_line.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips to the first decimal digit and reads the number there as a window
// handle. No digits, or a number that does not fit 32 bits, gives null: such
// a value cannot name a window.
HWND ReadWindowHandle(const char* text) {
    while (*text != '\0' && !IsDigit(*text)) ++text;
    if (*text == '\0') return nullptr;
    int64_t value = 0;
    for (; IsDigit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX) return nullptr;
    }
    return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

}  // namespace

ScreenSaverMode ReadCommandLine(const char* commandLine, HWND* parentWindow) {
    *parentWindow = nullptr;
    const char* c = commandLine != nullptr ? commandLine : "";

    // The program path, quoted or up to the first space.
    if (*c == '"') {
        ++c;
        while (*c != '\0' && *c != '"') ++c;
        if (*c == '"') ++c;
    } else {
        while (*c != '\0' && *c != ' ') ++c;
        if (*c == ' ') ++c;
    }

    while (*c != '\0' && *c != '/' && *c != '-') ++c;
    if (*c == '\0') return ScreenSaverMode::Config;

    // A lone switch character at the end reads the terminator as its letter,
    // which selects the full-screen saver; the digit scans below only run
    // after a real letter.
    const char* rest = c + 2;
    switch (c[1]) {
        case 'c':
        case 'C':
            *parentWindow = ReadWindowHandle(rest);
            return ScreenSaverMode::Config;
        case 't':
        case 'T':
            return ScreenSaverMode::Test;
        case 'p':
        case 'P':
            *parentWindow = ReadWindowHandle(rest);
            return ScreenSaverMode::Preview;
        case 'a':
        case 'A':
            *parentWindow = ReadWindowHandle(rest);
            return ScreenSaverMode::ChangePassword;
        default:
            return ScreenSaverMode::FullScreen;
    }
}
