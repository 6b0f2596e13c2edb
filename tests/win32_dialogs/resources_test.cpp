#include <windows.h>
#include <commctrl.h>

#include "resources/resource_registration.h"
#include "resources/resources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

// The string table's texts are fixed word for word. They are read here from
// the real table through LoadString and each is pinned by its length and its
// 32-bit FNV-1a digest, so one changed character fails the test without the
// texts being written out a second time.
struct PinnedString {
    UINT id;
    int length;
    uint32_t digest;
};

const PinnedString kPinnedStrings[] = {
    {2100, 56, 0x8B9D497Eu},  {2101, 85, 0x1D6CBF33u},  {2102, 38, 0xE222F5CDu},
    {2103, 37, 0x5DB967ECu},  {2104, 47, 0x88A02353u},  {2105, 52, 0xE2BEB194u},
    {2106, 101, 0xDC437B49u}, {2107, 143, 0xE3414936u}, {2108, 30, 0x77150584u},
    {2109, 36, 0x3DB02207u},  {2110, 18, 0x29AEB7F9u},  {2111, 24, 0x0685E4BEu},
    {2112, 20, 0x622C34DDu},  {2200, 103, 0xDC05DF1Au}, {2201, 217, 0xF803E7F1u},
    {2202, 189, 0x6404740Fu}, {2203, 213, 0x6864F685u}, {2204, 154, 0xDFDD8B88u},
    {2205, 195, 0x5B472616u}, {2206, 150, 0xD3A062A4u}, {2207, 171, 0x06E61E46u},
    {2208, 213, 0xB0B2B57Fu}, {2209, 168, 0x924F6DFFu}, {2210, 63, 0xC65587A0u},
    {2211, 63, 0x712FDE09u},  {2212, 53, 0xF0CE0CF3u},
};

uint32_t Fnv1a(const char* text) {
    uint32_t digest = 0x811C9DC5u;
    for (; *text; ++text) {
        digest ^= static_cast<unsigned char>(*text);
        digest *= 0x01000193u;
    }
    return digest;
}

struct ExpectedControl {
    int id;
    const char* kind;
    const char* text;
    short x, y, cx, cy;
};

// The configuration dialog, control by control.
const ExpectedControl kConfigControls[] = {
    {IDC_STATIC, "group", "Display Settings", 6, 6, 102, 48},
    {1006, "push", "&Display Settings...", 12, 24, 90, 14},
    {IDC_STATIC, "group", "Misc Options", 114, 6, 180, 48},
    {1007, "check", "Show Time", 120, 18, 50, 10},
    {1008, "radio+tab", "12h style", 126, 30, 45, 10},
    {1009, "radio", "24h style", 126, 42, 45, 10},
    {1010, "check", "Show FPS", 204, 18, 47, 10},
    {1011, "check", "Exit on Mouse move", 204, 30, 80, 10},
    {IDC_STATIC, "group", "Camera Control", 6, 60, 228, 30},
    {1020, "static", "Camera Change Delay: 15 sec", 12, 72, 98, 8},
    {1015, "trackbar", "", 126, 72, 102, 12},
    {IDC_STATIC, "group", "Sound", 6, 96, 228, 30},
    {1016, "check", "Enable Sound", 12, 108, 59, 10},
    {IDC_STATIC, "static", "Sound Volume", 78, 108, 46, 8},
    {1017, "trackbar", "", 126, 108, 102, 12},
    {IDC_STATIC, "group", "Time", 240, 60, 54, 66},
    {1012, "radio+tab", "Day", 246, 72, 29, 10},
    {1013, "radio", "Night", 246, 90, 33, 10},
    {1014, "radio", "Random", 246, 108, 42, 10},
    {IDC_STATIC, "group", "Information", 6, 132, 288, 30},
    {IDC_STATIC, "static", "Visit our site for more high quality animated 3D ScreenSavers", 12, 144,
     196, 8},
    {1018, "push", "Visit Site", 234, 144, 50, 14},
    {1, "default", "OK", 186, 174, 50, 14},
    {2, "push", "Cancel", 244, 174, 50, 14},
};

