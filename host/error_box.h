// The error box that drifts over black screens while the saver is in error
// mode: where it starts, how it moves and bounces.
#pragma once

#include <windows.h>

#include "host/monitor_record.h"

// First placement within `bounds`: a still box filling the bounds (the preview),
// or a 300 by 150 box in the middle that crosses the width in 10 seconds and
// the height in 20.
void PlaceErrorBox(MonitorRecord& monitor, const RECT& bounds, bool fillBounds);

// The box as whole pixels, each edge truncated.
RECT ErrorBoxRect(const MonitorRecord& monitor);

// Moves the box by `seconds`, turning back at the edges of `bounds`. Gives the
// pixel rectangles before and after; true when the box's corner moved.
bool MoveErrorBox(MonitorRecord& monitor, const RECT& bounds, float seconds, RECT* before,
                  RECT* after);
