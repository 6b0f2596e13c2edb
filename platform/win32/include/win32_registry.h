// The registry subset the saver uses: keys and values under HKEY_CURRENT_USER,
// with Windows' names, signatures, result codes and size rules. On Linux the
// hive is the REGEDIT4 text file $XDG_CONFIG_HOME/velmora/registry.reg
// (~/.config/velmora/registry.reg when XDG_CONFIG_HOME is unset). Every change
// re-reads the file and writes it back atomically under an exclusive lock, so
// several processes may share it; reads never wait for the lock, and a change
// that cannot get it within about 2 s fails with ERROR_LOCK_VIOLATION. A file
// that cannot be parsed (or is larger than 16 MiB) is renamed with a
// ".damaged" suffix and left for the user, never overwritten.
#pragma once

#include "win32_types.h"

typedef HKEY* PHKEY;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

// Predefined root; the only one this registry holds.
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)((LONG)0x80000001))

// Registry-specific system error codes; the common ones are in win32_types.h.
#define ERROR_BADDB 1009
#define ERROR_CANTREAD 1012
#define ERROR_CANTWRITE 1013


// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

// Access rights.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

// Options and dispositions of RegCreateKeyEx.
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            const LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition);
LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult);
LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData);
LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData);
LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
LONG WINAPI RegCloseKey(HKEY hKey);

#define RegCreateKeyEx RegCreateKeyExA
#define RegOpenKeyEx RegOpenKeyExA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
#define RegDeleteValue RegDeleteValueA
