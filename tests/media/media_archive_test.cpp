// Reading media by name from archives made by Info-ZIP's zip tool and from
// the loose "media/" folder, including damaged and hostile archives.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "media/media_archive.h"
#include "media/zip_cipher.h"
#include "tests/support/temp_folder.h"

namespace {

// Largest nothrow array allocation seen, to prove damaged headers never
// turn into huge allocations.
size_t largestNothrowArray = 0;

std::string AsString(const std::unique_ptr<IData>& blob) {
    return std::string(blob->GetData(), blob->GetSize());
}

void PutLittleEndian(std::string* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>(value >> (8 * i)));
}

// Writes a zip archive holding one entry `name` of `size` zero bytes,
// deflated and sealed with the archive password, without ever holding the
// zeros in memory.
void WriteZeroEntryArchive(const std::string& path, const std::string& name, uint32_t size) {
    const std::vector<uint8_t> zeros(1 << 20, 0);
    const uLong zerosCrc = crc32(0, zeros.data(), static_cast<uInt>(zeros.size()));
    z_stream stream = {};
    ASSERT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_RLE), Z_OK);
    std::vector<uint8_t> deflated, out(1 << 16);
    uLong crc = crc32(0, nullptr, 0);
    for (uint32_t left = size;;) {
        const uint32_t chunk = std::min<uint32_t>(left, static_cast<uint32_t>(zeros.size()));
        left -= chunk;
        crc = crc32_combine(crc, chunk == zeros.size() ? zerosCrc : crc32(0, zeros.data(), chunk),
                            chunk);
        stream.next_in = const_cast<Bytef*>(zeros.data());
        stream.avail_in = chunk;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            result = deflate(&stream, flush);
            deflated.insert(deflated.end(), out.data(), out.data() + out.size() - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        if (flush == Z_FINISH) break;
    }
    deflateEnd(&stream);

    ZipCipher cipher(kMediaArchivePassword);
    std::string sealed;
    for (int i = 0; i < ZipCipher::kHeaderSize; ++i) {
        const uint8_t plain = i + 1 < ZipCipher::kHeaderSize ? static_cast<uint8_t>(i * 37)
                                                               : static_cast<uint8_t>(crc >> 24);
        sealed.push_back(static_cast<char>(cipher.Encrypt(plain)));
    }
    for (uint8_t byte : deflated) sealed.push_back(static_cast<char>(cipher.Encrypt(byte)));

    // Version 2.0, encrypted, deflated, 1980-01-01 00:00.
    auto common = [&](std::string* out) {
        PutLittleEndian(out, 20, 2);
        PutLittleEndian(out, 1, 2);
        PutLittleEndian(out, 8, 2);
        PutLittleEndian(out, 0, 2);
        PutLittleEndian(out, 0x21, 2);
        PutLittleEndian(out, static_cast<uint32_t>(crc), 4);
        PutLittleEndian(out, static_cast<uint32_t>(sealed.size()), 4);
        PutLittleEndian(out, size, 4);
        PutLittleEndian(out, static_cast<uint32_t>(name.size()), 2);
        PutLittleEndian(out, 0, 2);
    };
    std::string zip;
    PutLittleEndian(&zip, 0x04034b50, 4);
    common(&zip);
    zip += name + sealed;
    const uint32_t central = static_cast<uint32_t>(zip.size());
    PutLittleEndian(&zip, 0x02014b50, 4);
    PutLittleEndian(&zip, 20, 2);
    common(&zip);
    PutLittleEndian(&zip, 0, 2);   // comment
    PutLittleEndian(&zip, 0, 2);   // disk
    PutLittleEndian(&zip, 0, 2);   // internal attributes
    PutLittleEndian(&zip, 0, 4);   // external attributes
    PutLittleEndian(&zip, 0, 4);   // local header offset
    zip += name;
    const uint32_t centralSize = static_cast<uint32_t>(zip.size()) - central;
    PutLittleEndian(&zip, 0x06054b50, 4);
    PutLittleEndian(&zip, 0, 4);
    PutLittleEndian(&zip, 1, 2);
    PutLittleEndian(&zip, 1, 2);
    PutLittleEndian(&zip, centralSize, 4);
    PutLittleEndian(&zip, central, 4);
    PutLittleEndian(&zip, 0, 2);
    std::ofstream(path, std::ios::binary) << zip;
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

TEST_F(MediaArchiveTest, ArchiveOfAnotherPasswordIsNotOpenedAndSaysWhy) {
    MakeTreeAndArchive("other7x");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OpenMediaArchive("Media.dat"));
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("Media.dat is not a Velmora archive"), std::string::npos) << message;
    EXPECT_EQ(ReadMediaFile("models/tree.r3m"), nullptr);
    // Entries without any encryption are no better.
    folder.WriteFile("src/models/tree.r3m", treeBytes);
    ZipWithTool("Plain.dat", "");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OpenMediaArchive("Plain.dat"));
    message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("not a Velmora archive"), std::string::npos) << message;
}

