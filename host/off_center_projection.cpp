#include "host/off_center_projection.h"

OffCenterVolume ComputeOffCenterVolume(const RECT& screen, const RECT& bounds, float zNear) {
    const LONG cx = (bounds.left + bounds.right) / 2;
    const LONG cy = (bounds.top + bounds.bottom) / 2;
    LONG side = bounds.right - bounds.left;
    if (bounds.bottom - bounds.top < side) side = bounds.bottom - bounds.top;
    // An empty window (minimised, or not laid out yet) would divide by zero.
    if (side < 1) side = 1;
    const float s = static_cast<float>(side);
    OffCenterVolume v;
    v.left = zNear * (static_cast<float>(screen.left - cx) / s);
    v.right = zNear * (static_cast<float>(screen.right - cx) / s);
    v.bottom = zNear * (static_cast<float>(screen.top - cy) / s);
    v.top = zNear * (static_cast<float>(screen.bottom - cy) / s);
    return v;
}
