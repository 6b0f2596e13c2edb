// Device contexts on windows and bitmaps, painting of windows (BeginPaint,
// EndPaint, the update region) and the pixel operations: fills, frames,
// clip exclusion and bit-block copies.
#include <SDL.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "platform/win32/gdi_objects.h"
#include "platform/win32/native_window.h"

namespace {

std::mutex dcLock;
std::set<const DeviceContext*>& LiveContexts() {
    static std::set<const DeviceContext*> live;
    return live;
}

void Select(GdiObject*& slot, GdiObject* object) {
    if (slot != nullptr) --slot->selected;
    slot = object;
    if (slot != nullptr) ++slot->selected;
}

HDC NewContext(HWND window, bool memory) {
    auto* dc = new DeviceContext;
    dc->window = window;
    dc->memory = memory;
    Select(dc->brush, static_cast<GdiObject*>(GetStockObject(WHITE_BRUSH)));
    Select(dc->font, static_cast<GdiObject*>(GetStockObject(SYSTEM_FONT)));
    if (memory) {
        // A new memory DC holds a 1 by 1 bitmap until the caller selects its own.
        GdiBitmap* placeholder = Win32PlaceholderBitmap();
        GdiObject* slot = nullptr;
        Select(slot, placeholder);
        dc->bitmap = placeholder;
    }
    std::lock_guard<std::mutex> hold(dcLock);
    LiveContexts().insert(dc);
    return reinterpret_cast<HDC>(dc);
}

void FreeContext(DeviceContext* dc) {
    {
        std::lock_guard<std::mutex> hold(dcLock);
        LiveContexts().erase(dc);
    }
    Select(dc->brush, nullptr);
    Select(dc->font, nullptr);
    GdiObject* bitmap = dc->bitmap;
    Select(bitmap, nullptr);
    delete dc;
}

// A brush handle, or a system colour index plus one as Windows allows.
bool BrushColor(HBRUSH handle, COLORREF* color) {
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value > 0 && value <= 64) {
        *color = GetSysColor(static_cast<int>(value - 1));
        return true;
    }
    auto* brush = dynamic_cast<GdiBrush*>(Win32GdiObject(handle));
    if (brush == nullptr || brush->hollow) return false;
    *color = brush->color;
    return true;
}

void FillArea(DeviceContext* dc, RECT area, uint32_t pixel) {
    PixelTarget target;
    if (!Win32DcTarget(dc, &target)) return;
    RECT bounds{0, 0, target.width, target.height};
    if (dc->clipped) IntersectRect(&bounds, &bounds, &dc->clip);
    if (!IntersectRect(&area, &area, &bounds)) return;
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = target.pixels + size_t(y) * target.stride;
        if (dc->excluded.empty()) {
            std::fill(row + area.left, row + area.right, pixel);
            continue;
        }
        for (int x = area.left; x < area.right; ++x) {
            if (Win32DcVisible(dc, target, x, y)) row[x] = pixel;
        }
    }
}

void Present(DeviceContext* dc) {
    if (dc->window == nullptr) return;
    if (NativeWindow* window = NativeWindow::From(dc->window)) window->Present();
}

}  // namespace

DeviceContext* Win32DeviceContext(HDC handle) {
    auto* dc = reinterpret_cast<DeviceContext*>(handle);
    std::lock_guard<std::mutex> hold(dcLock);
    return LiveContexts().count(dc) != 0 ? dc : nullptr;
}

bool Win32DcTarget(DeviceContext* dc, PixelTarget* target) {
    if (dc->memory) {
        if (dc->bitmap == nullptr) return false;
        *target = PixelTarget{dc->bitmap->pixels.data(), dc->bitmap->width, dc->bitmap->height,
                              dc->bitmap->width};
        return true;
    }
    NativeWindow* window = NativeWindow::From(dc->window);
    SDL_Surface* canvas = window != nullptr ? window->Canvas() : nullptr;
    if (canvas == nullptr) return false;
    *target = PixelTarget{static_cast<uint32_t*>(canvas->pixels), canvas->w, canvas->h,
                          canvas->pitch / 4};
    return true;
}

