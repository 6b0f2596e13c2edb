// Test and tool hooks of the Direct3D 8 stand-in. Only tests and tools
// (the soak run) include this.
#pragma once

#include <d3d8.h>

#include <cstddef>

// The number of live Direct3D objects, devices, textures, buffers and state
// blocks; zero once everything made has been released.
long D3D8LiveObjectCount();

// Forces `device` into the lost state, as hiding its full-screen window does,
// or lets it leave that state; once it has left, TestCooperativeLevel answers
// D3DERR_DEVICENOTRESET until Reset. `device` must come from this stand-in.
void D3D8ForceDeviceLost(IDirect3DDevice8* device, bool lost);

// How many fixed-function programs `device` has built so far.
size_t D3D8ProgramCount(IDirect3DDevice8* device);
