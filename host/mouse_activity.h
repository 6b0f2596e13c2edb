// Counting mouse moves that really moved the pointer: the system repeats
// WM_MOUSEMOVE at an unchanged position (after mode switches, cursor changes),
// and those must not end the saver.
#pragma once

#include <windows.h>

// A move message's position (signed low and high 16 bits of lParam). When it
// differs from the last position seen, remembers it, counts it in
// `*moveCount` and returns true. The last position lives for the whole process.
bool CountMouseMove(LPARAM position, UINT* moveCount);

// Moves with a changed position the saver tolerates; the next one ends it.
constexpr UINT MouseMovesTolerated = 5;

// Forgets the last position, as at program start (for tests).
void ForgetMousePosition();
