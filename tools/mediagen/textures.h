// Material textures: bark, rock, grass blades, reeds, leaf clusters by day
// and night, the distant tree line, the glow sprite, the light column, fog.
#pragma once

#include "tools/mediagen/image.h"

Image MakeBarkTexture();                           // "bark.jpg"
Image MakeRockTexture();                           // "rock.jpg"
Image MakeGrassTexture();                          // "grass.tga", blades with alpha
Image MakeUndergrowthTexture();                    // "undergrowth.tga", short dark blades
Image MakeReedsTexture();                          // "reeds.tga"
Image MakeLeafTexture(bool night);                 // "ftr05tp.tga", "ftr05tp_n.tga"
Image MakeTreeWallTexture(int width, int height);  // "treewallsmall.tga", "treewall0.tga"
Image MakeSpriteGlowTexture();                     // "env0.bmp": a round glow on black
Image MakeBeamTexture();                           // "beam.tga": the light column's shells
Image MakeFogTexture();                            // "fog.tga"
