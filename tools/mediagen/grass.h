// Grass tufts on the island ("models/trava.r3m") and the second grass model
// ("models/trava2.r3m"): reed clumps along the island's waterline and a
// line of trees along the lake's outer shore, one sub-mesh per clump or
// wall segment so they can be sorted by distance.
#pragma once

#include "tools/mediagen/mesh.h"

Model BuildGrass();
Model BuildReedsAndTreeLine();
