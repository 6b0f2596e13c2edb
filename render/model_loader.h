// The R3M reader. An R3M file is a headerless list of sub-mesh records:
//   int32 flag | char[50] first name | char[50] second name (flag > 0 only) |
//   int32 V | int32 T | V file vertices of 40 bytes | T triangles of 3 int32
// running to the end of the data or to a record whose first name is empty.
// File vertices are Z-up; they are turned into the program's Y-up frame.
//
// Malformed data ends the load: the model keeps the records read before the
// first bad one. A record is bad when it is cut off by the end of the data,
// when a name field has no NUL in its 50 bytes, when its flag or a count is
// negative, when its arrays need more bytes than are left, when a triangle
// uses a vertex outside the record, or when it would take the model past
// 65536 vertices. Nothing is allocated for a record before its sizes have
// been checked against the bytes left.
#pragma once

#include <cstdint>

#include "render/model.h"

class TextureCache;

// Reads the media file `name` into the empty `model` and registers its
// texture names with `textures`. A missing file logs "Unable to load data
// from zip" + name and leaves the model empty. False when the file was
// missing or malformed (the model then holds the records before the fault).
bool LoadModel(Model& model, const char* name, TextureCache& textures);

// The same from bytes already in memory.
bool LoadModelFromBytes(Model& model, const char* bytes, uint32_t size, TextureCache& textures);

// One file vertex (x, y, z, nx, ny, nz, tu1, tv1, tu2, tv2 with Z up) in the
// program's frame: (x, z, -y), the same for normals, both tv flipped.
ModelVertex ConvertFileVertex(const ModelVertex& fileVertex);
