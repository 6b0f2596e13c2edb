// The Windows saver, Velmora.scr of a Windows build folder, end to end under
// Wine and Xvfb: what each run mode shows, what ends it, what the dialogs
// store in the registry, the message without its media and the sound it
// plays. Helper programs of the Windows build stand in for the control
// panel's preview area and read and press the dialogs' controls.
//
// With VELMORA_SCREENSHOTS naming a folder, the test-window frames by day and
// by night and the configuration dialog are written there as
// windows-test-day.png, windows-test-night.png and windows-config.png.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/saver_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_screen.h"
#include "tests/support/xvfb_server.h"
#include "tests/windows/saver_picture.h"
#include "tests/windows/wine_session.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string kWindowsBuild = VELMORA_WINDOWS_BUILD;
const std::string kSaver = kWindowsBuild + "/Velmora.scr";
const std::string kProbe = kWindowsBuild + "/tests/windows/velmora-window-probe.exe";
const std::string kPreviewHost = kWindowsBuild + "/tests/windows/velmora-preview-host.exe";
const std::string kRegistryKey = "HKCU\\Software\\Quintaro\\Velmora";

constexpr int kScreenWidth = 1024, kScreenHeight = 768;
constexpr int kVirtualKeyRight = 0x27;
// How long after its first frame the test window is looked at, and the scene
// time of the native frame it is compared with.
constexpr int kSceneSeconds = 6;

// Boots the template prefix before the first test, not inside one.
class WineTemplateEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        try {
            WineTemplatePrefix();
        } catch (const std::exception& error) {
            FAIL() << error.what();
        }
    }
};
[[maybe_unused]] const ::testing::Environment* const kWineTemplate =
    ::testing::AddGlobalTestEnvironment(new WineTemplateEnvironment);

// One control of a dialog as velmora-window-probe lists it.
struct Control {
    int id = 0;
    std::string kind;
    bool enabled = false;
    std::string value;
    std::string text;
};

std::vector<Control> ParseControls(const std::string& listing) {
    std::vector<Control> controls;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        // Wine's console ends lines with CR LF.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields;
        size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            size_t tab = line.find('\t', start);
            if (tab == std::string::npos) break;
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        if (fields.size() != 4) continue;
        controls.push_back({std::atoi(fields[0].c_str()), fields[1], fields[2] == "1", fields[3],
                            line.substr(start)});
    }
    return controls;
}

const Control* FindControl(const std::vector<Control>& controls, int id) {
    for (const Control& control : controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

// The values of one key as `reg query` prints them: name to type and data.
std::map<std::string, std::pair<std::string, std::string>> ParseRegistryValues(
    const std::string& listing) {
    std::map<std::string, std::pair<std::string, std::string>> values;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("    ", 0) != 0) continue;
        const size_t type = line.find("    REG_", 4);
        if (type == std::string::npos) continue;
        const size_t data = line.find("    ", type + 4);
        values[line.substr(4, type - 4)] = {
            line.substr(type + 4, data == std::string::npos ? std::string::npos : data - type - 4),
            data == std::string::npos ? "" : line.substr(data + 4)};
    }
    return values;
}

// Whether the process ended within `limit`; its exit status in `status`.
bool EndsWithin(pid_t pid, milliseconds limit, int* status) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        int raw = 0;
        if (waitpid(pid, &raw, WNOHANG) == pid) {
            *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            return true;
        }
        std::this_thread::sleep_for(milliseconds(20));
    }
    return false;
}

ScreenLook Look(const Picture& picture, int x, int y, int width, int height) {
    return LookAtPixels(picture.pixels, picture.width, x, y, width, height);
}

// The sky and the hills: the top two fifths of a frame of the first camera.
ScreenLook LookAtSky(const Picture& frame) {
    return Look(frame, 0, 0, frame.width, frame.height * 2 / 5);
}

