// A log for tests: registered as the process-wide log like the real one, it
// keeps every line it is handed so tests can check them.
#pragma once

#include <string>
#include <vector>

#include "media/log_file.h"

class RecordingLog : public LogFile {
public:
    RecordingLog() : LogFile("log.txt") {}
    void WriteLine(const char* text) override { lines.emplace_back(text); }

    std::vector<std::string> lines;
};