// Every reason an archive does not open is named on standard error, with
// the path: the message box only says that media could not be loaded.
TEST_F(MediaArchiveTest, AnArchiveThatDoesNotOpenSaysWhy) {
    MakeTreeAndArchive();
    auto reason = [](const char* path) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(OpenMediaArchive(path)) << path;
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_NE(reason("Missing.dat").find("Missing.dat: No such file or directory"),
              std::string::npos);
    ASSERT_EQ(mkdir("Folder.dat", 0755), 0);
    EXPECT_NE(reason("Folder.dat").find("Folder.dat is a folder"), std::string::npos);
    std::string bytes = folder.ReadFile("Media.dat");
    folder.WriteFile("Truncated.dat", bytes.substr(0, bytes.size() / 2));
    EXPECT_NE(reason("Truncated.dat").find("Truncated.dat is not a zip archive"),
              std::string::npos);

    // An unreadable archive, as an ordinary user (root reads it all the same).
    chmod(folder.Path().c_str(), 0755);
    chmod("Media.dat", 0);
    pid_t child = fork();
    if (child == 0) {
        int log = open((folder / "child-stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (log < 0) _exit(11);
        dup2(log, 2);
        if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
        _exit(OpenMediaArchive((folder / "Media.dat").c_str()) ? 12 : 0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(folder.ReadFile("child-stderr.txt")
                  .find(folder / "Media.dat: Permission denied"),
              std::string::npos)
        << folder.ReadFile("child-stderr.txt");
}

// A FIFO (whose open would wait for a writer for ever) and a device are
// refused at once with a line saying what they are; the archive's entry of
// the same name serves instead. The read runs in a child under a hang bound.
TEST_F(MediaArchiveTest, OnlyPlainLooseFilesAreOpened) {
    MakeTreeAndArchive();
    ASSERT_EQ(mkdir("media", 0755), 0);
    ASSERT_EQ(mkdir("media/models", 0755), 0);
    ASSERT_EQ(mkfifo("media/models/tree.r3m", 0644), 0);
    ASSERT_EQ(mkdir("media/texture", 0755), 0);
    ASSERT_EQ(symlink("/dev/zero", "media/texture/empty.raw"), 0);
    pid_t child = fork();
    if (child == 0) {
        alarm(10);
        int log = open((folder / "child-stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(log, 2);
        if (!OpenMediaArchive("Media.dat")) _exit(1);
        auto tree = ReadMediaFile("models/tree.r3m");
        if (tree == nullptr || AsString(tree) != std::string("R3M\0tree\x01\x02\xff", 12) +
                                                    std::string(5000, 'x'))
            _exit(2);
        if (ReadLooseMediaFile("texture/empty.raw") != nullptr) _exit(3);
        _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string message = folder.ReadFile("child-stderr.txt");
    EXPECT_NE(message.find("media/models/tree.r3m is a FIFO"), std::string::npos) << message;
    EXPECT_NE(message.find("media/texture/empty.raw is a device"), std::string::npos) << message;
}

// An entry of two thousand million zero bytes deflates to under 2 MB, within
// what deflate can do, so the ratio guard lets it by; it is refused by its
// size before anything is allocated or inflated. So is a loose file past the
// bound for its kind.
TEST_F(MediaArchiveTest, EntriesLargerThanTheirKindCanBeAreRefusedBeforeInflating) {
    WriteZeroEntryArchive("Bomb.dat", "texture/shore.jpg", 2000000000u);
    ASSERT_TRUE(OpenMediaArchive("Bomb.dat"));
    largestNothrowArray = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadMediaFile("texture/shore.jpg"), nullptr);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("texture/shore.jpg is 2000000000 bytes"), std::string::npos)
        << message;
    EXPECT_LT(largestNothrowArray, 1u << 20);
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 400 * 1024) << "peak resident KiB";

    // A sparse loose file of 100 MB is refused by its length alone.
    folder.WriteFile("media/sound/ocean.ogg", "");
    ASSERT_EQ(truncate("media/sound/ocean.ogg", 100 << 20), 0);
    largestNothrowArray = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadLooseMediaFile("sound/ocean.ogg"), nullptr);
    message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find("sound/ocean.ogg is 104857600 bytes"), std::string::npos) << message;
    EXPECT_LT(largestNothrowArray, 1u << 20);
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
