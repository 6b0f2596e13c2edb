// The error file "c:\TreeError.er": a text file that only grows, one report
// appended per failure, with nothing added to the text.
#pragma once

extern const char kErrorFilePath[];

// Appends `text` to the error file, creating it first when needed. A file that
// cannot be opened loses the report silently.
void AppendErrorFile(const char* text);

// printf-style report, cut to 255 characters, appended to the error file.
void ReportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