// Keeps a picture beside the test program (named in failure messages) and,
// with VELMORA_SCREENSHOTS set, in that folder too; its path beside the test.
std::string KeepPicture(const std::string& name, const Picture& picture) {
    const std::string path = std::string(VELMORA_BINARY_DIR) + "/tests/windows/" + name;
    EXPECT_TRUE(WritePng(path, picture)) << path;
    if (const char* folder = std::getenv("VELMORA_SCREENSHOTS")) {
        EXPECT_TRUE(WritePng(std::string(folder) + "/" + name, picture)) << folder;
    }
    return path;
}

class WindowsSaverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.Running());
        ASSERT_TRUE(fs::exists(kSaver) && fs::exists(kProbe) && fs::exists(kPreviewHost))
            << "no Windows build in " << kWindowsBuild << " (scripts/build-windows.sh makes it)";
        wine = std::make_unique<WineSession>(folder.Path());
    }
    void TearDown() override { wine.reset(); }

    // The saver with `args`, run in `where` (the test's folder by default,
    // which has no Media.dat: the saver finds the one beside itself).
    pid_t StartWindowsSaver(const std::vector<std::string>& args, const std::string& where = "",
                            const std::string& program = kSaver) {
        std::vector<std::string> command = {program};
        command.insert(command.end(), args.begin(), args.end());
        return wine->Start(command, where.empty() ? folder.Path() : where);
    }

    // velmora-window-probe with `args`; its exit status.
    int Probe(const std::vector<std::string>& args, std::string* output = nullptr) {
        std::vector<std::string> command = {kProbe};
        command.insert(command.end(), args.begin(), args.end());
        int status = -1;
        std::string printed = wine->Run(command, &status);
        if (output != nullptr) *output = printed;
        return status;
    }

    // The controls of the window once it exists; empty after `limit`.
    std::vector<Control> WaitForControls(const std::string& windowClass, const std::string& title,
                                         milliseconds limit = seconds(60)) {
        // A dialog is listed while its controls are still being made: only a
        // listing that stays the same for one more look is the whole dialog.
        const auto end = Clock::now() + limit;
        std::string previous;
        while (Clock::now() < end) {
            std::string listing;
            if (Probe({"list", windowClass, title}, &listing) == 0) {
                std::vector<Control> controls = ParseControls(listing);
                if (!controls.empty() && listing == previous) return controls;
                previous = listing;
            } else {
                previous.clear();
            }
            std::this_thread::sleep_for(milliseconds(200));
        }
        return {};
    }

    // Waits until the listing of the window satisfies `ready`; the last one.
    std::vector<Control> WaitForControlsWhere(
        const std::string& windowClass, const std::string& title,
        const std::function<bool(const std::vector<Control>&)>& ready) {
        std::vector<Control> controls;
        const auto end = Clock::now() + seconds(20);
        while (Clock::now() < end) {
            std::string listing;
            Probe({"list", windowClass, title}, &listing);
            controls = ParseControls(listing);
            if (ready(controls)) break;
            std::this_thread::sleep_for(milliseconds(200));
        }
        return controls;
    }

    // Whether the window has gone within 20 s. A dialog that has just ended
    // can still be found while it is destroyed; its controls have no class.
    bool WaitUntilGone(const std::string& windowClass, const std::string& title) {
        const auto end = Clock::now() + seconds(20);
        while (Clock::now() < end) {
            std::string listing;
            if (Probe({"list", windowClass, title}, &listing) != 0) return true;
            std::this_thread::sleep_for(milliseconds(200));
        }
        return false;
    }

    // The saver's top-level X window named `title` once it shows, and the
    // first frame of its Direct3D child that `ready` accepts; the window's id
    // is 0 or the frame empty after a minute.
    Picture WaitForFrame(const std::string& title, XWindowBox* window, XWindowBox* child,
                         const std::function<bool(const Picture&)>& ready) {
        const auto end = Clock::now() + seconds(60);
        while (Clock::now() < end) {
            *window = FindTopLevel(title);
            *child = window->id != 0 ? FirstChild(*window) : XWindowBox{};
            if (child->id != 0) {
                Picture frame = GrabPicture(*child);
                if (!frame.Empty() && ready(frame)) return frame;
            }
            std::this_thread::sleep_for(milliseconds(200));
        }
        return {};
    }

    // A frame of the native renderer at 600 by 400, by day or by night.
    // The native renderer's frame of the same camera as `frame`: the saver's
    // scene time at the grab is only known roughly (a busy machine starts it
    // later), so the first camera's path is rendered every second up to
    // twice the intended time and the frame whose sky is nearest is taken.
    Picture NativeFrame(bool night, const Picture& frame) {
        const std::string out = folder / (night ? "native-night" : "native-day");
        if (night) {
            folder.WriteFile(out + "-config/velmora/registry.reg",
                             "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                             "\"Time\"=dword:00000001\n\n");
        }
        std::vector<std::string> args = {"--size", "600x400", "--step", "0.25", "--out", out};
        for (int t = 1; t <= 3 * kSceneSeconds; ++t) {
            args.push_back("--at");
            args.push_back(std::to_string(t));
        }
        pid_t renderer =
            StartProgram(std::string(VELMORA_BINARY_DIR) + "/tools/render/velmora-render", args,
                         VELMORA_BINARY_DIR, {{"XDG_CONFIG_HOME", out + "-config"}}, "/dev/null",
                         "/dev/null");
        EXPECT_EQ(WaitFor(renderer, seconds(180)), 0);
        const ScreenLook sky = LookAtSky(frame);
        Picture nearest;
        double nearestDistance = 1e9;
        for (int t = 1; t <= 3 * kSceneSeconds; ++t) {
            char name[64];
            std::snprintf(name, sizeof name, "/frame-%07.2f.png", double(t));
            Picture candidate = ReadPng(out + name);
            if (candidate.Empty()) continue;
            const ScreenLook candidateSky = LookAtSky(candidate);
            const double distance = std::abs(candidateSky.red - sky.red) +
                                    std::abs(candidateSky.green - sky.green) +
                                    std::abs(candidateSky.blue - sky.blue);
            if (distance < nearestDistance) {
                nearestDistance = distance;
                nearest = std::move(candidate);
            }
        }
        return nearest;
    }

    // /t by day or by night: the frame about kSceneSeconds after the first
    // lit one (the night sky is dark, not black), with the window still open.
    Picture TestWindowFrame(pid_t saver, bool night, XWindowBox* window) {
        XWindowBox child;
        const double lit = night ? 0.5 : 0.9;
        Picture first = WaitForFrame("^Velmora$", window, &child, [lit](const Picture& frame) {
            return LookAtSky(frame).litShare > lit;
        });
        if (first.Empty()) return first;
        std::this_thread::sleep_for(seconds(kSceneSeconds));
        EXPECT_TRUE(StillRunning(saver));
        return GrabPicture(child);
    }

    TempFolder folder;
    XvfbServer xvfb{kScreenWidth, kScreenHeight};
    std::unique_ptr<WineSession> wine;
};

