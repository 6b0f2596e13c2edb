// Deterministic randomness for the generators: a small permuted congruential
// generator and lattice value noise, so every build makes the same world.
#pragma once

#include <cstdint>

class Random {
public:
    explicit Random(uint64_t seed) : state(seed * 2862933555777941757ull + 3037000493ull) {
        Next();
    }

    uint32_t Next() {
        uint64_t old = state;
        state = old * 6364136223846793005ull + 1442695040888963407ull;
        uint32_t shifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        uint32_t rotation = static_cast<uint32_t>(old >> 59u);
        return (shifted >> rotation) | (shifted << ((32u - rotation) & 31u));
    }
    // Uniform in [0, 1).
    float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float low, float high) { return low + (high - low) * Unit(); }
    int Below(int count) { return static_cast<int>(Next() % static_cast<uint32_t>(count)); }

private:
    uint64_t state;
};

// Hash of integer lattice coordinates to [0, 1).
float LatticeValue(int x, int y, uint32_t seed);
// Smooth value noise in [0, 1]; `period` > 0 wraps the lattice in x, and in
// y too unless `periodY` gives y its own period.
float ValueNoise(float x, float y, uint32_t seed, int period = 0, int periodY = 0);
// Sum of `octaves` noise layers, each twice as fine and half as strong, in [0, 1].
float FractalNoise(float x, float y, int octaves, uint32_t seed, int period = 0, int periodY = 0);

float Clamp01(float value);
float SmoothStep(float edge0, float edge1, float value);
float Mix(float a, float b, float t);
