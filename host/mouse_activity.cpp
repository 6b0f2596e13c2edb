#include "host/mouse_activity.h"

#include <cstdint>

namespace {

int lastMouseX = -1;
int lastMouseY = -1;

}  // namespace

bool CountMouseMove(LPARAM position, UINT* moveCount) {
    const int x = static_cast<int16_t>(LOWORD(position));
    const int y = static_cast<int16_t>(HIWORD(position));
    if (x == lastMouseX && y == lastMouseY) return false;
    lastMouseX = x;
    lastMouseY = y;
    ++*moveCount;
    return true;
}

void ForgetMousePosition() {
    lastMouseX = -1;
    lastMouseY = -1;
}
