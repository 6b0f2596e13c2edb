// The saver program as a child process of a test under a private X server:
// starting it, waiting for its windows and its end, and looking at what it
// drew.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/x_screen.h"

// Starts the built program with `args` in `folder` (by default the build
// folder, where Media.dat is), with `environment` added to the test's own;
// its standard error goes to `errorFile` when one is named.
pid_t StartSaver(const std::vector<std::string>& args, const std::string& folder = "",
                 const std::vector<std::pair<std::string, std::string>>& environment = {},
                 const std::string& errorFile = "");

// Starts `program` (a path, or a name looked up on PATH) the same way in
// `folder`; its standard output goes to `outputFile` when one is named.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& environment = {},
                   const std::string& errorFile = "", const std::string& outputFile = "");

// Waits up to `limit` for the process to end; its exit status, or -1 (then
// it is killed).
int WaitFor(pid_t pid, std::chrono::milliseconds limit);

// Whether the process still runs.
bool StillRunning(pid_t pid);

// Waits until a visible window whose name matches the regular expression
// `name` exists; false after `limit`.
bool WaitForWindow(const std::string& name, std::chrono::milliseconds limit);

// Position and size of the first visible window whose name matches the
// regular expression `name`; x and y are -1 when there is none.
struct WindowBox {
    int x = -1, y = -1, width = 0, height = 0;
};
WindowBox FindWindowBox(const std::string& name);

// Asks the first visible window whose name matches to close, as its close
// box does; false when there is none.
bool CloseWindowNamed(const std::string& name);

// Ends the saver when a test returns early, so no orphan keeps running.
class SaverGuard {
public:
    explicit SaverGuard(pid_t pid) : pid(pid) {}
    ~SaverGuard();
    SaverGuard(const SaverGuard&) = delete;
    SaverGuard& operator=(const SaverGuard&) = delete;

private:
    pid_t pid;
};