TEST_F(WindowsSaverTest, TestWindowDrawsTheSceneWithItsWaterAndOnlyItsCloseBoxEndsIt) {
    pid_t saver = StartWindowsSaver({"/t"});
    SaverGuard guard(saver);
    XWindowBox window;
    const Picture frame = TestWindowFrame(saver, false, &window);
    ASSERT_FALSE(frame.Empty()) << "no frame of the scene in the test window";
    const std::string kept = KeepPicture("windows-test-day.png", frame);
    const Picture native = NativeFrame(false, frame);
    ASSERT_EQ(native.width, 600);

    // A 600 by 400 client area at (50, 50); Direct3D draws all of it.
    EXPECT_EQ(window.x, 50);
    EXPECT_EQ(window.y, 50);
    EXPECT_EQ(window.width, 600);
    EXPECT_EQ(window.height, 400);
    ASSERT_EQ(frame.width, 600);
    ASSERT_EQ(frame.height, 400);

    // The sky and hills as the native renderer draws them at that time.
    const ScreenLook sky = LookAtSky(frame);
    const ScreenLook nativeSky = LookAtSky(native);
    // How many colours the sky alone has depends on the hour it is drawn at;
    // the whole frame's variety is checked below.
    EXPECT_GT(sky.litShare, 0.9) << sky.colours << " " << kept;
    EXPECT_NEAR(sky.blue, nativeSky.blue, 30) << kept;
    EXPECT_GT(sky.blue, sky.red + 30) << kept;
    EXPECT_GT(Look(frame, 0, 0, 600, 400).colours, 200) << kept;

    // The lake left and right of the island, below the horizon and above the
    // clock, reflects the sky through its ripples: the same colour and
    // about the same ripple contrast as the native frame's.
    const struct { int x, y, width, height; } lake[] = {{10, 290, 180, 80}, {410, 290, 180, 75}};
    for (const auto& area : lake) {
        const ScreenLook water = Look(frame, area.x, area.y, area.width, area.height);
        const ScreenLook nativeWater = Look(native, area.x, area.y, area.width, area.height);
        SCOPED_TRACE("water at x " + std::to_string(area.x) + ", see " + kept);
        EXPECT_NEAR(water.red, nativeWater.red, 40);
        EXPECT_NEAR(water.green, nativeWater.green, 40);
        EXPECT_NEAR(water.blue, nativeWater.blue, 40);
        EXPECT_GT(water.spread, nativeWater.spread / 3);
        EXPECT_LT(water.spread, nativeWater.spread * 3 + 5);
    }

    // Keys and clicks leave the test window running.
    const std::string middle =
        std::to_string(window.x + window.width / 2) + " " + std::to_string(window.y + 100);
    EXPECT_EQ(RunCommand("xdotool mousemove " + middle + " click 1 click 3 key space Escape"), 0);
    std::this_thread::sleep_for(milliseconds(1500));
    EXPECT_TRUE(StillRunning(saver));
    EXPECT_NE(FindTopLevel("^Velmora$").id, 0u);

    // Its close box does end it.
    ASSERT_TRUE(SendCloseRequest(window.id));
    int status = -1;
    EXPECT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);
}

