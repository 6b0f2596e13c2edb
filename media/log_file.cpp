#include "log_file.h"

namespace {
LogFile* currentLog = nullptr;
}

LogFile::LogFile(const char*) {
    currentLog = this;
}

LogFile::~LogFile() {
    if (currentLog == this) currentLog = nullptr;
    close();
}

void LogFile::WriteLine(const char*) {}

LogFile* GetLog() {
    return currentLog;
}
