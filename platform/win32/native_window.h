// The windows of the window backend: an SDL window per HWND (top-level, or an
// Xlib child of an X11 window), a software canvas that GDI paints into and
// that is shown in the window, the update region and the class it was made of.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win32/window_object.h"

struct SDL_Surface;

class NativeWindow final : public Win32Window {
public:
    NativeWindow() = default;
    ~NativeWindow() override;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL Show(int command) override;
    BOOL Enable(BOOL enable) override;
    BOOL SetText(const char* text) override;
    int GetText(char* buffer, int capacity) override;
    HWND Parent() override { return parent; }
    SDL_Window* SdlWindow() override { return sdl; }

    // The live native window behind a handle, or null.
    static NativeWindow* From(HWND handle);
    // The native window shown by an SDL window, or null.
    static NativeWindow* FromSdl(SDL_Window* window);

    // Client-area size in pixels.
    int Width() const { return width; }
    int Height() const { return height; }
    // Follows a size change of the SDL window: a new canvas, all invalid.
    void Resize(int newWidth, int newHeight);
    // Client rectangle in screen coordinates.
    RECT ScreenRect() const;

    // Adds a rectangle (client coordinates, null for all) to the update region.
    void Invalidate(const RECT* rect, bool eraseBackground);
    void Validate() {
        updateValid = false;
        eraseNeeded = false;
    }
    bool NeedsPaint() const { return updateValid; }
    RECT UpdateRegion() const { return update; }
    bool EraseNeeded() const { return eraseNeeded; }
    void ClearErase() { eraseNeeded = false; }

    SDL_Surface* Canvas() { return canvas; }
    // Shows the canvas in the window.
    void Present();

    bool Enabled() const { return enabled; }
    bool Visible() const { return visible; }

    WNDPROC procedure = nullptr;
    UINT classStyle = 0;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
    HICON icon = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    HWND parent = nullptr;            // parent of a child window
    HWND owner = nullptr;             // owner of a top-level window
    unsigned long foreignParent = 0;  // X11 id when the parent is not ours
    unsigned long xChild = 0;         // our Xlib window for child windows
    SDL_Window* sdl = nullptr;
    std::thread::id thread = std::this_thread::get_id();
    std::string text;
    bool enabled = true;
    bool visible = false;
    int width = 0;
    int height = 0;

private:
    SDL_Surface* canvas = nullptr;
    RECT update{};
    bool updateValid = false;
    bool eraseNeeded = false;
};

// The live native windows, in creation order.
std::vector<NativeWindow*> Win32AllWindows();
// Messages, timers and paint state of a window that is going away.
void Win32ForgetWindowMessages(HWND window);
// Whether a message may reach the window (a disabled window takes no input).
bool Win32AcceptsInput(NativeWindow* window, UINT message);
// Sends WM_PAINT when the window has an update region (UpdateWindow).
void Win32PaintNow(NativeWindow* window);
