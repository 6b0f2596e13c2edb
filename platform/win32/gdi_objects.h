// The objects behind GDI handles (brushes, bitmaps, icons, fonts, device
// contexts) and the pixel access that the painting calls share.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/resource_images.h"

struct GdiObject {
    enum class Kind { Brush, Bitmap, Font, Icon };
    explicit GdiObject(Kind k, bool isStock = false) : kind(k), stock(isStock) {}
    virtual ~GdiObject() = default;
    Kind kind;
    bool stock;        // stock and shared objects are never deleted
    int selected = 0;  // how many device contexts hold it
};

struct GdiBrush : GdiObject {
    GdiBrush(COLORREF c, bool isNull, bool isStock)
        : GdiObject(Kind::Brush, isStock), color(c), hollow(isNull) {}
    COLORREF color;
    bool hollow;
};

// Pixels 0x00RRGGBB, rows top to bottom.
struct GdiBitmap : GdiObject {
    GdiBitmap(int w, int h, bool isStock = false)
        : GdiObject(Kind::Bitmap, isStock), width(w), height(h), pixels(size_t(w) * h, 0) {}
    int width;
    int height;
    std::vector<uint32_t> pixels;
};

struct GdiFont : GdiObject {
    GdiFont() : GdiObject(Kind::Font, true) {}
};

struct GdiIcon : GdiObject {
    explicit GdiIcon(int id) : GdiObject(Kind::Icon, true), resourceId(id) {}
    int resourceId;  // 0 for the system's application icon
};

// Where a device context draws: a window's canvas or a selected bitmap.
struct PixelTarget {
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
};

struct DeviceContext {
    HWND window = nullptr;  // a window DC; null for memory DCs
    bool memory = false;
    GdiBitmap* bitmap = nullptr;  // selected into a memory DC
    bool clipped = false;         // clip to `clip` (a paint DC's update rectangle)
    RECT clip{};
    std::vector<RECT> excluded;
    COLORREF textColor = 0;
    COLORREF backColor = 0xFFFFFF;
    int backMode = OPAQUE;
    GdiObject* brush = nullptr;
    GdiObject* font = nullptr;
};

// The 1 by 1 bitmap a new memory DC holds.
GdiBitmap* Win32PlaceholderBitmap();

// Object lookups that reject handles that are not (or no longer) live.
GdiObject* Win32GdiObject(HGDIOBJ handle);
DeviceContext* Win32DeviceContext(HDC handle);

// The pixels a device context draws into; false when it has none.
bool Win32DcTarget(DeviceContext* dc, PixelTarget* target);
// Whether a pixel may be drawn (inside the clip, outside every exclusion).
bool Win32DcVisible(const DeviceContext* dc, const PixelTarget& target, int x, int y);
// Pixel value of a COLORREF.
inline uint32_t Win32PixelOf(COLORREF color) {
    return (uint32_t(GetRValue(color)) << 16) | (uint32_t(GetGValue(color)) << 8) |
           GetBValue(color);
}
