// "texture/font.tga", the saver's bitmap font, and "texture/logo.tga", both
// drawn from the DejaVu fonts through FreeType. The font's glyphs sit in the
// grid the saver cuts them from (media/font_grid.h).
#pragma once

#include <string>

#include "media/font_grid.h"
#include "tools/mediagen/image.h"

// Directory of the DejaVu TrueType fonts.
constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu/";

// White glyphs with alpha on a transparent 256 by 256 image; false with a
// message when the font cannot be read.
bool MakeFontTexture(Image* image, std::string* error);
// The word "Velmora" on a transparent 256 by 64 image.
bool MakeLogoTexture(Image* image, std::string* error);
