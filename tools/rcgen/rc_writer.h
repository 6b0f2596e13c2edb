// The Windows resource script of the program, written from the resource data
// that the Linux build uses directly, so that both builds show the same
// dialogs and texts.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resources.h"

// A version such as "0.1" or "1.2.3.4": up to four numbers of 0 ... 65535.
struct FileVersion {
    std::array<WORD, 4> parts{};
    std::string text;  // as given, for the version strings
};

// The version in `text`, or nothing when it is not one.
std::optional<FileVersion> ParseFileVersion(std::string_view text);

struct StringTableEntry {
    UINT id;
    const char* text;
};

// Everything the script holds.
struct ResourceScriptContent {
    std::vector<const DialogResource*> dialogs;
    std::vector<StringTableEntry> strings;
    int iconId = 0;
    std::string iconPath;  // absolute; forward slashes
    int bitmapId = 0;
    std::string bitmapPath;
    FileVersion version;
};

// `text` as an rc string literal, quotes included. Texts are UTF-8, which the
// script declares with its code page.
std::string RcStringLiteral(std::string_view text);

// The complete script.
std::string WriteResourceScript(const ResourceScriptContent& content);
