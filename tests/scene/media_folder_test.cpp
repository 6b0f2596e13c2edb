// The order in which the scene looks for its media folder, over real folders:
// the registry's "Path", the current folder, the installed data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "scene/media_folder.h"
#include "tests/support/temp_folder.h"

namespace {

// The current folder is the temporary folder; "installed/" stands for the
// install's share/velmora/.
class MediaFolderTest : public ::testing::Test {
protected:
    std::string Installed() const { return folder / "installed/"; }

    TempFolder folder;
};

}  // namespace

TEST_F(MediaFolderTest, StoredPathWinsOverEverything) {
    folder.WriteFile("Media.dat", "here");
    folder.WriteFile("installed/Media.dat", "installed");
    EXPECT_EQ(ResolveMediaFolder("/opt/media/", Installed()), "/opt/media/");
    // Taken as stored even when nothing is there: the failure is the user's to see.
    EXPECT_EQ(ResolveMediaFolder("c:\\missing\\", Installed()), "c:\\missing\\");
}

TEST_F(MediaFolderTest, CurrentFolderWithMediaDatWinsOverTheInstall) {
    folder.WriteFile("Media.dat", "here");
    folder.WriteFile("installed/Media.dat", "installed");
    EXPECT_EQ(ResolveMediaFolder("", Installed()), "");
}

TEST_F(MediaFolderTest, InstallFolderServesAnUnrelatedCurrentFolder) {
    folder.WriteFile("installed/Media.dat", "installed");
    EXPECT_EQ(ResolveMediaFolder("", Installed()), Installed());
    // A loose media/ folder alone holds no archive; the installed one still serves.
    folder.WriteFile("media/models/tree.r3m", "loose");
    EXPECT_EQ(ResolveMediaFolder("", Installed()), Installed());
}

TEST_F(MediaFolderTest, NoMediaAnywhereFallsBackToTheCurrentFolder) {
    ASSERT_EQ(mkdir(Installed().c_str(), 0755), 0);
    folder.WriteFile("installed/site.url", "[InternetShortcut]\nURL=file:///x\n");
    EXPECT_EQ(ResolveMediaFolder("", Installed()), "");
    EXPECT_EQ(ResolveMediaFolder("", folder / "nowhere/"), "");
    EXPECT_EQ(ResolveMediaFolder("", ""), "");
}

// Where no Media.dat is found, standard error names every folder searched;
// a "Path" that names a missing folder says so.
TEST_F(MediaFolderTest, AMissingArchiveNamesTheFoldersSearched) {
    testing::internal::CaptureStderr();
    ResolveMediaFolder("", Installed());
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("no Media.dat in the folders searched: " + folder.Path() +
                           "/ (the current folder), " + Installed()),
              std::string::npos)
        << message;

    testing::internal::CaptureStderr();
    EXPECT_EQ(ResolveMediaFolder(folder / "gone/", Installed()), folder / "gone/");
    message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("\"Path\" names the folder " + folder / "gone/" + ", which cannot be found"),
              std::string::npos)
        << message;

    // Found where it is looked for: nothing is said.
    folder.WriteFile("installed/Media.dat", "installed");
    testing::internal::CaptureStderr();
    ResolveMediaFolder("", Installed());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
