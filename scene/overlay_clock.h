// The clock text of the overlays: "13:05" in 24-hour form, "01:05pm" in
// 12-hour form (hour 0 shows as 12am, hour 12 as 12pm).
#pragma once

#include <cstddef>

// Formats `hour`:`minute` into `buffer` (at most `capacity` bytes with the NUL).
void FormatClockTime(int hour, int minute, bool twentyFourHour, char* buffer, size_t capacity);

// The local time formatted as above; the text lives in a buffer of 1024 bytes
// that the next call overwrites.
const char* FormatClock(bool twentyFourHour);
