// Writes a zip archive whose every entry is deflated and protected with
// classic zip encryption. The output is the same byte for byte for the same
// entries: time stamps are fixed and the encryption header's filler bytes
// come from the entry itself instead of a random source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;  // archive-relative, '/' separators
    std::vector<uint8_t> bytes;
};

// Writes `entries` in the order given to `path`; false with a message in
// `error` on failure.
bool WriteEncryptedZip(const std::string& path, const std::vector<ZipEntry>& entries,
                       const char* password, std::string* error);
