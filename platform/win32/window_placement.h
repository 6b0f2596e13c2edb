// Where the program's captioned top-level window goes when the command line
// says: a size and place (-geometry), with which it comes up resizable, or
// another program's X11 window (a settings preview pane), which it then
// fills as a child and leaves when that window is destroyed.
#pragma once

void Win32PlaceCaptionedWindow(int clientWidth, int clientHeight, bool placed, int x, int y);
void Win32PlaceCaptionedWindowIn(unsigned long xWindow);
