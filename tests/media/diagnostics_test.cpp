// The silent log and the real, growing error file.
#include <gtest/gtest.h>

#include <string>

#include "media/error_file.h"
#include "media/log_file.h"
#include "tests/support/temp_folder.h"

TEST(LogFileTest, ExistsOnlyBetweenCreationAndDestructionAndWritesNothing) {
    TempFolder folder;
    EXPECT_EQ(GetLog(), nullptr);
    {
        LogFile log("log.txt");
        EXPECT_EQ(GetLog(), &log);
        GetLog()->WriteLine("Unable to access DAT file");
        GetLog()->WriteLine("Texture Load texture/a.tga -OK");
    }
    EXPECT_EQ(GetLog(), nullptr);
    EXPECT_TRUE(folder.ListFiles().empty());
}

TEST(ErrorFileTest, ReportsAppendUnchangedUnderTheUsersDriveC) {
    TempFolder folder;
    ReportError("error D3DXCreateTexture\n");
    EXPECT_EQ(folder.ReadFile("velmora/drive_c/TreeError.er"), "error D3DXCreateTexture\n");
    ReportError("error D3DXCreateTexture\n");
    EXPECT_EQ(folder.ReadFile("velmora/drive_c/TreeError.er"),
              "error D3DXCreateTexture\nerror D3DXCreateTexture\n");
}

TEST(ErrorFileTest, LongReportsAreCutTo255Characters) {
    TempFolder folder;
    std::string longText(400, 'e');
    ReportError("%s%d", longText.c_str(), 42);
    EXPECT_EQ(folder.ReadFile("velmora/drive_c/TreeError.er"), std::string(255, 'e'));
}

TEST(ErrorFileTest, UnwritableFolderLosesTheReportSilently) {
    TempFolder folder;
    folder.WriteFile("velmora/drive_c", "a file where the folder should be");
    ReportError("error D3DXCreateTexture\n");
    EXPECT_EQ(folder.ReadFile("velmora/drive_c"), "a file where the folder should be");
}
