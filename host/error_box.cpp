#include "host/error_box.h"

namespace {

constexpr float BoxWidth = 300.0f;
constexpr float BoxHeight = 150.0f;

}  // namespace

void PlaceErrorBox(MonitorRecord& monitor, const RECT& bounds, bool fillBounds) {
    const float width = static_cast<float>(bounds.right - bounds.left);
    const float height = static_cast<float>(bounds.bottom - bounds.top);
    if (fillBounds) {
        monitor.boxX = 0.0f;
        monitor.boxY = 0.0f;
        monitor.boxWidth = width;
        monitor.boxHeight = height;
        monitor.boxVelocityX = 0.0f;
        monitor.boxVelocityY = 0.0f;
        return;
    }
    monitor.boxWidth = BoxWidth;
    monitor.boxHeight = BoxHeight;
    monitor.boxX = static_cast<float>(bounds.left + bounds.right - BoxWidth) * 0.5f;
    monitor.boxY = static_cast<float>(bounds.top + bounds.bottom - BoxHeight) * 0.5f;
    monitor.boxVelocityX = width / 10.0f;
    monitor.boxVelocityY = height / 20.0f;
}

RECT ErrorBoxRect(const MonitorRecord& monitor) {
    RECT box;
    box.left = static_cast<LONG>(monitor.boxX);
    box.top = static_cast<LONG>(monitor.boxY);
    box.right = static_cast<LONG>(monitor.boxX + monitor.boxWidth);
    box.bottom = static_cast<LONG>(monitor.boxY + monitor.boxHeight);
    return box;
}

bool MoveErrorBox(MonitorRecord& monitor, const RECT& bounds, float seconds, RECT* before,
                  RECT* after) {
    *before = ErrorBoxRect(monitor);
    const float stepX = monitor.boxVelocityX * seconds;
    const float stepY = monitor.boxVelocityY * seconds;
    if ((monitor.boxVelocityX > 0 &&
         monitor.boxX + stepX + monitor.boxWidth > static_cast<float>(bounds.right)) ||
        (monitor.boxVelocityX < 0 && monitor.boxX + stepX < static_cast<float>(bounds.left))) {
        monitor.boxVelocityX = -monitor.boxVelocityX;
    }
    if ((monitor.boxVelocityY > 0 &&
         monitor.boxY + stepY + monitor.boxHeight > static_cast<float>(bounds.bottom)) ||
        (monitor.boxVelocityY < 0 && monitor.boxY + stepY < static_cast<float>(bounds.top))) {
        monitor.boxVelocityY = -monitor.boxVelocityY;
    }
    monitor.boxX += monitor.boxVelocityX * seconds;
    monitor.boxY += monitor.boxVelocityY * seconds;
    *after = ErrorBoxRect(monitor);
    return after->left != before->left || after->top != before->top;
}
