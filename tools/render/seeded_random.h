// The renderer's own random generator for the scene's draws (a PCG32), so
// that a seed gives the same particles whichever C library the program was
// built with.
#pragma once

#include <cstdint>

// Makes the scene draw from the generator, started at `seed`.
void InstallSeededRandom(uint32_t seed);
// Gives the scene back what it drew from before.
void RemoveSeededRandom();
