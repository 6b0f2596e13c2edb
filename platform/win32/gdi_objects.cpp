// Brushes, bitmaps, icons and fonts behind GDI handles; bitmap and icon
// resources; the rectangle helpers.
#include "platform/win32/gdi_objects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace {

std::mutex objectLock;
std::set<const GdiObject*>& LiveObjects() {
    static std::set<const GdiObject*> live;
    return live;
}

template <typename T>
T* Track(T* object) {
    std::lock_guard<std::mutex> hold(objectLock);
    LiveObjects().insert(object);
    return object;
}

struct ImageResources {
    std::map<int, Win32Image> bitmaps;
    std::map<int, std::vector<Win32Image>> icons;
    std::map<int, GdiIcon*> iconHandles;
};
// Never destroyed: handles to shared icons stay valid until the process ends.
ImageResources& Images() {
    static auto* images = new ImageResources;
    return *images;
}

Win32Image MakeImage(int width, int height, const uint32_t* pixels) {
    Win32Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(pixels, pixels + size_t(width) * height);
    return image;
}

COLORREF SystemColor(int index) {
    switch (index) {
        case COLOR_WINDOW:
            return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT:
        case COLOR_BTNTEXT:
        case COLOR_WINDOWFRAME:
            return RGB(0, 0, 0);
        case COLOR_BTNFACE:
            return RGB(240, 240, 240);
        case COLOR_GRAYTEXT:
            return RGB(109, 109, 109);
        case COLOR_BACKGROUND:
            return RGB(0, 0, 0);
        case COLOR_SCROLLBAR:
            return RGB(200, 200, 200);
        default:
            return RGB(192, 192, 192);
    }
}

}  // namespace

GdiObject* Win32GdiObject(HGDIOBJ handle) {
    auto* object = static_cast<GdiObject*>(handle);
    std::lock_guard<std::mutex> hold(objectLock);
    return LiveObjects().count(object) != 0 ? object : nullptr;
}

// ---------------------------------------------------------------- resources

bool Win32RegisterBitmapResource(int id, int width, int height, const uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return false;
    std::lock_guard<std::mutex> hold(objectLock);
    Images().bitmaps[id] = MakeImage(width, height, pixels);
    return true;
}

bool Win32RegisterIconResource(int id, int width, int height, const uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) return false;
    std::lock_guard<std::mutex> hold(objectLock);
    auto& sizes = Images().icons[id];
    sizes.erase(
        std::remove_if(sizes.begin(), sizes.end(),
                       [&](const Win32Image& i) { return i.width == width && i.height == height; }),
        sizes.end());
    sizes.push_back(MakeImage(width, height, pixels));
    return true;
}

const Win32Image* Win32BitmapResource(int id) {
    std::lock_guard<std::mutex> hold(objectLock);
    auto found = Images().bitmaps.find(id);
    return found != Images().bitmaps.end() ? &found->second : nullptr;
}