bool Win32DcVisible(const DeviceContext* dc, const PixelTarget& target, int x, int y) {
    if (x < 0 || y < 0 || x >= target.width || y >= target.height) return false;
    POINT point{x, y};
    if (dc->clipped && !PtInRect(&dc->clip, point)) return false;
    for (const RECT& hole : dc->excluded) {
        if (PtInRect(&hole, point)) return false;
    }
    return true;
}

// ---------------------------------------------------------------- painting

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr || paint == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT area = window->NeedsPaint() ? window->UpdateRegion() : RECT{0, 0, 0, 0};
    bool erase = window->EraseNeeded();
    window->Validate();
    HDC hdc = NewContext(handle, false);
    DeviceContext* dc = Win32DeviceContext(hdc);
    dc->clipped = true;
    dc->clip = area;
    *paint = PAINTSTRUCT{};
    paint->hdc = hdc;
    paint->rcPaint = area;
    paint->fErase = TRUE;
    if (erase) {
        LRESULT erased = SendMessage(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        paint->fErase = erased != 0 ? FALSE : TRUE;
    }
    return hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    DeviceContext* dc = Win32DeviceContext(paint->hdc);
    if (dc == nullptr || dc->window != handle) return FALSE;
    Present(dc);
    FreeContext(dc);
    return TRUE;
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    if (handle == nullptr) {
        // No window: every window repaints.
        for (NativeWindow* window : Win32AllWindows()) window->Invalidate(nullptr, erase != FALSE);
        return TRUE;
    }
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) return FALSE;
    window->Invalidate(rect, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT* rect) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) return FALSE;
    // The update region is one rectangle; validating part of it keeps it whole
    // unless the part covers it.
    RECT update = window->UpdateRegion();
    RECT both;
    if (rect == nullptr || (IntersectRect(&both, &update, rect) && EqualRect(&both, &update))) {
        window->Validate();
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND handle, LPRECT rect, BOOL erase) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr || !window->NeedsPaint()) {
        if (rect != nullptr) SetRectEmpty(rect);
        return FALSE;
    }
    if (rect != nullptr) *rect = window->UpdateRegion();
    if (erase && window->EraseNeeded()) {
        HDC hdc = GetDC(handle);
        window->ClearErase();
        SendMessage(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        ReleaseDC(handle, hdc);
    }
    return TRUE;
}

BOOL UpdateWindow(HWND handle) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) return FALSE;
    Win32PaintNow(window);
    return TRUE;
}

HDC GetDC(HWND handle) {
    if (handle != nullptr && NativeWindow::From(handle) == nullptr) return nullptr;
    return NewContext(handle, false);
}

int ReleaseDC(HWND handle, HDC hdc) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr || dc->memory || dc->window != handle) return 0;
    Present(dc);
    FreeContext(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC) {
    return NewContext(nullptr, true);
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr) return FALSE;
    FreeContext(dc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    GdiObject* object = Win32GdiObject(handle);
    if (dc == nullptr || object == nullptr) return nullptr;
    GdiObject* previous = nullptr;
    switch (object->kind) {
        case GdiObject::Kind::Brush:
            previous = dc->brush;
            Select(dc->brush, object);
            break;
        case GdiObject::Kind::Font:
            previous = dc->font;
            Select(dc->font, object);
            break;
        case GdiObject::Kind::Bitmap: {
            // Only memory DCs take bitmaps, and one bitmap sits in one DC at a time.
            if (!dc->memory) return nullptr;
            if (object != dc->bitmap && object->selected > 0 && !object->stock) return nullptr;
            previous = dc->bitmap;
            GdiObject* slot = dc->bitmap;
            Select(slot, object);
            dc->bitmap = static_cast<GdiBitmap*>(object);
            break;
        }
        default:
            return nullptr;
    }
    return previous;
}

