// The saver's log sink. Loaders hand it one line per event; it keeps none of
// them and never creates a file, so nothing the saver does depends on it.
#pragma once

#include <fstream>

class LogFile : public std::ofstream {
public:
    // Registers the new log as the process-wide one; the file is not opened.
    explicit LogFile(const char* fileName);
    ~LogFile() override;
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Discards the line. Virtual only so that tests can watch what is written.
    virtual void WriteLine(const char* text);
};

// The process-wide log, or null before the scene creates it and after it ends.
LogFile* GetLog();
