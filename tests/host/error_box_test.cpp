#include "host/error_box.h"
#include "host/error_messages.h"
#include "host/saver_codes.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorBox, StartsCentredAndMovesOnA1024By768Monitor) {
    MonitorRecord monitor = {};
    const RECT bounds = {0, 0, 1024, 768};
    PlaceErrorBox(monitor, bounds, false);
    EXPECT_FLOAT_EQ(monitor.boxX, 362.0f);
    EXPECT_FLOAT_EQ(monitor.boxY, 309.0f);
    EXPECT_FLOAT_EQ(monitor.boxWidth, 300.0f);
    EXPECT_FLOAT_EQ(monitor.boxHeight, 150.0f);
    EXPECT_FLOAT_EQ(monitor.boxVelocityX, 102.4f);
    EXPECT_FLOAT_EQ(monitor.boxVelocityY, 38.4f);

    RECT before, after;
    EXPECT_TRUE(MoveErrorBox(monitor, bounds, 1.0f, &before, &after));
    EXPECT_EQ(before.left, 362);
    EXPECT_EQ(before.top, 309);
    EXPECT_EQ(before.right, 662);
    EXPECT_EQ(before.bottom, 459);
    EXPECT_EQ(after.left, 464);
    EXPECT_EQ(after.top, 347);
}

TEST(ErrorBox, BouncesOffEveryEdge) {
    MonitorRecord monitor = {};
    const RECT bounds = {0, 0, 1024, 768};
    PlaceErrorBox(monitor, bounds, false);
    RECT before, after;
    bool turnedX = false, turnedY = false, turnedBackX = false;
    for (int step = 0; step < 4000; ++step) {
        const float vx = monitor.boxVelocityX, vy = monitor.boxVelocityY;
        MoveErrorBox(monitor, bounds, 0.05f, &before, &after);
        EXPECT_GE(after.left, 0);
        EXPECT_GE(after.top, 0);
        EXPECT_LE(after.right, 1024);
        EXPECT_LE(after.bottom, 768);
        if (vx > 0 && monitor.boxVelocityX < 0) turnedX = true;
        if (vx < 0 && monitor.boxVelocityX > 0) turnedBackX = true;
        if (vy > 0 && monitor.boxVelocityY < 0) turnedY = true;
    }
    EXPECT_TRUE(turnedX);
    EXPECT_TRUE(turnedBackX);
    EXPECT_TRUE(turnedY);
}

TEST(ErrorBox, OffsetBoundsOfASecondMonitor) {
    MonitorRecord monitor = {};
    const RECT bounds = {-1280, 0, 0, 1024};
    PlaceErrorBox(monitor, bounds, false);
    EXPECT_FLOAT_EQ(monitor.boxX, -790.0f);
    EXPECT_FLOAT_EQ(monitor.boxY, 437.0f);
    EXPECT_FLOAT_EQ(monitor.boxVelocityX, 128.0f);
}

TEST(ErrorBox, PreviewBoxFillsTheWindowAndStaysStill) {
    MonitorRecord monitor = {};
    const RECT bounds = {0, 0, 152, 112};
    PlaceErrorBox(monitor, bounds, true);
    const RECT box = ErrorBoxRect(monitor);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 152);
    EXPECT_EQ(box.bottom, 112);
    RECT before, after;
    EXPECT_FALSE(MoveErrorBox(monitor, bounds, 5.0f, &before, &after));
}

TEST(ErrorMessages, CodesMapToTheirStrings) {
    EXPECT_EQ(ErrorStringId(E_FAIL), 2100u);
    EXPECT_EQ(ErrorStringId(SaverErrNoDirect3D), 2101u);
    EXPECT_EQ(ErrorStringId(SaverErrInitFailed), 2102u);
    EXPECT_EQ(ErrorStringId(SaverErrCreateDeviceFailed), 2103u);
    EXPECT_EQ(ErrorStringId(SaverErrNoCompatibleDevices), 2104u);
    EXPECT_EQ(ErrorStringId(SaverErrNoHardwareDevice), 2105u);
    EXPECT_EQ(ErrorStringId(SaverErrHardwareNotCompatible), 2106u);
    EXPECT_EQ(ErrorStringId(SaverErrNoHardwareThisMode), 2107u);
    EXPECT_EQ(ErrorStringId(SaverErrMediaNotFound), 2108u);
    EXPECT_EQ(ErrorStringId(SaverErrResetFailed), 2109u);
    EXPECT_EQ(ErrorStringId(E_OUTOFMEMORY), 2110u);
    EXPECT_EQ(ErrorStringId((HRESULT)0x8876017C), 2111u);
    EXPECT_EQ(ErrorStringId(SaverErrNoPreview), 2112u);
    EXPECT_EQ(ErrorStringId(SaverErrDeviceResourcesFailed), 2100u);
    EXPECT_EQ(ErrorStringId(S_OK), 2100u);
    EXPECT_EQ(ErrorStringId((HRESULT)0x88760868), 2100u);
}

}  // namespace
