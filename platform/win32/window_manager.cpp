// Window classes, creation and destruction of native windows, the default
// window procedure and the per-window operations of NativeWindow.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <vector>

#include "platform/win32/exit_watcher.h"
#include "platform/win32/native_window.h"
#include "platform/win32/resource_images.h"
#include "platform/win32/saver_host_window.h"
#include "platform/win32/window_placement.h"
#include "platform/win32/video_connection.h"

namespace {

constexpr const char* kWindowDataKey = "velmora.hwnd";
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

struct WindowClass {
    WNDCLASS info{};
    std::string name;
};

std::recursive_mutex registryLock;
std::vector<WindowClass>& Classes() {
    static std::vector<WindowClass> classes;
    return classes;
}
std::vector<NativeWindow*>& Windows() {
    static std::vector<NativeWindow*> windows;
    return windows;
}

const WindowClass* FindClass(LPCSTR name) {
    if (name == nullptr) return nullptr;
    for (const WindowClass& c : Classes()) {
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    }
    return nullptr;
}

// Frame sizes the stand-in reports for each style. The real frame belongs to
// the desktop's window manager (none under a bare X server), so these only
// keep window rectangles and client rectangles apart the way Windows does.
RECT FrameInsets(DWORD style) {
    RECT insets{0, 0, 0, 0};
    int edge = 0;
    if (style & WS_THICKFRAME) {
        edge = GetSystemMetrics(SM_CXFRAME);
    } else if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_DLGFRAME)) {
        edge = GetSystemMetrics(SM_CXFIXEDFRAME);
    } else if (style & WS_BORDER) {
        edge = GetSystemMetrics(SM_CXBORDER);
    }
    insets.left = insets.right = insets.top = insets.bottom = edge;
    if ((style & WS_CAPTION) == WS_CAPTION) insets.top += GetSystemMetrics(SM_CYCAPTION);
    return insets;
}

unsigned long XWindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

void ApplyIcon(NativeWindow* window) {
    if (window->icon == nullptr || window->sdl == nullptr) return;
    const Win32Image* image = Win32IconImage(window->icon, 32);
    if (image == nullptr) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(image->pixels.data()), image->width, image->height, 32,
        image->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(window->sdl, surface);
    SDL_FreeSurface(surface);
}

// Unmaps a shown window straight away. SDL takes a full-screen window out of
// full screen before it unmaps it, and waits up to 100 ms for a window
// manager to answer that (the whole 100 ms when there is none); a window
// already unmapped leaves full screen without the wait.
void UnmapAtOnce(SDL_Window* window, bool topLevel) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    if (topLevel) {
        XWithdrawWindow(display, info.info.x11.window, DefaultScreen(display));
    } else {
        XUnmapWindow(display, info.info.x11.window);
    }
    XFlush(display);
}

bool IsInputMessage(UINT message) {
    return (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) ||
           (message >= WM_MOUSEMOVE && message <= WM_XBUTTONUP);
}

}  // namespace

// ---------------------------------------------------------------- classes

ATOM RegisterClass(const WNDCLASS* windowClass) {
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        windowClass->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard<std::recursive_mutex> hold(registryLock);
    if (FindClass(windowClass->lpszClassName) != nullptr) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WindowClass entry;
    entry.info = *windowClass;
    entry.name = windowClass->lpszClassName;
    entry.info.lpszClassName = nullptr;  // the name lives in `name`
    entry.info.lpszMenuName = nullptr;
    Classes().push_back(entry);
    return static_cast<ATOM>(0xC000 + Classes().size());
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
    std::lock_guard<std::recursive_mutex> hold(registryLock);
    auto& classes = Classes();
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (className != nullptr && strcasecmp(it->name.c_str(), className) == 0) {
            classes.erase(it);
            return TRUE;
        }
    }
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
}

// ---------------------------------------------------------------- windows

std::vector<NativeWindow*> Win32AllWindows() {
    std::lock_guard<std::recursive_mutex> hold(registryLock);
    return Windows();
}

