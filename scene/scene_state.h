// Process-wide scene values: copies of the host's running time and frame time
// in seconds, written once per frame before any screen is drawn (read by the
// tree, water, particles and logo), whether the current device can do bump
// environment mapping (read by the water), and where the scene's random
// numbers come from.
#pragma once

extern float sceneTime;
extern float sceneElapsed;
extern bool bumpMapSupported;

// The scene's random draws (where the night's lights rise, a random time of
// day), each a non-negative int: the C library's rand, which the scene seeds
// with srand, unless a tool installs a generator of its own. C libraries
// differ in their rand, so a tool that compares platforms draws from one of
// its own on both.
extern int (*sceneRandom)();
