// Windows file paths on a POSIX file system. The saver names some files the
// Windows way ("media\models\tree.r3m", "c:\TreeError.er") and opens those
// with Win32OpenFile, which maps the path (the Windows build has the same
// call, on native paths):
//   - every '\' becomes '/';
//   - a drive path "x:\..." lands under the per-user folder
//     $XDG_DATA_HOME/velmora/drive_x/ (~/.local/share/velmora/drive_x/ when
//     XDG_DATA_HOME is unset), created on demand when a file is written;
//   - only a regular file opens, and opening never waits: a folder (as on
//     Windows), a FIFO, a socket or a device is refused with a line on
//     standard error.
#pragma once

#include <cstdio>
#include <string>

// The POSIX path that a Windows path names (see above).
std::string Win32MapPath(const char* windowsPath);

// fopen with the path mapped; null with errno set on failure.
FILE* Win32OpenFile(const char* windowsPath, const char* mode);
