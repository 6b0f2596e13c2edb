// The scene's shared clocks: copies of the host's running time and frame
// time in seconds, written once per frame before any screen is drawn, read by
// the tree, water, particles and logo.
#pragma once

extern float sceneTime;
extern float sceneElapsed;
