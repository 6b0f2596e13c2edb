// The Debian package made by scripts/package-deb.sh from this build: every
// file in its place, the hack's link to the program, dependencies computed
// from the program's libraries, no error from lintian; installed with apt-get,
// its hack runs under a real XScreenSaver daemon, and removing it leaves the
// user's settings alone.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_screen.h"
#include "tests/support/xscreensaver_daemon.h"
#include "tests/support/xvfb_server.h"

namespace {

class PackageTest : public ::testing::Test {
protected:
    // The package is built once for the cases below.
    static void SetUpTestSuite() {
        out = new TempFolder;
        const CommandOutput built = CaptureCommand(std::string("'") + VELMORA_SOURCE_DIR +
                                                   "/scripts/package-deb.sh' '" +
                                                   VELMORA_BINARY_DIR + "' '" + out->Path() + "'");
        buildLog = new std::string(built.text);
        std::string last = built.text;
        while (!last.empty() && last.back() == '\n') last.pop_back();
        last = last.substr(last.rfind('\n') + 1);
        deb = new std::string(built.status == 0 && last.find("/velmora_") != std::string::npos
                                  ? last
                                  : "");
    }
    static void TearDownTestSuite() {
        delete deb;
        delete buildLog;
        delete out;
    }
    void SetUp() override { ASSERT_FALSE(deb->empty()) << *buildLog; }

    static TempFolder* out;
    static std::string* buildLog;
    static std::string* deb;
};

TempFolder* PackageTest::out = nullptr;
std::string* PackageTest::buildLog = nullptr;
std::string* PackageTest::deb = nullptr;

}  // namespace

TEST_F(PackageTest, HoldsTheHackItsMediaAndDescriptionAndPassesLintian) {
    const CommandOutput listing = CaptureCommand("dpkg-deb -c '" + *deb + "'");
    ASSERT_EQ(listing.status, 0) << listing.text;
    for (const char* file :
         {" ./usr/bin/velmora\n", " ./usr/libexec/xscreensaver/velmora -> ../../bin/velmora\n",
          " ./usr/share/velmora/Media.dat\n", " ./usr/share/velmora/site.url\n",
          " ./usr/share/xscreensaver/config/velmora.xml\n",
          " ./usr/share/man/man6/velmora.6.gz\n", " ./usr/share/applications/velmora.desktop\n",
          " ./usr/share/icons/hicolor/48x48/apps/velmora.png\n",
          " ./usr/share/icons/hicolor/256x256/apps/velmora.png\n",
          " ./usr/share/icons/hicolor/scalable/apps/velmora.svg\n",
          " ./usr/share/doc/velmora/copyright\n", " ./usr/share/doc/velmora/changelog.gz\n"}) {
        EXPECT_NE(listing.text.find(file), std::string::npos) << file << listing.text;
    }
    EXPECT_EQ(listing.text.find(" ./home"), std::string::npos);

    const CommandOutput depends = CaptureCommand("dpkg-deb -f '" + *deb + "' Depends Suggests");
    EXPECT_NE(depends.text.find("libsdl2-2.0-0"), std::string::npos) << depends.text;
    EXPECT_NE(depends.text.find("libc6"), std::string::npos) << depends.text;
    EXPECT_NE(depends.text.find("Suggests: xscreensaver"), std::string::npos) << depends.text;

    if (CaptureCommand("command -v lintian").status != 0) GTEST_SKIP() << "lintian is not installed";
    const CommandOutput lint = CaptureCommand("lintian --no-tag-display-limit '" + *deb + "'");
    std::printf("%s", lint.text.c_str());
    EXPECT_EQ(lint.text.find("\nE: "), std::string::npos) << lint.text;
    EXPECT_NE(lint.text.rfind("E: ", 0), 0u) << lint.text;
}

TEST_F(PackageTest, InstalledItsHackRunsUnderTheDaemonAndRemovingItKeepsTheSettings) {
    if (geteuid() != 0) GTEST_SKIP() << "installing a package needs root";
    if (!XScreenSaverInstalled()) GTEST_SKIP() << "XScreenSaver is not installed";
    if (CaptureCommand("dpkg-query -W -f '${Status}' velmora 2>/dev/null").text ==
        "install ok installed") {
        GTEST_SKIP() << "a velmora package is installed already; it is left alone";
    }
    const CommandOutput installed =
        CaptureCommand("apt-get install -y --no-install-recommends '" + *deb + "'");
    ASSERT_EQ(installed.status, 0) << installed.text;
    // Whatever happens below, the machine is left without the package.
    struct Removal {
        ~Removal() { RunCommand("apt-get remove -y velmora >/dev/null 2>&1"); }
    } removal;
    EXPECT_EQ(access("/usr/libexec/xscreensaver/velmora", X_OK), 0);
    EXPECT_EQ(access("/usr/share/velmora/Media.dat", R_OK), 0);

    {
        XvfbServer xvfb{800, 600};
        ASSERT_TRUE(xvfb.Running());
        Display* session = XOpenDisplay(nullptr);
        ASSERT_NE(session, nullptr);
        TempFolder home;
        home.WriteFile(".config/velmora/registry.reg",
                       "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"
                       "\"Camera Change\"=dword:00000014\n\n");
        {
            // The daemon finds the hack by name in /usr/libexec/xscreensaver.
            XScreenSaverDaemon daemon(home.Path(), "velmora --root");
            ASSERT_TRUE(daemon.Running()) << daemon.Log();
            ASSERT_EQ(daemon.Command("activate"), 0);
            ScreenLook look;
            EXPECT_TRUE(WaitUntil(
                [&] {
                    look = LookAtScreen(0, 0, 800, 600);
                    return look.LooksLikeTheScene();
                },
                std::chrono::seconds(90)))
                << "lit " << look.litShare << ", colours " << look.colours << "\n"
                << daemon.Log();
            EXPECT_EQ(daemon.Command("deactivate"), 0);
        }
        XCloseDisplay(session);

        const CommandOutput removed = CaptureCommand("apt-get remove -y velmora");
        ASSERT_EQ(removed.status, 0) << removed.text;
        EXPECT_NE(access("/usr/bin/velmora", F_OK), 0);
        EXPECT_NE(access("/usr/share/velmora/Media.dat", F_OK), 0);
        EXPECT_NE(home.ReadFile(".config/velmora/registry.reg").find("\"Camera Change\"=dword:00000014"),
                  std::string::npos);
    }
}
