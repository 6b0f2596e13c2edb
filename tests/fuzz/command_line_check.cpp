// The command-line reader: it reads no further than the terminating NUL, a
// window handle comes only with the modes that take one and is a number
// written after the switch, the program path never changes the result, and
// a line without switches asks for the settings.
#include "tests/fuzz/fuzz_checks.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "host/command_line.h"

namespace {

struct Reading {
    ScreenSaverMode mode;
    HWND parent;
    bool operator==(const Reading&) const = default;
};

// Reads a copy held in a block of exactly its own length, so that a read
// past the NUL is caught by the address checker.
Reading Read(const std::string& text) {
    std::unique_ptr<char[]> exact(new char[text.size() + 1]);
    std::memcpy(exact.get(), text.c_str(), text.size() + 1);
    Reading reading{ScreenSaverMode::Config, reinterpret_cast<HWND>(intptr_t{-1})};
    reading.mode = ReadCommandLine(exact.get(), &reading.parent);
    return reading;
}

bool TakesWindow(ScreenSaverMode mode) {
    return mode == ScreenSaverMode::Config || mode == ScreenSaverMode::Preview ||
           mode == ScreenSaverMode::ChangePassword;
}

}  // namespace

std::string CheckCommandLine(const uint8_t* data, size_t size) {
    // The text ends at its first NUL, as a C string does.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();

    Reading whole = Read(text);
    switch (whole.mode) {
        case ScreenSaverMode::Config:
        case ScreenSaverMode::Preview:
        case ScreenSaverMode::ChangePassword:
        case ScreenSaverMode::Test:
        case ScreenSaverMode::FullScreen:
            break;
        default:
            return "an unknown mode";
    }
    if (whole.parent != nullptr) {
        if (!TakesWindow(whole.mode)) return "a window handle for a mode that takes none";
        intptr_t handle = reinterpret_cast<intptr_t>(whole.parent);
        if (handle < 0 || handle > INT32_MAX) return "a window handle outside 32 bits";
        if (text.find(std::to_string(handle)) == std::string::npos) {
            return "a window handle that is not written in the line";
        }
    }
    if (text.find_first_of("/-") == std::string::npos &&
        !(whole == Reading{ScreenSaverMode::Config, nullptr})) {
        return "a line without switches did not ask for the settings";
    }

    // The same arguments after a plain and after a quoted program path, one
    // that holds switch characters itself, read the same.
    std::string arguments = text.substr(0, 200);
    Reading plain = Read("velmora.scr " + arguments);
    Reading quoted = Read("\"C:\\Saver -p 5\\velmora /a 7.scr\" " + arguments);
    if (!(plain == quoted)) return "the program path changed the result";
    return "";
}
