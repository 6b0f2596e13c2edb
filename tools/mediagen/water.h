// The lake surface ("models/water.r3m"), the foam ring along the island's
// waterline ("models/pena.r3m"), the plain water texture used where the
// device cannot bump-map ("texture/bumpwat.jpg") and the lake's own colour
// laid over what it mirrors (a sheet for the second grass model).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"

Model BuildWater();
Model BuildFoam();
Image MakeFoamTexture();
// Light blue-white ripples shaded from the bump heights.
Image MakeWaterTexture(const std::vector<uint8_t>& bumpHeights);

// The saver shows the mirror image times the water's lit colour, 5/8 of red
// and green and all of blue, which turns the mirrored sky violet. A sheet
// just under the surface, facing down, is seen only from the mirrored camera:
// over everything the lake mirrors it lays the lake's own green-blue, with
// the water's tint taken out in advance, so the reflection keeps the hues it
// mirrors, a little darker and paler. Its fourth vertex is a far corner, so
// the sheet sorts behind every other piece of its model and is drawn last.
Mesh BuildLakeBody();
Image MakeLakeBodyTexture();  // "lakebody.tga"
