#include <windows.h>
#include <commctrl.h>

#include "resources/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

struct ExpectedString {
    UINT id;
    const char* text;
};

// Error messages, adapter help texts and rendering lines, word for word.
const ExpectedString kExpectedStrings[] = {
    {2100, "There was an unspecified problem with this screen saver."},
    {2101, "Direct3D 8.0 could not be initialized.  Please install the latest version of DirectX."},
    {2102, "Could not initialize the screen saver."},
    {2103, "Could not create the Direct3D device."},
    {2104, "Could not find any compatible Direct3D devices."},
    {2105, "No hardware-accelerated Direct3D devices were found."},
    {2106,
     "This screen saver requires functionality that is not available on your Direct3D hardware "
     "accelerator."},
    {2107,
     "This screen saver requires functionality that is not available on your Direct3D hardware "
     "accelerator with the current desktop display settings."},
    {2108, "Could not load required media."},
    {2109, "Could not reset the Direct3D device."},
    {2110, "Not enough memory."},
    {2111, "Not enough video memory."},
    {2112, "No preview available"},
    {2200,
     "This video adapter supports hardware 3D rendering.  This screen saver can be displayed on "
     "this monitor."},
    {2201,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware.  A software renderer will be used instead.  This "
     "screen saver can be displayed on this monitor."},
    {2202,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware or software.  This screen saver cannot be displayed "
     "on this monitor."},
    {2203,
     "This video adapter supports hardware 3D rendering, but this screensaver requires "
     "functionality not available in hardware.  No software renderer is available.  This screen "
     "saver cannot be displayed on this monitor."},
    {2204,
     "This video adapter does not support hardware 3D rendering.  A software renderer will be used "
     "instead.  This screen saver can be displayed on this monitor."},
    {2205,
     "This video adapter does not support hardware 3D rendering.  This screensaver requires "
     "functionality not available in the software renderer.  This screen saver cannot be displayed "
     "on this monitor."},
    {2206,
     "This video adapter does not support hardware 3D rendering.  No software renderer is "
     "available.  This screen saver cannot be displayed on this monitor."},
    {2207,
     "The video adapter supports hardware 3D rendering, but it has been disabled.  A software "
     "renderer will be used instead.  This screen saver can be displayed on this monitor."},
    {2208,
     "This video adapter supports hardware 3D rendering, but it has been disabled.  This "
     "screensaver requires functionality not available in the software renderer.  This screen "
     "saver cannot be displayed on this monitor."},
    {2209,
     "This video adapter supports hardware 3D rendering, but it has been disabled.  No software "
     "renderer is available.  This screen saver cannot be displayed on this monitor."},
    {2210, "The screen saver can use hardware 3D rendering on this monitor."},
    {2211, "The screen saver can use software 3D rendering on this monitor."},
    {2212, "The screen saver cannot be displayed on this monitor."},
};

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

TEST(ResourcesTest, StringTableTextsAreExact) {
    std::set<UINT> ids;
    for (const ExpectedString& expected : kExpectedStrings) {
        char buffer[600];
        int length = LoadString(nullptr, expected.id, buffer, sizeof buffer);
        EXPECT_EQ(static_cast<int>(strlen(expected.text)), length) << expected.id;
        EXPECT_STREQ(expected.text, buffer) << expected.id;
        ids.insert(expected.id);
    }
    EXPECT_EQ(26u, ids.size());
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
