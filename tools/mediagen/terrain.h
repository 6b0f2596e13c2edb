// The island's ground and rocks, and the shore and hills around the lake:
// all drawn unlit by day and lit at night, so the sunlight is baked into
// their colour maps and their normals carry the moonlight (NightNormal).
#pragma once

#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"

Mesh BuildIslandGround();    // names "island.jpg"
Mesh BuildRocks();           // names "rock.jpg"
Model BuildShoreAndHills();  // name "shore.jpg" (near) and "hills.jpg" (far)

Image MakeIslandTexture();
Image MakeShoreTexture();
Image MakeHillsTexture();
