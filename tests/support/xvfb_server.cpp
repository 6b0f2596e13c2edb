#include "tests/support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

XvfbServer::XvfbServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string fd = std::to_string(fds[1]);
    pid = fork();
    if (pid == 0) {
        // A test process that dies, or ends a child with _exit, takes its
        // server with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "+extension", "GLX", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number it took once it accepts connections.
    std::string number;
    pollfd waitFor = {fds[0], POLLIN, 0};
    char c;
    while (poll(&waitFor, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
        return;
    }
    display = ":" + number;
    if (const char* old = getenv("DISPLAY")) {
        hadDisplay = true;
        previousDisplay = old;
    }
    setenv("DISPLAY", display.c_str(), 1);
}

void XvfbServer::Kill() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = 0;
}

XvfbServer::~XvfbServer() {
    if (display.empty()) return;
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (hadDisplay) {
        setenv("DISPLAY", previousDisplay.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}
