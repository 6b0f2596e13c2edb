// The camera tour: cuts, the day/night flip, preset positions and the
// mirrored view of the reflection pass.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>

#include "scene/camera_tour.h"

TEST(CameraTourTest, CutsOnlyWhenTheTimerPassesTheDelay) {
    int index = 0;
    float timer = 0.0f;
    // Default delay 15: a cut strictly after 20 seconds.
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(AdvanceCameraTimer(&index, &timer, 1.0f, 15));
    EXPECT_EQ(index, 0);
    EXPECT_FLOAT_EQ(timer, 20.0f);  // equality does not cut
    EXPECT_FALSE(AdvanceCameraTimer(&index, &timer, 0.5f, 15));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(timer, 0.0f);
}

TEST(CameraTourTest, ALongFrameAdvancesExactlyOnePresetAndDropsTheExcess) {
    int index = 2;
    float timer = 3.0f;
    EXPECT_FALSE(AdvanceCameraTimer(&index, &timer, 500.0f, 0));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(timer, 0.0f);
}

// Delays from outside the dialog's range (stored by hand, or by another
// program) are taken at the nearest end of 0..40: no value cuts more often
// than every 5 seconds, none waits longer than 45, and none overflows.
TEST(CameraTourTest, DelaysOutsideTheRangeCutEveryFiveToFortyFiveSeconds) {
    const std::pair<int, float> cases[] = {
        {-1, 5.0f},         {0, 5.0f},           {40, 45.0f},          {41, 45.0f},
        {0x7fffffff, 45.0f}, {INT32_MIN, 5.0f}, {-5, 5.0f}};
    for (auto [delay, seconds] : cases) {
        int index = 0;
        float timer = 0.0f;
        int frame = 0;
        // Frames of a sixtieth of a second: no cut before the interval.
        while (index == 0 && frame < 60 * 60) {
            AdvanceCameraTimer(&index, &timer, 1.0f / 60.0f, delay);
            ++frame;
        }
        EXPECT_NEAR(frame / 60.0f, seconds, 0.05f) << delay;
    }
}

TEST(CameraTourTest, WrappingFromTheLastPresetAsksForTheDayNightFlip) {
    int index = 0;
    float timer = 0.0f;
    int flips = 0;
    // Delay 0: a cut every frame of 6 seconds; 14 cuts make a day and a night.
    for (int cut = 0; cut < 14; ++cut) flips += AdvanceCameraTimer(&index, &timer, 6.0f, 0);
    EXPECT_EQ(flips, 2);
    EXPECT_EQ(index, 0);
}

TEST(CameraTourTest, PresetsFollowTheRunningTime) {
    D3DXVECTOR3 eye, target;
    CameraPresetAt(0, 0.0f, &eye, &target);
    EXPECT_FLOAT_EQ(eye.x, -50.0f);
    EXPECT_FLOAT_EQ(eye.y, 90.0f);
    EXPECT_FLOAT_EQ(eye.z, 200.0f);
    EXPECT_FLOAT_EQ(target.y, 40.0f);

    CameraPresetAt(2, 0.0f, &eye, &target);
    EXPECT_FLOAT_EQ(eye.x, 1.0f);  // not 0
    EXPECT_FLOAT_EQ(eye.z, 220.0f);

    float t = 100.0f;
    CameraPresetAt(3, t, &eye, &target);
    EXPECT_FLOAT_EQ(eye.z, -200.0f * std::cos(t / 18.0f));
    CameraPresetAt(1, t, &eye, &target);
    EXPECT_FLOAT_EQ(target.z, 60.0f);
    CameraPresetAt(6, t, &eye, &target);
    EXPECT_FLOAT_EQ(eye.x, 110.0f * std::cos(t / 10.0f));
    EXPECT_NEAR(target.y, 40.0f + 10.0f * std::sin(0.5f * t), 1e-4f);

    // The same preset at another time shows another position.
    D3DXVECTOR3 later;
    CameraPresetAt(6, t + 7.0f, &later, &target);
    EXPECT_NE(later.x, eye.x);
}

TEST(CameraTourTest, MirroredViewNegatesFiveElements) {
    D3DXVECTOR3 eye(180.0f, 75.0f, 120.0f), target(0.0f, 30.0f, 60.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view, mirrored;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    MirrorViewMatrix(view, &mirrored);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            bool negated = (r == 0 && c == 1) || (r == 1 && c == 0) || (r == 1 && c == 2) ||
                           (r == 2 && c == 1) || (r == 3 && c == 1);
            EXPECT_EQ(mirrored.m[r][c], negated ? -view.m[r][c] : view.m[r][c]) << r << c;
        }
    }
    // A point below the water seen through the mirrored view lands where its
    // mirror image above the water lands in the normal view, upside down.
    D3DXVECTOR3 above(10.0f, 20.0f, 30.0f);
    float viewY = above.x * view._12 + above.y * view._22 + above.z * view._32 + view._42;
    float mirrorY =
        above.x * mirrored._12 - above.y * mirrored._22 + above.z * mirrored._32 + mirrored._42;
    EXPECT_NEAR(mirrorY, -viewY, 1e-3f);
}
