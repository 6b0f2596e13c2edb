// Modules by name: the program itself and "USER32" (whose multi-monitor
// functions GetProcAddress finds). Other libraries, such as the Windows 9x
// password services "PASSWORD.CPL" and "MPR.DLL", do not exist here.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <strings.h>
#include <string>

#include "platform/win32/monitor_seams.h"

namespace {

struct Module {
    int tag;
};
Module programModule{1};
Module user32Module{2};

std::atomic<bool> multiMonitorHidden{false};

// "user32", "USER32.DLL" and "User32.dll" all name the same module.
bool NamesUser32(LPCSTR name) {
    if (name == nullptr) return false;
    std::string base = name;
    size_t slash = base.find_last_of("\\/");
    if (slash != std::string::npos) base = base.substr(slash + 1);
    return strcasecmp(base.c_str(), "user32") == 0 || strcasecmp(base.c_str(), "user32.dll") == 0;
}

// Through the generic function-pointer type, which converts to any other.
template <typename F>
FARPROC AsProc(F function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Export {
    const char* name;
    FARPROC procedure;
    bool multiMonitor;
};

FARPROC FindUser32Export(LPCSTR name) {
    static const Export exports[] = {
        {"GetSystemMetrics", AsProc(&GetSystemMetrics), true},
        {"MonitorFromWindow", AsProc(&MonitorFromWindow), true},
        {"MonitorFromRect", AsProc(&MonitorFromRect), true},
        {"MonitorFromPoint", AsProc(&MonitorFromPoint), true},
        {"EnumDisplayMonitors", AsProc(&EnumDisplayMonitors), true},
        {"GetMonitorInfoA", AsProc(&GetMonitorInfo), true},
        {"EnumDisplayDevicesA", AsProc(&EnumDisplayDevices), true},
        {"EnumDisplaySettingsA", AsProc(&EnumDisplaySettings), false},
        {"SystemParametersInfoA", AsProc(&SystemParametersInfo), false},
    };
    for (const Export& e : exports) {
        if (std::strcmp(e.name, name) != 0) continue;
        if (e.multiMonitor && multiMonitorHidden) return nullptr;
        return e.procedure;
    }
    return nullptr;
}

}  // namespace

void Win32HideMultiMonitorFunctions(bool hide) {
    multiMonitorHidden = hide;
}

HMODULE GetModuleHandle(LPCSTR moduleName) {
    if (moduleName == nullptr) return reinterpret_cast<HMODULE>(&programModule);
    if (NamesUser32(moduleName)) return reinterpret_cast<HMODULE>(&user32Module);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HMODULE LoadLibrary(LPCSTR fileName) {
    if (NamesUser32(fileName)) return reinterpret_cast<HMODULE>(&user32Module);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    return module == reinterpret_cast<HMODULE>(&user32Module) ? TRUE : FALSE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    // Lookups by ordinal (a number below 0x10000) find nothing here.
    if (procName == nullptr || reinterpret_cast<uintptr_t>(procName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC found = nullptr;
    if (module == reinterpret_cast<HMODULE>(&user32Module)) found = FindUser32Export(procName);
    if (found == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return found;
}