std::string KindOf(const DialogControlResource& control) {
    std::string name = control.className;
    DWORD type = control.style & BS_TYPEMASK;
    if (name == "STATIC") return "static";
    if (name == "COMBOBOX") return (control.style & 3) == CBS_DROPDOWNLIST ? "dropdown" : "combo";
    if (name == TRACKBAR_CLASS) {
        bool plain = (control.style & (TBS_VERT | TBS_NOTICKS)) == TBS_NOTICKS;
        return plain ? "trackbar" : "trackbar with ticks";
    }
    if (name == WC_TABCONTROL) return "tab";
    if (name != "BUTTON") return "unknown";
    if (type == BS_GROUPBOX) return "group";
    if (type == BS_AUTOCHECKBOX) return "check";
    if (type == BS_DEFPUSHBUTTON) return "default";
    if (type == BS_PUSHBUTTON) return "push";
    if (type == BS_AUTORADIOBUTTON) return (control.style & WS_TABSTOP) ? "radio+tab" : "radio";
    return "unknown";
}

const DialogControlResource* Find(const DialogResource* dialog, int id) {
    for (int i = 0; i < dialog->controlCount; ++i) {
        if (dialog->controls[i].id == id) return &dialog->controls[i];
    }
    return nullptr;
}

}  // namespace

// The platform finds what the program registered, and nothing before it.
TEST(ResourcesTest, LoadsFindTheRegisteredTable) {
    static const DialogControlResource control = {1, "BUTTON", "OK", WS_CHILD, 0, 0, 10, 10};
    static const DialogResource dialog = {7, "One", "MS Shell Dlg", 8, 0, 40, 20, &control, 1};
    Win32ResourceTable table{};
    table.findString = [](UINT id) -> const char* { return id == 9 ? "nine" : nullptr; };
    table.findDialog = [](int id) -> const DialogResource* { return id == 7 ? &dialog : nullptr; };
    table.findBitmap = [](int id, Win32Image* image) {
        if (id != 901) return false;
        *image = {2, 1, {0xFF102030u, 0xFF405060u}};
        return true;
    };
    Win32RegisterResources(table);
    char buffer[16];
    EXPECT_EQ(4, LoadString(nullptr, 9, buffer, sizeof buffer));
    EXPECT_STREQ("nine", buffer);
    EXPECT_EQ(0, LoadString(nullptr, 2100, buffer, sizeof buffer));
    EXPECT_EQ(&dialog, Win32Resources().findDialog(7));
    HBITMAP bitmap = LoadBitmap(GetModuleHandle(nullptr), MAKEINTRESOURCE(901));
    ASSERT_NE(nullptr, bitmap);
    DeleteObject(bitmap);

    Win32RegisterResources({});
    EXPECT_EQ(0, LoadString(nullptr, 9, buffer, sizeof buffer));
    RegisterProgramResources();
    EXPECT_GT(LoadString(nullptr, 2100, buffer, sizeof buffer), 0);
}

TEST(ResourcesTest, StringTableTextsAreExact) {
    // The table holds exactly the pinned ids, each once.
    std::set<UINT> pinned, listed;
    for (const PinnedString& pin : kPinnedStrings) pinned.insert(pin.id);
    for (int i = 0; i < StringResourceCount(); ++i) {
        EXPECT_TRUE(listed.insert(StringResourceId(i)).second) << StringResourceId(i);
    }
    EXPECT_EQ(26u, pinned.size());
    EXPECT_EQ(pinned, listed);
    for (const PinnedString& pin : kPinnedStrings) {
        char buffer[600];
        int length = LoadString(nullptr, pin.id, buffer, sizeof buffer);
        EXPECT_EQ(pin.length, length) << pin.id << ": " << buffer;
        EXPECT_EQ(pin.digest, Fnv1a(buffer))
            << pin.id << ": \"" << buffer << "\" has the digest 0x" << std::hex << Fnv1a(buffer);
        ASSERT_NE(nullptr, FindStringResource(pin.id));
        EXPECT_STREQ(FindStringResource(pin.id), buffer) << pin.id;
    }
    // Cut to the buffer, always terminated; missing strings give 0 and "".
    char small[8];
    EXPECT_EQ(7, LoadString(nullptr, 2110, small, sizeof small));
    EXPECT_STREQ("Not eno", small);
    EXPECT_EQ(0, LoadString(nullptr, 2113, small, sizeof small));
    EXPECT_STREQ("", small);
    EXPECT_EQ(0, LoadString(nullptr, 2100, small, 0));
}

