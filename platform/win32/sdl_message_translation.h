// SDL events as the window messages that Windows would deliver for them. Pure:
// the caller finds the target window and decides where each message goes
// (WM_PAINT stands for "the whole window needs painting").
#pragma once

#include <windows.h>

union SDL_Event;

// Fills up to `capacity` messages for `window` from one SDL event and returns
// how many it wrote (0 for events that have no message).
int Win32TranslateSdlEvent(const SDL_Event& event, HWND window, MSG* messages, int capacity);

// The virtual-key code of an SDL key, 0 when it has none.
UINT Win32VirtualKeyFromSdl(int sdlKey);