// ---------------------------------------------------------------- drawing

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    COLORREF color;
    if (dc == nullptr || rect == nullptr || !BrushColor(brush, &color)) return 0;
    FillArea(dc, *rect, Win32PixelOf(color));
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    COLORREF color;
    if (dc == nullptr || rect == nullptr || !BrushColor(brush, &color)) return 0;
    if (IsRectEmpty(rect)) return 1;
    uint32_t pixel = Win32PixelOf(color);
    const RECT& r = *rect;
    FillArea(dc, RECT{r.left, r.top, r.right, r.top + 1}, pixel);
    FillArea(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, pixel);
    FillArea(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, pixel);
    FillArea(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, pixel);
    return 1;
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr) return ERROR;
    RECT hole{left, top, right, bottom};
    if (!IsRectEmpty(&hole)) dc->excluded.push_back(hole);
    PixelTarget target;
    RECT visible{0, 0, 0, 0};
    if (Win32DcTarget(dc, &target)) visible = RECT{0, 0, target.width, target.height};
    if (dc->clipped) IntersectRect(&visible, &visible, &dc->clip);
    if (IsRectEmpty(&visible)) return NULLREGION;
    // The region is empty when one exclusion covers it all.
    for (const RECT& excluded : dc->excluded) {
        RECT both;
        if (IntersectRect(&both, &visible, &excluded) && both.left == visible.left &&
            both.top == visible.top && both.right == visible.right &&
            both.bottom == visible.bottom) {
            return NULLREGION;
        }
    }
    return dc->excluded.empty() ? SIMPLEREGION : COMPLEXREGION;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0x00FFFFFF;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr) return CLR_INVALID;
    COLORREF previous = dc->backColor;
    dc->backColor = color & 0x00FFFFFF;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    if (dc == nullptr || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    int previous = dc->backMode;
    dc->backMode = mode;
    return previous;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    PixelTarget target;
    if (dc == nullptr || !Win32DcTarget(dc, &target) || !Win32DcVisible(dc, target, x, y)) {
        return CLR_INVALID;
    }
    uint32_t pixel = target.pixels[size_t(y) * target.stride + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DeviceContext* dc = Win32DeviceContext(hdc);
    PixelTarget target;
    if (dc == nullptr || !Win32DcTarget(dc, &target) || !Win32DcVisible(dc, target, x, y)) {
        return CLR_INVALID;
    }
    target.pixels[size_t(y) * target.stride + x] = Win32PixelOf(color);
    return color & 0x00FFFFFF;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
    DeviceContext* to = Win32DeviceContext(destination);
    if (to == nullptr || width < 0 || height < 0) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS) {
        FillArea(to, RECT{x, y, x + width, y + height}, rop == BLACKNESS ? 0 : 0xFFFFFF);
        return TRUE;
    }
    DeviceContext* from = Win32DeviceContext(source);
    if (rop != SRCCOPY || from == nullptr) return FALSE;
    PixelTarget in, out;
    if (!Win32DcTarget(from, &in) || !Win32DcTarget(to, &out)) return FALSE;
    // Same pixels in and out (a DC onto itself): copy through a buffer.
    std::vector<uint32_t> copy(size_t(width) * height);
    std::vector<bool> present(copy.size(), false);
    for (int row = 0; row < height; ++row) {
        int sy = sourceY + row;
        if (sy < 0 || sy >= in.height) continue;
        for (int column = 0; column < width; ++column) {
            int sx = sourceX + column;
            if (sx < 0 || sx >= in.width) continue;
            size_t at = size_t(row) * width + column;
            copy[at] = in.pixels[size_t(sy) * in.stride + sx];
            present[at] = true;
        }
    }
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            size_t at = size_t(row) * width + column;
            int dx = x + column, dy = y + row;
            if (!present[at] || !Win32DcVisible(to, out, dx, dy)) continue;
            out.pixels[size_t(dy) * out.stride + dx] = copy[at];
        }
    }
    return TRUE;
}
