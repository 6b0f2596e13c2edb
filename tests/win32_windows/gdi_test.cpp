// Painting into bitmaps through memory device contexts: fills, frames, clip
// exclusion, text layout and bitmap copies. No display is needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/win32/resource_images.h"

namespace {

// A memory DC with a fresh bitmap of the given size selected.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h) {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int Count(COLORREF color, RECT area) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) count += GetPixel(dc, x, y) == color;
        }
        return count;
    }
    int Count(COLORREF color) const { return Count(color, RECT{0, 0, width, height}); }
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

}  // namespace

TEST(Gdi, FillAndFrameUseBrushesStockAndSystemColours) {
    Canvas canvas(40, 30);
    RECT all{0, 0, 40, 30};
    ASSERT_TRUE(FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(canvas.Count(RGB(0, 0, 0)), 40 * 30);

    RECT box{5, 5, 25, 15};
    ASSERT_TRUE(FillRect(canvas.dc, &box, GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_EQ(canvas.Count(RGB(255, 255, 255)), 20 * 10);
    HBRUSH red = CreateSolidBrush(RGB(200, 10, 20));
    ASSERT_TRUE(FrameRect(canvas.dc, &box, red));
    EXPECT_EQ(canvas.Count(RGB(200, 10, 20)), 2 * 20 + 2 * 8);
    EXPECT_EQ(GetPixel(canvas.dc, 5, 5), RGB(200, 10, 20));
    EXPECT_EQ(GetPixel(canvas.dc, 24, 14), RGB(200, 10, 20));
    EXPECT_EQ(GetPixel(canvas.dc, 6, 6), RGB(255, 255, 255));
    // A system colour index plus one stands for that colour's brush.
    RECT corner{0, 0, 2, 2};
    FillRect(canvas.dc, &corner, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(GetPixel(canvas.dc, 1, 1), RGB(255, 255, 255));
    // Rectangles past the edges are clipped, not written out of bounds.
    RECT outside{-10, -10, 100, 3};
    EXPECT_TRUE(FillRect(canvas.dc, &outside, red));
    EXPECT_EQ(canvas.Count(RGB(200, 10, 20), RECT{0, 0, 40, 3}), 40 * 3);
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
}

TEST(Gdi, ExcludedRectanglesStayUntouched) {
    Canvas canvas(50, 50);
    RECT all{0, 0, 50, 50};
    FillRect(canvas.dc, &all, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(ExcludeClipRect(canvas.dc, 10, 10, 20, 30), COMPLEXREGION);
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(canvas.Count(RGB(255, 255, 255)), 0);  // excluded pixels are not even readable
    EXPECT_EQ(canvas.Count(RGB(0, 0, 0)), 50 * 50 - 10 * 20);
    EXPECT_EQ(ExcludeClipRect(canvas.dc, 0, 0, 50, 50), NULLREGION);
}

TEST(Gdi, DrawTextWrapsWordsCentresLinesAndMeasures) {
    const char* text = "There was an unspecified problem with this screen saver.";
    Canvas canvas(300, 150);
    RECT measure{0, 0, 1000, 0};
    int oneLine = DrawText(canvas.dc, text, -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    ASSERT_GT(oneLine, 8);
    EXPECT_EQ(measure.bottom, oneLine);
    EXPECT_LE(measure.right, 1000);

    RECT narrow{0, 0, 120, 0};
    int wrapped = DrawText(canvas.dc, text, -1, &narrow, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    EXPECT_GE(wrapped, 3 * oneLine);
    EXPECT_LE(narrow.right, 120);
    // Without word breaks the text stays on one line however narrow the box.
    RECT single{0, 0, 120, 0};
    EXPECT_EQ(DrawText(canvas.dc, text, -1, &single, DT_CALCRECT), oneLine);
    EXPECT_GT(single.right, 120);
    // A line break always starts a new line; a count limits the text.
    RECT lines{0, 0, 1000, 0};
    EXPECT_EQ(DrawText(canvas.dc, "one\r\ntwo\nthree", -1, &lines, DT_CALCRECT), 3 * oneLine);
    RECT part{0, 0, 1000, 0};
    DrawText(canvas.dc, "one\ntwo", 3, &part, DT_CALCRECT);
    EXPECT_EQ(part.bottom, oneLine);

    // Drawn black on white and centred: ink lies in the middle band, evenly around the centre.
    RECT all{0, 0, 300, 150};
    FillRect(canvas.dc, &all, GetSysColorBrush(COLOR_WINDOW));
    SetTextColor(canvas.dc, RGB(0, 0, 0));
    SetBkMode(canvas.dc, TRANSPARENT);
    RECT box{0, 50, 120, 150};
    DrawText(canvas.dc, text, -1, &box, DT_WORDBREAK | DT_CENTER);
    int left = 0, right = 0, ink = 0;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 300; ++x) {
            COLORREF c = GetPixel(canvas.dc, x, y);
            if (GetRValue(c) < 128) {
                ++ink;
                EXPECT_GE(y, 50);
                EXPECT_LT(x, 120);  // clipped to the box
                (x < 60 ? left : right) += 1;
            }
        }
    }
    EXPECT_GT(ink, 100);
    EXPECT_GT(left, ink / 4);
    EXPECT_GT(right, ink / 4);
}

TEST(Gdi, OpaqueTextFillsItsBackground) {
    Canvas canvas(100, 20);
    RECT all{0, 0, 100, 20};
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkColor(canvas.dc, RGB(0, 0, 255));
    SetTextColor(canvas.dc, RGB(255, 255, 0));
    EXPECT_EQ(SetBkMode(canvas.dc, OPAQUE), OPAQUE);
    DrawText(canvas.dc, "Hi", -1, &all, DT_LEFT | DT_SINGLELINE);
    EXPECT_GT(canvas.Count(RGB(0, 0, 255)), 20);
    EXPECT_GT(canvas.Count(RGB(255, 255, 0)), 5);
}

TEST(Gdi, BitmapsComeFromRegisteredResourcesAndCopyUnscaled) {
    std::vector<uint32_t> pixels(16 * 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) pixels[y * 16 + x] = 0xFF000000u | (x * 16 << 16) | (y * 32);
    }
    ASSERT_TRUE(Win32RegisterBitmapResource(4107, 16, 8, pixels.data()));
    EXPECT_FALSE(Win32RegisterBitmapResource(4108, 0, 8, pixels.data()));
    HINSTANCE program = GetModuleHandle(nullptr);
    EXPECT_EQ(LoadBitmap(program, MAKEINTRESOURCE(4999)), nullptr);
    HBITMAP bitmap = LoadBitmap(program, MAKEINTRESOURCE(4107));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_EQ(GetObject(bitmap, sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 8);

    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, bitmap);
    ASSERT_NE(old, nullptr);
    // Selected into a DC, the bitmap cannot be deleted.
    EXPECT_FALSE(DeleteObject(bitmap));

    Canvas canvas(30, 20);
    RECT all{0, 0, 30, 20};
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ASSERT_TRUE(BitBlt(canvas.dc, 10, 5, 16, 8, source, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(canvas.dc, 10, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 13, 7), RGB(48, 0, 64));
    EXPECT_EQ(GetPixel(canvas.dc, 25, 12), RGB(240, 0, 224));
    EXPECT_EQ(GetPixel(canvas.dc, 26, 12), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 10, 13), RGB(0, 0, 0));
    // A copy that reaches past the source only copies what exists.
    EXPECT_TRUE(BitBlt(canvas.dc, 0, 0, 30, 20, source, 8, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(canvas.dc, 7, 0), RGB(240, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc, 8, 0), RGB(0, 0, 0));
    EXPECT_FALSE(BitBlt(canvas.dc, 0, 0, 4, 4, source, 0, 0, 0x00EE0086));  // unsupported rop

    SelectObject(source, old);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(source));
    EXPECT_FALSE(DeleteDC(source));
}

TEST(Gdi, IconsAreSharedPerResourceId) {
    std::vector<uint32_t> small(16 * 16, 0xFF00FF00u), large(48 * 48, 0xFFFF0000u);
    ASSERT_TRUE(Win32RegisterIconResource(4101, 16, 16, small.data()));
    ASSERT_TRUE(Win32RegisterIconResource(4101, 48, 48, large.data()));
    HINSTANCE program = GetModuleHandle(nullptr);
    HICON icon = LoadIcon(program, MAKEINTRESOURCE(4101));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIcon(program, MAKEINTRESOURCE(4101)), icon);
    EXPECT_EQ(LoadIcon(program, MAKEINTRESOURCE(4102)), nullptr);
    EXPECT_NE(LoadIcon(nullptr, IDI_APPLICATION), nullptr);
    const Win32Image* image = Win32IconImage(icon, 40);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 48);
    EXPECT_EQ(Win32IconImage(icon, 16)->width, 16);
}
