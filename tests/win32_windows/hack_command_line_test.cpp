// The daemon's command-line conventions and the settings of one run, read
// into the system's switches, the window to draw in and overriding values.
#include "platform/win32/hack_command_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

using Outcome = HackCommandLine::Outcome;

HackCommandLine Read(std::vector<std::string> words) {
    words.insert(words.begin(), "/usr/libexec/xscreensaver/velmora");
    return ReadHackCommandLine(words);
}

std::vector<std::string> Saver(const std::string& mode) {
    return {"/usr/libexec/xscreensaver/velmora", mode};
}

std::map<std::string, unsigned long> Settings(const HackCommandLine& command) {
    return {command.settings.begin(), command.settings.end()};
}

TEST(HackCommandLine, TheSystemsSwitchesAreLeftToTheSwitchRule) {
    for (auto words : std::vector<std::vector<std::string>>{
             {}, {"/s"}, {"-s"}, {"/S"}, {"/p", "123"}, {"-p:123"}, {"/c:55"}, {"/t"}, {"/a", "4"},
             {"-x"}, {"/"}, {"-foo"}}) {
        const HackCommandLine command = Read(words);
        EXPECT_EQ(command.outcome, Outcome::Run);
        EXPECT_TRUE(command.saverArguments.empty()) << (words.empty() ? "" : words[0]);
        EXPECT_TRUE(command.settings.empty());
        EXPECT_TRUE(command.windowId.empty());
    }
}

TEST(HackCommandLine, RunModesInBothSpellings) {
    for (const char* root : {"--root", "-root"}) {
        const HackCommandLine command = Read({root});
        EXPECT_EQ(command.outcome, Outcome::Run);
        EXPECT_EQ(command.saverArguments, Saver("/s")) << root;
    }
    for (const char* flag : {"--window-id", "-window-id"}) {
        // A window given by id gets a windowed device filling it.
        const HackCommandLine hex = Read({"--root", flag, "0x2a00007"});
        EXPECT_EQ(hex.saverArguments, Saver("/t"));
        EXPECT_EQ(hex.windowId, "0x2a00007");
    }
    EXPECT_EQ(Read({"--window-id=4711"}).windowId, "4711");
    EXPECT_EQ(Read({"--window-id", "4711"}).saverArguments, Saver("/t"));

    const HackCommandLine window = Read({"-window", "-geometry", "600x400+30+40"});
    EXPECT_EQ(window.saverArguments, Saver("/t"));
    EXPECT_TRUE(window.geometry.given && window.geometry.placed);
    EXPECT_EQ(window.geometry.width, 600);
    EXPECT_EQ(window.geometry.height, 400);
    EXPECT_EQ(window.geometry.x, 30);
    EXPECT_EQ(window.geometry.y, 40);
    const HackCommandLine sized = Read({"--window", "--geometry=320x200"});
    EXPECT_TRUE(sized.geometry.given);
    EXPECT_FALSE(sized.geometry.placed);
    // Settings alone run in a window, as a hack started by hand does.
    EXPECT_EQ(Read({"--fps"}).saverArguments, Saver("/t"));
    // With a system switch the settings apply to that mode.
    EXPECT_EQ(Read({"/s", "--no-sound"}).saverArguments, Saver("/s"));
    EXPECT_EQ(Read({"--fps", "/p", "123"}).saverArguments,
              (std::vector<std::string>{"/usr/libexec/xscreensaver/velmora", "/p", "123"}));
}

TEST(HackCommandLine, SettingsOfOneRunBecomeTheStoredValuesTheyStandFor) {
    const HackCommandLine command =
        Read({"--root", "--time", "night", "--camera-delay", "45", "--clock", "24", "--no-sound",
              "--volume", "0", "-fps"});
    ASSERT_EQ(command.outcome, Outcome::Run);
    EXPECT_EQ(Settings(command), (std::map<std::string, unsigned long>{{"Time", 1},
                                                                       {"Camera Change", 40},
                                                                       {"Show Time", 1},
                                                                       {"Enable 12H", 0},
                                                                       {"Enable Sound", 0},
                                                                       {"Sound Volume", 0},
                                                                       {"Enable FPS", 1}}));
    EXPECT_EQ(Settings(Read({"--time=day", "--camera-delay=5", "--clock=12", "--sound",
                             "--volume=100"})),
              (std::map<std::string, unsigned long>{{"Time", 0},
                                                    {"Camera Change", 0},
                                                    {"Show Time", 1},
                                                    {"Enable 12H", 1},
                                                    {"Enable Sound", 1},
                                                    {"Sound Volume", 100}}));
    EXPECT_EQ(Settings(Read({"--clock", "off", "--time", "random"})),
              (std::map<std::string, unsigned long>{{"Show Time", 0}, {"Time", 2}}));
}

