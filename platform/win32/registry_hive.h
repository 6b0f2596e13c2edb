// The registry's HKEY_CURRENT_USER in memory and its REGEDIT4 text form.
// Key paths are relative to HKEY_CURRENT_USER ("Software\Quintaro\Velmora";
// "" is the root) and, as on Windows, key and value names compare without
// regard to ASCII case while keeping the case they were created with. Keys
// form a tree, so reading a file costs time in proportion to its length
// however deep or wide its keys are.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

struct RegistryValue {
    std::string name;  // "" is the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::string name;                   // the last part of its path; "" for the root
    std::vector<RegistryValue> values;  // in the order they were first set
    std::map<std::string, std::unique_ptr<RegistryKey>> subkeys;  // by lower-case name

    const RegistryValue* Find(const std::string& name) const;
    RegistryValue* Find(const std::string& name);
};

class RegistryHive {
public:
    const RegistryKey* FindKey(const std::string& path) const;
    RegistryKey* FindKey(const std::string& path);
    // Creates the key and every key above it; returns the key and whether it was new.
    RegistryKey* CreateKey(const std::string& path, bool* created);

    // REGEDIT4 text. Parse fills `error` with "line N: why" when it fails and
    // leaves the hive empty; more than kRegistryMaxKeys keys is a failure. Format leaves out keys that hold no values but
    // have subkeys: reading a subkey creates every key above it.
    bool Parse(const std::string& text, std::string* error);
    std::string Format() const;

    // Keys below the root.
    size_t KeyCount() const { return keyCount; }

private:
    RegistryKey root;
    size_t keyCount = 0;
};

// As on Windows, a key lies at most this many levels below the root. A file
// of settings with more keys than kRegistryMaxKeys is taken for damage: each
// key costs far more memory than the text that names it.
constexpr size_t kRegistryMaxDepth = 512;
constexpr size_t kRegistryMaxKeys = 65536;

std::string RegistryFoldCase(const std::string& name);
// Whether a name can be stored in the text form (no line breaks or NULs).
bool RegistryNameIsStorable(const std::string& name);
