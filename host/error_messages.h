// Which string of the program's string table explains a result code.
#pragma once

#include <windows.h>

// The general message, used for every code without one of its own.
constexpr UINT GeneralErrorStringId = 2100;

UINT ErrorStringId(HRESULT code);