TEST(HackCommandLine, HelpAndVersionWinOverEverythingElse) {
    for (const char* help : {"--help", "-h", "-help"}) {
        EXPECT_EQ(Read({"--root", help, "--bogus"}).outcome, Outcome::Usage) << help;
    }
    EXPECT_EQ(Read({"--version"}).outcome, Outcome::Version);
    const std::string usage = HackUsage("velmora");
    for (const char* option : {"--root", "--window-id", "--window", "--geometry", "--fps",
                               "--time", "--camera-delay", "--clock", "--no-sound", "--volume",
                               "--help", "--version", "/s", "/p ID"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(HackCommandLine, BadValuesAndUnknownOptionsAreErrorsNamingWhatIsAllowed) {
    struct Case {
        std::vector<std::string> words;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{
             {{"--bogus"}, "unknown option --bogus"},
             {{"--root", "--frames=3"}, "unknown option --frames"},
             {{"--camera-delay", "4"}, "from 5 to 45"},
             {{"--camera-delay", "46"}, "from 5 to 45"},
             {{"--camera-delay", "ten"}, "from 5 to 45"},
             {{"--camera-delay"}, "from 5 to 45"},
             {{"--volume", "101"}, "from 0 to 100"},
             {{"--volume", "-1"}, "from 0 to 100"},
             {{"--time", "dusk"}, "day, night or random"},
             {{"--clock", "13"}, "12, 24 or off"},
             {{"--window-id", "0"}, "window id"},
             {{"--window-id", "0x"}, "window id"},
             {{"--window-id"}, "window id"},
             {{"--window", "--geometry", "600"}, "WIDTHxHEIGHT"},
             {{"--window", "--geometry", "600x400+1"}, "WIDTHxHEIGHT"},
             {{"--root", "--window"}, "exclude"},
             {{"--root", "--geometry", "10x10"}, "--window only"},
             {{"--root", "/s"}, "cannot follow"},
             {{"--sound=1"}, "takes no value"},
         }) {
        const HackCommandLine command = Read(c.words);
        EXPECT_EQ(command.outcome, Outcome::Error) << c.words[0];
        EXPECT_NE(command.error.find(c.message), std::string::npos)
            << command.error << " (wanted " << c.message << ")";
    }
}

}  // namespace

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

// Every choice the daemon's settings page can pass, from the description
// file itself: accepted, and a slider left at its default asks for the
// stored default.
TEST(HackCommandLine, EveryArgumentOfTheDescriptionFileIsAccepted) {
    const std::string xml = ReadText(std::string(VELMORA_SOURCE_DIR) + "/desktop/velmora.xml");
    ASSERT_FALSE(xml.empty());
    const std::regex flag("arg(-set|-unset)?=\"([^\"]*)\"");
    const std::regex number("<number[^>]*arg=\"([^\"]*)\"[^>]*low=\"(\\d+)\" high=\"(\\d+)\" "
                            "default=\"(\\d+)\"");
    int flags = 0, numbers = 0;
    for (std::sregex_iterator it(xml.begin(), xml.end(), flag), end; it != end; ++it) {
        const std::string arg = (*it)[2];
        if (arg.find('%') != std::string::npos) continue;
        ++flags;
        const HackCommandLine command = Read(Words(arg));
        EXPECT_EQ(command.outcome, Outcome::Run) << arg << ": " << command.error;
    }
    std::map<std::string, unsigned long> defaults;
    for (std::sregex_iterator it(xml.begin(), xml.end(), number), end; it != end; ++it) {
        ++numbers;
        const std::string arg = (*it)[1];
        for (int part : {2, 3, 4}) {
            std::string filled = arg;
            filled.replace(filled.find('%'), 1, (*it)[part].str());
            const HackCommandLine command = Read(Words(filled));
            EXPECT_EQ(command.outcome, Outcome::Run) << filled << ": " << command.error;
            if (part == 4) {
                for (const auto& [name, value] : command.settings) defaults[name] = value;
            }
        }
    }
    EXPECT_EQ(flags, 7);  // "--root" and six choices
    EXPECT_EQ(numbers, 2);
    // The stored defaults: a camera change every 15 + 5 seconds, full volume.
    EXPECT_EQ(defaults, (std::map<std::string, unsigned long>{{"Camera Change", 15},
                                                              {"Sound Volume", 100}}));
}
