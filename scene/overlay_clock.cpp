#include "scene/overlay_clock.h"

#include <windows.h>

#include <cstdio>

void FormatClockTime(int hour, int minute, bool twentyFourHour, char* buffer, size_t capacity) {
    if (twentyFourHour) {
        std::snprintf(buffer, capacity, "%02d:%02d", hour, minute);
        return;
    }
    int shown = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
    std::snprintf(buffer, capacity, "%02d:%02d%s", shown, minute, hour >= 12 ? "pm" : "am");
}

const char* FormatClock(bool twentyFourHour) {
    static char text[1024];
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatClockTime(now.wHour, now.wMinute, twentyFourHour, text, sizeof(text));
    return text;
}
