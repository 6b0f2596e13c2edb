// Every HWND of the stand-in points at a Win32Window: top-level and child
// windows of the window backend and the dialogs and controls of the dialog
// backend all derive from it, so the generic calls (SendMessage, ShowWindow,
// EnableWindow, window text, IsWindow) work on any of them.
#pragma once

#include <windows.h>

struct SDL_Window;

class Win32Window {
public:
    Win32Window();
    virtual ~Win32Window();
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND Handle() { return reinterpret_cast<HWND>(this); }
    // The live object behind a handle; null for a handle that was never made
    // or whose object is gone.
    static Win32Window* FromHandle(HWND handle);

    // Delivers a message synchronously (SendMessage).
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual BOOL Show(int command) = 0;
    // Returns whether the window was disabled before, as EnableWindow does.
    virtual BOOL Enable(BOOL enable) = 0;
    virtual BOOL SetText(const char* text) = 0;
    // Copies at most `capacity` - 1 characters and a NUL; returns the count copied.
    virtual int GetText(char* buffer, int capacity) = 0;
    virtual HWND Parent() { return nullptr; }
    // The SDL window that shows this window's contents, if it has one of its own.
    virtual SDL_Window* SdlWindow() { return nullptr; }
};
