// Reading the run mode and the owner window from the command line the system
// starts a screen saver with ("/s", "/c:1234", "/p 1234", "-a 1234", ...).
#pragma once

#include <windows.h>

#include "host/saver_codes.h"

// Reads the whole command line, program path first. parentWindow receives the
// window handle that follows /c, /p or /a, or null when none is given.
ScreenSaverMode ReadCommandLine(const char* commandLine, HWND* parentWindow);