NativeWindow* NativeWindow::From(HWND handle) {
    return dynamic_cast<NativeWindow*>(Win32Window::FromHandle(handle));
}

NativeWindow* NativeWindow::FromSdl(SDL_Window* window) {
    if (window == nullptr) return nullptr;
    auto* handle = static_cast<NativeWindow*>(SDL_GetWindowData(window, kWindowDataKey));
    return handle != nullptr ? From(handle->Handle()) : nullptr;
}

NativeWindow::~NativeWindow() {
    {
        std::lock_guard<std::recursive_mutex> hold(registryLock);
        auto& windows = Windows();
        windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    }
    if (canvas != nullptr) SDL_FreeSurface(canvas);
    if (sdl != nullptr) {
        SDL_SetWindowData(sdl, kWindowDataKey, nullptr);
        // SDL's last requests on a child must reach the server before the
        // X window under it goes.
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        Display* sdlDisplay = nullptr;
        if (SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) {
            sdlDisplay = info.info.x11.display;
            Win32UnwatchWindow(info.info.x11.window);
        }
        SDL_DestroyWindow(sdl);
        if (xChild != 0 && sdlDisplay != nullptr) XSync(sdlDisplay, False);
    }
    if (xChild != 0) Win32DestroyXChild(xChild);
}

LRESULT NativeWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure(Handle(), message, wParam, lParam);
}

BOOL NativeWindow::Show(int command) {
    BOOL wasVisible = visible ? TRUE : FALSE;
    switch (command) {
        case SW_HIDE:
            if (visible) UnmapAtOnce(sdl, parent == nullptr && foreignParent == 0);
            SDL_HideWindow(sdl);
            visible = false;
            return wasVisible;
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
            SDL_ShowWindow(sdl);
            SDL_MinimizeWindow(sdl);
            break;
        case SW_SHOWMAXIMIZED:
            SDL_ShowWindow(sdl);
            SDL_MaximizeWindow(sdl);
            break;
        case SW_RESTORE:
            SDL_ShowWindow(sdl);
            SDL_RestoreWindow(sdl);
            break;
        default:
            SDL_ShowWindow(sdl);
            break;
    }
    visible = true;
    if (!wasVisible) Invalidate(nullptr, true);
    return wasVisible;
}

BOOL NativeWindow::Enable(BOOL enable) {
    BOOL wasDisabled = enabled ? FALSE : TRUE;
    enabled = enable != FALSE;
    if (enabled) {
        style &= ~WS_DISABLED;
    } else {
        style |= WS_DISABLED;
    }
    return wasDisabled;
}

BOOL NativeWindow::SetText(const char* newText) {
    text = newText != nullptr ? newText : "";
    if (sdl != nullptr && parent == nullptr) SDL_SetWindowTitle(sdl, text.c_str());
    return TRUE;
}

