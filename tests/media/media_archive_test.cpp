// Reading media by name from archives made by Info-ZIP's zip tool and from
// the loose "media/" folder, including damaged and hostile archives.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <new>
#include <string>

#include "media/media_archive.h"
#include "tests/support/temp_folder.h"

namespace {

// Largest nothrow array allocation seen, to prove damaged headers never
// turn into huge allocations.
size_t largestNothrowArray = 0;

std::string AsString(const std::unique_ptr<IData>& blob) {
    return std::string(blob->GetData(), blob->GetSize());
}

class MediaArchiveTest : public ::testing::Test {
protected:
    void TearDown() override { CloseMediaArchive(); }

    // Makes `archive` from the files under "src/" with the zip tool.
    void ZipWithTool(const std::string& archive, const std::string& options) {
        ASSERT_EQ(RunCommand("cd src && zip -q -r -X " + options + " ../" + archive + " ."), 0);
    }

    void MakeTreeAndArchive(const std::string& password = "plumbo3") {
        folder.WriteFile("src/models/tree.r3m", treeBytes);
        folder.WriteFile("src/texture/empty.raw", "");
        ZipWithTool("Media.dat", "-e -P " + password);
    }

    TempFolder folder;
    const std::string treeBytes = std::string("R3M\0tree\x01\x02\xff", 12) + std::string(5000, 'x');
};

}  // namespace

// Records every nothrow array request and serves it from the ordinary
// allocator, so sized and unsized deletes stay matched.
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    if (size > largestNothrowArray) largestNothrowArray = size;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

TEST_F(MediaArchiveTest, ReadsEntriesOfAZipToolArchiveByAnySpellingOfTheName) {
    MakeTreeAndArchive();
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));

    auto exact = ReadMediaFile("models/tree.r3m");
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(AsString(exact), treeBytes);

    auto capitals = ReadMediaFile("MODELS/TREE.R3M");
    ASSERT_NE(capitals, nullptr);
    EXPECT_EQ(AsString(capitals), treeBytes);

    auto backslashes = ReadArchiveEntry("models\\tree.r3m");
    ASSERT_NE(backslashes, nullptr);
    EXPECT_EQ(AsString(backslashes), treeBytes);

    auto empty = ReadMediaFile("texture/empty.raw");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetSize(), 0u);

    EXPECT_EQ(ReadMediaFile("models/missing.r3m"), nullptr);
}

TEST_F(MediaArchiveTest, LooseFileTakesThePlaceOfTheEntryWhileTheArchiveIsOpen) {
    MakeTreeAndArchive();
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    std::string loose = std::string("loose\0bytes", 11);
    folder.WriteFile("media/models/tree.r3m", loose);

    auto blob = ReadMediaFile("models/tree.r3m");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(AsString(blob), loose);

    folder.WriteFile("media/texture/empty.raw", "");
    auto empty = ReadLooseMediaFile("texture/empty.raw");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetSize(), 0u);
}

TEST_F(MediaArchiveTest, LooseFilesWorkWithoutAnArchive) {
    folder.WriteFile("media/sound/ocean.ogg", "OggS");
    auto blob = ReadMediaFile("sound/ocean.ogg");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(AsString(blob), "OggS");
}

TEST_F(MediaArchiveTest, NothingFoundGivesNullAndWritesNothing) {
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
    EXPECT_TRUE(folder.ListFiles().empty());
}

TEST_F(MediaArchiveTest, LoosePathThatIsAFolderIsNotAFile) {
    MakeTreeAndArchive();
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    folder.WriteFile("media/models/tree.r3m/inside", "x");
    EXPECT_EQ(ReadLooseMediaFile("models/tree.r3m"), nullptr);
    auto blob = ReadMediaFile("models/tree.r3m");
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(AsString(blob), treeBytes);
}

TEST_F(MediaArchiveTest, NamesOfMoreThan1023CharactersAreRefused) {
    MakeTreeAndArchive();
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    std::string longName = "models/" + std::string(1017, 'a');
    ASSERT_EQ(longName.size(), 1024u);
    EXPECT_EQ(ReadArchiveEntry(longName.c_str()), nullptr);
}

TEST_F(MediaArchiveTest, WrongPasswordGivesNull) {
    MakeTreeAndArchive("other7x");
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
    // The archive stays usable for the next request.
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
}

TEST_F(MediaArchiveTest, DamagedEntryFailsItsChecksum) {
    folder.WriteFile("src/models/tree.r3m", treeBytes);
    ZipWithTool("Media.dat", "-0 -e -P plumbo3");
    std::string bytes = folder.ReadFile("Media.dat");
    size_t at = bytes.find("models/tree.r3m") + std::strlen("models/tree.r3m") + 12 + 2000;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
    folder.WriteFile("Media.dat", bytes);

    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
}

TEST_F(MediaArchiveTest, TruncatedOrForeignFilesDoNotOpen) {
    MakeTreeAndArchive();
    std::string bytes = folder.ReadFile("Media.dat");
    folder.WriteFile("Truncated.dat", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(OpenMediaArchive("Truncated.dat"));
    folder.WriteFile("Text.dat", "this is not a zip archive at all\n");
    EXPECT_FALSE(OpenMediaArchive("Text.dat"));
    EXPECT_FALSE(OpenMediaArchive("Missing.dat"));
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
}

TEST_F(MediaArchiveTest, EntryClaimingGigabytesIsRefusedWithoutAllocating) {
    MakeTreeAndArchive();
    std::string bytes = folder.ReadFile("Media.dat");
    // Patch the uncompressed size of the central directory record of tree.r3m.
    // The name's last occurrence is in the central directory, 46 bytes into its record.
    size_t central = bytes.rfind("models/tree.r3m") - 46;
    ASSERT_EQ(bytes.compare(central, 4, "PK\x01\x02"), 0);
    const char huge[4] = {'\xf0', '\xff', '\xff', '\x7f'};
    std::memcpy(&bytes[central + 24], huge, 4);
    folder.WriteFile("Media.dat", bytes);

    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    largestNothrowArray = 0;
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
    EXPECT_LT(largestNothrowArray, 1u << 20);
}

TEST_F(MediaArchiveTest, ClosedArchiveLeavesOnlyLooseFiles) {
    MakeTreeAndArchive();
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));
    auto kept = ReadMediaFile("models/tree.r3m");
    CloseMediaArchive();
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(AsString(kept), treeBytes);  // blobs own their bytes
    CloseMediaArchive();                   // closing twice is harmless
}
