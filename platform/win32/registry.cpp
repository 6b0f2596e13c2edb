// RegCreateKeyEx and friends on the registry file. An open key is a small
// record of its path and access rights; the values themselves are always read
// from and written to the file, so every process sees every other's changes.
#include <windows.h>

#include "platform/win32/registry_overrides.h"
#include "platform/win32/registry_store.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>

namespace {

struct OpenKey {
    std::string path;
    REGSAM access;
};

std::mutex handleLock;
std::unordered_set<OpenKey*>& OpenKeys() {
    static std::unordered_set<OpenKey*> keys;
    return keys;
}

// The path and rights behind a handle; false for a handle that is not open.
bool Resolve(HKEY handle, OpenKey* out) {
    if (handle == HKEY_CURRENT_USER) {
        *out = {"", KEY_ALL_ACCESS};
        return true;
    }
    std::lock_guard<std::mutex> hold(handleLock);
    auto* key = reinterpret_cast<OpenKey*>(handle);
    if (OpenKeys().count(key) == 0) return false;
    *out = *key;
    return true;
}

// Overridden values by folded key path and folded value name.
std::mutex overrideLock;
std::map<std::pair<std::string, std::string>, DWORD>& Overrides() {
    static std::map<std::pair<std::string, std::string>, DWORD> values;
    return values;
}

bool FindOverride(const std::string& path, const std::string& name, DWORD* value) {
    std::lock_guard<std::mutex> hold(overrideLock);
    if (Overrides().empty()) return false;
    auto found = Overrides().find({RegistryFoldCase(path), RegistryFoldCase(name)});
    if (found == Overrides().end()) return false;
    *value = found->second;
    return true;
}

HKEY NewHandle(const std::string& path, REGSAM access) {
    auto* key = new OpenKey{path, access};
    std::lock_guard<std::mutex> hold(handleLock);
    OpenKeys().insert(key);
    return reinterpret_cast<HKEY>(key);
}

// The full path of `sub` below `parent`; false when `sub` is not a valid key
// name (empty parts, a leading backslash, parts over 255 characters) or the
// key would lie deeper than the registry allows.
bool JoinPath(const std::string& parent, LPCSTR sub, std::string* out) {
    std::string relative = sub != nullptr ? sub : "";
    if (!relative.empty() && relative.back() == '\\') relative.pop_back();
    *out = parent;
    if (relative.empty()) return true;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('\\', start);
        if (end == std::string::npos) end = relative.size();
        std::string part = relative.substr(start, end - start);
        if (part.empty() || part.size() > 255 || !RegistryNameIsStorable(part)) return false;
        start = end + 1;
    }
    *out = parent.empty() ? relative : parent + "\\" + relative;
    return static_cast<size_t>(std::count(out->begin(), out->end(), '\\')) < kRegistryMaxDepth;
}

}  // namespace

