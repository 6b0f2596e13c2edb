// A real XScreenSaver daemon for end-to-end tests, with a home folder of its
// own under a private X server. The daemon launches hacks only for ordinary
// users, so when the tests run as root it and the programs started beside it
// run as "nobody".
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

// Whether the daemon and its command program are installed.
bool XScreenSaverInstalled();

// Waits until `done` holds, looking every 100 ms; false after `limit`.
template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit);

class XScreenSaverDaemon {
public:
    // Writes `home`/.xscreensaver with the one hack `hackCommand` (the
    // daemon's `programs:` line), hands the folder to the daemon's user and
    // starts the daemon there.
    XScreenSaverDaemon(const std::string& home, const std::string& hackCommand);
    // Asks the daemon to exit, then kills it if it does not.
    ~XScreenSaverDaemon();
    XScreenSaverDaemon(const XScreenSaverDaemon&) = delete;
    XScreenSaverDaemon& operator=(const XScreenSaverDaemon&) = delete;

    // Whether the daemon came up and answers xscreensaver-command.
    bool Running() const { return answering; }
    // Runs `xscreensaver-command -<verb>`; its exit status.
    int Command(const std::string& verb) const;
    // Starts `program` with `args` as the daemon's user, in its home with
    // its environment, output appended to `logName` in the home; its pid.
    pid_t StartBeside(const std::string& program, const std::vector<std::string>& args,
                      const std::string& logName) const;
    // What the daemon wrote to its log so far.
    std::string Log() const;

private:
    std::string home;
    pid_t pid = -1;
    bool answering = false;
};

// Writes `home`/hack.sh, a hack for the daemon that runs `command` (a shell
// command, the arguments the daemon adds following it) in `folder`, passes
// the daemon's SIGTERM on and writes down in `home` how it went: saver.pid,
// terminated (the time SIGTERM came), ended (the time the saver was gone)
// and exit-status, and the daemon's arguments in `arguments`. Returns the
// script's path.
std::string WriteHackScript(const std::string& home, const std::string& folder,
                            const std::string& command);

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}
