#include <gtest/gtest.h>

#include "media/data_chunk.h"

TEST(DataChunkTest, ReadsAreClampedToWhatIsLeft) {
    const char bytes[] = {1, 2, 3, 4, 5, 6, 7};
    DataChunk chunk(bytes, 7);
    char out[8] = {};
    EXPECT_EQ(chunk.Read(out, 4), 4u);
    EXPECT_FALSE(chunk.AtEnd());

    char rest[4] = {9, 9, 9, 9};
    EXPECT_EQ(chunk.Read(rest, 4), 3u);
    EXPECT_EQ(rest[0], 5);
    EXPECT_EQ(rest[2], 7);
    EXPECT_EQ(rest[3], 9);  // untouched past the short read
    EXPECT_TRUE(chunk.AtEnd());
    EXPECT_EQ(chunk.Read(rest, 4), 0u);
}

TEST(DataChunkTest, EmptyRangeIsAtEnd) {
    DataChunk chunk(nullptr, 0);
    char out[1];
    EXPECT_TRUE(chunk.AtEnd());
    EXPECT_EQ(chunk.Read(out, 1), 0u);
}
