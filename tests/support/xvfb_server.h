// A private X server (Xvfb) for tests that need real windows. It picks a free
// display number itself, sets DISPLAY for the test process while it runs and
// restores the previous value when it stops.
#pragma once

#include <string>
#include <sys/types.h>

class XvfbServer {
public:
    // Starts Xvfb with one screen of the given size; Running() tells whether
    // it came up.
    explicit XvfbServer(int width = 1280, int height = 1024);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return pid > 0; }
    const std::string& Display() const { return display; }
    // Kills the server at once, as a crash would: its clients lose their
    // connections. DISPLAY keeps naming it until the object goes.
    void Kill();

private:
    pid_t pid = -1;
    std::string display;
    std::string previousDisplay;
    bool hadDisplay = false;
};
