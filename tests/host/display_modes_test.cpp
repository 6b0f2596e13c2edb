#include "host/display_modes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ModeRecord Mode(UINT w, UINT h, int format) {
    return ModeRecord{w, h, static_cast<D3DFORMAT>(format), 0x40, D3DFMT_D16};
}

TEST(DisplayModes, SameSizeSortsR5G6B5First) {
    DisplayModeEntry modes[MaxDisplayModes];
    UINT count = 0;
    EXPECT_TRUE(AddDisplayMode(modes, &count, MaxDisplayModes, {800, 600, D3DFMT_X8R8G8B8}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, MaxDisplayModes, {640, 480, D3DFMT_A8R8G8B8}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, MaxDisplayModes, {800, 600, D3DFMT_R5G6B5}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, MaxDisplayModes, {800, 600, D3DFMT_A8R8G8B8}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, MaxDisplayModes, {640, 500, D3DFMT_R5G6B5}));
    SortDisplayModes(modes, count);
    ASSERT_EQ(count, 5u);
    EXPECT_EQ(modes[0].height, 480u);
    EXPECT_EQ(modes[1].height, 500u);
    EXPECT_EQ(modes[2].format, D3DFMT_R5G6B5);
    EXPECT_EQ(modes[3].format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(modes[4].format, D3DFMT_A8R8G8B8);
}

TEST(DisplayModes, SmallDuplicateAndOverflowingModesAreDropped) {
    DisplayModeEntry modes[3];
    UINT count = 0;
    EXPECT_FALSE(AddDisplayMode(modes, &count, 3, {639, 480, D3DFMT_R5G6B5}));
    EXPECT_FALSE(AddDisplayMode(modes, &count, 3, {640, 399, D3DFMT_R5G6B5}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, 3, {640, 400, D3DFMT_R5G6B5}));
    EXPECT_FALSE(AddDisplayMode(modes, &count, 3, {640, 400, D3DFMT_R5G6B5}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, 3, {640, 480, D3DFMT_R5G6B5}));
    EXPECT_TRUE(AddDisplayMode(modes, &count, 3, {800, 600, D3DFMT_R5G6B5}));
    EXPECT_FALSE(AddDisplayMode(modes, &count, 3, {1024, 768, D3DFMT_R5G6B5}));
    EXPECT_EQ(count, 3u);

    D3DFORMAT formats[2];
    UINT formatCount = 0;
    EXPECT_TRUE(AddFormat(formats, &formatCount, 2, D3DFMT_X8R8G8B8));
    EXPECT_FALSE(AddFormat(formats, &formatCount, 2, D3DFMT_X8R8G8B8));
    EXPECT_TRUE(AddFormat(formats, &formatCount, 2, D3DFMT_R5G6B5));
    EXPECT_FALSE(AddFormat(formats, &formatCount, 2, D3DFMT_A8R8G8B8));
    EXPECT_EQ(formatCount, 2u);
}

TEST(DisplayModes, DefaultPrefers16Bit640By480) {
    std::vector<ModeRecord> modes = {Mode(640, 480, 22), Mode(640, 480, 21), Mode(640, 480, 23),
                                     Mode(800, 600, 23)};
    EXPECT_EQ(DefaultModeIndex(modes.data(), 4), 2u);
    modes[2].format = D3DFMT_A8R8G8B8;
    EXPECT_EQ(DefaultModeIndex(modes.data(), 4), 2u);  // the last 640 by 480
    modes = {Mode(800, 600, 23), Mode(1024, 768, 22)};
    EXPECT_EQ(DefaultModeIndex(modes.data(), 2), 0u);
}

TEST(DisplayModes, HardwareAutomaticTakesDesktopSizeIn32Bit) {
    std::vector<ModeRecord> modes = {Mode(640, 480, 23), Mode(1280, 1024, 23), Mode(1280, 1024, 22),
                                     Mode(1280, 1024, 21)};
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 4, false, 1280, 1024), 2u);
    // Only a 16-bit mode of the desktop's size.
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 2, false, 1280, 1024), 1u);
    // No mode of the desktop's size: the smallest mode.
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 4, false, 1600, 1200), 0u);
}

TEST(DisplayModes, SoftwareAutomaticTakesLowestResolutionSkippingHeight400) {
    std::vector<ModeRecord> modes = {Mode(640, 400, 23), Mode(640, 480, 23), Mode(800, 600, 23)};
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 3, true, 1280, 1024), 1u);
    // Among one height its first 16-bit mode wins; a 32-bit one gives way.
    modes = {Mode(640, 480, 22), Mode(640, 480, 23), Mode(640, 480, 24), Mode(800, 600, 23)};
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 4, true, 1280, 1024), 1u);
    modes = {Mode(640, 400, 23)};
    EXPECT_EQ(AutomaticModeIndex(modes.data(), 1, true, 1280, 1024), 0u);
}

TEST(DisplayModes, UserModeMustMatchExactly) {
    std::vector<ModeRecord> modes = {Mode(640, 480, 23), Mode(800, 600, 22)};
    EXPECT_EQ(FindModeIndex(modes.data(), 2, 800, 600, D3DFMT_X8R8G8B8), 1u);
    EXPECT_EQ(FindModeIndex(modes.data(), 2, 800, 600, D3DFMT_R5G6B5), NoModeChosen);
}

TEST(DisplayModes, StepDownGoes16BitThenSmaller) {
    std::vector<ModeRecord> modes = {Mode(640, 480, 23), Mode(640, 480, 22),  Mode(800, 600, 23),
                                     Mode(800, 600, 22), Mode(1024, 768, 23), Mode(1024, 768, 22)};
    UINT current = 5;
    ASSERT_TRUE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 4u);  // same size, 16-bit
    ASSERT_TRUE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 3u);  // smaller area, 32-bit preferred
    ASSERT_TRUE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 2u);
    ASSERT_TRUE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 1u);
    ASSERT_TRUE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 0u);
    EXPECT_FALSE(StepDownModeIndex(modes.data(), 6, &current));
    EXPECT_EQ(current, 0u);
    current = NoModeChosen;
    EXPECT_FALSE(StepDownModeIndex(modes.data(), 6, &current));
}

}  // namespace
