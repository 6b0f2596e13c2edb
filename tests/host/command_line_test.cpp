#include "host/command_line.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    ScreenSaverMode mode;
    intptr_t parent;
};

Parsed Read(const char* commandLine) {
    HWND parent = reinterpret_cast<HWND>(intptr_t{77});
    const ScreenSaverMode mode = ReadCommandLine(commandLine, &parent);
    return {mode, reinterpret_cast<intptr_t>(parent)};
}

TEST(CommandLine, PreviewWindowInEverySpelling) {
    for (const char* line : {"saver.scr /p 1234", "saver.scr -P:1234", "saver.scr /p1234",
                             "saver.scr /P 1234 extra"}) {
        const Parsed p = Read(line);
        EXPECT_EQ(p.mode, ScreenSaverMode::Preview) << line;
        EXPECT_EQ(p.parent, 1234) << line;
    }
}

TEST(CommandLine, ConfigWithAndWithoutOwner) {
    EXPECT_EQ(Read("saver.scr /c:1234").mode, ScreenSaverMode::Config);
    EXPECT_EQ(Read("saver.scr /c:1234").parent, 1234);
    EXPECT_EQ(Read("saver.scr -C").mode, ScreenSaverMode::Config);
    EXPECT_EQ(Read("saver.scr -C").parent, 0);
    // No arguments at all, or only the program path.
    EXPECT_EQ(Read("saver.scr").mode, ScreenSaverMode::Config);
    EXPECT_EQ(Read("saver.scr").parent, 0);
    EXPECT_EQ(Read("").mode, ScreenSaverMode::Config);
    EXPECT_EQ(Read(nullptr).mode, ScreenSaverMode::Config);
    EXPECT_EQ(Read("\"C:\\Program Files\\my-saver\\saver.scr\"").mode, ScreenSaverMode::Config);
}

TEST(CommandLine, QuotedPathWithSwitchCharactersIsSkippedWhole) {
    const Parsed p = Read("\"C:\\tools\\sa-ver/x\\v.scr\" /p 99");
    EXPECT_EQ(p.mode, ScreenSaverMode::Preview);
    EXPECT_EQ(p.parent, 99);
    EXPECT_EQ(Read("\"C:\\my-folder\\v.scr\" /t").mode, ScreenSaverMode::Test);
    // An unterminated quote swallows everything.
    EXPECT_EQ(Read("\"C:\\my-folder\\v.scr /s").mode, ScreenSaverMode::Config);
}

TEST(CommandLine, UnquotedPathEndsAtFirstSpace) {
    // The hyphen in the path counts when the path is not quoted: the path
    // ends at the first space, and the scan goes on from there.
    EXPECT_EQ(Read("C:\\a\\saver.scr /a 5").mode, ScreenSaverMode::ChangePassword);
    EXPECT_EQ(Read("C:\\a\\saver.scr /a 5").parent, 5);
}

TEST(CommandLine, LettersInEitherCase) {
    EXPECT_EQ(Read("s.scr /t").mode, ScreenSaverMode::Test);
    EXPECT_EQ(Read("s.scr -T").mode, ScreenSaverMode::Test);
    EXPECT_EQ(Read("s.scr /a 12").mode, ScreenSaverMode::ChangePassword);
    EXPECT_EQ(Read("s.scr /A:12").parent, 12);
    EXPECT_EQ(Read("s.scr /s").mode, ScreenSaverMode::FullScreen);
    EXPECT_EQ(Read("s.scr -S").mode, ScreenSaverMode::FullScreen);
    EXPECT_EQ(Read("s.scr /x").mode, ScreenSaverMode::FullScreen);
}

TEST(CommandLine, LoneSwitchCharacterIsFullScreen) {
    EXPECT_EQ(Read("s.scr /").mode, ScreenSaverMode::FullScreen);
    EXPECT_EQ(Read("s.scr -").mode, ScreenSaverMode::FullScreen);
    EXPECT_EQ(Read("s.scr -").parent, 0);
}

TEST(CommandLine, PreviewWithoutNumberOrWithHugeNumberHasNoParent) {
    EXPECT_EQ(Read("s.scr /p").mode, ScreenSaverMode::Preview);
    EXPECT_EQ(Read("s.scr /p").parent, 0);
    EXPECT_EQ(Read("s.scr /p 99999999999999999999").parent, 0);
    EXPECT_EQ(Read("s.scr /p 2147483647").parent, 2147483647);
    EXPECT_EQ(Read("s.scr /p 2147483648").parent, 0);
}

}  // namespace
