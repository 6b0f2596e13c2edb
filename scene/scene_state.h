// Process-wide scene values: copies of the host's running time and frame time
// in seconds, written once per frame before any screen is drawn (read by the
// tree, water, particles and logo), and whether the current device can do
// bump environment mapping (read by the water).
#pragma once

extern float sceneTime;
extern float sceneElapsed;
extern bool bumpMapSupported;
