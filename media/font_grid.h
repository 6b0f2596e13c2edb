// The grid of "texture/font.tga", which the media generator draws and the
// saver's bitmap font cuts its glyphs from: rows of 32 pixels, glyphs of
// characters 32..126 packed from the left of each row in character order, a
// new row at each code of kGlyphRowStarts.
#pragma once

// The texture is square, this many pixels on a side.
constexpr int kFontTextureSize = 256;
constexpr int kFontFirstChar = 32;
constexpr int kFontGlyphCount = 95;  // characters 32..126
constexpr int kFontRowHeight = 32;
constexpr int kFontRowCount = 8;

// The first character of each row.
constexpr int kGlyphRowStarts[kFontRowCount] = {32, 50, 60, 71, 80, 88, 104, 114};

// Pixel widths of characters 32..126; a width of 0 has no glyph and no advance.
constexpr unsigned char kGlyphWidths[kFontGlyphCount] = {
    0,  20, 21, 0,  26, 0,  0,  15, 0,  0,  25, 33, 14, 20, 13, 0,  29, 16,  // 32..49
    28, 27, 27, 27, 28, 27, 29, 27, 14, 14,                                  // 50..59
    0,  34, 0,  26, 0,  29, 27, 27, 30, 27, 27,                              // 60..70
    32, 27, 21, 27, 29, 29, 34, 28, 28,                                      // 71..79
    31, 31, 28, 28, 29, 31, 28, 32,                                          // 80..87
    31, 28, 27, 0,  0,  0,  0,  0,  0,  24, 22, 23, 24, 23, 22, 26,          // 88..103
    25, 19, 23, 24, 24, 28, 24, 23, 25, 25,                                  // 104..113
    25, 23, 25, 26, 23, 27, 24, 24, 22, 25, 0,  0,  0,                       // 114..126
};
