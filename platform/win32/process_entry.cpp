// On Linux: the daemon's command-line conventions, the heap policy, and
// termination signals as a request to quit (a screen-saver daemon ends its
// saver with SIGTERM), acted on by the exit watcher.
#include "platform/process_entry.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/hack_command_line.h"
#include "platform/win32/heap_policy.h"
#include "platform/win32/registry_overrides.h"
#include "platform/win32/termination_signals.h"
#include "platform/win32/window_placement.h"

namespace {

// The scene's settings key, whose values the options of one run override.
constexpr const char kSettingsKey[] = "Software\\Quintaro\\Velmora";

std::string ProgramName(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return "velmora";
    const std::string& path = arguments[0];
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int PrepareSaverProcess(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const HackCommandLine command = ReadHackCommandLine(arguments);
    const std::string program = ProgramName(arguments);
    switch (command.outcome) {
        case HackCommandLine::Outcome::Usage:
            std::fputs(HackUsage(program).c_str(), stdout);
            return 0;
        case HackCommandLine::Outcome::Version:
            std::printf("Velmora %s\n", VELMORA_VERSION);
            return 0;
        case HackCommandLine::Outcome::Error:
            std::fprintf(stderr, "%s: %s\n%s", program.c_str(), command.error.c_str(),
                         HackUsage(program).c_str());
            return 2;
        case HackCommandLine::Outcome::Run:
            break;
    }
    if (!command.saverArguments.empty()) Win32SetCommandLineArguments(command.saverArguments);
    // A window named on the command line, small as a preview pane may be, is
    // drawn in through a windowed device filling it, whatever size it has.
    if (!command.windowId.empty()) {
        Win32PlaceCaptionedWindowIn(std::strtoul(command.windowId.c_str(), nullptr, 0));
        // The settings program names the pane in XSCREENSAVER_WINDOW as well;
        // left set, it would make the pane the monitor, whose size no display
        // mode has, and the device search would find nothing.
        unsetenv("XSCREENSAVER_WINDOW");
    }
    for (const auto& [name, value] : command.settings) {
        Win32OverrideRegistryDword(kSettingsKey, name, static_cast<DWORD>(value));
    }
    if (command.geometry.given) {
        Win32PlaceCaptionedWindow(command.geometry.width, command.geometry.height,
                                  command.geometry.placed, command.geometry.x, command.geometry.y);
    }

    // The heap policy comes before the exit watcher's thread, and the watcher
    // before every other thread (they inherit its blocked signals) and before
    // the host lowers its own priority (the watcher keeps the one it starts with).
    Win32ApplyHeapPolicy();
    Win32QuitOnTerminationSignals();
    return -1;
}
