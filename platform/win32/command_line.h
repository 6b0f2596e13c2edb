// The process's command line as one text, the way Windows hands it over:
// every argument separated by one space, quoted when it holds a space or tab
// (or is empty), with quotes inside an argument escaped by a backslash.
#pragma once

#include <string>
#include <vector>

std::string Win32JoinCommandLine(const std::vector<std::string>& arguments);
// Replaces the arguments GetCommandLine reports (by default the process's
// own, read from /proc/self/cmdline). An entry point may call it with argv.
void Win32SetCommandLineArguments(const std::vector<std::string>& arguments);
