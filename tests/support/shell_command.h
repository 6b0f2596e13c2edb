// A shell command run to its end: its exit status and everything it printed
// on standard output and standard error.
#pragma once

#include <string>

struct CommandOutput {
    int status = -1;  // -1 when it could not run or did not exit normally
    std::string text;
};

CommandOutput CaptureCommand(const std::string& command);
