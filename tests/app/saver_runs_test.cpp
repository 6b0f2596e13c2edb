// The saver's run modes as a user meets them, under a private X server: what
// each mode draws, what ends it, how settings from the dialog reach the next
// run, and how it behaves without its media, without sound or without a
// usable GL.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "tests/app/saver_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int kWidth = 1024, kHeight = 768;

const char* kRegistryHead = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n";

// Whether the pointer's current image is fully transparent (a hidden cursor).
bool CursorHidden() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    bool hidden = false;
    if (XFixesCursorImage* cursor = XFixesGetCursorImage(display)) {
        hidden = true;
        for (int i = 0; i < cursor->width * cursor->height; ++i) {
            if ((cursor->pixels[i] >> 24) != 0) hidden = false;
        }
        XFree(cursor);
    }
    XCloseDisplay(display);
    return hidden;
}

// Screen updates per second over `span`, counted as damage to the root
// window: each presented frame of the full-screen window is one update.
double UpdatesPerSecond(milliseconds span) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return -1;
    int eventBase = 0, errorBase = 0;
    if (!XDamageQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        return -1;
    }
    Damage damage = XDamageCreate(display, DefaultRootWindow(display), XDamageReportNonEmpty);
    XDamageSubtract(display, damage, 0, 0);
    XSync(display, False);
    int updates = 0;
    auto start = Clock::now();
    while (Clock::now() - start < span) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == eventBase + XDamageNotify) {
                ++updates;
                XDamageSubtract(display, damage, 0, 0);
            }
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
    return updates / elapsed;
}

// The X server's window tree, for failure messages.
std::string WindowTree() {
    std::string tree;
    if (FILE* out = popen("xwininfo -root -tree 2>&1 | head -40", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, out) != nullptr) tree += line;
        pclose(out);
    }
    return tree;
}

// How the process ended, if it did, for failure messages.
std::string ExitOf(pid_t pid) {
    int raw = 0;
    if (waitpid(pid, &raw, WNOHANG) != pid) return "the saver still runs";
    if (WIFEXITED(raw)) return "the saver exited with status " + std::to_string(WEXITSTATUS(raw));
    return "the saver was killed by signal " + std::to_string(WTERMSIG(raw));
}

// The first visible window of the process `pid`, or 0.
Window WindowOfProcess(pid_t pid) {
    Window window = 0;
    if (FILE* out = popen(("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                           " 2>/dev/null")
                              .c_str(),
                          "r")) {
        char line[64];
        if (std::fgets(line, sizeof line, out) != nullptr) window = std::strtoul(line, nullptr, 10);
        pclose(out);
    }
    return window;
}

// Waits until the screen area looks like the scene.
bool WaitForScene(int x, int y, int width, int height, milliseconds limit, ScreenLook* look) {
    auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        *look = LookAtScreen(x, y, width, height);
        if (look->LooksLikeTheScene()) return true;
        std::this_thread::sleep_for(milliseconds(200));
    }
    return false;
}

std::string Describe(const ScreenLook& look) {
    std::ostringstream text;
    text << "lit " << look.litShare << ", colours " << look.colours << ", yellow "
         << look.yellowShare << ", mean rgb " << look.red << " " << look.green << " " << look.blue;
    return text.str();
}

// Watches a saver's window until it leaves the screen (unmapped or
// destroyed), noting whether the process had ended by then: the X server
// takes the windows of an ended process down too, so only an unmap while the
// process lives shows the saver took its window off the screen itself.
class UnmapWatch {
public:
    UnmapWatch(pid_t saver, Window window)
        : display_(XOpenDisplay(nullptr)),
          process_(static_cast<int>(syscall(SYS_pidfd_open, saver, 0))) {
        if (!Ready()) return;
        XSelectInput(display_, window, StructureNotifyMask);
        XSync(display_, False);
    }
    ~UnmapWatch() {
        if (display_) XCloseDisplay(display_);
        if (process_ >= 0) close(process_);
    }
    UnmapWatch(const UnmapWatch&) = delete;
    UnmapWatch& operator=(const UnmapWatch&) = delete;
    bool Ready() const { return display_ != nullptr && process_ >= 0; }
    // Reads the events that arrived; true once the window has left the screen.
    bool Left() {
        while (!left_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != UnmapNotify && event.type != DestroyNotify) continue;
            pollfd ended = {process_, POLLIN, 0};
            endedFirst_ = poll(&ended, 1, 0) == 1;
            left_ = true;
        }
        return left_;
    }
    bool EndedFirst() const { return endedFirst_; }

