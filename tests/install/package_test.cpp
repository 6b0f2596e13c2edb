// The Debian package made by scripts/package-deb.sh from this build: every
// file in its place, the hack's link to the program, dependencies computed
// from the program's libraries, and no error from lintian when it is there.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "tests/support/shell_command.h"
#include "tests/support/temp_folder.h"

TEST(PackageTest, HoldsTheHackItsMediaAndDescriptionAndPassesLintian) {
    TempFolder out;
    const CommandOutput built = CaptureCommand(std::string("'") + VELMORA_SOURCE_DIR +
                                 "/scripts/package-deb.sh' '" + VELMORA_BINARY_DIR + "' '" +
                                 out.Path() + "'");
    ASSERT_EQ(built.status, 0) << built.text;
    std::string deb = built.text;
    while (!deb.empty() && deb.back() == '\n') deb.pop_back();
    deb = deb.substr(deb.rfind('\n') + 1);
    ASSERT_NE(deb.find("/velmora_"), std::string::npos) << built.text;

    const CommandOutput listing = CaptureCommand("dpkg-deb -c '" + deb + "'");
    ASSERT_EQ(listing.status, 0) << listing.text;
    for (const char* file :
         {" ./usr/bin/velmora\n", " ./usr/libexec/xscreensaver/velmora -> ../../bin/velmora\n",
          " ./usr/share/velmora/Media.dat\n", " ./usr/share/velmora/site.url\n",
          " ./usr/share/xscreensaver/config/velmora.xml\n",
          " ./usr/share/man/man6/velmora.6.gz\n", " ./usr/share/applications/velmora.desktop\n",
          " ./usr/share/icons/hicolor/48x48/apps/velmora.png\n",
          " ./usr/share/doc/velmora/copyright\n", " ./usr/share/doc/velmora/changelog.gz\n"}) {
        EXPECT_NE(listing.text.find(file), std::string::npos) << file << listing.text;
    }
    EXPECT_EQ(listing.text.find(" ./home"), std::string::npos);

    const CommandOutput depends = CaptureCommand("dpkg-deb -f '" + deb + "' Depends Suggests");
    EXPECT_NE(depends.text.find("libsdl2-2.0-0"), std::string::npos) << depends.text;
    EXPECT_NE(depends.text.find("libc6"), std::string::npos) << depends.text;
    EXPECT_NE(depends.text.find("Suggests: xscreensaver"), std::string::npos) << depends.text;

    if (CaptureCommand("command -v lintian").status != 0) GTEST_SKIP() << "lintian is not installed";
    const CommandOutput lint = CaptureCommand("lintian --no-tag-display-limit '" + deb + "'");
    std::printf("%s", lint.text.c_str());
    EXPECT_EQ(lint.text.find("\nE: "), std::string::npos) << lint.text;
    EXPECT_NE(lint.text.rfind("E: ", 0), 0u) << lint.text;
}
