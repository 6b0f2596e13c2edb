// The display connections behind the window backend: SDL's video subsystem,
// started once on first use by the thread that makes windows, and one Xlib
// connection of our own for what SDL cannot do (children of foreign X11
// windows, checking that a window id exists).
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;

struct _XDisplay;

// Starts SDL video (once) with the hints the backend relies on. False when no
// display can be opened.
bool Win32EnsureVideo();
// Whether SDL video runs and the caller is the thread that started it (the
// only thread that may pump SDL events).
bool Win32IsVideoThread();
// Our Xlib connection, opened on first use; null when there is no X server.
_XDisplay* Win32XDisplay();
// Size of an existing X11 window; false when the id names no window (the X
// error is trapped, never fatal).
bool Win32QueryXWindow(unsigned long window, int* width, int* height);
// Position on the root window and size of an existing X11 window; false when
// the id names no window.
bool Win32QueryXWindowOnRoot(unsigned long window, int* x, int* y, int* width, int* height);
// Creates and maps a child window of `parent` at the given client position
// and size; 0 when the parent does not exist.
unsigned long Win32CreateXChild(unsigned long parent, int x, int y, int width, int height);
void Win32DestroyXChild(unsigned long window);
// Windows of ours that the X server destroyed (a foreign parent went away and
// took our child with it), since the last call.
std::vector<unsigned long> Win32TakeDestroyedXWindows();