private:
    Display* display_;
    int process_;
    bool left_ = false, endedFirst_ = false;
};

class SaverRunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    // Stores registry values for the saver's key before a run.
    void StoreSettings(const std::string& values) {
        config.WriteFile("velmora/registry.reg", kRegistryHead + values + "\n");
    }

    // Starts /s and waits for its first frames; with `uid`, as that user.
    pid_t StartFullScreen(int uid = -1) {
        const std::string id = std::to_string(uid);
        pid_t saver =
            uid < 0 ? StartSaver({"/s"}, "", {}, config / "saver-errors.txt")
                    : StartProgram("setpriv",
                                   {"--reuid=" + id, "--regid=" + id, "--clear-groups",
                                    std::string(VELMORA_BINARY_DIR) + "/app/velmora", "/s"},
                                   VELMORA_BINARY_DIR, {{"ASAN_OPTIONS", "detect_leaks=0"}},
                                   config / "saver-errors.txt");
        EXPECT_TRUE(WaitForWindow("Velmora", seconds(60)))
            << config.ReadFile("saver-errors.txt") << WindowTree() << ExitOf(saver);
        ScreenLook look;
        EXPECT_TRUE(WaitForScene(0, 0, kWidth, kHeight, seconds(60), &look))
            << Describe(look) << "\n"
            << config.ReadFile("saver-errors.txt");
        return saver;
    }

    TempFolder config;
    XvfbServer xvfb{kWidth, kHeight};
};

}  // namespace

TEST_F(SaverRunsTest, FullScreenHidesTheCursorCapsItsFrameRateAndEndsOnAKey) {
    pid_t saver = StartFullScreen();
    SaverGuard guard(saver);
    RunCommand("xdotool mousemove 512 384");
    EXPECT_TRUE(CursorHidden());

    // The loop sleeps 10 ms between frames: never much over 100 a second.
    double rate = UpdatesPerSecond(seconds(3));
    std::printf("full screen: %.1f frames per second\n", rate);
    EXPECT_GT(rate, 0.5);
    EXPECT_LE(rate, 105.0);

    // A key ends it; under load the first event may reach the window before
    // it takes input, so press again while it still runs.
    auto pressed = Clock::now();
    int status = -2;
    for (int press = 0; press < 10 && status == -2; ++press) {
        RunCommand("xdotool key space");
        auto each = Clock::now();
        while (status == -2 && Clock::now() - each < seconds(2)) {
            int raw = 0;
            if (waitpid(saver, &raw, WNOHANG) == saver) {
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            } else {
                std::this_thread::sleep_for(milliseconds(10));
            }
        }
    }
    std::printf("key press to exit: %.2f s\n",
                std::chrono::duration<double>(Clock::now() - pressed).count());
    EXPECT_EQ(status, 0);
}

