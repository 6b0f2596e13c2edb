// The lake surface ("models/water.r3m"), the foam ring along the island's
// waterline ("models/pena.r3m") and the plain water texture used where the
// device cannot bump-map ("texture/bumpwat.jpg").
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
