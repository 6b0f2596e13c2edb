#include "platform/win32/registry_hive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <unordered_map>

namespace {

const char kRootName[] = "HKEY_CURRENT_USER";

char FoldChar(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    }
    return true;
}

// Calls `part` with each backslash-separated part of `path` in order, folded
// to lower case in `folded`; stops and returns false when `part` does.
template <typename Part>
bool ForEachPart(const std::string& path, Part part) {
    std::string folded;
    size_t start = 0;
    for (;;) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        folded.assign(path, start, end - start);
        for (char& c : folded) c = FoldChar(c);
        if (!part(start, end - start, folded)) return false;
        if (end == path.size()) return true;
        start = end + 1;
    }
}

void FormatKey(const RegistryKey& key, std::string* path, std::string* out);

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted string starting at text[pos] == '"', with \\ and \" escapes.
bool ParseQuoted(const std::string& text, size_t* pos, std::string* out) {
    if (*pos >= text.size() || text[*pos] != '"') return false;
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= text.size()) return false;
            c = text[++i];
            if (c != '\\' && c != '"') return false;
        }
        out->push_back(c);
    }
    return false;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>* out) {
    out->clear();
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        if (i + 1 >= text.size()) return false;
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        out->push_back(static_cast<BYTE>(high * 16 + low));
        i += 2;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i < text.size()) {
            if (text[i] != ',') return false;
            ++i;
        }
    }
    return true;
}

bool ParseData(const std::string& text, RegistryValue* value) {
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string body;
        if (!ParseQuoted(text, &pos, &body) || pos != text.size()) return false;
        value->type = REG_SZ;
        value->data.assign(body.begin(), body.end());
        value->data.push_back(0);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        std::string digits = text.substr(6);
        if (digits.size() != 8) return false;
        DWORD number = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            number = number * 16 + static_cast<DWORD>(d);
        }
        value->type = REG_DWORD;
        value->data.resize(4);
        for (int i = 0; i < 4; ++i) value->data[i] = static_cast<BYTE>(number >> (8 * i));
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        value->type = REG_BINARY;
        return ParseHexBytes(text.substr(4), &value->data);
    }
    if (text.compare(0, 4, "hex(") == 0) {
        size_t close = text.find("):", 4);
        if (close == std::string::npos || close == 4 || close > 12) return false;
        DWORD type = 0;
        for (size_t i = 4; i < close; ++i) {
            int d = HexDigit(text[i]);
            if (d < 0) return false;
            type = type * 16 + static_cast<DWORD>(d);
        }
        value->type = type;
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

// A string value is written in quotes when it is text ending in one NUL;
// anything else keeps its exact bytes as hex(1).
bool IsPlainString(const RegistryValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
    for (size_t i = 0; i + 1 < value.data.size(); ++i) {
        if (value.data[i] < 0x20 || value.data[i] == 0x7f) return false;
    }
    return true;
}

std::string FormatData(const RegistryValue& value) {
    char number[32];
    if (IsPlainString(value)) {
        return Quote(std::string(value.data.begin(), value.data.end() - 1));
    }
    std::string out;
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | value.data[i];
        snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(v));
        return number;
    }
    if (value.type == REG_BINARY) {
        out = "hex:";
    } else {
        snprintf(number, sizeof number, "hex(%x):", static_cast<unsigned>(value.type));
        out = number;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
        snprintf(number, sizeof number, i == 0 ? "%02x" : ",%02x", value.data[i]);
        out += number;
    }
    return out;
}

}  // namespace

std::string RegistryFoldCase(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = FoldChar(c);
    return folded;
}

bool RegistryNameIsStorable(const std::string& name) {
    for (char c : name) {
        if (c == '\n' || c == '\r' || c == '\0') return false;
    }
    return true;
}

