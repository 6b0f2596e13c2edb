// The island (ground and rocks, lit at run time) and the shore and hills
// around the lake (drawn unlit by day, so their sunlight is baked into the
// colour maps).
#pragma once

#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"

Mesh BuildIslandGround();    // names "island.jpg"
Mesh BuildRocks();           // names "rock.jpg"
Model BuildShoreAndHills();  // name "shore.jpg" (near) and "hills.jpg" (far)

Image MakeIslandTexture();
Image MakeShoreTexture();
Image MakeHillsTexture();
