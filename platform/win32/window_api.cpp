// The calls that work on any window handle through its Win32Window (native
// windows here, dialogs and controls of the dialog backend), and the cursor.
#include <SDL.h>

#include <cstring>

#include "platform/win32/native_window.h"
#include "platform/win32/video_connection.h"

BOOL IsWindow(HWND handle) {
    if (Win32Window::FromHandle(handle) != nullptr) return TRUE;
    // A native X11 window passed as a handle counts while it exists.
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value != 0 && value <= 0xFFFFFFFFu &&
        Win32QueryXWindow(static_cast<unsigned long>(value), nullptr, nullptr)) {
        return TRUE;
    }
    return FALSE;
}

BOOL IsWindowVisible(HWND handle) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) return FALSE;
    for (NativeWindow* native = NativeWindow::From(handle); native != nullptr;
         native = NativeWindow::From(native->parent)) {
        if (!native->Visible()) return FALSE;
    }
    return TRUE;
}

BOOL IsWindowEnabled(HWND handle) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) return FALSE;
    NativeWindow* native = NativeWindow::From(handle);
    return native == nullptr || native->Enabled() ? TRUE : FALSE;
}

BOOL ShowWindow(HWND handle, int command) {
    Win32Window* window = Win32Window::FromHandle(handle);
    return window != nullptr ? window->Show(command) : FALSE;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    Win32Window* window = Win32Window::FromHandle(handle);
    return window != nullptr ? window->Enable(enable) : FALSE;
}

BOOL SetWindowText(HWND handle, LPCSTR text) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return window->SetText(text);
}

int GetWindowText(HWND handle, LPSTR buffer, int capacity) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr || buffer == nullptr || capacity <= 0) {
        if (buffer != nullptr && capacity > 0) buffer[0] = '\0';
        return 0;
    }
    return window->GetText(buffer, capacity);
}

int GetWindowTextLength(HWND handle) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) return 0;
    // Ask with growing buffers: the object only reports what fits.
    for (int capacity = 256; capacity <= (1 << 20); capacity *= 4) {
        std::string buffer(size_t(capacity), '\0');
        int copied = window->GetText(buffer.data(), capacity);
        if (copied < capacity - 1) return copied;
    }
    return 0;
}

HWND GetParent(HWND handle) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (window == nullptr) return nullptr;
    if (NativeWindow* native = NativeWindow::From(handle)) {
        return native->parent != nullptr ? native->parent : native->owner;
    }
    return window->Parent();
}

// ---------------------------------------------------------------- cursor

namespace {

struct CursorObject {
    int resourceId;
    SDL_SystemCursor shape;
    SDL_Cursor* cursor;
};

CursorObject cursors[] = {
    {32512, SDL_SYSTEM_CURSOR_ARROW, nullptr}, {32513, SDL_SYSTEM_CURSOR_IBEAM, nullptr},
    {32514, SDL_SYSTEM_CURSOR_WAIT, nullptr},  {32515, SDL_SYSTEM_CURSOR_CROSSHAIR, nullptr},
    {32649, SDL_SYSTEM_CURSOR_HAND, nullptr},
};

HCURSOR currentCursor = reinterpret_cast<HCURSOR>(&cursors[0]);
int displayCount = 0;

bool VideoRuns() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

void ApplyCursor() {
    if (!VideoRuns()) return;
    auto* object = reinterpret_cast<CursorObject*>(currentCursor);
    if (object == nullptr || displayCount < 0) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (object->cursor == nullptr) object->cursor = SDL_CreateSystemCursor(object->shape);
    if (object->cursor != nullptr) SDL_SetCursor(object->cursor);
    SDL_ShowCursor(SDL_ENABLE);
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
    auto id = reinterpret_cast<uintptr_t>(name);
    // The program has no cursor resources of its own; only the system's exist.
    if (instance == nullptr) {
        for (CursorObject& cursor : cursors) {
            if (static_cast<uintptr_t>(cursor.resourceId) == id) {
                return reinterpret_cast<HCURSOR>(&cursor);
            }
        }
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = currentCursor;
    currentCursor = cursor;
    ApplyCursor();
    return previous;
}

int ShowCursor(BOOL show) {
    displayCount += show ? 1 : -1;
    ApplyCursor();
    return displayCount;
}

BOOL GetCursorPos(LPPOINT point) {
    if (point == nullptr || !VideoRuns()) return FALSE;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    *point = POINT{x, y};
    return TRUE;
}
