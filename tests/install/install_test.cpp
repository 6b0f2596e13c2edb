// The install: `cmake --install` of this build into a fresh prefix gives a
// tree whose manual page, menu entry and XScreenSaver description pass their
// checkers, whose shortcut opens the installed README, and whose program
// finds its media when started from anywhere.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <shellapi.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"
#include "tests/support/xvfb_server.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One install shared by every test. The prefix has a space in its name, as
// a user's folder may, so the shortcut's address has to be escaped.
class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "velmora install-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        prefix = new std::string(pattern);
        installLog = new CommandOutput(CaptureCommand(Quote(VELMORA_CMAKE) + " --install " +
                                        Quote(VELMORA_BINARY_DIR) + " --prefix " + Quote(pattern)));
    }
    static void TearDownTestSuite() {
        if (prefix == nullptr) return;
        std::error_code ec;
        fs::remove_all(*prefix, ec);
        delete prefix;
        delete installLog;
    }
    void SetUp() override {
        ASSERT_NE(prefix, nullptr) << "no temporary prefix";
        ASSERT_EQ(installLog->status, 0) << installLog->text;
    }

    static std::string Installed(const std::string& relative) { return *prefix + "/" + relative; }

    static std::string* prefix;
    static CommandOutput* installLog;
};

std::string* InstallTest::prefix = nullptr;
CommandOutput* InstallTest::installLog = nullptr;

}  // namespace

TEST_F(InstallTest, PutsEveryFileInItsPlace) {
    for (const char* file :
         {"bin/velmora", "share/velmora/Media.dat", "share/velmora/site.url",
          "share/man/man6/velmora.6", "share/applications/velmora.desktop",
          "share/icons/hicolor/16x16/apps/velmora.png",
          "share/icons/hicolor/32x32/apps/velmora.png",
          "share/icons/hicolor/48x48/apps/velmora.png",
          "share/icons/hicolor/scalable/apps/velmora.svg", "share/xscreensaver/config/velmora.xml",
          "share/doc/velmora/README.md"}) {
        EXPECT_TRUE(fs::is_regular_file(Installed(file))) << file;
    }
    EXPECT_EQ(access(Installed("bin/velmora").c_str(), X_OK), 0);
    EXPECT_EQ(ReadAll(Installed("share/velmora/Media.dat")),
              ReadAll(std::string(VELMORA_BINARY_DIR) + "/Media.dat"));
    // Each icon is a PNG of the size its folder names.
    for (int size : {16, 32, 48, 64, 128, 256}) {
        std::string icon = ReadAll(Installed("share/icons/hicolor/" + std::to_string(size) + "x" +
                                             std::to_string(size) + "/apps/velmora.png"));
        ASSERT_GE(icon.size(), 24u);
        EXPECT_EQ(icon.substr(1, 3), "PNG");
        auto word = [&](size_t at) {
            return (uint8_t(icon[at]) << 24) | (uint8_t(icon[at + 1]) << 16) |
                   (uint8_t(icon[at + 2]) << 8) | uint8_t(icon[at + 3]);
        };
        EXPECT_EQ(word(16), size);
        EXPECT_EQ(word(20), size);
    }
}

TEST_F(InstallTest, ManualPageRendersWithoutWarnings) {
    std::string page = Quote(Installed("share/man/man6/velmora.6"));
    CommandOutput checked = CaptureCommand("groff -man -ww -z -Tutf8 " + page);
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.text, "");
    CommandOutput shown = CaptureCommand("MANWIDTH=80 man -l " + page + " | col -b");
    EXPECT_EQ(shown.status, 0) << shown.text;
    for (const char* part : {"velmora - animated 3D lake screen saver", "XSCREENSAVER_WINDOW",
                             "registry.reg", "TreeError.er", "share/velmora/", "--window-id id",
                             "--camera-delay seconds", "--no-sound", "--version"}) {
        EXPECT_NE(shown.text.find(part), std::string::npos) << part << "\n" << shown.text;
    }
}

TEST_F(InstallTest, MenuEntryValidatesAndOpensTheConfiguration) {
    std::string entry = Installed("share/applications/velmora.desktop");
    CommandOutput checked = CaptureCommand("desktop-file-validate " + Quote(entry));
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.text, "");
    std::string text = ReadAll(entry);
    EXPECT_NE(text.find("\nExec=velmora /c\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=velmora\n"), std::string::npos) << text;
}

TEST_F(InstallTest, XScreenSaverDescriptionIsWellFormed) {
    std::string xml = Quote(Installed("share/xscreensaver/config/velmora.xml"));
    CommandOutput checked = CaptureCommand("xmllint --noout " + xml);
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.text, "");
    auto value = [&](const std::string& path) {
        std::string text = CaptureCommand("xmllint --xpath 'string(" + path + ")' " + xml).text;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    };
    EXPECT_EQ(value("/screensaver/@name"), "velmora");
    EXPECT_EQ(value("/screensaver/@_label"), "Velmora");
    EXPECT_EQ(value("/screensaver/command/@arg"), "--root");
    EXPECT_NE(value("/screensaver/_description").find("velmora /c"), std::string::npos);
}

