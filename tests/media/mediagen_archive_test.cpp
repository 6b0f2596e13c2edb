// Archives written by velmora-mediagen: Info-ZIP accepts them only with the
// password, our reader reads them, and the bytes never depend on the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/media_archive.h"
#include "tests/support/temp_folder.h"
#include "tools/mediagen/folder_tree.h"
#include "tools/mediagen/zip_writer.h"

namespace {

std::vector<ZipEntry> SampleEntries() {
    std::vector<uint8_t> ripples(65536);
    for (size_t i = 0; i < ripples.size(); ++i) ripples[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return {{"models/tree.r3m", {1, 2, 3, 0, 4}},
            {"sound/empty.ogg", {}},
            {"texture/bumpwat.raw", ripples}};
}

}  // namespace

TEST(MediagenArchiveTest, UnzipTestsItWithThePasswordOnly) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(WriteEncryptedZip("Media.dat", SampleEntries(), kMediaArchivePassword, &error))
        << error;
    EXPECT_EQ(RunCommand("unzip -qq -P plumbo3 -t Media.dat >/dev/null"), 0);
    EXPECT_NE(RunCommand("unzip -qq -t Media.dat </dev/null >/dev/null 2>&1"), 0);
    EXPECT_NE(RunCommand("unzip -qq -P wrong12 -t Media.dat >/dev/null 2>&1"), 0);
}

TEST(MediagenArchiveTest, OurReaderGetsEveryEntryBack) {
    TempFolder folder;
    std::string error;
    std::vector<ZipEntry> entries = SampleEntries();
    ASSERT_TRUE(WriteEncryptedZip("Media.dat", entries, kMediaArchivePassword, &error));
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    for (const ZipEntry& entry : entries) {
        auto blob = ReadMediaFile(entry.name.c_str());
        ASSERT_NE(blob, nullptr) << entry.name;
        EXPECT_EQ(std::vector<uint8_t>(blob->GetData(), blob->GetData() + blob->GetSize()),
                  entry.bytes)
            << entry.name;
    }
    CloseMediaArchive();
}

TEST(MediagenArchiveTest, SameEntriesGiveTheSameBytes) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(WriteEncryptedZip("a.dat", SampleEntries(), kMediaArchivePassword, &error));
    ASSERT_TRUE(WriteEncryptedZip("b.dat", SampleEntries(), kMediaArchivePassword, &error));
    EXPECT_EQ(folder.ReadFile("a.dat"), folder.ReadFile("b.dat"));
}

TEST(MediagenArchiveTest, PacksAFolderTreeInNameOrder) {
    TempFolder folder;
    folder.WriteFile("tree/texture/b.jpg", "jpeg");
    folder.WriteFile("tree/models/a.r3m", "r3m");
    std::vector<ZipEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadFolderTree(folder / "tree", &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "models/a.r3m");
    EXPECT_EQ(entries[1].name, "texture/b.jpg");
    EXPECT_FALSE(ReadFolderTree(folder / "missing", &entries, &error));
}