int NativeWindow::GetText(char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    int count = std::min(static_cast<int>(text.size()), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

void NativeWindow::Resize(int newWidth, int newHeight) {
    newWidth = std::max(newWidth, 1);
    newHeight = std::max(newHeight, 1);
    if (canvas != nullptr && newWidth == width && newHeight == height) return;
    SDL_Surface* next =
        SDL_CreateRGBSurfaceWithFormat(0, newWidth, newHeight, 32, SDL_PIXELFORMAT_RGB888);
    if (next == nullptr) return;
    SDL_FillRect(next, nullptr, 0);
    if (canvas != nullptr) {
        SDL_BlitSurface(canvas, nullptr, next, nullptr);
        SDL_FreeSurface(canvas);
    }
    canvas = next;
    width = newWidth;
    height = newHeight;
    Invalidate(nullptr, true);
}

RECT NativeWindow::ScreenRect() const {
    RECT rect{0, 0, width, height};
    if (xChild != 0) {
        Display* display = Win32XDisplay();
        Window child;
        int x = 0, y = 0;
        if (display != nullptr) {
            XTranslateCoordinates(display, xChild, DefaultRootWindow(display), 0, 0, &x, &y,
                                  &child);
        }
        OffsetRect(&rect, x, y);
    } else if (sdl != nullptr) {
        int x = 0, y = 0;
        SDL_GetWindowPosition(sdl, &x, &y);
        OffsetRect(&rect, x, y);
    }
    return rect;
}

void NativeWindow::Invalidate(const RECT* rect, bool eraseBackground) {
    RECT area{0, 0, width, height};
    if (rect != nullptr && !IntersectRect(&area, &area, rect)) return;
    if (updateValid) {
        UnionRect(&update, &update, &area);
    } else {
        update = area;
        updateValid = true;
    }
    eraseNeeded = eraseNeeded || eraseBackground;
}

// Puts a 32-bit canvas straight into the window's X11 drawable. Windows that
// carry a GL context (every window a device may draw on, the preview child
// included) have no SDL window surface, but their idle painting must show.
static bool PresentThroughX11(SDL_Window* sdl, SDL_Surface* canvas) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    ::Window drawable = info.info.x11.window;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, drawable, &attributes) || attributes.depth < 24) {
        return false;
    }
    XImage* image =
        XCreateImage(display, attributes.visual, attributes.depth, ZPixmap, 0,
                     static_cast<char*>(canvas->pixels), canvas->w, canvas->h, 32, canvas->pitch);
    if (image == nullptr) return false;
    GC gc = XCreateGC(display, drawable, 0, nullptr);
    XPutImage(display, drawable, gc, image, 0, 0, 0, 0, canvas->w, canvas->h);
    XFreeGC(display, gc);
    image->data = nullptr;  // the canvas keeps its pixels
    XDestroyImage(image);
    XFlush(display);
    return true;
}

void NativeWindow::Present() {
    if (canvas == nullptr || sdl == nullptr) return;
    SDL_Surface* target = SDL_GetWindowSurface(sdl);
    if (target == nullptr) {
        PresentThroughX11(sdl, canvas);
        return;
    }
    SDL_BlitSurface(canvas, nullptr, target, nullptr);
    SDL_UpdateWindowSurface(sdl);
}

namespace {

struct CaptionedPlacement {
    bool given = false;
    int width = 0, height = 0;
    bool placed = false;
    int x = 0, y = 0;
    unsigned long inWindow = 0;  // X11 window to fill instead, or 0
};

std::mutex placementLock;
CaptionedPlacement captionedPlacement;

// The placement for a window of `style`, once: only the program's first
// captioned top-level window (its test window) takes it, not its dialogs.
CaptionedPlacement TakeCaptionedPlacement(DWORD style) {
    std::lock_guard<std::mutex> hold(placementLock);
    if ((style & (WS_CHILD | WS_POPUP)) != 0 || (style & WS_CAPTION) != WS_CAPTION) return {};
    const CaptionedPlacement placement = captionedPlacement;
    captionedPlacement = {};
    return placement;
}

}  // namespace

void Win32PlaceCaptionedWindow(int clientWidth, int clientHeight, bool placed, int x, int y) {
    std::lock_guard<std::mutex> hold(placementLock);
    captionedPlacement.given = true;
    captionedPlacement.width = std::max(clientWidth, 1);
    captionedPlacement.height = std::max(clientHeight, 1);
    captionedPlacement.placed = placed;
    captionedPlacement.x = x;
    captionedPlacement.y = y;
}

void Win32PlaceCaptionedWindowIn(unsigned long xWindow) {
    std::lock_guard<std::mutex> hold(placementLock);
    captionedPlacement.inWindow = xWindow;
}