void Win32OverrideRegistryDword(const std::string& keyPath, const std::string& valueName,
                                DWORD value) {
    std::lock_guard<std::mutex> hold(overrideLock);
    Overrides()[{RegistryFoldCase(keyPath), RegistryFoldCase(valueName)}] = value;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR /*lpClass*/,
                            DWORD /*dwOptions*/, REGSAM samDesired,
                            const LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    OpenKey parent;
    if (!Resolve(hKey, &parent)) return ERROR_INVALID_HANDLE;
    if (phkResult == nullptr || Reserved != 0) return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!JoinPath(parent.path, lpSubKey, &path)) return ERROR_INVALID_PARAMETER;
    bool created = false;
    LONG result = registry_store::Read([&](const RegistryHive& hive) {
        created = hive.FindKey(path) == nullptr;
        return ERROR_SUCCESS;
    });
    if (result == ERROR_SUCCESS && created) {
        // Another process may have made it in the meantime; the file decides.
        result = registry_store::Update([&](RegistryHive& hive, bool* changed) {
            hive.CreateKey(path, changed);
            created = *changed;
            return ERROR_SUCCESS;
        });
    }
    if (result != ERROR_SUCCESS) return result;
    *phkResult = NewHandle(path, samDesired);
    if (lpdwDisposition != nullptr) {
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                          PHKEY phkResult) {
    OpenKey parent;
    if (!Resolve(hKey, &parent)) return ERROR_INVALID_HANDLE;
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    std::string path;
    if (!JoinPath(parent.path, lpSubKey, &path)) return ERROR_INVALID_PARAMETER;
    LONG result = registry_store::Read([&](const RegistryHive& hive) {
        return hive.FindKey(path) != nullptr ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
    if (result != ERROR_SUCCESS) return result;
    *phkResult = NewHandle(path, samDesired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
    OpenKey key;
    if (!Resolve(hKey, &key)) return ERROR_INVALID_HANDLE;
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((key.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    std::string name = lpValueName != nullptr ? lpValueName : "";
    if (DWORD overridden = 0; FindOverride(key.path, name, &overridden)) {
        if (lpType != nullptr) *lpType = REG_DWORD;
        if (lpcbData == nullptr) return ERROR_SUCCESS;
        if (lpData != nullptr && *lpcbData < sizeof overridden) {
            *lpcbData = sizeof overridden;
            return ERROR_MORE_DATA;
        }
        if (lpData != nullptr) memcpy(lpData, &overridden, sizeof overridden);
        *lpcbData = sizeof overridden;
        return ERROR_SUCCESS;
    }
    return registry_store::Read([&](const RegistryHive& hive) -> LONG {
        const RegistryKey* found = hive.FindKey(key.path);
        const RegistryValue* value = found != nullptr ? found->Find(name) : nullptr;
        if (value == nullptr) return ERROR_FILE_NOT_FOUND;
        if (lpType != nullptr) *lpType = value->type;
        DWORD size = static_cast<DWORD>(value->data.size());
        if (lpcbData == nullptr) return ERROR_SUCCESS;
        if (lpData == nullptr) {
            *lpcbData = size;
            return ERROR_SUCCESS;
        }
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        if (size != 0) memcpy(lpData, value->data.data(), size);
        *lpcbData = size;
        return ERROR_SUCCESS;
    });
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
    OpenKey key;
    if (!Resolve(hKey, &key)) return ERROR_INVALID_HANDLE;
    if (lpData == nullptr && cbData != 0) return ERROR_INVALID_PARAMETER;
    if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    std::string name = lpValueName != nullptr ? lpValueName : "";
    if (!RegistryNameIsStorable(name) || name.size() > 16383) return ERROR_INVALID_PARAMETER;
    RegistryValue value;
    value.name = name;
    value.type = dwType;
    if (cbData != 0) value.data.assign(lpData, lpData + cbData);
    return registry_store::Update([&](RegistryHive& hive, bool* changed) {
        // The key comes back if another process's damaged file took it away.
        RegistryKey* target = hive.CreateKey(key.path, nullptr);
        RegistryValue* existing = target->Find(name);
        if (existing != nullptr && existing->type == value.type && existing->data == value.data) {
            return ERROR_SUCCESS;
        }
        if (existing != nullptr) {
            existing->type = value.type;
            existing->data = value.data;
        } else {
            target->values.push_back(value);
        }
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    OpenKey key;
    if (!Resolve(hKey, &key)) return ERROR_INVALID_HANDLE;
    if ((key.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    std::string name = lpValueName != nullptr ? lpValueName : "";
    return registry_store::Update([&](RegistryHive& hive, bool* changed) -> LONG {
        RegistryKey* target = hive.FindKey(key.path);
        if (target == nullptr || target->Find(name) == nullptr) return ERROR_FILE_NOT_FOUND;
        for (auto it = target->values.begin(); it != target->values.end(); ++it) {
            if (RegistryFoldCase(it->name) == RegistryFoldCase(name)) {
                target->values.erase(it);
                break;
            }
        }
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> hold(handleLock);
    auto* key = reinterpret_cast<OpenKey*>(hKey);
    if (OpenKeys().erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}
