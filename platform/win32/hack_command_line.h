// The command line as a desktop screen-saver daemon and its users write it
// (--root, --window-id ID, --window -geometry WxH+X+Y, --fps, --help, and the
// settings of one run such as --time night), turned into what the saver
// understands: the system's run-mode switches, the window to draw in, and
// settings values that override the stored ones for this process only. A
// command line with none of these words is left to the system's switch rule.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct HackWindowGeometry {
    bool given = false;
    int width = 0, height = 0;
    bool placed = false;  // +X+Y was given
    int x = 0, y = 0;
};

struct HackCommandLine {
    enum class Outcome { Run, Usage, Version, Error };
    Outcome outcome = Outcome::Run;
    // The arguments the host's switch rule reads, program path first; empty
    // when the process's own command line stands as it is.
    std::vector<std::string> saverArguments;
    std::string windowId;  // --window-id, decimal or 0x hexadecimal
    HackWindowGeometry geometry;
    // Scene settings values (registry value name, value) for this run.
    std::vector<std::pair<std::string, unsigned long>> settings;
    std::string error;  // for Outcome::Error, one line without the program name
};

// `arguments` holds the program path first.
HackCommandLine ReadHackCommandLine(const std::vector<std::string>& arguments);

// The options, one a line, for --help and after an error.
std::string HackUsage(const std::string& program);
