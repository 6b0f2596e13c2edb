// Overlay arithmetic: the glyph table cut from font.tga and the logo slide.
#include <gtest/gtest.h>

#include "scene/glyph_font.h"
#include "scene/logo_quad.h"

TEST(GlyphTableTest, RowsAndWidthsFollowTheFontLayout) {
    float table[kFontGlyphCount][4];
    BuildGlyphTable(256.0f, 256.0f, table);
    auto entry = [&](char c) { return table[c - kFontFirstChar]; };

    // Space has no glyph: zero width at the row's start.
    EXPECT_EQ(entry(' ')[0], 0.0f);
    EXPECT_EQ(entry(' ')[2], 0.0f);
    // '!' is first in row 0 with 20 pixels.
    EXPECT_FLOAT_EQ(entry('!')[2], 20.0f / 256.0f);
    // '0' follows the 0,20,21,0,26,0,0,15,0,0,25,33,14,20,13,0 widths of 32..47.
    EXPECT_FLOAT_EQ(entry('0')[0], 187.0f / 256.0f);
    EXPECT_FLOAT_EQ(entry('0')[2], 216.0f / 256.0f);
    EXPECT_EQ(entry('0')[1], 0.0f);
    // '2' starts row 1.
    EXPECT_EQ(entry('2')[0], 0.0f);
    EXPECT_FLOAT_EQ(entry('2')[1], 32.0f / 256.0f);
    EXPECT_FLOAT_EQ(entry('2')[3], 64.0f / 256.0f);
    EXPECT_FLOAT_EQ(entry(':')[0], (28 + 27 + 27 + 27 + 28 + 27 + 29 + 27) / 256.0f);
    // 'r' (114) starts the last row, at 224.
    EXPECT_FLOAT_EQ(entry('r')[1], 224.0f / 256.0f);
    EXPECT_FLOAT_EQ(entry('r')[3], 1.0f);
    // A smaller texture scales the whole table.
    BuildGlyphTable(128.0f, 128.0f, table);
    EXPECT_FLOAT_EQ(entry('!')[2], 20.0f / 128.0f);
}

TEST(LogoSlideTest, SlidesInStaysAndSlidesOut) {
    EXPECT_FLOAT_EQ(LogoSlideOffset(0.0f), 0.05f);
    EXPECT_FLOAT_EQ(LogoSlideOffset(0.5f), 0.025f);
    EXPECT_EQ(LogoSlideOffset(1.0f), 0.0f);
    EXPECT_EQ(LogoSlideOffset(15.0f), 0.0f);
    EXPECT_NEAR(LogoSlideOffset(15.5f), 0.025f, 1e-6f);
    EXPECT_FLOAT_EQ(LogoSlideOffset(16.0f), 0.05f);
    EXPECT_FLOAT_EQ(LogoSlideOffset(1000.0f), 0.05f);
}
