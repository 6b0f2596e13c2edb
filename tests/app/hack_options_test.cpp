// The program started the way a desktop screen-saver daemon and its users
// start hacks: help, version and bad options answered at once, and the
// settings of one run drawn without touching the stored ones.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>

#include "tests/app/saver_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const char* kStoredSettings =
    "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
    "\"Show Time\"=dword:00000001\n\"Enable 12H\"=dword:00000001\n"
    "\"Enable Sound\"=dword:00000001\n\"Sound Volume\"=dword:00000064\n"
    "\"Time\"=dword:00000000\n\"Camera Change\"=dword:0000000f\n"
    "\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora\\Screen 1]\n";

struct Answer {
    int status = -1;
    std::string output, errors;
};

// Runs the program with `args` and no X server to reach: an answer that
// needs no window comes back without one.
Answer Ask(const std::vector<std::string>& args, const TempFolder& folder) {
    pid_t pid = StartProgram(std::string(VELMORA_BINARY_DIR) + "/app/velmora", args,
                             folder.Path(), {{"DISPLAY", ":97"}}, folder / "errors.txt",
                             folder / "output.txt");
    Answer answer;
    answer.status = WaitFor(pid, seconds(20));
    answer.output = folder.ReadFile("output.txt");
    answer.errors = folder.ReadFile("errors.txt");
    return answer;
}

std::string Describe(const ScreenLook& look) {
    std::ostringstream text;
    text << "lit " << look.litShare << ", colours " << look.colours << ", yellow "
         << look.yellowShare << ", mean rgb " << look.red << " " << look.green << " " << look.blue;
    return text.str();
}

}  // namespace

TEST(HackOptions, HelpVersionAndBadOptionsAreAnsweredWithoutAWindow) {
    TempFolder folder;
    for (const char* help : {"--help", "-h"}) {
        const Answer answer = Ask({help}, folder);
        EXPECT_EQ(answer.status, 0) << help << answer.errors;
        EXPECT_NE(answer.output.find("--window-id ID"), std::string::npos) << answer.output;
        EXPECT_EQ(answer.errors, "");
    }
    const Answer version = Ask({"--version"}, folder);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("Velmora ", 0), 0u) << version.output;

    const Answer unknown = Ask({"--root", "--speed", "3"}, folder);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.output, "");
    EXPECT_NE(unknown.errors.find("unknown option --speed"), std::string::npos) << unknown.errors;
    EXPECT_NE(unknown.errors.find("Usage:"), std::string::npos) << unknown.errors;

    const Answer range = Ask({"--root", "--camera-delay", "50"}, folder);
    EXPECT_EQ(range.status, 2);
    EXPECT_NE(range.errors.find("from 5 to 45"), std::string::npos) << range.errors;
}

TEST(HackOptions, SettingsOfOneRunAreDrawnAndTheStoredOnesStayByteForByte) {
    XvfbServer xvfb{1024, 768};
    ASSERT_TRUE(xvfb.Running());
    TempFolder config;
    config.WriteFile("velmora/registry.reg", kStoredSettings);
    // With sound, the disk driver would write what is played to this file.
    const std::string played = config / "played.raw";
    pid_t saver = StartSaver({"--window", "-geometry", "640x480+20+30", "--time", "night",
                              "--clock", "24", "--no-sound", "--fps"},
                             "",
                             {{"XDG_CONFIG_HOME", config.Path()},
                              {"SDL_AUDIODRIVER", "disk"},
                              {"SDL_DISKAUDIOFILE", played}},
                             config / "saver-errors.txt");
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60))) << config.ReadFile("saver-errors.txt");
    const WindowBox box = FindWindowBox("^Velmora$");
    EXPECT_EQ(box.width, 640);
    EXPECT_EQ(box.height, 480);

    // Night: a dark frame with the yellow clock and frame rate over it.
    ScreenLook whole, clock, rate;
    for (auto end = std::chrono::steady_clock::now() + seconds(60);
         std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(milliseconds(500));
        whole = LookAtScreen(box.x, box.y, box.width, box.height);
        clock = LookAtScreen(box.x + box.width / 2, box.y + box.height * 7 / 8, box.width / 2,
                             box.height / 8);
        rate = LookAtScreen(box.x, box.y, box.width / 4, box.height / 8);
        if (whole.colours > 50 && clock.yellowShare > 0.002 && rate.yellowShare > 0.002) break;
    }
    EXPECT_GT(whole.colours, 50) << Describe(whole);
    EXPECT_LT(whole.red + whole.green + whole.blue, 3 * 90.0) << Describe(whole);
    EXPECT_GT(clock.yellowShare, 0.002) << Describe(clock);
    EXPECT_GT(rate.yellowShare, 0.002) << Describe(rate);

    ASSERT_TRUE(CloseWindowNamed("^Velmora$"));
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0) << config.ReadFile("saver-errors.txt");
    EXPECT_EQ(config.ReadFile("velmora/registry.reg"), kStoredSettings);
    struct stat info;
    EXPECT_NE(stat(played.c_str(), &info), 0) << "sound was played";
}

// The settings' preview pane gives every new preview a new window of its
// own: each one is drawn in, and each saver ends on the SIGTERM that closes
// the preview.
TEST(HackOptions, EveryPreviewWindowGivenByIdIsDrawnIn) {
    XvfbServer xvfb{800, 600};
    ASSERT_TRUE(xvfb.Running());
    TempFolder config;
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    for (int preview = 0; preview < 3; ++preview) {
        const int x = 40 + 100 * preview, y = 60;
        Window pane = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, 320, 240, 0,
                                          0, 0x000000);
        XMapWindow(display, pane);
        XSync(display, False);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", pane);
        pid_t saver = StartSaver({"--root", "--window-id", id}, "",
                                 {{"XDG_CONFIG_HOME", config.Path()}, {"SDL_AUDIODRIVER", "dummy"}},
                                 config / "saver-errors.txt");
        SaverGuard guard(saver);
        ScreenLook look;
        for (auto end = std::chrono::steady_clock::now() + seconds(60);
             std::chrono::steady_clock::now() < end && !look.LooksLikeTheScene();) {
            std::this_thread::sleep_for(milliseconds(300));
            look = LookAtScreen(x, y, 320, 240);
        }
        EXPECT_TRUE(look.LooksLikeTheScene())
            << "preview " << preview << ": " << Describe(look) << "\n"
            << config.ReadFile("saver-errors.txt");
        kill(saver, SIGTERM);
        EXPECT_EQ(WaitFor(saver, seconds(20)), 0);
        XDestroyWindow(display, pane);
        XSync(display, False);
    }
    XCloseDisplay(display);
}
