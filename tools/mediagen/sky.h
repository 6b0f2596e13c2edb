// The sky box ("models/sky.r3m"): five inward-facing faces bk, fr, lf, rt
// and up (no bottom: the water and the shore cover everything below the
// horizon) and their day and night pictures, "cubescene_XX.jpg" and
// "cubescene_XX_n.jpg". Each texel is painted from the direction it is
// seen in, so the faces meet without seams.
#pragma once

#include <string>

#include "tools/mediagen/image.h"
#include "tools/mediagen/mesh.h"

Model BuildSky();
Image MakeSkyFace(int face, bool night);
