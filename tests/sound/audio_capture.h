// Test audio output: SDL's dummy driver (discards, in real time) or its disk
// driver, which writes the mixed device output to a raw file that the test
// reads back as 16-bit stereo samples.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline void UseDummyAudio() {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

inline void UseDiskAudio(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
}

// No audio device at all.
inline void UseNoAudio() {
    setenv("SDL_AUDIODRIVER", "velmora-none", 1);
}

inline std::vector<int16_t> ReadSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
}

inline std::vector<int16_t> ToSamples(const std::string& pcm) {
    std::vector<int16_t> samples(pcm.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(pcm[2 * i]) |
                                          (static_cast<uint8_t>(pcm[2 * i + 1]) << 8));
    return samples;
}

// Index of the first non-zero sample, or the size when all are zero.
inline size_t FirstSound(const std::vector<int16_t>& samples, size_t from = 0) {
    size_t i = from;
    while (i < samples.size() && samples[i] == 0) ++i;
    return i;
}