TEST_F(WindowsSaverTest, TestWindowShowsTheNightWhenTheRegistrySaysNight) {
    int status = -1;
    wine->Run({"reg", "add", kRegistryKey, "/v", "Time", "/t", "REG_DWORD", "/d", "1", "/f"},
              &status);
    ASSERT_EQ(status, 0);

    pid_t saver = StartWindowsSaver({"/t"});
    SaverGuard guard(saver);
    XWindowBox window;
    const Picture frame = TestWindowFrame(saver, true, &window);
    ASSERT_FALSE(frame.Empty()) << "no frame in the test window";
    ASSERT_EQ(frame.width, 600);
    const std::string kept = KeepPicture("windows-test-night.png", frame);
    const Picture native = NativeFrame(true, frame);
    ASSERT_EQ(native.width, 600);

    const ScreenLook sky = LookAtSky(frame);
    const ScreenLook nativeSky = LookAtSky(native);
    SCOPED_TRACE(kept);
    EXPECT_NEAR(sky.red, nativeSky.red, 25);
    EXPECT_NEAR(sky.green, nativeSky.green, 25);
    EXPECT_NEAR(sky.blue, nativeSky.blue, 25);
    EXPECT_LT((sky.red + sky.green + sky.blue) / 3, 80) << "a day sky";

    ASSERT_TRUE(SendCloseRequest(window.id));
    EXPECT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);
}

TEST_F(WindowsSaverTest, TestWindowPlaysTheOceanThroughDirectSound) {
    pid_t saver = StartWindowsSaver({"/t"});
    SaverGuard guard(saver);
    XWindowBox window;
    XWindowBox child;
    ASSERT_FALSE(WaitForFrame("^Velmora$", &window, &child, [](const Picture& frame) {
                     return LookAtSky(frame).litShare > 0.9;
                 }).Empty());
    std::this_thread::sleep_for(seconds(3));
    ASSERT_TRUE(SendCloseRequest(window.id));
    int status = -1;
    EXPECT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);

    // The device sets no pace, so the amount says nothing; the level does:
    // the ocean loop at full volume, far above silence.
    const std::string bytes = folder.ReadFile("sound.raw");
    const size_t samples = bytes.size() / 2;
    ASSERT_GE(samples, size_t(48000 * 2)) << "less than a second of sound";
    double squares = 0;
    for (size_t i = 0; i < samples; ++i) {
        const int16_t sample = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                                    (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
        squares += double(sample) * sample;
    }
    const double rms = std::sqrt(squares / samples);
    EXPECT_GT(rms, 300) << "of 32767";
}

