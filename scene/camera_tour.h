// The camera tour: seven preset viewpoints around the lake, a cut to the next
// one every cameraChangeDelay + 5 seconds, and a day/night flip after every
// seventh cut. Within a preset one coordinate swings slowly with the running
// time, so two visits of a preset show different positions.
#pragma once

#include <d3dx8.h>

constexpr int kCameraPresetCount = 7;

// Adds `elapsed` to `cameraTimer`; past the delay (strictly; the delay is
// taken within 0..40 first) moves to the next preset and resets the timer,
// dropping the excess. Returns true when the tour wrapped from the last
// preset to the first: time to flip day and night.
bool AdvanceCameraTimer(int* cameraIndex, float* cameraTimer, float elapsed, int cameraChangeDelay);

// Eye and target of preset `index` (0..6) at running time `appTime`.
void CameraPresetAt(int index, float appTime, D3DXVECTOR3* eye, D3DXVECTOR3* target);

// The view for the water's reflection pass: the world mirrored in the plane
// y = 0 with the camera's vertical axis flipped.
void MirrorViewMatrix(const D3DXMATRIX& view, D3DXMATRIX* mirrored);
