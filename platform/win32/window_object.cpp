#include "platform/win32/window_object.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex liveLock;
std::unordered_set<const Win32Window*>& LiveWindows() {
    static std::unordered_set<const Win32Window*> live;
    return live;
}

}  // namespace

Win32Window::Win32Window() {
    std::lock_guard<std::mutex> hold(liveLock);
    LiveWindows().insert(this);
}

Win32Window::~Win32Window() {
    std::lock_guard<std::mutex> hold(liveLock);
    LiveWindows().erase(this);
}

Win32Window* Win32Window::FromHandle(HWND handle) {
    auto* window = reinterpret_cast<Win32Window*>(handle);
    std::lock_guard<std::mutex> hold(liveLock);
    return LiveWindows().count(window) != 0 ? window : nullptr;
}