// The saver takes its window off the screen before it releases its devices,
// scene and sound, and the end is as complete as ever: status 0, no error,
// the stored values as they were, for a key as for SIGTERM.
TEST_F(SaverRunsTest, ItsEndTakesTheWindowOffTheScreenFirstAndStillEndsCleanly) {
    const std::string values = "\"Enable Sound\"=dword:00000001\n\"Show Time\"=dword:00000000\n";
    StoreSettings(values);
    for (const bool byKey : {true, false}) {
        SCOPED_TRACE(byKey ? "a key" : "SIGTERM");
        pid_t saver = StartFullScreen();
        SaverGuard guard(saver);
        const Window window = WindowOfProcess(saver);
        ASSERT_NE(window, 0u) << WindowTree();
        UnmapWatch watch(saver, window);
        ASSERT_TRUE(watch.Ready());
        if (!byKey) kill(saver, SIGTERM);

        for (auto end = Clock::now() + seconds(20), press = Clock::now();
             !watch.Left() && Clock::now() < end;) {
            if (byKey && Clock::now() >= press) {
                // Under load a first key may come before the window takes input.
                RunCommand("xdotool key space");
                press = Clock::now() + seconds(2);
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
        EXPECT_TRUE(watch.Left()) << ExitOf(saver);
        EXPECT_FALSE(watch.EndedFirst()) << "the window stayed on the screen until the process ended";
        EXPECT_EQ(WaitFor(saver, seconds(20)), 0) << config.ReadFile("saver-errors.txt");
        EXPECT_EQ(config.ReadFile("saver-errors.txt"), "");
    }
    // The saver may add its empty keys; the values stay as they were.
    EXPECT_NE(config.ReadFile("velmora/registry.reg").find(kRegistryHead + values),
              std::string::npos)
        << config.ReadFile("velmora/registry.reg");
}

namespace {

// Stops the saver's main thread (its thread id is the process id) under
// ptrace, so that none of the program's own code runs; false where ptrace is
// not allowed. A traced thread's stop ends only through its tracer.
bool HoldMainThread(pid_t saver) {
    if (ptrace(PTRACE_SEIZE, saver, nullptr, nullptr) != 0) return false;
    int stop = 0;
    return ptrace(PTRACE_INTERRUPT, saver, nullptr, nullptr) == 0 &&
           waitpid(saver, &stop, __WALL) == saver && WIFSTOPPED(stop);
}

// The nice value of the saver's main thread (its thread id is the process id).
int MainThreadNice(pid_t saver) {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(saver));
}

bool WaitForNice(pid_t saver, int nice, milliseconds limit) {
    for (auto end = Clock::now() + limit; Clock::now() < end;) {
        if (MainThreadNice(saver) == nice) return true;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return false;
}

bool WaitForLeave(UnmapWatch& watch, std::chrono::milliseconds limit) {
    for (auto end = Clock::now() + limit; !watch.Left() && Clock::now() < end;)
        std::this_thread::sleep_for(milliseconds(1));
    return watch.Left();
}

}  // namespace

// SIGTERM, a key and a click take the window off the screen even while the
// saver's own thread is held where it is (stopped through ptrace, as a frame
// that takes long would keep it): they are acted on by a thread of their own.
// Once let go, the saver ends on the same request; SIGTERM held past its
// grace ends it the default way.
TEST_F(SaverRunsTest, AnEndTakesTheWindowOffTheScreenWhileTheSaversThreadIsHeld) {
    for (const std::string request : {"SIGTERM", "key a", "click 1"}) {
        SCOPED_TRACE(request);
        const bool bySignal = request == "SIGTERM";
        pid_t saver = StartFullScreen();
        SaverGuard guard(saver);
        const Window window = WindowOfProcess(saver);
        ASSERT_NE(window, 0u) << WindowTree();
        UnmapWatch watch(saver, window);
        ASSERT_TRUE(watch.Ready());
        if (!HoldMainThread(saver)) GTEST_SKIP() << "ptrace is not allowed here";
        if (bySignal) {
            kill(saver, SIGTERM);
        } else {
            // A system key and the wheel end no saver; the press does.
            RunCommand("xdotool key alt click 4");
            EXPECT_FALSE(WaitForLeave(watch, milliseconds(500))) << "taken off by Alt or the wheel";
            RunCommand("xdotool " + request);
        }
        // The default way, after the grace, does not count as taking the
        // window off the screen.
        WaitForLeave(watch, bySignal ? seconds(20) : seconds(5));
        ptrace(PTRACE_DETACH, saver, nullptr, nullptr);
        EXPECT_TRUE(watch.Left() && !watch.EndedFirst())
            << "the window stayed while the saver's thread was held";
        if (!bySignal) {
            EXPECT_EQ(WaitFor(saver, seconds(20)), 0) << config.ReadFile("saver-errors.txt");
            continue;
        }
        int raw = 0;
        bool ended = false;
        for (auto end = Clock::now() + seconds(20); !ended && Clock::now() < end;) {
            ended = waitpid(saver, &raw, WNOHANG) == saver;
            if (!ended) std::this_thread::sleep_for(milliseconds(20));
        }
        ASSERT_TRUE(ended) << "the saver did not end once let go";
        EXPECT_TRUE((WIFEXITED(raw) && WEXITSTATUS(raw) == 0) ||
                    (WIFSIGNALED(raw) && WTERMSIG(raw) == SIGTERM))
            << "wait status " << raw << " " << config.ReadFile("saver-errors.txt");
    }
}

// An ordinary user's saver may not raise its idle threads, so on a busy
// machine it would come for an end only after seconds: the watcher ends the
// process itself, even while the program's thread is held.
TEST_F(SaverRunsTest, WhereItsThreadsMayNotBeRaisedTheWatcherEndsTheProcess) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to start the saver as another user";
    chmod(config.Path().c_str(), 0755);
    pid_t saver = StartFullScreen(65534);
    SaverGuard guard(saver);
    ASSERT_NE(WindowOfProcess(saver), 0u) << WindowTree() << config.ReadFile("saver-errors.txt");
    if (!HoldMainThread(saver)) GTEST_SKIP() << "ptrace is not allowed here";
    RunCommand("xdotool key a");
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0) << "the held saver was not ended";
}

