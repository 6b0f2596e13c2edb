// The Windows resource script: written by velmora-rcgen, compiled by windres
// to a .res file, and read back to hold exactly the resource data.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "tests/support/temp_folder.h"
#include "tools/rcgen/rc_writer.h"

namespace {

constexpr const char* kWindres = "x86_64-w64-mingw32-windres";

// Bounds-checked little-endian reads; past the end they give zeros and clear `ok`.
struct Reader {
    const std::string& bytes;
    size_t at = 0;
    bool ok = true;

    uint32_t Read(int size) {
        if (at + size > bytes.size()) {
            ok = false;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < size; ++i) value |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
        at += size;
        return value;
    }
    uint16_t Word() { return uint16_t(Read(2)); }
    uint32_t Dword() { return Read(4); }
    void Align(size_t base) { at = base + ((at - base + 3) & ~size_t{3}); }

    // A zero-terminated UTF-16 string (the tests' texts are all in the BMP), as UTF-8.
    std::string Text() {
        std::string text;
        while (uint16_t c = Word()) AppendUtf8(c, &text);
        return text;
    }
    // A name or ordinal: "#n" for ordinal n.
    std::string TextOrOrdinal() {
        if (at + 2 <= bytes.size() && uint8_t(bytes[at]) == 0xFF &&
            uint8_t(bytes[at + 1]) == 0xFF) {
            Word();
            std::string ordinal = "#";
            return ordinal += std::to_string(Word());
        }
        return Text();
    }
    static void AppendUtf8(uint16_t c, std::string* out) {
        if (c < 0x80) {
            *out += char(c);
        } else if (c < 0x800) {
            *out += char(0xC0 | c >> 6);
            *out += char(0x80 | (c & 0x3F));
        } else {
            *out += char(0xE0 | c >> 12);
            *out += char(0x80 | ((c >> 6) & 0x3F));
            *out += char(0x80 | (c & 0x3F));
        }
    }
};

// The resources of a .res file by "type/name", e.g. "#5/#106" for dialog 106.
std::map<std::string, std::string> ReadResFile(const std::string& bytes) {
    std::map<std::string, std::string> resources;
    Reader in{bytes};
    while (in.ok && in.at < bytes.size()) {
        size_t start = in.at;
        uint32_t dataSize = in.Dword();
        uint32_t headerSize = in.Dword();
        std::string type = in.TextOrOrdinal();
        std::string name = in.TextOrOrdinal();
        if (!in.ok || start + headerSize + dataSize > bytes.size()) break;
        if (dataSize > 0) resources[type + "/" + name] = bytes.substr(start + headerSize, dataSize);
        in.at = start + headerSize + dataSize;
        in.Align(0);
    }
    EXPECT_TRUE(in.ok) << "damaged .res file";
    return resources;
}

// A control's class as the data names it; templates may hold the predefined
// ones as ordinals, and class names compare without case.
std::string ClassName(const std::string& className) {
    static const std::map<std::string, std::string> predefined = {
        {"#128", "BUTTON"},  {"#129", "EDIT"},      {"#130", "STATIC"},
        {"#131", "LISTBOX"}, {"#132", "SCROLLBAR"}, {"#133", "COMBOBOX"}};
    auto found = predefined.find(className);
    std::string name = found != predefined.end() ? found->second : className;
    for (char& c : name) c = char(std::toupper(uint8_t(c)));
    return name;
}

// Checks a compiled DIALOGEX template against the data, field by field.
void ExpectDialog(const std::string& bytes, const DialogResource& dialog) {
    SCOPED_TRACE("dialog " + std::to_string(dialog.id));
    Reader in{bytes};
    EXPECT_EQ(in.Word(), 1);       // dlgVer
    EXPECT_EQ(in.Word(), 0xFFFF);  // signature of the extended form
    in.Dword();                    // help id
    EXPECT_EQ(in.Dword(), 0u);     // extended style
    EXPECT_EQ(in.Dword(), dialog.style);
    uint16_t count = in.Word();
    ASSERT_EQ(count, dialog.controlCount);
    in.Word(), in.Word();
    EXPECT_EQ(int16_t(in.Word()), dialog.cx);
    EXPECT_EQ(int16_t(in.Word()), dialog.cy);
    EXPECT_EQ(in.TextOrOrdinal(), "");  // menu
    EXPECT_EQ(in.TextOrOrdinal(), "");  // window class
    EXPECT_EQ(in.Text(), dialog.caption);
    EXPECT_EQ(in.Word(), dialog.fontPointSize);
    in.Word(), in.Word();  // weight, italic and character set
    EXPECT_EQ(in.Text(), dialog.fontName);
    for (int i = 0; i < count; ++i) {
        const DialogControlResource& control = dialog.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + control.text + "\"");
        in.Align(0);
        in.Dword();                 // help id
        EXPECT_EQ(in.Dword(), 0u);  // extended style
        EXPECT_EQ(in.Dword(), control.style);
        EXPECT_EQ(int16_t(in.Word()), control.x);
        EXPECT_EQ(int16_t(in.Word()), control.y);
        EXPECT_EQ(int16_t(in.Word()), control.cx);
        EXPECT_EQ(int16_t(in.Word()), control.cy);
        EXPECT_EQ(int32_t(in.Dword()), control.id);
        EXPECT_EQ(ClassName(in.TextOrOrdinal()), ClassName(control.className));
        EXPECT_EQ(in.TextOrOrdinal(), control.text);
        in.at += in.Word();  // creation data
    }
    EXPECT_TRUE(in.ok);
}

