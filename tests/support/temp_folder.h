// A fresh folder for one test that becomes the current directory and the
// per-user data folder (XDG_DATA_HOME) while the test runs, and is removed
// afterwards together with everything the test left in it.
#pragma once

#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string operator/(const std::string& relative) const { return path + "/" + relative; }

    // Writes `bytes` to the file at `relative`, creating folders above it.
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    std::string ReadFile(const std::string& relative) const;
    // Every file below the folder, as relative paths in sorted order.
    std::vector<std::string> ListFiles() const;

private:
    std::string path;
    std::string previousDirectory;
    std::string previousDataHome;
    bool hadDataHome = false;
};

// Runs a shell command in the current directory; returns its exit status.
int RunCommand(const std::string& command);
