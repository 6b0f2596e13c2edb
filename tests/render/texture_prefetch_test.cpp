// Files read and prepared on worker threads: handed over in order, from a
// real encrypted archive read by several workers at once, with the workers
// never far ahead of the taker and nothing left behind when stopped early.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "media/media_archive.h"
#include "render/texture_prefetch.h"
#include "tests/support/temp_folder.h"

namespace {

// Images are copies of the file's bytes; the counters watch how many exist.
std::atomic<int> liveImages{0};
std::atomic<int> mostLiveImages{0};

void* CopyFile(const void* file, UINT size) {
    const int live = ++liveImages;
    int most = mostLiveImages.load();
    while (live > most && !mostLiveImages.compare_exchange_weak(most, live)) {
    }
    return new std::string(static_cast<const char*>(file), size);
}

void ReleaseCopy(void* image) {
    delete static_cast<std::string*>(image);
    --liveImages;
}

const TextureCache::TextureDecoder kCopyDecoder = {CopyFile, nullptr, ReleaseCopy};

std::string Take(TexturePrefetch& prefetch) {
    TexturePrefetch::Prepared file = prefetch.TakeNext();
    if (!file.found) return "(missing)";
    std::string bytes = *static_cast<std::string*>(file.image);
    ReleaseCopy(file.image);
    return bytes;
}

class TexturePrefetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        liveImages = 0;
        mostLiveImages = 0;
    }
    void TearDown() override {
        CloseMediaArchive();
        EXPECT_EQ(liveImages, 0) << "an image was not released";
    }
    // `count` loose media files "texture/t<i>.tga", each holding its number.
    std::vector<std::string> NumberedFiles(int count) const {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back("texture/t" + std::to_string(i) + ".tga");
            folder.WriteFile("media/" + paths.back(), std::to_string(i));
        }
        return paths;
    }
    TempFolder folder;
};

}  // namespace

TEST_F(TexturePrefetchTest, FourWorkersHandAnArchivesFilesOverInOrder) {
    std::vector<std::string> paths;
    std::string zipped;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "texture/t" + std::to_string(i) + ".tga";
        paths.push_back(name);
        if (i % 7 == 3) continue;  // not in the archive
        // Sizes differ so that workers finish out of order.
        folder.WriteFile("pack/" + name,
                         std::string(size_t(1000) * ((i * 37) % 11 + 1), char('a' + i % 26)));
        zipped += " " + name;
    }
    ASSERT_EQ(RunCommand("cd pack && zip -q -e -P plumbo3 ../Media.dat" + zipped), 0);
    ASSERT_TRUE(OpenMediaArchive("Media.dat"));

    TexturePrefetch prefetch(paths, kCopyDecoder, 4);
    for (int i = 0; i < 40; ++i) {
        const std::string expected =
            i % 7 == 3 ? "(missing)"
                       : std::string(size_t(1000) * ((i * 37) % 11 + 1), char('a' + i % 26));
        EXPECT_EQ(Take(prefetch), expected) << paths[i];
    }
    // Past the end there is nothing more to wait for.
    EXPECT_FALSE(prefetch.TakeNext().found);
}

TEST_F(TexturePrefetchTest, WorkersStayAFewFilesAheadOfASlowTaker) {
    const std::vector<std::string> paths = NumberedFiles(30);
    TexturePrefetch prefetch(paths, kCopyDecoder, 2);
    for (int i = 0; i < 30; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(Take(prefetch), std::to_string(i));
    }
    // Two workers one file ahead each, one more ready, and the one taken.
    EXPECT_LE(mostLiveImages, 4);
}

TEST_F(TexturePrefetchTest, StoppingEarlyReleasesEveryImageNotTaken) {
    const std::vector<std::string> paths = NumberedFiles(20);
    {
        TexturePrefetch prefetch(paths, kCopyDecoder, 3);
        EXPECT_EQ(Take(prefetch), "0");
        EXPECT_EQ(Take(prefetch), "1");
        // Let the workers run ahead of the taker.
        for (int wait = 0; wait < 2000 && liveImages == 0; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_GT(liveImages, 0);
    }
    // TearDown checks that every image was released.
}

TEST_F(TexturePrefetchTest, WithoutWorkersEachFileIsPreparedWhenTaken) {
    folder.WriteFile("media/texture/a.tga", "first");
    folder.WriteFile("media/texture/c.tga", "third");
    TexturePrefetch prefetch({"texture/a.tga", "texture/b.tga", "texture/c.tga"}, kCopyDecoder, 0);
    EXPECT_EQ(mostLiveImages, 0);  // nothing runs ahead
    EXPECT_EQ(Take(prefetch), "first");
    EXPECT_EQ(Take(prefetch), "(missing)");
    EXPECT_EQ(Take(prefetch), "third");
    EXPECT_EQ(mostLiveImages, 1);
    EXPECT_FALSE(prefetch.TakeNext().found);
}

TEST_F(TexturePrefetchTest, AnEmptyListStartsNoWorkAndHandsOutNothing) {
    TexturePrefetch prefetch({}, kCopyDecoder);
    EXPECT_FALSE(prefetch.TakeNext().found);
    EXPECT_EQ(mostLiveImages, 0);
}