// The texts of a .res file's string tables by id; blocks of 16, name = id / 16 + 1.
std::map<UINT, std::string> ReadStrings(const std::map<std::string, std::string>& resources) {
    std::map<UINT, std::string> strings;
    for (const auto& [key, bytes] : resources) {
        if (key.rfind("#6/#", 0) != 0) continue;
        UINT first = (std::stoul(key.substr(4)) - 1) * 16;
        Reader in{bytes};
        for (UINT i = 0; i < 16 && in.ok; ++i) {
            std::string text;
            for (uint16_t length = in.Word(); length > 0; --length)
                Reader::AppendUtf8(in.Word(), &text);
            if (!text.empty()) strings[first + i] = text;
        }
        EXPECT_TRUE(in.ok) << key;
    }
    return strings;
}

std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) bytes += std::string{c, '\0'};
    return bytes;
}

bool HaveWindres() {
    return RunCommand(std::string("command -v ") + kWindres + " >/dev/null 2>&1") == 0;
}

// Compiles `script` in the current folder; the resources of the .res file.
std::map<std::string, std::string> Compile(const TempFolder& folder, const std::string& script) {
    folder.WriteFile("script.rc", script);
    int status = RunCommand(std::string(kWindres) + " -i script.rc -O res -o script.res");
    EXPECT_EQ(status, 0) << script;
    return ReadResFile(folder.ReadFile("script.res"));
}

}  // namespace

