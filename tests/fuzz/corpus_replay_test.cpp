// Replays every fuzz target's corpus through the target's own check, so that
// the seeds and every input that once broke a promise keep being tested in
// the normal and the sanitizer builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_checks.h"

namespace fs = std::filesystem;

// Names the target in test output.
void PrintTo(const FuzzTarget& target, std::ostream* out) {
    *out << target.name;
}

namespace {

class CorpusReplayTest : public ::testing::TestWithParam<FuzzTarget> {};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_P(CorpusReplayTest, EveryCorpusFileKeepsThePromises) {
    const FuzzTarget& target = GetParam();
    fs::path folder = fs::path(VELMORA_SOURCE_DIR) / "tests/fuzz/corpus" / target.name;
    ASSERT_TRUE(fs::is_directory(folder)) << folder;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    EXPECT_GE(files.size(), 5u) << "a corpus of real seeds and regression cases";
    for (const fs::path& file : files) {
        std::string bytes = ReadBytes(file);
        EXPECT_EQ(target.check(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
            << file.filename();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplayTest, ::testing::ValuesIn(FuzzTargets()),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
