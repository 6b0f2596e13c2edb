#include "tests/win32_windows/x_display.h"


bool StartPrivateDisplay() {
    // Stopped when the process exits.
    static XvfbServer server(kScreenWidth, kScreenHeight);
    return server.Running();
}

// libdbus, loaded by SDL's X11 video start-up, keeps one allocation for the
// whole process; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