const RegistryValue* RegistryKey::Find(const std::string& name) const {
    for (const RegistryValue& value : values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

RegistryValue* RegistryKey::Find(const std::string& name) {
    for (RegistryValue& value : values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

const RegistryKey* RegistryHive::FindKey(const std::string& path) const {
    return const_cast<RegistryHive*>(this)->FindKey(path);
}

RegistryKey* RegistryHive::FindKey(const std::string& path) {
    RegistryKey* key = &root;
    if (path.empty()) return key;
    bool found = ForEachPart(path, [&](size_t, size_t, const std::string& folded) {
        auto child = key->subkeys.find(folded);
        if (child == key->subkeys.end()) return false;
        key = child->second.get();
        return true;
    });
    return found ? key : nullptr;
}

RegistryKey* RegistryHive::CreateKey(const std::string& path, bool* created) {
    if (created) *created = false;
    RegistryKey* key = &root;
    if (path.empty()) return key;
    // Every key above it exists too, as on Windows.
    ForEachPart(path, [&](size_t start, size_t length, const std::string& folded) {
        auto child = key->subkeys.find(folded);
        if (child == key->subkeys.end()) {
            auto made = std::make_unique<RegistryKey>();
            made->name.assign(path, start, length);
            child = key->subkeys.emplace(folded, std::move(made)).first;
            ++keyCount;
            if (created) *created = true;
        }
        key = child->second.get();
        return true;
    });
    return key;
}

bool RegistryHive::Parse(const std::string& text, std::string* error) {
    root = RegistryKey();
    keyCount = 0;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // Line ends (CRLF) and trailing blanks of hand-edited files do not matter.
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (lines.empty() && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        lines.push_back(std::move(line));
        start = end + 1;
    }
    auto fail = [&](size_t lineIndex, const char* why) {
        char message[128];
        snprintf(message, sizeof message, "line %zu: %s", lineIndex + 1, why);
        if (error) *error = message;
        root = RegistryKey();
        keyCount = 0;
        return false;
    };
    size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    // A file of blank lines lacks its header on the last of them.
    if (i >= lines.size()) return fail(lines.size() - 1, "not a REGEDIT4 file");
    if (lines[i] != "REGEDIT4") return fail(i, "not a REGEDIT4 file");
    // Where each value of each key is, by lower-case name: a value set twice
    // keeps its first place and its last data.
    std::unordered_map<const RegistryKey*, std::unordered_map<std::string, size_t>> places;
    const std::string rootName = kRootName;
    const std::string foldedRoot = RegistryFoldCase(rootName + "\\");
    RegistryKey* current = nullptr;
    for (++i; i < lines.size(); ++i) {
        size_t lineIndex = i;
        const std::string& line = lines[i];
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return fail(lineIndex, "unterminated key name");
            std::string name = line.substr(1, line.size() - 2);
            if (SameName(name, rootName)) {
                current = &root;
                continue;
            }
            if (RegistryFoldCase(name.substr(0, foldedRoot.size())) != foldedRoot) {
                return fail(lineIndex, "key outside HKEY_CURRENT_USER");
            }
            std::string path = name.substr(foldedRoot.size());
            if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
                path.find("\\\\") != std::string::npos) {
                return fail(lineIndex, "malformed key name");
            }
            if (static_cast<size_t>(std::count(path.begin(), path.end(), '\\')) >=
                kRegistryMaxDepth) {
                return fail(lineIndex, "key nested too deep");
            }
            current = CreateKey(path, nullptr);
            if (keyCount > kRegistryMaxKeys) return fail(lineIndex, "too many keys");
            continue;
        }
        if (current == nullptr) return fail(lineIndex, "value outside a key");
        RegistryValue value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, &pos, &value.name)) {
            return fail(lineIndex, "malformed value name");
        }
        if (pos >= line.size() || line[pos] != '=') return fail(lineIndex, "missing '='");
        std::string data = line.substr(pos + 1);
        // Hex data may continue on the following lines after a trailing backslash.
        while (data.compare(0, 3, "hex") == 0 && !data.empty() && data.back() == '\\') {
            data.pop_back();
            if (++i >= lines.size()) return fail(lineIndex, "unterminated hex data");
            const std::string& next = lines[i];
            size_t first = next.find_first_not_of(" \t");
            if (first != std::string::npos) data.append(next, first, std::string::npos);
        }
        if (!ParseData(data, &value)) return fail(lineIndex, "malformed value data");
        auto placed = places[current].emplace(RegistryFoldCase(value.name), current->values.size());
        if (placed.second) {
            current->values.push_back(std::move(value));
        } else {
            current->values[placed.first->second] = std::move(value);
        }
    }
    return true;
}

std::string RegistryHive::Format() const {
    std::string out = "REGEDIT4\n";
    std::string path;
    FormatKey(root, &path, &out);
    return out;
}

namespace {

// Writes `key` and the keys below it; `path` is the key's path and comes
// back as it was.
void FormatKey(const RegistryKey& key, std::string* path, std::string* out) {
    bool isRoot = path->empty();
    if (!key.values.empty() || (!isRoot && key.subkeys.empty())) {
        *out += "\n[";
        *out += kRootName;
        if (!isRoot) {
            out->push_back('\\');
            *out += *path;
        }
        *out += "]\n";
        for (const RegistryValue& value : key.values) {
            *out += value.name.empty() ? "@" : Quote(value.name);
            out->push_back('=');
            *out += FormatData(value);
            out->push_back('\n');
        }
    }
    const size_t length = path->size();
    for (const auto& entry : key.subkeys) {
        const RegistryKey& child = *entry.second;
        if (!isRoot) path->push_back('\\');
        *path += child.name;
        FormatKey(child, path, out);
        path->resize(length);
    }
}

}  // namespace
