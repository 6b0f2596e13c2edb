// The registry file parser: a file it accepts is written back in a form that
// reads back to the very same contents, keys are well-formed paths, and a
// file it refuses names a line of the file and leaves the hive empty.
#include "tests/fuzz/fuzz_checks.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win32/registry_hive.h"

namespace {

const char kEmptyFile[] = "REGEDIT4\n";

// The key paths a formatted file names, in file order.
std::string KeyLinesOf(const std::string& formatted) {
    std::string lines;
    size_t start = 0;
    while (start < formatted.size()) {
        size_t end = formatted.find('\n', start);
        if (end == std::string::npos) end = formatted.size();
        if (formatted[start] == '[') lines += formatted.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string CheckRegistry(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    RegistryHive hive;
    std::string error;
    if (!hive.Parse(text, &error)) {
        if (hive.Format() != kEmptyFile) return "a refused file left keys or values behind";
        unsigned long line = 0;
        int consumed = 0;
        if (std::sscanf(error.c_str(), "line %lu: %n", &line, &consumed) != 1 || consumed == 0 ||
            error.size() <= static_cast<size_t>(consumed)) {
            return "a refusal without a line and a reason: " + error;
        }
        size_t lines = std::count(text.begin(), text.end(), '\n') + 1;
        if (line < 1 || line > lines) return "a refusal names a line outside the file: " + error;
        return "";
    }

    std::string formatted = hive.Format();
    if (formatted.compare(0, 9, kEmptyFile) != 0) return "the written file lacks its header";
    RegistryHive reread;
    if (!reread.Parse(formatted, &error)) return "the written file is refused: " + error;
    if (reread.Format() != formatted) return "the written file reads back different";

    // Every key the file lists can be found by its path, and its parents too.
    std::string keys = KeyLinesOf(formatted);
    size_t start = 0;
    while (start < keys.size()) {
        size_t end = keys.find('\n', start);
        std::string line = keys.substr(start, end - start);
        start = end + 1;
        const std::string root = "[HKEY_CURRENT_USER";
        if (line.compare(0, root.size(), root) != 0 || line.back() != ']') {
            return "a key outside HKEY_CURRENT_USER was written";
        }
        std::string path = line.size() > root.size() + 1
                               ? line.substr(root.size() + 1, line.size() - root.size() - 2)
                               : "";
        if (hive.FindKey(path) == nullptr) return "a written key cannot be found: " + path;
        for (size_t slash = path.find('\\'); slash != std::string::npos;
             slash = path.find('\\', slash + 1)) {
            if (hive.FindKey(path.substr(0, slash)) == nullptr) return "a key without its parent";
        }
    }
    return "";
}
