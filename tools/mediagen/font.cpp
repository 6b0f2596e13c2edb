#include "tools/mediagen/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A FreeType face that closes itself.
class FontFace {
public:
    bool Open(const std::string& file, std::string* error) {
        std::string path = std::string(kFontFolder) + file;
        if (FT_Init_FreeType(&library) != 0) {
            *error = "cannot start FreeType";
            return false;
        }
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            *error = "cannot read font " + path + " (Debian package fonts-dejavu-core)";
            return false;
        }
        return true;
    }
    ~FontFace() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
    // Renders `code` at `pixels`, widened by `stretch`; the bitmap is in
    // face->glyph->bitmap.
    bool Render(unsigned code, int pixels, float stretch = 1.0f) {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
        FT_Matrix widen = {static_cast<FT_Fixed>(std::lround(stretch * 65536.0f)), 0, 0, 0x10000};
        FT_Set_Transform(face, &widen, nullptr);
        return FT_Load_Char(face, code, FT_LOAD_RENDER) == 0;
    }
    FT_GlyphSlot Glyph() const { return face->glyph; }

private:
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// Coverage of a rendered glyph placed with its bitmap's top-left at (left, top)
// in a coverage plane of `width` by `height`, clipped to the box.
void Stamp(std::vector<float>* plane, int width, FT_GlyphSlot glyph, int left, int top, int boxLeft,
           int boxTop, int boxRight, int boxBottom) {
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned col = 0; col < bitmap.width; ++col) {
            int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
            if (x < boxLeft || x >= boxRight || y < boxTop || y >= boxBottom) continue;
            float value = bitmap.buffer[row * bitmap.pitch + col] / 255.0f;
            float& cell = (*plane)[static_cast<size_t>(y) * width + x];
            cell = std::max(cell, value);
        }
    }
}

// Writes white text with a soft dark rim into `image` from a coverage plane;
// the rim stays inside the same boxes because the plane is clipped per box.
void Compose(Image* image, const std::vector<float>& plane, const std::vector<int>& owner,
             Color top, Color bottom, int band, float rimStrength) {
    int w = image->width, h = image->height;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            float rim = 0.0f;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    size_t j = static_cast<size_t>(ny) * w + nx;
                    if (owner[j] != owner[i]) continue;
                    rim = std::max(rim, plane[j] * ((dx == 0 || dy == 0) ? 1.0f : 0.7f));
                }
            }
            float ink = plane[i];
            float alpha = ink + (1.0f - ink) * rim * rimStrength;
            if (alpha <= 0.0f || owner[i] < 0) continue;
            Color c = MixColor(top, bottom, static_cast<float>(y % band) / band);
            float lit = ink / alpha;
            image->Set(x, y, {c.r * lit, c.g * lit, c.b * lit, alpha});
        }
    }
}

}  // namespace

bool MakeFontTexture(Image* image, std::string* error) {
    FontFace face;
    if (!face.Open("DejaVuSans.ttf", error)) return false;
    // The saver advances by the whole cell and puts no space between glyphs,
    // so each glyph fills its cell but for a pixel on either side, all at one
    // height: widened or narrowed to the cell. Narrow glyphs like 'i' reach
    // the widest stretch first and stay centred in their cells.
    constexpr int kSize = kFontTextureSize, kRow = kFontRowHeight, kBaseline = 25, kPixels = 31;
    constexpr float kMostStretch = 2.6f;
    *image = Image(kSize, kSize);
    std::vector<float> plane(kSize * kSize, 0.0f);
    std::vector<int> owner(kSize * kSize, -1);
    int x = 0, rowTop = 0, row = 0;
    for (int code = kFontFirstChar; code < kFontFirstChar + kFontGlyphCount; ++code) {
        if (row + 1 < kFontRowCount && code == kGlyphRowStarts[row + 1]) {
            ++row;
            rowTop += kRow;
            x = 0;
        }
        int width = kGlyphWidths[code - kFontFirstChar];
        if (width > 0) {
            for (int yy = rowTop; yy < rowTop + kRow; ++yy) {
                for (int xx = x; xx < x + width; ++xx) owner[yy * kSize + xx] = code;
            }
            const int fill = width - 2;
            float stretch = 1.0f;
            for (int attempt = 0; attempt < 4; ++attempt) {
                if (!face.Render(static_cast<unsigned>(code), kPixels, stretch)) break;
                int inked = static_cast<int>(face.Glyph()->bitmap.width);
                if (inked == fill || inked == 0 || (stretch >= kMostStretch && inked < fill)) break;
                stretch = std::min(kMostStretch, stretch * static_cast<float>(fill) / inked);
            }
            // Rounding can leave the ink a pixel too wide: narrow it until it fits.
            while (static_cast<int>(face.Glyph()->bitmap.width) > fill && stretch > 0.3f) {
                stretch *= 0.97f;
                face.Render(static_cast<unsigned>(code), kPixels, stretch);
            }
            FT_GlyphSlot glyph = face.Glyph();
            int left = x + (width - static_cast<int>(glyph->bitmap.width)) / 2;
            int top = rowTop + kBaseline - glyph->bitmap_top;
            Stamp(&plane, kSize, glyph, left, top, x, rowTop, x + width, rowTop + kRow);
        }
        x += width;
    }
    // A rim under half opaque: it darkens the free pixel beside each glyph
    // without filling it.
    Compose(image, plane, owner, {1, 1, 1, 1}, {1, 1, 1, 1}, kRow, 0.45f);
    return true;
}

bool MakeLogoTexture(Image* image, std::string* error) {
    FontFace face;
    if (!face.Open("DejaVuSerif-Bold.ttf", error)) return false;
    constexpr int kWidth = 256, kHeight = 64;
    const char* word = "Velmora";
    // The largest size at which the word fits with a margin.
    int pixels = 52, advance = 0;
    for (;; --pixels) {
        advance = 0;
        for (const char* c = word; *c; ++c) {
            face.Render(static_cast<unsigned char>(*c), pixels);
            advance += static_cast<int>(face.Glyph()->advance.x >> 6);
        }
        if ((advance <= kWidth - 16 && pixels <= 48) || pixels <= 12) break;
    }
    *image = Image(kWidth, kHeight);
    std::vector<float> plane(kWidth * kHeight, 0.0f);
    std::vector<int> owner(kWidth * kHeight, 0);
    int pen = (kWidth - advance) / 2, baseline = kHeight / 2 + pixels * 7 / 20;
    for (const char* c = word; *c; ++c) {
        face.Render(static_cast<unsigned char>(*c), pixels);
        FT_GlyphSlot glyph = face.Glyph();
        Stamp(&plane, kWidth, glyph, pen + glyph->bitmap_left, baseline - glyph->bitmap_top, 0, 0,
              kWidth, kHeight);
        pen += static_cast<int>(glyph->advance.x >> 6);
    }
    Compose(image, plane, owner, {1.0f, 1.0f, 0.97f, 1}, {0.96f, 0.84f, 0.55f, 1}, kHeight, 0.6f);
    return true;
}