TEST(ResourceScriptTest, CompiledScriptHoldsTheResourceData) {
    if (!HaveWindres()) GTEST_SKIP() << kWindres << " is not installed";
    TempFolder folder;
    const std::string resourceDir = std::string(VELMORA_SOURCE_DIR) + "/resources";
    const std::string generator = VELMORA_RCGEN;
    EXPECT_EQ(RunCommand(generator + " " + resourceDir + " 1.x bad.rc 2>/dev/null"), 2);
    EXPECT_NE(RunCommand(generator + " /nonexistent 1.0 bad.rc 2>/dev/null"), 0);
    ASSERT_EQ(RunCommand(generator + " " + resourceDir + " 1.2.3.40000 script.rc"), 0);
    std::map<std::string, std::string> resources = Compile(folder, folder.ReadFile("script.rc"));

    int dialogs = 0;
    for (int id = 1; id <= 0xFFFF; ++id) {
        const DialogResource* dialog = FindDialogResource(id);
        auto compiled = resources.find("#5/#" + std::to_string(id));
        ASSERT_EQ(dialog != nullptr, compiled != resources.end()) << "dialog " << id;
        if (dialog == nullptr) continue;
        ExpectDialog(compiled->second, *dialog);
        ++dialogs;
    }
    EXPECT_EQ(dialogs, 3);

    std::map<UINT, std::string> strings = ReadStrings(resources);
    ASSERT_EQ(strings.size(), size_t(StringResourceCount()));
    for (int i = 0; i < StringResourceCount(); ++i) {
        UINT id = StringResourceId(i);
        EXPECT_EQ(strings[id], FindStringResource(id)) << "string " << id;
    }
    EXPECT_EQ(strings.begin()->first, 2100u);
    EXPECT_EQ(strings.rbegin()->first, 2212u);

    EXPECT_EQ(resources.count("#14/#101"), 1u) << "icon group 101";
    // A BITMAP resource is the .bmp file without its 14-byte file header.
    std::ifstream bmp(resourceDir + "/preview107.bmp", std::ios::binary);
    std::string bmpBytes((std::istreambuf_iterator<char>(bmp)), std::istreambuf_iterator<char>());
    EXPECT_EQ(resources["#2/#107"], bmpBytes.substr(14));

    const std::string& version = resources["#16/#1"];
    for (const char* text : {"Quintaro", "Velmora Screen Saver", "Velmora.scr", "1.2.3.40000"}) {
        EXPECT_NE(version.find(Utf16(text)), std::string::npos) << text;
    }
    size_t fixed = version.find(std::string("\xBD\x04\xEF\xFE", 4));  // VS_FIXEDFILEINFO
    ASSERT_NE(fixed, std::string::npos);
    Reader in{version, fixed + 8};
    EXPECT_EQ(in.Dword(), 0x00010002u);
    EXPECT_EQ(in.Dword(), 0x00039C40u);
}

TEST(ResourceScriptTest, TextsAndHiddenControlsSurviveTheCompiler) {
    if (!HaveWindres()) GTEST_SKIP() << kWindres << " is not installed";
    TempFolder folder;
    const char* hard[] = {"Say \"hi\"",
                          "C:\\path\\\"x\"\\",
                          "tab\there, new\nline",
                          "\"",
                          "\xC3\xBC ber 50% & \xE2\x82\xAC",
                          "\\\\server\\share \\n not a newline",
                          "octal \x01"
                          "7 then a digit"};
    std::vector<DialogControlResource> controls;
    ResourceScriptContent content;
    for (const char* text : hard) {
        controls.push_back(
            {int(controls.size()) + 10, "BUTTON", text, WS_CHILD | WS_VISIBLE, 1, 2, 3, 4});
        content.strings.push_back({UINT(4000 + content.strings.size()), text});
    }
    // Templates kept hidden, and one with neither WS_CHILD nor WS_VISIBLE.
    controls.push_back({IDC_STATIC, "STATIC", "%d hidden", WS_CHILD | WS_GROUP, 5, 6, 7, 8});
    controls.push_back({99, "msctls_trackbar32", "", 0, 5, 6, 7, 8});
    DialogResource dialog = {300,
                             "Caption \"quoted\" \\",
                             "MS Shell Dlg",
                             9,
                             DS_SETFONT | WS_POPUP | WS_CAPTION,
                             100,
                             50,
                             controls.data(),
                             int(controls.size())};
    content.dialogs.push_back(&dialog);
    content.iconId = 1;
    content.iconPath = std::string(VELMORA_SOURCE_DIR) + "/resources/icon101.ico";
    content.bitmapId = 2;
    content.bitmapPath = std::string(VELMORA_SOURCE_DIR) + "/resources/preview107.bmp";
    content.version = *ParseFileVersion("0.1");

    std::map<std::string, std::string> resources = Compile(folder, WriteResourceScript(content));
    ExpectDialog(resources["#5/#300"], dialog);
    std::map<UINT, std::string> strings = ReadStrings(resources);
    for (const StringTableEntry& entry : content.strings) {
        EXPECT_EQ(strings[entry.id], entry.text) << entry.id;
    }

    // Quotes doubled, the form both Windows' rc and windres read (windres alone also takes \").
    EXPECT_EQ(RcStringLiteral("a\"b\\c"), "\"a\"\"b\\\\c\"");
    EXPECT_EQ(ParseFileVersion("0.1")->parts, (std::array<WORD, 4>{0, 1, 0, 0}));
    for (const char* bad : {"", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "1.-2", "1.2a"}) {
        EXPECT_FALSE(ParseFileVersion(bad)) << bad;
    }
}
