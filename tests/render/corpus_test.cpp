// Replays the fuzz corpus through the fuzz target's own checks, so every
// file that once found a fault keeps being tested in the normal build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/render/model_invariants.h"

TEST(ModelCorpusTest, EveryCorpusFileKeepsTheReadersPromises) {
    std::filesystem::path corpus =
        std::filesystem::path(VELMORA_SOURCE_DIR) / "tests/render/corpus";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(CheckModelFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                  "")
            << entry.path().filename();
        ++files;
    }
    EXPECT_GT(files, 10);
}
