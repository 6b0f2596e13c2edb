// A model on the device: one managed vertex buffer and one 16-bit index
// buffer hold all of its sub-meshes, and each sub-mesh is one indexed
// triangle-list draw over its own range of both.
#pragma once

#include <d3d8.h>

#include "render/model.h"

// (Re)creates and fills both buffers and sets each sub-mesh's start index.
// Call it while the sub-meshes are still in file order. Outcomes are logged.
void CreateBuffers(Model& model, IDirect3DDevice8* device);

// Draws every sub-mesh in the list's current order, binding its textures to
// stages 0 and 1 first when `bindTextures` is set. Returns the failure of
// the stream or index binding; failed draws are logged and skipped.
HRESULT DrawModel(Model& model, IDirect3DDevice8* device, bool bindTextures);

// Releases both buffers and every sub-mesh; the model is empty afterwards.
// Textures belong to the texture cache and are left alone.
void ReleaseModel(Model& model);