TEST_F(WindowsSaverTest, FullScreenCoversTheScreenAndEndsOnAKey) {
    pid_t saver = StartWindowsSaver({"/s"});
    SaverGuard guard(saver);
    XWindowBox window;
    XWindowBox child;
    const Picture frame = WaitForFrame("^Velmora$", &window, &child, [](const Picture& picture) {
        return LookAtSky(picture).LooksLikeTheScene();
    });
    ASSERT_FALSE(frame.Empty()) << "no frame of the scene on the screen";
    EXPECT_EQ(window.x, 0);
    EXPECT_EQ(window.y, 0);
    EXPECT_EQ(window.width, kScreenWidth);
    EXPECT_EQ(window.height, kScreenHeight);
    EXPECT_EQ(frame.width, kScreenWidth);
    EXPECT_EQ(frame.height, kScreenHeight);

    std::this_thread::sleep_for(seconds(1));
    ASSERT_TRUE(StillRunning(saver)) << "ended by itself";
    // Under load a first key may arrive before the window takes input.
    bool ended = false;
    int status = -1;
    for (int press = 0; press < 10 && !ended; ++press) {
        RunCommand("xdotool key space");
        ended = EndsWithin(saver, seconds(2), &status);
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(status, 0);
}

TEST_F(WindowsSaverTest, FullScreenEndsOnMouseMovement) {
    pid_t saver = StartWindowsSaver({"/s"});
    SaverGuard guard(saver);
    XWindowBox window;
    XWindowBox child;
    ASSERT_FALSE(WaitForFrame("^Velmora$", &window, &child, [](const Picture& picture) {
                     return LookAtSky(picture).LooksLikeTheScene();
                 }).Empty());
    std::this_thread::sleep_for(seconds(2));
    ASSERT_TRUE(StillRunning(saver)) << "ended by itself";

    // "Exit on Mouse" is on by default: a few moves across the screen end it.
    bool ended = false;
    int status = -1;
    for (int step = 0; step < 30 && !ended; ++step) {
        RunCommand("xdotool mousemove " + std::to_string(100 + step * 25) + " " +
                   std::to_string(100 + step * 15));
        ended = EndsWithin(saver, milliseconds(200), &status);
    }
    if (!ended) ended = EndsWithin(saver, seconds(5), &status);
    EXPECT_TRUE(ended);
    EXPECT_EQ(status, 0);
}

TEST_F(WindowsSaverTest, PreviewShowsItsBitmapInTheParentWindowAndEndsWithIt) {
    const std::string handleFile = folder / "preview-host.txt";
    pid_t host = wine->Start({kPreviewHost, "120"}, folder.Path(), handleFile);
    SaverGuard hostGuard(host);
    std::string handle;
    for (int attempt = 0; attempt < 300 && handle.empty(); ++attempt) {
        std::this_thread::sleep_for(milliseconds(100));
        std::istringstream(folder.ReadFile("preview-host.txt")) >> handle;
    }
    ASSERT_FALSE(handle.empty()) << "the preview host printed no window handle";
    XWindowBox parent;
    for (int attempt = 0; attempt < 100 && parent.id == 0; ++attempt) {
        std::this_thread::sleep_for(milliseconds(100));
        parent = FindTopLevel("^Preview Host$");
    }
    ASSERT_EQ(parent.width, 320);
    ASSERT_EQ(parent.height, 240);

    // First a control: whether a child window of another program painted
    // there shows at all under this Wine.
    pid_t painter = wine->Start({kProbe, "paint", "*", "Preview Host", "2"}, folder.Path());
    std::this_thread::sleep_for(milliseconds(1200));
    const Picture painted = GrabPicture(parent);
    EXPECT_EQ(WaitFor(painter, seconds(20)), 0);
    int magenta = 0;
    for (uint32_t pixel : painted.pixels) magenta += pixel == 0xFF00FF;
    const bool foreignChildrenShow = magenta > int(painted.pixels.size() / 2);

    pid_t saver = StartWindowsSaver({"/p", handle});
    SaverGuard guard(saver);
    // The saver's window is a child of the parent, covering its client area.
    const std::vector<Control> children =
        WaitForControlsWhere("*", "Preview Host", [](const std::vector<Control>& controls) {
            for (const Control& control : controls) {
                if (control.kind == "D3DSaverWndClass") return true;
            }
            return false;
        });
    const Control* preview = nullptr;
    for (const Control& control : children) {
        if (control.kind == "D3DSaverWndClass") preview = &control;
    }
    ASSERT_NE(preview, nullptr) << "no saver window inside the parent";
    EXPECT_EQ(preview->text, "Velmora");

    // The 152 by 112 preview bitmap at its top left: a lit picture with
    // many colours.
    ScreenLook bitmap;
    if (foreignChildrenShow) {
        for (int attempt = 0; attempt < 50 && !(bitmap.litShare > 0.9 && bitmap.colours > 60);
             ++attempt) {
            std::this_thread::sleep_for(milliseconds(200));
            bitmap = Look(GrabPicture(parent), 0, 0, 152, 112);
        }
        EXPECT_GT(bitmap.litShare, 0.9);
        EXPECT_GT(bitmap.colours, 60);
    }
    EXPECT_TRUE(StillRunning(saver));

    // Closing the parent destroys the preview window, which ends the saver.
    EXPECT_EQ(Probe({"close", "*", "Preview Host"}), 0);
    int status = -1;
    EXPECT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(EndsWithin(host, seconds(20), &status));

    if (!foreignChildrenShow) {
        GTEST_SKIP() << "the bitmap was not looked at: under this Wine a child window of "
                        "another program is not shown (a plain painted control window "
                        "stayed invisible too)";
    }
}

TEST_F(WindowsSaverTest, ConfigurationDialogStoresItsValuesAndTheDisplaySettings) {
    pid_t saver = StartWindowsSaver({"/c"});
    SaverGuard guard(saver);
    std::vector<Control> dialog = WaitForControls("#32770", "Velmora");
    ASSERT_FALSE(dialog.empty()) << "no dialog 106";
    const XWindowBox box = FindTopLevel("^Velmora$");
    KeepPicture("windows-config.png", GrabPicture(box));

    // A first run: the defaults.
    const Control* delay = FindControl(dialog, 1015);
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ(delay->kind, "msctls_trackbar32");
    EXPECT_EQ(delay->value, "15");
    ASSERT_NE(FindControl(dialog, 1020), nullptr);
    EXPECT_EQ(FindControl(dialog, 1020)->text, "Camera Change Delay: 20 sec");
    ASSERT_NE(FindControl(dialog, 1017), nullptr);
    EXPECT_EQ(FindControl(dialog, 1017)->value, "100");
    ASSERT_NE(FindControl(dialog, 1006), nullptr);
    EXPECT_EQ(FindControl(dialog, 1006)->text, "&Display Settings...");

    // A right-arrow key moves the camera-change trackbar one step; its
    // scroll message reaches the dialog, which relabels it.
    ASSERT_EQ(Probe({"key", "#32770", "Velmora", "1015", std::to_string(kVirtualKeyRight)}), 0);
    dialog = WaitForControlsWhere("#32770", "Velmora", [](const std::vector<Control>& controls) {
        const Control* label = FindControl(controls, 1020);
        return label != nullptr && label->text == "Camera Change Delay: 21 sec";
    });
    ASSERT_NE(FindControl(dialog, 1015), nullptr);
    EXPECT_EQ(FindControl(dialog, 1015)->value, "16");
    ASSERT_NE(FindControl(dialog, 1020), nullptr);
    EXPECT_EQ(FindControl(dialog, 1020)->text, "Camera Change Delay: 21 sec");

    // "Display Settings..." opens dialog 200: one monitor, so no tabs.
    ASSERT_EQ(Probe({"click", "#32770", "Velmora", "1006"}), 0);
    const std::vector<Control> display = WaitForControls("#32770", "Display Settings");
    ASSERT_FALSE(display.empty()) << "no Display Settings dialog";
    EXPECT_EQ(FindControl(display, 2000), nullptr) << "dialog 201 for one monitor";
    ASSERT_NE(FindControl(display, 2002), nullptr);
    EXPECT_FALSE(FindControl(display, 2002)->text.empty()) << "no adapter name";
    ASSERT_NE(FindControl(display, 2003), nullptr);
    EXPECT_EQ(FindControl(display, 2003)->text,
              "The screen saver can use hardware 3D rendering on this monitor.");
    ASSERT_NE(FindControl(display, 2005), nullptr);
    EXPECT_FALSE(FindControl(display, 2005)->enabled);
    ASSERT_NE(FindControl(display, 2011), nullptr);
    EXPECT_EQ(FindControl(display, 2011)->text, "Automatic");

    // OK there, then OK in dialog 106, which stores everything and ends.
    ASSERT_EQ(Probe({"click", "#32770", "Display Settings", "1"}), 0);
    ASSERT_TRUE(WaitUntilGone("#32770", "Display Settings"));
    ASSERT_EQ(Probe({"click", "#32770", "Velmora", "1"}), 0);
    int status = -1;
    ASSERT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);

    const auto values = ParseRegistryValues(wine->Run({"reg", "query", kRegistryKey}));
    const std::map<std::string, std::string> expected = {
        {"Show Time", "0x1"},     {"Enable 12H", "0x1"}, {"Enable Sound", "0x1"},
        {"Exit on Mouse", "0x1"}, {"Enable FPS", "0x0"}, {"Camera Change", "0x10"},
        {"Sound Volume", "0x64"}, {"Time", "0x0"},       {"AllScreensSame", "0x0"}};
    for (const auto& [name, data] : expected) {
        ASSERT_EQ(values.count(name), 1u) << name;
        EXPECT_EQ(values.at(name).first, "REG_DWORD") << name;
        EXPECT_EQ(values.at(name).second, data) << name;
    }
    EXPECT_EQ(values.size(), expected.size());

    const auto screen =
        ParseRegistryValues(wine->Run({"reg", "query", kRegistryKey + "\\Screen 1"}));
    for (const char* name : {"Leave Black", "Disable Hardware", "Width", "Height", "Format"}) {
        ASSERT_EQ(screen.count(name), 1u) << name;
        EXPECT_EQ(screen.at(name).first, "REG_DWORD") << name;
        EXPECT_EQ(screen.at(name).second, "0x0") << name << " (Automatic, hardware on)";
    }
    ASSERT_EQ(screen.count("Adapter ID"), 1u);
    EXPECT_EQ(screen.at("Adapter ID").first, "REG_BINARY");
    EXPECT_EQ(screen.at("Adapter ID").second.size(), 32u) << "16 bytes";
    EXPECT_NE(screen.at("Adapter ID").second, std::string(32, '0'));
}