TEST_F(SaverRunsTest, FullScreenEndsOnMouseMovesButNotOnMovesToTheSamePlace) {
    pid_t saver = StartFullScreen();
    SaverGuard guard(saver);
    // Moves to the same place count once at most.
    for (int i = 0; i < 8; ++i) RunCommand("xdotool mousemove 100 100");
    std::this_thread::sleep_for(milliseconds(500));
    ASSERT_TRUE(StillRunning(saver));
    // Moves to new places end it after a few (the exact count is the window
    // procedure's, tested on its own).
    int status = -2, moves = 0;
    for (int i = 1; i < 40 && status == -2; ++i, ++moves) {
        RunCommand("xdotool mousemove " + std::to_string(100 + 20 * i) + " 200");
        int raw = 0;
        std::this_thread::sleep_for(milliseconds(100));
        if (waitpid(saver, &raw, WNOHANG) == saver) status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::printf("ended after %d moves to new places\n", moves);
    EXPECT_EQ(status, 0);
}

TEST_F(SaverRunsTest, WithExitOnMouseOffMovesDoNothing) {
    StoreSettings("\"Exit on Mouse\"=dword:00000000\n");
    pid_t saver = StartFullScreen();
    SaverGuard guard(saver);
    for (int i = 0; i < 30; ++i) RunCommand("xdotool mousemove " + std::to_string(50 + 25 * i) + " 300");
    std::this_thread::sleep_for(seconds(1));
    EXPECT_TRUE(StillRunning(saver));
}

// A move that ends nothing still raises the saver's idle thread for a moment,
// as Windows boosts a thread whose window receives input, even while that
// thread is held; then it is back at idle.
TEST_F(SaverRunsTest, InputRaisesTheIdleSaverForAMomentOnly) {
    StoreSettings("\"Exit on Mouse\"=dword:00000000\n");
    pid_t saver = StartFullScreen();
    SaverGuard guard(saver);
    ASSERT_NE(WindowOfProcess(saver), 0u) << WindowTree();
    if (!HoldMainThread(saver)) GTEST_SKIP() << "ptrace is not allowed here";
    ASSERT_EQ(MainThreadNice(saver), 19);
    // A move from the pointing device, as the system sees a mouse move.
    RunCommand("xdotool mousemove_relative 40 20");
    EXPECT_TRUE(WaitForNice(saver, 0, seconds(5))) << "no boost";
    EXPECT_TRUE(WaitForNice(saver, 19, seconds(5))) << "the boost did not end";
    ptrace(PTRACE_DETACH, saver, nullptr, nullptr);
    EXPECT_TRUE(StillRunning(saver));
}

TEST_F(SaverRunsTest, TestWindowDrawsTheSceneClockAndFrameRateAndOnlyItsCloseBoxEndsIt) {
    StoreSettings("\"Enable FPS\"=dword:00000001\n\"Show Time\"=dword:00000001\n");
    pid_t saver = StartSaver({"/t"});
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    // The 600 by 400 client area of the captioned window.
    const WindowBox box = FindWindowBox("^Velmora$");
    const int x = box.x, y = box.y, width = box.width, height = box.height;
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 400);
    ASSERT_GE(x, 0);
    ASSERT_GE(y, 0);

    ScreenLook look;
    ASSERT_TRUE(WaitForScene(x, y, width, height, seconds(60), &look)) << Describe(look);
    // The frame rate, top left, and the clock, bottom right, are yellow. The
    // rate is first shown once a second of frames has been counted, which
    // takes longer on a busy machine.
    ScreenLook rate, clock;
    for (auto end = std::chrono::steady_clock::now() + seconds(20);
         std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(milliseconds(500));
        rate = LookAtScreen(x, y, width / 4, height / 8);
        clock = LookAtScreen(x + width / 2, y + height * 7 / 8, width / 2, height / 8);
        if (rate.yellowShare > 0.002 && clock.yellowShare > 0.002) break;
    }
    EXPECT_GT(rate.yellowShare, 0.002) << Describe(rate);
    EXPECT_GT(clock.yellowShare, 0.002) << Describe(clock);
    // Animated: the water and the tree move.
    std::vector<uint32_t> before = GrabScreen(x, y, width, height);
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_NE(before, GrabScreen(x, y, width, height));

    // Keys and clicks do nothing.
    RunCommand("xdotool mousemove " + std::to_string(x + 300) + " " + std::to_string(y + 200) +
               " click 1 key space key Escape");
    std::this_thread::sleep_for(seconds(1));
    ASSERT_TRUE(StillRunning(saver));
    // The close box ends it.
    ASSERT_TRUE(CloseWindowNamed("^Velmora$"));
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0);
}