TEST_F(InstallTest, SiteShortcutOpensTheInstalledReadme) {
    std::string site = Installed("share/velmora/site.url");
    std::string address = "file://" + *prefix + "/share/doc/velmora/README.md";
    std::string escaped = address;
    for (size_t at = 0; (at = escaped.find(' ', at)) != std::string::npos;) {
        escaped.replace(at, 1, "%20");
    }
    EXPECT_EQ(ReadAll(site), "[InternetShortcut]\r\nURL=" + escaped + "\r\n");
    EXPECT_EQ(ReadAll(address.substr(7)), ReadAll(std::string(VELMORA_SOURCE_DIR) + "/README.md"));

    // What the configuration dialog's Visit Site does with the file: a
    // stand-in xdg-open on the PATH records what it is asked to open.
    TempFolder folder;
    folder.WriteFile("bin/xdg-open",
                     "#!/bin/sh\necho \"$1\" >> \"" + (folder / "opened.txt") + "\"\n");
    chmod((folder / "bin/xdg-open").c_str(), 0755);
    std::string path = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("PATH", ((folder / "bin") + ":" + path).c_str(), 1);
    intptr_t result = reinterpret_cast<intptr_t>(
        ShellExecute(nullptr, "open", site.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    setenv("PATH", path.c_str(), 1);
    EXPECT_GT(result, 32);
    std::string opened;
    for (int i = 0; i < 300 && opened.empty(); ++i) {
        opened = folder.ReadFile("opened.txt");
        if (opened.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(opened, escaped + "\n");
}

TEST_F(InstallTest, RelativePrefixGivesTheShortcutAnAbsoluteAddress) {
    TempFolder folder;  // the install runs here
    CommandOutput log = CaptureCommand(Quote(VELMORA_CMAKE) + " --install " + Quote(VELMORA_BINARY_DIR) +
                         " --prefix relative");
    ASSERT_EQ(log.status, 0) << log.text;
    EXPECT_EQ(folder.ReadFile("relative/share/velmora/site.url"),
              "[InternetShortcut]\r\nURL=file://" + (folder / "relative") +
                  "/share/doc/velmora/README.md\r\n");
}

TEST_F(InstallTest, InstalledSaverFindsItsMediaFromAnUnrelatedFolder) {
    XvfbServer xvfb(800, 600);
    ASSERT_TRUE(xvfb.Running());
    TempFolder folder;  // the current folder: no Media.dat, no media/
    // Fresh settings without "Path"; daytime, so the scene is bright.
    folder.WriteFile("config/velmora/registry.reg",
                     "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                     "\"Time\"=dword:00000000\n\n");
    std::string program = Installed("bin/velmora");
    pid_t saver = fork();
    if (saver == 0) {
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(program.c_str(), program.c_str(), "/s", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(saver, 0);
    // Ends the saver however the test returns.
    struct SaverGuard {
        pid_t& pid;
        ~SaverGuard() {
            if (pid > 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    } guard{saver};

    // Samples the screen until the scene covers it: most of it lit and in
    // many colours. The failure's message box would be a small grey box on
    // a black screen.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int lit = 0, total = 0;
    size_t colours = 0;
    auto end = Clock::now() + std::chrono::seconds(40);
    while (Clock::now() < end && !(colours >= 200 && lit * 10 >= total * 9)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        if (waitpid(saver, nullptr, WNOHANG) == saver) {
            saver = -1;
            break;
        }
        XImage* image =
            XGetImage(display, DefaultRootWindow(display), 0, 0, 800, 600, AllPlanes, ZPixmap);
        if (image == nullptr) break;
        std::set<unsigned long> seen;
        lit = total = 0;
        for (int y = 0; y < 600; y += 5) {
            for (int x = 0; x < 800; x += 5) {
                unsigned long pixel = XGetPixel(image, x, y) & 0xFFFFFF;
                seen.insert(pixel);
                lit += pixel != 0;
                ++total;
            }
        }
        colours = seen.size();
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    EXPECT_GT(saver, 0) << "the saver ended by itself";
    EXPECT_GE(colours, 200u);
    EXPECT_GE(lit * 10, total * 9) << lit << " of " << total << " samples lit";
}

TEST(BuildTreeShortcutTest, SiteShortcutBesideTheBuiltMediaNamesTheSourceReadme) {
    std::string site = ReadAll(std::string(VELMORA_BINARY_DIR) + "/site.url");
    ASSERT_EQ(site.rfind("[InternetShortcut]\r\nURL=file://", 0), 0u) << site;
    std::string address = site.substr(site.find("file://") + 7);
    address = address.substr(0, address.find('\r'));
    std::string path;
    for (size_t i = 0; i < address.size(); ++i) {
        if (address.compare(i, 3, "%20") == 0) {
            path += ' ';
            i += 2;
        } else {
            path += address[i];
        }
    }
    EXPECT_EQ(ReadAll(path), ReadAll(std::string(VELMORA_SOURCE_DIR) + "/README.md"));
}