TEST_F(WindowsSaverTest, WithoutMediaAMessageBoxSaysSoAndEndsTheProgram) {
    // The saver alone in a folder, run there: no Media.dat anywhere it looks.
    const std::string alone = folder / "alone";
    fs::create_directory(alone);
    fs::copy_file(kSaver, alone + "/Velmora.scr");
    pid_t saver = StartWindowsSaver({"/t"}, alone, alone + "/Velmora.scr");
    SaverGuard guard(saver);

    const std::vector<Control> box = WaitForControls("#32770", "Velmora");
    ASSERT_FALSE(box.empty()) << "no message box";
    int texts = 0, buttons = 0;
    for (const Control& control : box) {
        if (control.kind == "Static" && !control.text.empty()) {
            ++texts;
            EXPECT_EQ(control.text, "There was an unspecified problem with this screen saver.");
        }
        if (control.kind == "Button") {
            ++buttons;
            EXPECT_EQ(control.id, 1);
            EXPECT_EQ(control.text, "OK");
        }
    }
    EXPECT_EQ(texts, 1);
    EXPECT_EQ(buttons, 1);

    ASSERT_EQ(Probe({"click", "#32770", "Velmora", "1"}), 0);
    int status = -1;
    EXPECT_TRUE(EndsWithin(saver, seconds(20), &status));
    EXPECT_EQ(status, 0);
}

}  // namespace