TEST(ResourcesTest, ConfigurationDialogTemplate) {
    const DialogResource* dialog = FindDialogResource(106);
    ASSERT_NE(nullptr, dialog);
    EXPECT_STREQ("Velmora", dialog->caption);
    EXPECT_STREQ("MS Shell Dlg", dialog->fontName);
    EXPECT_EQ(8, dialog->fontPointSize);
    EXPECT_EQ(301, dialog->cx);
    EXPECT_EQ(196, dialog->cy);
    EXPECT_TRUE(dialog->style & DS_CENTER);
    EXPECT_TRUE(dialog->style & WS_SYSMENU);
    ASSERT_EQ(static_cast<int>(sizeof kConfigControls / sizeof kConfigControls[0]),
              dialog->controlCount);
    for (int i = 0; i < dialog->controlCount; ++i) {
        const ExpectedControl& expected = kConfigControls[i];
        const DialogControlResource& control = dialog->controls[i];
        SCOPED_TRACE(expected.text);
        EXPECT_EQ(expected.id, control.id);
        EXPECT_EQ(expected.kind, KindOf(control));
        EXPECT_STREQ(expected.text, control.text);
        EXPECT_EQ(expected.x, control.x);
        EXPECT_EQ(expected.y, control.y);
        EXPECT_EQ(expected.cx, control.cx);
        EXPECT_EQ(expected.cy, control.cy);
        EXPECT_TRUE(control.style & WS_VISIBLE);
        EXPECT_FALSE(control.style & WS_DISABLED);
    }
}

TEST(ResourcesTest, DisplaySettingsTemplates) {
    struct Expected {
        int id;
        const char* kind;
        const char* text;
        bool visible;
        bool enabled;
    };
    const Expected common[] = {
        {2002, "static", "", true, true},
        {2003, "static", "", true, true},
        {2004, "push", "&Help", true, true},
        {2009, "group", "Display mode", true, true},
        {2010, "static", "Display &mode for this video adapter:", true, true},
        {2011, "dropdown", "", true, true},
        {2013, "static",
         "Note: The Automatic display mode finds a mode that works well with your current screen "
         "saver settings and video adapter.",
         true, true},
        {2012, "static", "Automatic", false, true},
        {2016, "static", "%d by %d, %d bit color", false, true},
        {1, "default", "OK", true, true},
        {2, "push", "Cancel", true, true},
    };
    const Expected single[] = {
        {2005, "check", "&Disable hardware 3D rendering", true, false},
    };
    const Expected multi[] = {
        {2000, "tab", "", true, true},
        {2001, "static", "Monitor %d", false, true},
        {2005, "check", "&Disable hardware 3D rendering on this monitor", true, false},
        {2006, "group", "Monitor usage", true, true},
        {2007, "radio+tab", "Display &screen saver on this monitor", true, true},
        {2008, "radio", "Display &nothing on this monitor", true, true},
        {2014, "group", "General Monitor Settings", true, true},
        {2015, "check", "Render same &image on all monitors", true, true},
    };
    auto check = [](const DialogResource* dialog, const Expected* list, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            SCOPED_TRACE(list[i].id);
            const DialogControlResource* control = Find(dialog, list[i].id);
            ASSERT_NE(nullptr, control);
            EXPECT_EQ(list[i].kind, KindOf(*control));
            EXPECT_STREQ(list[i].text, control->text);
            EXPECT_EQ(list[i].visible, (control->style & WS_VISIBLE) != 0);
            EXPECT_EQ(list[i].enabled, (control->style & WS_DISABLED) == 0);
            // Inside the dialog.
            EXPECT_LE(control->x + control->cx, dialog->cx);
            EXPECT_LE(control->y + std::min<short>(control->cy, 14), dialog->cy);
        }
    };
    const DialogResource* one = FindDialogResource(200);
    ASSERT_NE(nullptr, one);
    EXPECT_STREQ("Display Settings", one->caption);
    EXPECT_EQ(255, one->cx);
    EXPECT_EQ(170, one->cy);
    check(one, common, std::size(common));
    check(one, single, std::size(single));
    // One monitor: no tabs, no usage choice, no all-monitors switch.
    for (int id : {2000, 2001, 2006, 2007, 2008, 2014, 2015}) EXPECT_EQ(nullptr, Find(one, id));

    const DialogResource* many = FindDialogResource(201);
    ASSERT_NE(nullptr, many);
    EXPECT_STREQ("Display Settings", many->caption);
    EXPECT_EQ(270, many->cx);
    EXPECT_EQ(281, many->cy);
    check(many, common, std::size(common));
    check(many, multi, std::size(multi));
    // Each id appears once.
    for (const DialogResource* dialog : {FindDialogResource(106), one, many}) {
        std::set<int> ids;
        for (int i = 0; i < dialog->controlCount; ++i) {
            if (dialog->controls[i].id != IDC_STATIC) {
                EXPECT_TRUE(ids.insert(dialog->controls[i].id).second) << dialog->controls[i].id;
            }
        }
    }
}
