// The shell's "open" verb, through the desktop's xdg-open.
#pragma once

#include <windows.h>

HINSTANCE ShellExecute(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                       LPCSTR directory, INT showCommand);