TEST_F(SaverRunsTest, ShowFpsTurnedOnInTheDialogIsDrawnByTheNextFullScreenRun) {
    // Without it, no frame rate at the top left.
    pid_t before = StartFullScreen();
    {
        SaverGuard guard(before);
        std::this_thread::sleep_for(seconds(2));
        ScreenLook corner = LookAtScreen(0, 0, kWidth / 4, kHeight / 10);
        EXPECT_LT(corner.yellowShare, 0.0005) << Describe(corner);
        RunCommand("xdotool key space");
        WaitFor(before, seconds(10));
    }

    pid_t dialog = StartSaver({"/c"});
    SaverGuard dialogGuard(dialog);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    std::this_thread::sleep_for(milliseconds(500));
    // "Show FPS" sits at dialog units (204, 18); click its label, then OK.
    const WindowBox box = FindWindowBox("^Velmora$");
    RunCommand("xdotool mousemove " + std::to_string(box.x + 385) + " " +
               std::to_string(box.y + 36) + " click 1");
    std::this_thread::sleep_for(milliseconds(300));
    RunCommand("xdotool search --onlyvisible --name '^Velmora$' windowfocus --sync key Return");
    ASSERT_EQ(WaitFor(dialog, seconds(20)), 0);
    EXPECT_NE(config.ReadFile("velmora/registry.reg").find("\"Enable FPS\"=dword:00000001"),
              std::string::npos)
        << config.ReadFile("velmora/registry.reg");

    pid_t after = StartFullScreen();
    SaverGuard guard(after);
    // The rate appears after its first counted second; a busy machine is slower.
    ScreenLook corner;
    for (auto end = std::chrono::steady_clock::now() + seconds(20);
         std::chrono::steady_clock::now() < end && corner.yellowShare <= 0.002;) {
        std::this_thread::sleep_for(milliseconds(500));
        corner = LookAtScreen(0, 0, kWidth / 4, kHeight / 10);
    }
    EXPECT_GT(corner.yellowShare, 0.002) << Describe(corner);
}