const Win32Image* Win32IconImage(HICON icon, int preferredSize) {
    auto* object = dynamic_cast<GdiIcon*>(Win32GdiObject(icon));
    if (object == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(objectLock);
    auto found = Images().icons.find(object->resourceId);
    if (found == Images().icons.end() || found->second.empty()) return nullptr;
    const Win32Image* best = nullptr;
    for (const Win32Image& image : found->second) {
        if (best == nullptr ||
            std::abs(image.width - preferredSize) < std::abs(best->width - preferredSize)) {
            best = &image;
        }
    }
    return best;
}

static int ResourceId(LPCSTR name) {
    auto value = reinterpret_cast<uintptr_t>(name);
    return value <= 0xFFFF ? static_cast<int>(value) : -1;
}

// Registers the program's built-in picture `id` on its first use.
static void LoadBuiltInBitmap(int id) {
    auto find = Win32Resources().findBitmap;
    Win32Image built;
    if (Win32BitmapResource(id) == nullptr && find != nullptr && find(id, &built)) {
        Win32RegisterBitmapResource(id, built.width, built.height, built.pixels.data());
    }
}

static void LoadBuiltInIcon(int id) {
    {
        std::lock_guard<std::mutex> hold(objectLock);
        if (Images().icons.count(id) != 0) return;
    }
    auto find = Win32Resources().findIcon;
    if (find == nullptr) return;
    for (const Win32Image& size : find(id)) {
        Win32RegisterIconResource(id, size.width, size.height, size.pixels.data());
    }
}

HBITMAP LoadBitmap(HINSTANCE, LPCSTR name) {
    int id = ResourceId(name);
    if (id >= 0) LoadBuiltInBitmap(id);
    const Win32Image* image = id >= 0 ? Win32BitmapResource(id) : nullptr;
    if (image == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto* bitmap = new GdiBitmap(image->width, image->height);
    for (size_t i = 0; i < bitmap->pixels.size(); ++i) {
        bitmap->pixels[i] = image->pixels[i] & 0x00FFFFFF;
    }
    return reinterpret_cast<HBITMAP>(Track(bitmap));
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
    int id = ResourceId(name);
    if (id < 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // The system's own icons when no module is named, as LoadIcon(NULL, IDI_...).
    if (instance == nullptr) id = 0;
    if (id != 0) LoadBuiltInIcon(id);
    std::lock_guard<std::mutex> hold(objectLock);
    ImageResources& images = Images();
    if (id != 0 && images.icons.count(id) == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // Icons from resources are shared: every load of one id gives one handle.
    GdiIcon*& icon = images.iconHandles[id];
    if (icon == nullptr) {
        icon = new GdiIcon(id);
        LiveObjects().insert(icon);
    }
    return reinterpret_cast<HICON>(icon);
}

BOOL DestroyIcon(HICON icon) {
    // Shared icons stay for the whole run, as on Windows.
    return Win32GdiObject(icon) != nullptr ? TRUE : FALSE;
}

// ---------------------------------------------------------------- objects

HGDIOBJ GetStockObject(int object) {
    static GdiBrush* brushes[6] = {
        Track(new GdiBrush(RGB(255, 255, 255), false, true)),
        Track(new GdiBrush(RGB(192, 192, 192), false, true)),
        Track(new GdiBrush(RGB(128, 128, 128), false, true)),
        Track(new GdiBrush(RGB(64, 64, 64), false, true)),
        Track(new GdiBrush(RGB(0, 0, 0), false, true)),
        Track(new GdiBrush(0, true, true)),
    };
    static GdiFont* font = Track(new GdiFont);
    if (object >= WHITE_BRUSH && object <= NULL_BRUSH) return brushes[object];
    if (object == SYSTEM_FONT || object == DEFAULT_GUI_FONT) return font;
    return nullptr;
}

GdiBitmap* Win32PlaceholderBitmap() {
    static GdiBitmap* placeholder = Track(new GdiBitmap(1, 1, true));
    return placeholder;
}

DWORD GetSysColor(int index) {
    return SystemColor(index);
}

HBRUSH GetSysColorBrush(int index) {
    static auto* brushes = new std::map<int, GdiBrush*>;  // shared for the whole run
    std::lock_guard<std::mutex> hold(objectLock);
    GdiBrush*& brush = (*brushes)[index];
    if (brush == nullptr) {
        brush = new GdiBrush(SystemColor(index), false, true);
        LiveObjects().insert(brush);
    }
    return reinterpret_cast<HBRUSH>(brush);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return reinterpret_cast<HBRUSH>(Track(new GdiBrush(color & 0x00FFFFFF, false, false)));
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    return reinterpret_cast<HBITMAP>(Track(new GdiBitmap(width, height)));
}

BOOL DeleteObject(HGDIOBJ handle) {
    GdiObject* object = Win32GdiObject(handle);
    if (object == nullptr) return FALSE;
    if (object->stock) return TRUE;
    // An object still selected into a device context stays alive, as on
    // Windows: the caller selects it out first.
    if (object->selected > 0) return FALSE;
    {
        std::lock_guard<std::mutex> hold(objectLock);
        LiveObjects().erase(object);
    }
    delete object;
    return TRUE;
}

int GetObject(HGDIOBJ handle, int size, LPVOID buffer) {
    GdiObject* object = Win32GdiObject(handle);
    auto* bitmap = dynamic_cast<GdiBitmap*>(object);
    if (bitmap == nullptr) return 0;
    if (buffer == nullptr) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP info{};
    info.bmWidth = bitmap->width;
    info.bmHeight = bitmap->height;
    info.bmWidthBytes = bitmap->width * 4;
    info.bmPlanes = 1;
    info.bmBitsPixel = 32;
    std::memcpy(buffer, &info, sizeof info);
    return sizeof(BITMAP);
}

// ---------------------------------------------------------------- rectangles

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (rect == nullptr) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) {
    return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT destination, const RECT* source) {
    if (destination == nullptr || source == nullptr) return FALSE;
    *destination = *source;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
    return rect == nullptr || rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
    if (rect == nullptr) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy) {
    if (rect == nullptr) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT destination, const RECT* a, const RECT* b) {
    if (destination == nullptr || a == nullptr || b == nullptr) return FALSE;
    RECT result{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&result)) {
        SetRectEmpty(destination);
        return FALSE;
    }
    *destination = result;
    return TRUE;
}

BOOL UnionRect(LPRECT destination, const RECT* a, const RECT* b) {
    if (destination == nullptr || a == nullptr || b == nullptr) return FALSE;
    if (IsRectEmpty(a)) {
        *destination = *b;
    } else if (IsRectEmpty(b)) {
        *destination = *a;
    } else {
        *destination = RECT{std::min(a->left, b->left), std::min(a->top, b->top),
                            std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(destination);
}

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect != nullptr && point.x >= rect->left && point.x < rect->right &&
           point.y >= rect->top && point.y < rect->bottom;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    return a != nullptr && b != nullptr && a->left == b->left && a->top == b->top &&
           a->right == b->right && a->bottom == b->bottom;
}
