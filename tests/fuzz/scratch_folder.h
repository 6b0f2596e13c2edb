// A private folder for the checks whose readers take a file rather than
// bytes. It is made once per process and removed when the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The folder's absolute path.
const std::string& ScratchFolder();

// Writes the bytes to `relative` inside the folder, making the folders above
// it; returns the file's absolute path.
std::string WriteScratchFile(const std::string& relative, const uint8_t* data, size_t size);

// Makes the scratch folder the current directory for its lifetime, for
// readers that look up files relative to it.
class InScratchFolder {
public:
    InScratchFolder();
    ~InScratchFolder();
    InScratchFolder(const InScratchFolder&) = delete;
    InScratchFolder& operator=(const InScratchFolder&) = delete;

private:
    int previous = -1;
};