TEST_F(SaverRunsTest, WithoutMediaItSaysSoAndExitsWithZero) {
    TempFolder empty;
    std::string errors = config / "stderr.txt";
    pid_t saver = StartSaver({"/s"}, empty.Path(), {}, errors);
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    // OK sits at the bottom middle of the box, the smaller of the two
    // windows named Velmora (the other is the black full-screen one); the box
    // may come a moment after the full-screen window.
    int boxX = 0, boxY = 0, boxWidth = kWidth + 1, boxHeight = 0;
    for (int attempt = 0; attempt < 300 && boxWidth >= kWidth; ++attempt) {
        std::this_thread::sleep_for(milliseconds(100));
        FILE* geometry = popen(
            "for w in $(xdotool search --onlyvisible --name '^Velmora$'); do"
            " xdotool getwindowgeometry --shell $w | tr '\\n' ' '; echo; done",
            "r");
        ASSERT_NE(geometry, nullptr);
        char line[512];
        while (std::fgets(line, sizeof line, geometry) != nullptr) {
            int window = 0, x = 0, y = 0, width = 0, height = 0, screen = 0;
            if (std::sscanf(line, "WINDOW=%d X=%d Y=%d WIDTH=%d HEIGHT=%d SCREEN=%d", &window, &x,
                            &y, &width, &height, &screen) == 6 &&
                width < boxWidth) {
                boxX = x, boxY = y, boxWidth = width, boxHeight = height;
            }
        }
        pclose(geometry);
    }
    std::this_thread::sleep_for(milliseconds(500));
    ASSERT_LT(boxWidth, kWidth);
    // The message box is the only lit thing on the screen.
    ScreenLook look = LookAtScreen(0, 0, kWidth, kHeight);
    EXPECT_GT(look.litShare, 0.01) << Describe(look);
    EXPECT_LT(look.litShare, 0.3) << Describe(look);
    RunCommand("xdotool mousemove " + std::to_string(boxX + boxWidth / 2) + " " +
               std::to_string(boxY + boxHeight - 12) + " click 1");
    int status = WaitFor(saver, seconds(20));
    EXPECT_EQ(status, 0);
    EXPECT_NE(config.ReadFile("stderr.txt")
                  .find("Velmora: There was an unspecified problem with this screen saver."),
              std::string::npos)
        << config.ReadFile("stderr.txt");
}

TEST_F(SaverRunsTest, WithoutAnAudioDeviceItRunsSilently) {
    pid_t saver = StartSaver({"/t"}, "", {{"SDL_AUDIODRIVER", "no-such-driver"}});
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("^Velmora$", seconds(60)));
    const WindowBox box = FindWindowBox("^Velmora$");
    ScreenLook look;
    EXPECT_TRUE(WaitForScene(box.x, box.y, box.width, box.height, seconds(60), &look))
        << Describe(look);
    ASSERT_TRUE(CloseWindowNamed("^Velmora$"));
    EXPECT_EQ(WaitFor(saver, seconds(20)), 0);
}

TEST_F(SaverRunsTest, WithoutOpenGl33ItShowsTheErrorDisplay) {
    // Mesa then offers no 3.3 core context.
    pid_t saver = StartSaver({"/s"}, "", {{"MESA_GL_VERSION_OVERRIDE", "3.0"}});
    SaverGuard guard(saver);
    ASSERT_TRUE(WaitForWindow("Velmora", seconds(60)));
    std::this_thread::sleep_for(seconds(2));
    // A 300 by 150 white box on black: a sixteenth of a 1024 by 768 screen at
    // most, and it moves.
    ScreenLook first = LookAtScreen(0, 0, kWidth, kHeight);
    EXPECT_GT(first.litShare, 0.03) << Describe(first);
    EXPECT_LT(first.litShare, 0.07) << Describe(first);
    std::vector<uint32_t> before = GrabScreen(0, 0, kWidth, kHeight);
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_NE(before, GrabScreen(0, 0, kWidth, kHeight));
    RunCommand("xdotool key space");
    EXPECT_EQ(WaitFor(saver, seconds(10)), 0);
}