// Creates the SDL window of a top-level window at its client rectangle.
static SDL_Window* CreateTopLevel(const char* title, DWORD style, DWORD exStyle, int x, int y,
                                  int width, int height) {
    Uint32 flags = (style & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if ((style & WS_POPUP) || (style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    if (exStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    if ((style & WS_POPUP) && (exStyle & WS_EX_TOPMOST)) flags |= SDL_WINDOW_SKIP_TASKBAR;
    if (exStyle & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    // The Direct3D stand-in makes its GL context on this window later.
    SDL_Window* window = SDL_CreateWindow(title, x, y, width, height, flags | SDL_WINDOW_OPENGL);
    if (window == nullptr) window = SDL_CreateWindow(title, x, y, width, height, flags);
    return window;
}

// Makes the window's X window a child of `xParent` at the given client
// position and its SDL window on it; false when the parent does not exist.
static bool CreateInXParent(NativeWindow* window, unsigned long xParent, int x, int y, int width,
                            int height) {
    window->xChild = Win32CreateXChild(xParent, x, y, std::max(width, 1), std::max(height, 1));
    if (window->xChild == 0) return false;
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    window->sdl = SDL_CreateWindowFrom(reinterpret_cast<void*>(window->xChild));
    return true;
}

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param) {
    WNDCLASS info;
    {
        std::lock_guard<std::recursive_mutex> hold(registryLock);
        const WindowClass* found = FindClass(className);
        if (found == nullptr) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        info = found->info;
    }
    if (!Win32EnsureVideo()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (child && parent == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = child ? 0 : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }

    const CaptionedPlacement placement = TakeCaptionedPlacement(style);
    auto* window = new NativeWindow;
    window->procedure = info.lpfnWndProc;
    window->classStyle = info.style;
    window->background = info.hbrBackground;
    window->cursor = info.hCursor;
    window->icon = info.hIcon;
    window->style = style;
    window->exStyle = exStyle;
    window->text = windowName != nullptr ? windowName : "";
    window->enabled = (style & WS_DISABLED) == 0;

    if (child) {
        // The parent is one of ours, or a native X11 window whose id the
        // caller passed as a handle (an embedding host's preview area).
        unsigned long xParent = 0;
        if (NativeWindow* native = NativeWindow::From(parent)) {
            xParent = XWindowOf(native->sdl);
            window->parent = parent;
        } else if (Win32Window::FromHandle(parent) == nullptr &&
                   reinterpret_cast<uintptr_t>(parent) <= 0xFFFFFFFFu) {
            xParent = static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent));
            window->foreignParent = xParent;
            window->parent = parent;
        }
        if (!CreateInXParent(window, xParent, x, y, width, height)) {
            delete window;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    } else if (Win32SaverHostWindow host; (style & WS_POPUP) && Win32FindSaverHostWindow(&host)) {
        // A daemon's window to draw in: the pop-up becomes a child of it at
        // the same place on the screen, still a top-level window to us.
        window->owner = parent;
        window->foreignParent = host.window;
        if (!CreateInXParent(window, host.window, x - host.rect.left, y - host.rect.top, width,
                             height)) {
            delete window;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    } else if (placement.inWindow != 0) {
        // Drawn inside another program's window (a settings preview pane):
        // a child filling it, ended when that window goes away.
        int hostX = 0, hostY = 0, hostWidth = 0, hostHeight = 0;
        if (!Win32QueryXWindowOnRoot(placement.inWindow, &hostX, &hostY, &hostWidth,
                                     &hostHeight)) {
            delete window;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        window->owner = parent;
        window->foreignParent = placement.inWindow;
        if (!CreateInXParent(window, placement.inWindow, 0, 0, hostWidth, hostHeight)) {
            delete window;
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    } else {
        window->owner = parent;
        RECT insets = FrameInsets(style);
        int clientX = x, clientY = y;
        if (x != static_cast<int>(SDL_WINDOWPOS_UNDEFINED)) {
            clientX = x + insets.left;
            clientY = y + insets.top;
        }
        int clientWidth = std::max(width - insets.left - insets.right, 1);
        int clientHeight = std::max(height - insets.top - insets.bottom, 1);
        DWORD topStyle = style;
        if (placement.given) {
            clientWidth = placement.width;
            clientHeight = placement.height;
            if (placement.placed) {
                clientX = placement.x;
                clientY = placement.y;
            }
            topStyle |= WS_THICKFRAME;
        }
        window->sdl = CreateTopLevel(window->text.c_str(), topStyle, exStyle, clientX, clientY,
                                     clientWidth, clientHeight);
    }
    if (window->sdl == nullptr) {
        delete window;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SDL_SetWindowData(window->sdl, kWindowDataKey, window);
    // The windows a user sees as the saver's: top-level ones and those inside
    // another program's window (children of ours go with their parent).
    if (window->parent == nullptr || window->foreignParent != 0) {
        const bool topLevel = window->parent == nullptr && window->foreignParent == 0;
        Win32WatchWindow(XWindowOf(window->sdl), topLevel);
    }
    {
        std::lock_guard<std::recursive_mutex> hold(registryLock);
        Windows().push_back(window);
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    window->Resize(w, h);
    window->Validate();
    if (!child && window->foreignParent == 0) ApplyIcon(window);

    HWND handle = window->Handle();
    CREATESTRUCT create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (SendMessage(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (SendMessage(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    window = NativeWindow::From(handle);
    if (window == nullptr) return nullptr;  // destroyed by its own WM_CREATE
    if (style & WS_VISIBLE) {
        window->visible = true;
        window->Invalidate(nullptr, true);
        if (!child && window->foreignParent == 0) SDL_RaiseWindow(window->sdl);
    } else if (child) {
        SDL_HideWindow(window->sdl);
    }
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->procedure == nullptr) return TRUE;  // already on its way out
    SendMessage(handle, WM_DESTROY, 0, 0);
    // Children and owned windows go with it.
    for (NativeWindow* other : Win32AllWindows()) {
        if (NativeWindow::From(other->Handle()) == nullptr) continue;
        if (other->parent == handle || other->owner == handle) DestroyWindow(other->Handle());
    }
    window = NativeWindow::From(handle);
    if (window == nullptr) return TRUE;
    SendMessage(handle, WM_NCDESTROY, 0, 0);
    window = NativeWindow::From(handle);
    if (window == nullptr) return TRUE;
    window->procedure = nullptr;
    Win32ForgetWindowMessages(handle);
    delete window;
    return TRUE;
}

LRESULT CallWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

LRESULT DefWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeWindow* window = NativeWindow::From(handle);
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(handle);
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    SendMessage(handle, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    ShowWindow(handle, SW_MINIMIZE);
                    break;
                case SC_MAXIMIZE:
                    ShowWindow(handle, SW_SHOWMAXIMIZED);
                    break;
                case SC_RESTORE:
                    ShowWindow(handle, SW_RESTORE);
                    break;
                default:
                    break;
            }
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & (1 << 29))) {
                SendMessage(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(handle, &paint) != nullptr) EndPaint(handle, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            if (window == nullptr || window->background == nullptr) return 0;
            RECT client{0, 0, window->Width(), window->Height()};
            FillRect(reinterpret_cast<HDC>(wParam), &client, window->background);
            return 1;
        }
        case WM_SETCURSOR:
            if (window != nullptr && window->parent != nullptr &&
                NativeWindow::From(window->parent) != nullptr &&
                SendMessage(window->parent, WM_SETCURSOR, wParam, lParam)) {
                return TRUE;
            }
            if (LOWORD(lParam) == HTCLIENT && window != nullptr) {
                SetCursor(window->cursor);
                return TRUE;
            }
            return FALSE;
        case WM_GETTEXT:
            return window != nullptr
                       ? window->GetText(reinterpret_cast<char*>(lParam), static_cast<int>(wParam))
                       : 0;
        case WM_SETTEXT:
            return window != nullptr ? window->SetText(reinterpret_cast<const char*>(lParam))
                                     : FALSE;
        default:
            return 0;
    }
}

bool Win32AcceptsInput(NativeWindow* window, UINT message) {
    return !IsInputMessage(message) || window->Enabled();
}

// ---------------------------------------------------------------- geometry

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD) {
    if (rect == nullptr) return FALSE;
    RECT insets = FrameInsets(style);
    rect->left -= insets.left;
    rect->top -= insets.top;
    rect->right += insets.right;
    rect->bottom += insets.bottom;
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) {
    return AdjustWindowRectEx(rect, style, menu, 0);
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    if (NativeWindow* window = NativeWindow::From(handle)) {
        *rect = RECT{0, 0, window->Width(), window->Height()};
        return TRUE;
    }
    // A native X11 window passed as a handle (the preview's parent).
    int width = 0, height = 0;
    if (Win32Window::FromHandle(handle) == nullptr &&
        reinterpret_cast<uintptr_t>(handle) <= 0xFFFFFFFFu &&
        Win32QueryXWindow(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle)), &width,
                          &height)) {
        *rect = RECT{0, 0, width, height};
        return TRUE;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr || rect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = window->ScreenRect();
    if (window->parent == nullptr) {
        RECT insets = FrameInsets(window->style);
        rect->left -= insets.left;
        rect->top -= insets.top;
        rect->right += insets.right;
        rect->bottom += insets.bottom;
    }
    return TRUE;
}

BOOL ClientToScreen(HWND handle, LPPOINT point) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr || point == nullptr) return FALSE;
    RECT screen = window->ScreenRect();
    point->x += screen.left;
    point->y += screen.top;
    return TRUE;
}

BOOL ScreenToClient(HWND handle, LPPOINT point) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr || point == nullptr) return FALSE;
    RECT screen = window->ScreenRect();
    point->x -= screen.left;
    point->y -= screen.top;
    return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool child = window->xChild != 0;
    RECT insets = child ? RECT{0, 0, 0, 0} : FrameInsets(window->style);
    if (!(flags & SWP_NOSIZE)) {
        int clientWidth = std::max(width - insets.left - insets.right, 1);
        int clientHeight = std::max(height - insets.top - insets.bottom, 1);
        if (child) {
            XResizeWindow(Win32XDisplay(), window->xChild, clientWidth, clientHeight);
            XFlush(Win32XDisplay());
        } else {
            SDL_SetWindowSize(window->sdl, clientWidth, clientHeight);
        }
        window->Resize(clientWidth, clientHeight);
    }
    if (!(flags & SWP_NOMOVE)) {
        if (child) {
            // A pop-up inside a daemon's window is placed in screen terms.
            Win32SaverHostWindow host;
            if (window->parent == nullptr && Win32FindSaverHostWindow(&host)) {
                x -= host.rect.left;
                y -= host.rect.top;
            }
            XMoveWindow(Win32XDisplay(), window->xChild, x, y);
            XFlush(Win32XDisplay());
        } else {
            SDL_SetWindowPosition(window->sdl, x + insets.left, y + insets.top);
        }
    }
    if (!(flags & SWP_NOZORDER) && !child) {
        if (insertAfter == HWND_TOPMOST) {
            window->exStyle |= WS_EX_TOPMOST;
            SDL_SetWindowAlwaysOnTop(window->sdl, SDL_TRUE);
        } else if (insertAfter == HWND_NOTOPMOST) {
            window->exStyle &= ~WS_EX_TOPMOST;
            SDL_SetWindowAlwaysOnTop(window->sdl, SDL_FALSE);
        }
        if (insertAfter != HWND_BOTTOM && window->visible && !(flags & SWP_NOACTIVATE)) {
            SDL_RaiseWindow(window->sdl);
        }
    }
    if (flags & SWP_SHOWWINDOW) window->Show(SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) window->Show(SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
    BOOL moved = SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (moved && repaint) InvalidateRect(handle, nullptr, TRUE);
    return moved;
}

BOOL IsIconic(HWND handle) {
    NativeWindow* window = NativeWindow::From(handle);
    return window != nullptr && (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) ? TRUE
                                                                                         : FALSE;
}

HWND SetFocus(HWND handle) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) return nullptr;
    SDL_SetWindowInputFocus(window->sdl);
    return nullptr;
}

BOOL SetForegroundWindow(HWND handle) {
    NativeWindow* window = NativeWindow::From(handle);
    if (window == nullptr) return FALSE;
    SDL_RaiseWindow(window->sdl);
    return TRUE;
}

HWND GetDesktopWindow() {
    // No window object stands for the desktop; null is also what the
    // stand-in's calls take as "the screen".
    return nullptr;
}
