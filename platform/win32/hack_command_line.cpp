#include "platform/win32/hack_command_line.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace {

enum class RunMode { None, Root, Window };

// The option's name without its leading dashes, when `word` is one of the
// daemon's conventions: any word after "--", or a known name after one "-"
// (the daemon's own spelling, -root, -window-id, -fps). "-s", "-p" and the
// other one-letter switches stay the system's.
std::optional<std::string> OptionName(const std::string& word) {
    static const char* const singleDash[] = {
        "root",  "window-id", "window", "geometry", "fps",     "h",        "help",
        "version", "time",    "camera-delay", "clock", "sound", "no-sound", "volume"};
    if (word.size() > 2 && word.compare(0, 2, "--") == 0) return word.substr(2);
    if (word.size() > 1 && word[0] == '-' && word[1] != '-') {
        const std::string name = word.substr(1);
        for (const char* known : singleDash) {
            if (name == known) return name;
        }
    }
    return std::nullopt;
}

// A whole decimal number in [low, high].
bool ReadNumber(const std::string& text, long low, long high, long* out) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

bool IsWindowId(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    return *end == '\0' && errno == 0 && value != 0 && value <= 0xFFFFFFFFull;
}

// WxH, optionally followed by +X+Y, as X11 writes a geometry.
bool ReadGeometry(const std::string& text, HackWindowGeometry* out) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos) return false;
    const size_t plus = text.find('+', cross);
    long width = 0, height = 0;
    if (!ReadNumber(text.substr(0, cross), 1, 16384, &width) ||
        !ReadNumber(text.substr(cross + 1, plus - cross - 1), 1, 16384, &height)) {
        return false;
    }
    HackWindowGeometry geometry;
    geometry.given = true;
    geometry.width = static_cast<int>(width);
    geometry.height = static_cast<int>(height);
    if (plus != std::string::npos) {
        const size_t second = text.find('+', plus + 1);
        long x = 0, y = 0;
        if (second == std::string::npos ||
            !ReadNumber(text.substr(plus + 1, second - plus - 1), 0, 32767, &x) ||
            !ReadNumber(text.substr(second + 1), 0, 32767, &y)) {
            return false;
        }
        geometry.placed = true;
        geometry.x = static_cast<int>(x);
        geometry.y = static_cast<int>(y);
    }
    *out = geometry;
    return true;
}

HackCommandLine Failed(std::string message) {
    HackCommandLine failed;
    failed.outcome = HackCommandLine::Outcome::Error;
    failed.error = std::move(message);
    return failed;
}

}  // namespace

