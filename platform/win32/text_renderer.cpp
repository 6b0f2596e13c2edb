// DrawText: the system font (DejaVu Sans through FreeType) laid out in lines,
// word-wrapped and aligned as asked, blended into the device context's pixels.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/gdi_objects.h"

namespace {

constexpr const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kPixelSize = 13;

struct Glyph {
    bool loaded = false;
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

// The one font, its metrics and the glyphs of the 256 narrow characters
// (read as Latin-1), rendered on first use.
class SystemFont {
public:
    static SystemFont& Get() {
        static SystemFont font;
        return font;
    }
    bool Ready() const { return face != nullptr; }
    int LineHeight() const { return lineHeight; }
    int Ascent() const { return ascent; }

    const Glyph& GlyphOf(unsigned char c) {
        Glyph& glyph = glyphs[c];
        if (glyph.loaded || face == nullptr) return glyph;
        glyph.loaded = true;
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) return glyph;
        FT_GlyphSlot slot = face->glyph;
        glyph.advance = static_cast<int>(slot->advance.x >> 6);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(slot->bitmap.width);
        glyph.rows = static_cast<int>(slot->bitmap.rows);
        glyph.coverage.resize(size_t(glyph.width) * glyph.rows);
        for (int y = 0; y < glyph.rows; ++y) {
            std::memcpy(glyph.coverage.data() + size_t(y) * glyph.width,
                        slot->bitmap.buffer + y * slot->bitmap.pitch, glyph.width);
        }
        return glyph;
    }

    int Width(const std::string& text) {
        int width = 0;
        for (unsigned char c : text) width += GlyphOf(c).advance;
        return width;
    }

    std::mutex lock;

private:
    SystemFont() {
        if (FT_Init_FreeType(&library) != 0) return;
        if (FT_New_Face(library, kFontPath, 0, &face) != 0) {
            face = nullptr;
            return;
        }
        FT_Set_Pixel_Sizes(face, 0, kPixelSize);
        lineHeight = static_cast<int>(face->size->metrics.height >> 6);
        ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int lineHeight = kPixelSize;
    int ascent = kPixelSize;
    std::array<Glyph, 256> glyphs;
};

// Breaks text into the lines DrawText shows.
std::vector<std::string> LayOut(SystemFont& font, const std::string& text, UINT format,
                                int maxWidth) {
    std::vector<std::string> paragraphs;
    if (format & DT_SINGLELINE) {
        std::string line;
        for (char c : text) {
            if (c != '\r' && c != '\n') line += c;
        }
        paragraphs.push_back(line);
    } else {
        std::string line;
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\r') continue;
            if (c == '\n') {
                paragraphs.push_back(line);
                line.clear();
                continue;
            }
            line += c == '\t' ? ' ' : c;
        }
        paragraphs.push_back(line);
    }
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) return paragraphs;

    // Greedy filling at spaces; a word wider than the rectangle stands alone
    // on its line and overflows it, as on Windows.
    std::vector<std::string> lines;
    for (const std::string& paragraph : paragraphs) {
        std::string line;
        size_t at = 0;
        bool any = false;
        while (at <= paragraph.size()) {
            size_t end = paragraph.find(' ', at);
            if (end == std::string::npos) end = paragraph.size();
            std::string word = paragraph.substr(at, end - at);
            at = end + 1;
            if (word.empty() && end < paragraph.size()) continue;
            if (word.empty()) break;
            std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && font.Width(candidate) > maxWidth) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            any = true;
        }
        if (any || paragraph.empty() || !line.empty()) lines.push_back(line);
    }
    return lines;
}

void BlendPixel(uint32_t* pixel, uint32_t color, int alpha) {
    if (alpha <= 0) return;
    if (alpha >= 255) {
        *pixel = color;
        return;
    }
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int src = (color >> shift) & 0xFF;
        int dst = (*pixel >> shift) & 0xFF;
        out |= uint32_t((src * alpha + dst * (255 - alpha) + 127) / 255) << shift;
    }
    *pixel = out;
}

}  // namespace

int DrawText(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr || text == nullptr || rect == nullptr) return 0;
    SystemFont& font = SystemFont::Get();
    if (!font.Ready()) return 0;
    std::lock_guard<std::mutex> hold(font.lock);
    std::string content = count < 0 ? std::string(text) : std::string(text, size_t(count));

    int boxWidth = rect->right - rect->left;
    std::vector<std::string> lines = LayOut(font, content, format, boxWidth);
    int lineHeight = font.LineHeight();
    int totalHeight = lineHeight * static_cast<int>(lines.size());
    int widest = 0;
    for (const std::string& line : lines) widest = std::max(widest, font.Width(line));

    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + totalHeight;
        return totalHeight;
    }

    PixelTarget target;
    if (!Win32DcTarget(dc, &target)) return totalHeight;
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        if (format & DT_BOTTOM) top = rect->bottom - lineHeight;
    }
    bool clipToRect = (format & DT_NOCLIP) == 0;
    auto visible = [&](int x, int y) {
        if (clipToRect &&
            (x < rect->left || x >= rect->right || y < rect->top || y >= rect->bottom)) {
            return false;
        }
        return Win32DcVisible(dc, target, x, y);
    };
    uint32_t textPixel = Win32PixelOf(dc->textColor);
    uint32_t backPixel = Win32PixelOf(dc->backColor);

    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        int width = font.Width(line);
        int x = rect->left;
        if (format & DT_CENTER) x = rect->left + (boxWidth - width) / 2;
        if (format & DT_RIGHT) x = rect->right - width;
        int y = top + static_cast<int>(i) * lineHeight;
        if (dc->backMode == OPAQUE) {
            for (int py = y; py < y + lineHeight; ++py) {
                for (int px = x; px < x + width; ++px) {
                    if (visible(px, py)) target.pixels[size_t(py) * target.stride + px] = backPixel;
                }
            }
        }
        int baseline = y + font.Ascent();
        for (unsigned char c : line) {
            const Glyph& glyph = font.GlyphOf(c);
            for (int gy = 0; gy < glyph.rows; ++gy) {
                for (int gx = 0; gx < glyph.width; ++gx) {
                    int px = x + glyph.left + gx, py = baseline - glyph.top + gy;
                    if (!visible(px, py)) continue;
                    BlendPixel(&target.pixels[size_t(py) * target.stride + px], textPixel,
                               glyph.coverage[size_t(gy) * glyph.width + gx]);
                }
            }
            x += glyph.advance;
        }
    }
    return totalHeight;
}
