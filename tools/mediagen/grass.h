// The two grass models. The saver draws the first ("models/trava.r3m")
// unlit by day and by night, and the second ("models/trava2.r3m") unlit by
// day and lit at night. So the first holds only what looks the same at noon
// and at midnight, dark undergrowth between the tufts, and the second holds
// everything bright: the island's grass tufts, the reed clumps along its
// waterline and the line of trees along the lake's outer shore, with normals
// that carry the moonlight (NightNormal). The second model's sub-meshes are
// sorted by distance every frame: one per patch of grass, reed clump or wall
// segment.
#pragma once

#include "tools/mediagen/mesh.h"

Model BuildUndergrowth();
Model BuildGrassReedsAndTreeLine();
