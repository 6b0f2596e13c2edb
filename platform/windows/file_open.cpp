// Windows paths are native here: the file opens as named.
#include "win32_files.h"

FILE* Win32OpenFile(const char* windowsPath, const char* mode) {
    return std::fopen(windowsPath, mode);
}
