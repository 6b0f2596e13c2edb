#include "host/mouse_activity.h"
#include "host/off_center_projection.h"

#include <gtest/gtest.h>

namespace {

TEST(OffCenterProjection, OneScreenIsSymmetricAndSeesHalfNearOnItsShortSide) {
    const RECT screen = {0, 0, 1024, 768};
    const OffCenterVolume v = ComputeOffCenterVolume(screen, screen, 1.0f);
    EXPECT_FLOAT_EQ(v.bottom, -0.5f);
    EXPECT_FLOAT_EQ(v.top, 0.5f);
    EXPECT_FLOAT_EQ(v.left, -512.0f / 768.0f);
    EXPECT_FLOAT_EQ(v.right, 512.0f / 768.0f);
}

TEST(OffCenterProjection, TwoScreensSideBySideShareOneWideView) {
    const RECT leftScreen = {0, 0, 1024, 768};
    const RECT rightScreen = {1024, 0, 2048, 768};
    const RECT total = {0, 0, 2048, 768};
    const OffCenterVolume a = ComputeOffCenterVolume(leftScreen, total, 2.0f);
    const OffCenterVolume b = ComputeOffCenterVolume(rightScreen, total, 2.0f);
    EXPECT_FLOAT_EQ(a.left, 2.0f * (-1024.0f / 768.0f));
    EXPECT_FLOAT_EQ(a.right, 0.0f);
    EXPECT_FLOAT_EQ(b.left, 0.0f);
    EXPECT_FLOAT_EQ(b.right, 2.0f * (1024.0f / 768.0f));
    EXPECT_FLOAT_EQ(a.bottom, -1.0f);
    EXPECT_FLOAT_EQ(b.top, 1.0f);

    // Every monitor showing the whole picture: bounds are the screen itself.
    const OffCenterVolume same = ComputeOffCenterVolume(rightScreen, rightScreen, 2.0f);
    EXPECT_FLOAT_EQ(same.left, -same.right);
    EXPECT_FLOAT_EQ(same.bottom, -1.0f);
}

TEST(OffCenterProjection, CentreTruncatesTowardZeroAndEmptyBoundsStayFinite) {
    const RECT odd = {-3, 0, 0, 2};  // centre -1 (not -2), height 2 is the short side
    const OffCenterVolume v = ComputeOffCenterVolume(odd, odd, 1.0f);
    EXPECT_FLOAT_EQ(v.left, -1.0f);
    EXPECT_FLOAT_EQ(v.right, 0.5f);
    const RECT empty = {0, 0, 0, 0};
    const OffCenterVolume e = ComputeOffCenterVolume(empty, empty, 1.0f);
    EXPECT_FLOAT_EQ(e.left, 0.0f);
    EXPECT_FLOAT_EQ(e.top, 0.0f);
}

TEST(MouseActivity, OnlyChangedPositionsCount) {
    ForgetMousePosition();
    UINT count = 0;
    EXPECT_TRUE(CountMouseMove(MAKELONG(10, 10), &count));
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(CountMouseMove(MAKELONG(10, 10), &count));
    EXPECT_EQ(count, 1u);
    EXPECT_TRUE(CountMouseMove(MAKELONG(10, 11), &count));
    EXPECT_TRUE(CountMouseMove(MAKELONG(500, 11), &count));  // one jump counts once
    EXPECT_EQ(count, 3u);
    // Positions are signed: a window left of the primary monitor sees negatives.
    EXPECT_TRUE(CountMouseMove(MAKELONG(-5, -7), &count));
    EXPECT_FALSE(CountMouseMove(MAKELONG(0xFFFB, 0xFFF9), &count));
    // The very first message at (-1, -1) matches the initial position.
    ForgetMousePosition();
    count = 0;
    EXPECT_FALSE(CountMouseMove(MAKELONG(-1, -1), &count));
}

}  // namespace
