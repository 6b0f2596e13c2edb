// "sound/ocean.ogg": small waves on a calm lake shore, a 24-second stereo
// loop at 44 100 Hz whose end runs straight into its start, encoded as Ogg
// Vorbis with fixed settings so every build writes the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kOceanRate = 44100;
constexpr int kOceanSeconds = 24;

// Interleaved stereo samples in -1..1, exactly kOceanRate * kOceanSeconds frames.
std::vector<float> SynthesiseShore();
// Encodes interleaved stereo samples at kOceanRate; false with a message on failure.
bool EncodeOggVorbis(const std::vector<float>& samples, std::vector<uint8_t>* out,
                     std::string* error);
