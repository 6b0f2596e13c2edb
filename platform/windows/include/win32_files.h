// The saver's call for files it names the Windows way ("media\models\tree.r3m",
// "c:\TreeError.er"). On Windows those are the system's own paths, so the
// call is fopen itself; the Linux platform maps them.
#pragma once

#include <cstdio>

// fopen of a Windows path; null with errno set on failure.
FILE* Win32OpenFile(const char* windowsPath, const char* mode);
