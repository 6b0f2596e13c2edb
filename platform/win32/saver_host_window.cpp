#include "platform/win32/saver_host_window.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/win32/video_connection.h"

namespace {

// The id is parsed and its geometry asked once per value of the variable:
// the daemon's window does not move while its saver runs, and monitor
// queries come often.
std::mutex hostLock;
std::string checkedValue;
bool checkedFound = false;
Win32SaverHostWindow checkedHost{};

bool ParseWindowId(const char* text, unsigned long* window) {
    errno = 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 0);
    if (end == text || *end != '\0' || errno == ERANGE || value == 0 || text[0] == '-') {
        return false;
    }
    *window = value;
    return true;
}

}  // namespace

bool Win32FindSaverHostWindow(Win32SaverHostWindow* host) {
    const char* value = std::getenv("XSCREENSAVER_WINDOW");
    if (value == nullptr || value[0] == '\0') return false;
    std::lock_guard<std::mutex> hold(hostLock);
    if (value != checkedValue) {
        checkedValue = value;
        checkedFound = false;
        unsigned long window = 0;
        int x = 0, y = 0, width = 0, height = 0;
        if (ParseWindowId(value, &window) &&
            Win32QueryXWindowOnRoot(window, &x, &y, &width, &height) && width > 0 && height > 0) {
            checkedHost = Win32SaverHostWindow{window, RECT{x, y, x + width, y + height}};
            checkedFound = true;
        }
    }
    if (checkedFound && host != nullptr) *host = checkedHost;
    return checkedFound;
}
