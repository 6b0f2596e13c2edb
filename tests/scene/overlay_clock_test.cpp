#include <gtest/gtest.h>

#include "scene/overlay_clock.h"

TEST(OverlayClockTest, TwelveAndTwentyFourHourForms) {
    char text[1024];
    FormatClockTime(0, 5, false, text, sizeof(text));
    EXPECT_STREQ(text, "12:05am");
    FormatClockTime(12, 0, false, text, sizeof(text));
    EXPECT_STREQ(text, "12:00pm");
    FormatClockTime(13, 9, false, text, sizeof(text));
    EXPECT_STREQ(text, "01:09pm");
    FormatClockTime(11, 59, false, text, sizeof(text));
    EXPECT_STREQ(text, "11:59am");
    FormatClockTime(13, 9, true, text, sizeof(text));
    EXPECT_STREQ(text, "13:09");
    FormatClockTime(0, 0, true, text, sizeof(text));
    EXPECT_STREQ(text, "00:00");
    EXPECT_NE(FormatClock(true)[0], '\0');
}
