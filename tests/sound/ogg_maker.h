// Test sounds: interleaved 16-bit signals, encoded to Ogg Vorbis with
// libvorbisenc and decoded back whole with vorbisfile, the reference every
// reader and the mixer are compared with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// `seconds` of a chord with a slow sweep, different in each channel, at about
// half of full scale.
std::vector<int16_t> MakeSignal(int rate, int channels, double seconds);

// The Ogg Vorbis file of `samples` (interleaved, `channels` channels).
std::string EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels);

// Every PCM byte of an Ogg file's first logical stream (16-bit little-endian).
std::string DecodeOgg(const std::string& file);