HackCommandLine ReadHackCommandLine(const std::vector<std::string>& arguments) {
    HackCommandLine result;
    std::vector<std::string> systemWords;
    RunMode mode = RunMode::None;
    bool anyOption = false;

    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::optional<std::string> option = OptionName(arguments[i]);
        if (!option) {
            systemWords.push_back(arguments[i]);
            continue;
        }
        anyOption = true;
        std::string name = *option;
        std::optional<std::string> inlineValue;
        if (const size_t equals = name.find('='); equals != std::string::npos) {
            inlineValue = name.substr(equals + 1);
            name.resize(equals);
        }
        // The value of an option that takes one: after '=' or the next word.
        auto value = [&](std::string* out) {
            if (inlineValue) {
                *out = *inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) return false;
            *out = arguments[++i];
            return true;
        };
        auto setMode = [&](RunMode chosen) {
            if (mode != RunMode::None && mode != chosen) return false;
            mode = chosen;
            return true;
        };
        const std::string dashed = "--" + name;
        std::string text;
        long number = 0;

        if (name == "h" || name == "help") {
            result.outcome = HackCommandLine::Outcome::Usage;
            return result;
        } else if (name == "version") {
            result.outcome = HackCommandLine::Outcome::Version;
            return result;
        } else if (name == "root") {
            if (!setMode(RunMode::Root)) return Failed("--root and --window exclude each other");
        } else if (name == "window-id") {
            if (!value(&text) || !IsWindowId(text)) {
                return Failed("--window-id needs a window id, decimal or 0x hexadecimal");
            }
            if (!setMode(RunMode::Root)) return Failed("--window-id and --window exclude each other");
            result.windowId = text;
        } else if (name == "window") {
            if (!setMode(RunMode::Window)) return Failed("--window and --root exclude each other");
        } else if (name == "geometry") {
            if (!value(&text) || !ReadGeometry(text, &result.geometry)) {
                return Failed("--geometry needs WIDTHxHEIGHT or WIDTHxHEIGHT+X+Y");
            }
        } else if (name == "fps") {
            result.settings.emplace_back("Enable FPS", 1);
        } else if (name == "time") {
            if (!value(&text)) return Failed("--time needs day, night or random");
            if (text == "day") {
                result.settings.emplace_back("Time", 0);
            } else if (text == "night") {
                result.settings.emplace_back("Time", 1);
            } else if (text == "random") {
                result.settings.emplace_back("Time", 2);
            } else {
                return Failed("--time must be day, night or random, not \"" + text + "\"");
            }
        } else if (name == "camera-delay") {
            if (!value(&text) || !ReadNumber(text, 5, 45, &number)) {
                return Failed("--camera-delay must be a whole number of seconds from 5 to 45");
            }
            // The stored value counts from the shortest delay.
            result.settings.emplace_back("Camera Change", static_cast<unsigned long>(number - 5));
        } else if (name == "clock") {
            if (!value(&text)) return Failed("--clock needs 12, 24 or off");
            if (text == "12" || text == "24") {
                result.settings.emplace_back("Show Time", 1);
                result.settings.emplace_back("Enable 12H", text == "12" ? 1 : 0);
            } else if (text == "off") {
                result.settings.emplace_back("Show Time", 0);
            } else {
                return Failed("--clock must be 12, 24 or off, not \"" + text + "\"");
            }
        } else if (name == "sound" || name == "no-sound") {
            if (inlineValue) return Failed(dashed + " takes no value");
            result.settings.emplace_back("Enable Sound", name == "sound" ? 1 : 0);
        } else if (name == "volume") {
            if (!value(&text) || !ReadNumber(text, 0, 100, &number)) {
                return Failed("--volume must be a whole number from 0 to 100");
            }
            result.settings.emplace_back("Sound Volume", static_cast<unsigned long>(number));
        } else {
            result.outcome = HackCommandLine::Outcome::Error;
            result.error = "unknown option " + dashed;
            return result;
        }
        if (inlineValue && (name == "root" || name == "window" || name == "fps")) {
            return Failed(dashed + " takes no value");
        }
    }

    if (!anyOption) return result;
    if (result.geometry.given && mode == RunMode::Root) {
        return Failed("--geometry applies to --window only");
    }
    const std::string program = arguments.empty() ? std::string("velmora") : arguments[0];
    if (mode != RunMode::None) {
        if (!systemWords.empty()) {
            return Failed("\"" + systemWords.front() + "\" cannot follow --root or --window");
        }
        // A window given by id is drawn in as the test window is, filling it.
        const bool windowed = mode == RunMode::Window || !result.windowId.empty();
        result.saverArguments = {program, windowed ? "/t" : "/s"};
    } else if (systemWords.empty()) {
        // Settings alone run in a window, as any hack started by hand does.
        result.saverArguments = {program, "/t"};
    } else {
        result.saverArguments.push_back(program);
        result.saverArguments.insert(result.saverArguments.end(), systemWords.begin(),
                                     systemWords.end());
    }
    return result;
}

std::string HackUsage(const std::string& program) {
    return "Usage: " + program +
           " [/s | /t | /p ID | /c | /a]\n"
           "       " + program +
           " [--root | --window-id ID | --window [--geometry WxH+X+Y]] [OPTION]...\n"
           "\n"
           "  --root                 draw full screen, or in the window XSCREENSAVER_WINDOW names\n"
           "  --window-id ID         draw in the X11 window ID (decimal or 0x hexadecimal)\n"
           "  --window               draw in a plain window (the default with options alone)\n"
           "  --geometry WxH+X+Y     that window's size and place\n"
           "\n"
           "Settings for this run only; the stored ones (" + program + " /c) stay as they are:\n"
           "  --time day|night|random\n"
           "  --camera-delay SECONDS seconds between camera changes, 5 to 45\n"
           "  --clock 12|24|off\n"
           "  --sound, --no-sound\n"
           "  --volume PERCENT       0 to 100\n"
           "  --fps                  show the frame rate\n"
           "\n"
           "  -h, --help             show this and exit\n"
           "  --version              show the version and exit\n";
}
