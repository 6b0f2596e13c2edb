// The island's ground and rocks, and the shore and hills around the lake:
// all drawn unlit by day and lit at night, so the sunlight is baked into
// their colour maps and their normals carry the moonlight (NightNormal).
#pragma once

#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"

Mesh BuildIslandGround();    // names "island.jpg"
Mesh BuildRocks();           // names "rock.jpg"
Model BuildShoreAndHills();  // name "shore.jpg" (near) and "hills.jpg" (far)

// The ridge of the hills as seen from the lake wears a thin see-through
// fringe ("hillcrest.tga", for the second grass model): the hills' own colour
// fading out upwards over a fraction of a degree, so their outline against
// the sky, and in the 512 by 512 mirror image stretched over the screen, is a
// gradient that filtering smooths rather than a row of steps.
Mesh BuildHillCrestFringe();

Image MakeIslandTexture();
Image MakeHillCrestTexture();
Image MakeShoreTexture();
Image MakeHillsTexture();
