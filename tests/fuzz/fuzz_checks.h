// The promises each parser keeps for any input bytes at all, one check per
// fuzz target. A check returns an empty string when every promise holds, else
// a description of the first broken one. The libFuzzer programs and the corpus
// replay test run the same checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Media archive: the bytes as an archive file, every entry read with the
// archive password.
std::string CheckArchive(const uint8_t* data, size_t size);
// Image decoders: the bytes as a BMP, JPEG or TGA file.
std::string CheckImage(const uint8_t* data, size_t size);
// Ogg Vorbis reader: the bytes as a sound file in the loose media folder.
std::string CheckOgg(const uint8_t* data, size_t size);
// WAVE reader: the bytes as a sound file on disk.
std::string CheckWav(const uint8_t* data, size_t size);
// Registry file: the bytes as the text of the registry file.
std::string CheckRegistry(const uint8_t* data, size_t size);
// Command line: the bytes as the text the saver is started with.
std::string CheckCommandLine(const uint8_t* data, size_t size);
// Model reader: the bytes as a model file.
std::string CheckModel(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;  // also the corpus folder tests/fuzz/corpus/<name>
    std::string (*check)(const uint8_t* data, size_t size);
};

const std::vector<FuzzTarget>& FuzzTargets();
// The target of that name, or null.
const FuzzTarget* FindFuzzTarget(const std::string& name);
