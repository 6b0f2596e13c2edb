// The saver as a hack of a real XScreenSaver daemon under Xvfb: activated, it
// draws the scene in the daemon's window; deactivated, the daemon's SIGTERM
// ends it cleanly. The daemon launches hacks only for ordinary users, so as
// root the daemon runs as "nobody".
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uid_t kNobody = 65534;

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit) {
    auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// What a day frame of the scene looks like at a glance: lit nearly
// everywhere, many colours, and a sky bluer than it is red at the top.
struct ScreenLook {
    double litShare = 0;
    int colours = 0;
    double topRed = 0, topBlue = 0;
    bool LooksLikeTheScene() const {
        return litShare > 0.9 && colours > 200 && topBlue > topRed + 20;
    }
};

ScreenLook LookAtScreen(Display* display, int width, int height) {
    ScreenLook look;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return look;
    int lit = 0, samples = 0, topSamples = 0;
    std::vector<bool> seen(1 << 15);
    for (int y = 0; y < height; y += 4) {
        for (int x = 0; x < width; x += 4) {
            unsigned long pixel = XGetPixel(image, x, y);
            int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
            ++samples;
            lit += (r + g + b) > 60;
            int key = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
            if (!seen[key]) {
                seen[key] = true;
                ++look.colours;
            }
            if (y < height / 5) {
                look.topRed += r;
                look.topBlue += b;
                ++topSamples;
            }
        }
    }
    XDestroyImage(image);
    look.litShare = double(lit) / samples;
    look.topRed /= topSamples;
    look.topBlue /= topSamples;
    return look;
}

class XScreenSaverHackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        // A connection held for the whole test, as a desktop session holds
        // one: an X server with no clients left resets, and a daemon that
        // connects at that moment is refused.
        session = XOpenDisplay(nullptr);
        ASSERT_NE(session, nullptr);
        if (RunCommand("command -v xscreensaver >/dev/null && command -v xscreensaver-command "
                       ">/dev/null") != 0) {
            GTEST_SKIP() << "XScreenSaver is not installed";
        }
        home = folder.Path();
        // The hack: the saver as the daemon starts it, in a wrapper that
        // passes the daemon's SIGTERM on and writes down how the saver ended.
        std::ofstream(home + "/hack.sh")
            << "#!/bin/sh\n"
            << "cd '" << VELMORA_BINARY_DIR << "' || exit 126\n"
            << "./app/velmora --root &\n"
            << "saver=$!\n"
            << "echo $saver > '" << home << "/saver.pid'\n"
            << "trap 'date +%s.%N > \"" << home << "/terminated\"; kill -TERM $saver' TERM\n"
            << "wait $saver\n"
            << "status=$?\n"
            << "if [ -f '" << home << "/terminated' ]; then wait $saver; status=$?; fi\n"
            << "date +%s.%N > '" << home << "/ended'\n"
            << "echo $status > '" << home << "/exit-status'\n";
        chmod((home + "/hack.sh").c_str(), 0755);
        std::ofstream(home + "/.xscreensaver") << "mode:\tone\n"
                                               << "selected:\t0\n"
                                               << "lock:\tFalse\n"
                                               << "splash:\tFalse\n"
                                               << "fade:\tFalse\n"
                                               << "unfade:\tFalse\n"
                                               << "programs:\t\"Velmora\" " << home
                                               << "/hack.sh \\n\n";
        // Settings the saver must leave as they are.
        folder.WriteFile(".config/velmora/registry.reg",
                         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                         "\"Enable Sound\"=dword:00000000\n\"Time\"=dword:00000000\n\n");
        if (geteuid() == 0) {
            ASSERT_EQ(RunCommand("chown -R 65534:65534 '" + home + "'"), 0);
        }
        StartDaemon();
    }

    void TearDown() override {
        if (daemon > 0) {
            RunCommand("xscreensaver-command -exit >/dev/null 2>&1");
            WaitUntil([&] { return waitpid(daemon, nullptr, WNOHANG) == daemon; },
                      std::chrono::seconds(5)) ||
                (kill(daemon, SIGKILL) == 0 && waitpid(daemon, nullptr, 0) == daemon);
        }
        std::string pid = Slurp(home + "/saver.pid");
        if (!pid.empty()) kill(std::atoi(pid.c_str()), SIGKILL);
        if (session != nullptr) XCloseDisplay(session);
    }

    void StartDaemon() {
        daemon = fork();
        if (daemon == 0) {
            if (chdir(home.c_str()) != 0) _exit(126);
            int log = open((home + "/daemon.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(log, 1);
            dup2(log, 2);
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
            setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (geteuid() == 0) {
                execlp("setpriv", "setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                       "xscreensaver", "-no-splash", "-verbose", static_cast<char*>(nullptr));
            } else {
                execlp("xscreensaver", "xscreensaver", "-no-splash", "-verbose",
                       static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        ASSERT_GT(daemon, 0);
        ASSERT_TRUE(WaitUntil(
            [] { return RunCommand("xscreensaver-command -time >/dev/null 2>&1") == 0; },
            std::chrono::seconds(60)))
            << Slurp(home + "/daemon.log");
    }

    XvfbServer xvfb{1024, 768};
    Display* session = nullptr;
    TempFolder folder;
    std::string home;
    pid_t daemon = -1;
};

}  // namespace

TEST_F(XScreenSaverHackTest, ActivatedItDrawsTheSceneAndDeactivatedItEndsCleanly) {
    const std::string settings = Slurp(home + "/.config/velmora/registry.reg");
    ASSERT_EQ(settings.substr(0, 10), "REGEDIT4\n\n");
    ASSERT_EQ(RunCommand("xscreensaver-command -activate >/dev/null 2>&1"), 0);
    ASSERT_TRUE(WaitUntil([&] { return Exists(home + "/saver.pid"); }, std::chrono::seconds(30)))
        << Slurp(home + "/daemon.log");

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    ScreenLook look;
    bool drawn = WaitUntil(
        [&] {
            look = LookAtScreen(display, 1024, 768);
            return look.LooksLikeTheScene() || Exists(home + "/ended");
        },
        std::chrono::seconds(60));
    XCloseDisplay(display);
    EXPECT_TRUE(drawn && look.LooksLikeTheScene())
        << "lit " << look.litShare << ", colours " << look.colours << ", top red "
        << look.topRed << " blue " << look.topBlue << "\n"
        << Slurp(home + "/daemon.log");
    ASSERT_FALSE(Exists(home + "/ended")) << "the saver ended by itself";

    ASSERT_EQ(RunCommand("xscreensaver-command -deactivate >/dev/null 2>&1"), 0);
    auto deactivated = Clock::now();
    ASSERT_TRUE(WaitUntil([&] { return Exists(home + "/exit-status"); }, std::chrono::seconds(20)))
        << Slurp(home + "/daemon.log");
    double seconds = std::chrono::duration<double>(Clock::now() - deactivated).count();
    EXPECT_TRUE(Exists(home + "/terminated")) << "the daemon did not send SIGTERM";
    EXPECT_EQ(std::atoi(Slurp(home + "/exit-status").c_str()), 0);
    double fromSignal = std::atof(Slurp(home + "/ended").c_str()) -
                        std::atof(Slurp(home + "/terminated").c_str());
    std::printf("deactivation to exit: %.2f s; SIGTERM to exit: %.2f s\n", seconds, fromSignal);
    // The saver may add its empty keys; the values stay as they were.
    EXPECT_NE(Slurp(home + "/.config/velmora/registry.reg").find(settings.substr(10)),
              std::string::npos);
}
