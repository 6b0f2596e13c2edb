#include "error_file.h"

#include <windows.h>
#include "win32_files.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

const char kErrorFilePath[] = "c:\\TreeError.er";

void AppendErrorFile(const char* text) {
    FILE* file = Win32OpenFile(kErrorFilePath, "r+");
    if (file == nullptr) file = Win32OpenFile(kErrorFilePath, "w");
    if (file == nullptr) return;
    std::fseek(file, 0, SEEK_END);
    std::fwrite(text, 1, std::strlen(text), file);
    std::fclose(file);
}

void ReportError(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    AppendErrorFile(buffer);
}
