// Values that reads of one registry key see in place of the stored ones, for
// this process only: the settings of one run given on the command line.
// Writes still go to the registry file, and reads of other keys and values
// are untouched.
#pragma once

#include <windows.h>

#include <string>

// `keyPath` is below HKEY_CURRENT_USER ("Software\\Maker\\Program"); key and
// value names compare without regard to case, as the registry's do.
void Win32OverrideRegistryDword(const std::string& keyPath, const std::string& valueName,
                                DWORD value);
