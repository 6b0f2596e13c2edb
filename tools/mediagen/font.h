// "texture/font.tga", the saver's bitmap font, and "texture/logo.tga", both
// drawn from the DejaVu fonts through FreeType. The font's glyphs sit in the
// fixed grid the saver cuts them from: eight rows of 32 pixels, glyphs of
// characters 32..126 left to right in the widths of kGlyphWidths, a new row
// at each code of kGlyphRowStarts.
#pragma once

#include <string>

#include "tools/mediagen/image.h"

constexpr int kGlyphRowStarts[8] = {32, 50, 60, 71, 80, 88, 104, 114};
constexpr int kGlyphWidths[95] = {
    0,  20, 21, 0,  26, 0,  0,  15, 0,  0,  25, 33, 14, 20, 13, 0,  29, 16,  // 32..49
    28, 27, 27, 27, 28, 27, 29, 27, 14, 14,                                  // 50..59
    0,  34, 0,  26, 0,  29, 27, 27, 30, 27, 27,                              // 60..70
    32, 27, 21, 27, 29, 29, 34, 28, 28,                                      // 71..79
    31, 31, 28, 28, 29, 31, 28, 32,                                          // 80..87
    31, 28, 27, 0,  0,  0,  0,  0,  0,  24, 22, 23, 24, 23, 22, 26,          // 88..103
    25, 19, 23, 24, 24, 28, 24, 23, 25, 25,                                  // 104..113
    25, 23, 25, 26, 23, 27, 24, 24, 22, 25, 0,  0,  0};                      // 114..126

// Directory of the DejaVu TrueType fonts.
constexpr const char* kFontFolder = "/usr/share/fonts/truetype/dejavu/";

// White glyphs with alpha on a transparent 256 by 256 image; false with a
// message when the font cannot be read.
bool MakeFontTexture(Image* image, std::string* error);
// The word "Velmora" on a transparent 256 by 64 image.
bool MakeLogoTexture(Image* image, std::string* error);
