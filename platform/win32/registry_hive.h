// The registry's HKEY_CURRENT_USER in memory and its REGEDIT4 text form.
// Key paths are relative to HKEY_CURRENT_USER ("Software\Quintaro\Velmora";
// "" is the root) and, as on Windows, key and value names compare without
// regard to ASCII case while keeping the case they were created with.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct RegistryValue {
    std::string name;  // "" is the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::string path;
    std::vector<RegistryValue> values;  // in the order they were first set

    const RegistryValue* Find(const std::string& name) const;
    RegistryValue* Find(const std::string& name);
};

class RegistryHive {
public:
    RegistryHive();

    const RegistryKey* FindKey(const std::string& path) const;
    RegistryKey* FindKey(const std::string& path);
    // Creates the key and every key above it; returns the key and whether it was new.
    RegistryKey* CreateKey(const std::string& path, bool* created);

    // REGEDIT4 text. Parse fills `error` with "line N: why" when it fails and
    // leaves the hive empty.
    bool Parse(const std::string& text, std::string* error);
    std::string Format() const;

private:
    std::map<std::string, RegistryKey> keys;  // by lower-case path
};

std::string RegistryFoldCase(const std::string& name);
// Whether a name can be stored in the text form (no line breaks or NULs).
bool RegistryNameIsStorable(const std::string& name);
