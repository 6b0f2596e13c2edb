// The view volume of one screen when several monitors show parts of one wide
// picture, or each the whole picture.
#pragma once

#include <windows.h>

// The near-plane rectangle of an off-centre perspective volume.
struct OffCenterVolume {
    float left;
    float right;
    float bottom;
    float top;
};

// The volume of screen rectangle `screen` within `bounds` (the union of all
// screens, or the screen itself when every monitor shows the same picture):
// the smaller side of the bounds sees exactly -near/2..near/2.
OffCenterVolume ComputeOffCenterVolume(const RECT& screen, const RECT& bounds, float zNear);
