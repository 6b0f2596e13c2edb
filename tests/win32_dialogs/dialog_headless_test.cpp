#include <windows.h>
#include <commctrl.h>

#include "platform/win32/dialog_testing.h"
#include "platform/win32/window_object.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

// ShowWindow's commands belong to the window layer's header.
#ifndef SW_HIDE
#define SW_HIDE 0
#endif
#ifndef SW_SHOW
#define SW_SHOW 5
#endif

namespace {

// What the test dialog procedure saw.
struct Seen {
    LPARAM initParam = 0;
    std::vector<std::pair<int, int>> commands;  // id, notification
    std::vector<int> scrollCodes;
    std::vector<UINT> notifications;
    std::vector<UINT_PTR> notifyIds;
    HWND notifyFrom = nullptr;
    bool vetoTabChange = false;
    int comboData = 0;
} seen;

void SetEnabled(HWND dialog, int id, bool enabled) {
    Win32Window::FromHandle(GetDlgItem(dialog, id))->Enable(enabled ? TRUE : FALSE);
}

int Position(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessage(dialog, id, TBM_GETPOS, 0, 0));
}

// A dialog procedure in the manner of the saver's configuration dialog.
INT_PTR CALLBACK SettingsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            seen.initParam = lParam;
            CheckDlgButton(dialog, 1007, BST_CHECKED);
            CheckRadioButton(dialog, 1008, 1009, 1008);
            CheckRadioButton(dialog, 1012, 1014, 1012);
            SendDlgItemMessage(dialog, 1015, TBM_SETRANGE, FALSE, MAKELONG(0, 40));
            SendDlgItemMessage(dialog, 1015, TBM_SETPOS, TRUE, 15);
            SendDlgItemMessage(dialog, 1017, TBM_SETRANGE, FALSE, MAKELONG(0, 100));
            SendDlgItemMessage(dialog, 1017, TBM_SETPOS, TRUE, 100);
            return TRUE;
        case WM_HSCROLL: {
            seen.scrollCodes.push_back(LOWORD(wParam));
            char label[256];
            snprintf(label, sizeof label, "Camera Change Delay: %d sec",
                     Position(dialog, 1015) + 5);
            SetDlgItemText(dialog, 1020, label);
            return FALSE;
        }
        case WM_COMMAND:
            seen.commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            switch (LOWORD(wParam)) {
                case 1007: {
                    bool on = IsDlgButtonChecked(dialog, 1007) == BST_CHECKED;
                    SetEnabled(dialog, 1008, on);
                    SetEnabled(dialog, 1009, on);
                    break;
                }
                case 1006:
                    DialogBoxParam(nullptr, MAKEINTRESOURCE(200), dialog, SettingsProcedure, 0);
                    break;
                case IDOK:
                    EndDialog(dialog, 1000 + Position(dialog, 1015));
                    break;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    break;
                case 2011:
                    if (HIWORD(wParam) == CBN_SELCHANGE) {
                        LRESULT index = SendDlgItemMessage(dialog, 2011, CB_GETCURSEL, 0, 0);
                        seen.comboData = static_cast<int>(
                            SendDlgItemMessage(dialog, 2011, CB_GETITEMDATA, index, 0));
                    }
                    break;
            }
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            seen.notifications.push_back(header->code);
            seen.notifyIds.push_back(header->idFrom);
            seen.notifyFrom = header->hwndFrom;
            return header->code == TCN_SELCHANGING && seen.vetoTabChange;
        }
    }
    return FALSE;
}

// The display settings procedure's start: tabs titled from a hidden template
// text and a mode list with item data.
INT_PTR CALLBACK MonitorProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        char format[64];
        GetDlgItemText(dialog, 2001, format, sizeof format);
        for (int i = 0; i < 2; ++i) {
            char title[64];
            snprintf(title, sizeof title, format, i + 1);
            TCITEM tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = title;
            SendDlgItemMessage(dialog, 2000, TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&tab));
        }
        char automatic[64];
        GetDlgItemText(dialog, 2012, automatic, sizeof automatic);
        SendDlgItemMessage(dialog, 2011, CB_RESETCONTENT, 0, 0);
        LRESULT item =
            SendDlgItemMessage(dialog, 2011, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(automatic));
        SendDlgItemMessage(dialog, 2011, CB_SETITEMDATA, item, -1);
        const char* modes[] = {"640 by 480, 16 bit color", "1024 by 768, 32 bit color"};
        for (int i = 0; i < 2; ++i) {
            item = SendDlgItemMessage(dialog, 2011, CB_ADDSTRING, 0,
                                      reinterpret_cast<LPARAM>(modes[i]));
            SendDlgItemMessage(dialog, 2011, CB_SETITEMDATA, item, 10 + i);
        }
        SendDlgItemMessage(dialog, 2011, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    return SettingsProcedure(dialog, message, wParam, lParam);
}

class HeadlessDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen = Seen();
        UseHeadlessDialogs(true);
        ClearHeadlessMessageBoxes();
        SetHeadlessMessageBoxAnswer(0);
    }
    void TearDown() override {
        SetDialogShownHook(nullptr);
        UseHeadlessDialogs(false);
    }
};

std::string Text(HWND dialog, int id) {
    char text[256];
    GetDlgItemText(dialog, id, text, sizeof text);
    return text;
}

}  // namespace

TEST_F(HeadlessDialogTest, ConfigurationDialogRunsThroughItsProcedure) {
    bool shown = false;
    SetDialogShownHook([&](HWND dialog, int id) {
        shown = true;
        ASSERT_EQ(106, id);
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1007));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1008));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1009));
        EXPECT_EQ(15, Position(dialog, 1015));
        EXPECT_EQ(100, Position(dialog, 1017));
        EXPECT_EQ(0, SendDlgItemMessage(dialog, 1015, TBM_GETRANGEMIN, 0, 0));
        EXPECT_EQ(40, SendDlgItemMessage(dialog, 1015, TBM_GETRANGEMAX, 0, 0));

        // Unchecking Show Time greys the clock styles, which keep their state.
        EXPECT_TRUE(DialogUserClick(dialog, 1007));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1007));
        EXPECT_FALSE(DialogUserClick(dialog, 1009));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1008));
        EXPECT_TRUE(DialogUserClick(dialog, 1007));
        EXPECT_TRUE(DialogUserClick(dialog, 1009));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1008));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1009));

        // Radio groups end at the next control that starts a group.
        EXPECT_TRUE(DialogUserClick(dialog, 1014));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1014));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1012));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1009));

        // Only the fully checked state counts as checked.
        CheckDlgButton(dialog, 1016, BST_INDETERMINATE);
        EXPECT_NE(BST_INDETERMINATE, IsDlgButtonChecked(dialog, 1016));

        // A trackbar move reports the scroll and the label follows; positions clamp.
        EXPECT_TRUE(DialogUserMoveTrackbar(dialog, 1015, 30));
        EXPECT_EQ("Camera Change Delay: 35 sec", Text(dialog, 1020));
        EXPECT_TRUE(DialogUserMoveTrackbar(dialog, 1015, 99));
        EXPECT_EQ(40, Position(dialog, 1015));
        EXPECT_EQ("Camera Change Delay: 45 sec", Text(dialog, 1020));

        // Static text cannot be clicked; unknown controls do not exist.
        EXPECT_FALSE(DialogUserClick(dialog, 1020));
        EXPECT_EQ(nullptr, GetDlgItem(dialog, 4242));
        EXPECT_TRUE(DialogUserClick(dialog, IDOK));
        // Once ended, the dialog takes no more input.
        EXPECT_FALSE(DialogUserClick(dialog, IDCANCEL));
    });
    INT_PTR result =
        DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, SettingsProcedure, 1234);
    EXPECT_TRUE(shown);
    EXPECT_EQ(1040, result);
    EXPECT_EQ(1234, seen.initParam);
    ASSERT_FALSE(seen.scrollCodes.empty());
    EXPECT_EQ(TB_THUMBTRACK, seen.scrollCodes.front());
    EXPECT_EQ(TB_ENDTRACK, seen.scrollCodes.back());
    ASSERT_FALSE(seen.commands.empty());
    EXPECT_EQ(std::make_pair(1007, static_cast<int>(BN_CLICKED)), seen.commands.front());
    EXPECT_EQ(std::make_pair(IDOK, static_cast<int>(BN_CLICKED)), seen.commands.back());
}

TEST_F(HeadlessDialogTest, TabsCombosAndKeys) {
    HWND tabHandle = nullptr;
    SetDialogShownHook([&](HWND dialog, int id) {
        ASSERT_EQ(201, id);
        tabHandle = GetDlgItem(dialog, 2000);
        EXPECT_EQ(2, SendDlgItemMessage(dialog, 2000, TCM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ(0, SendDlgItemMessage(dialog, 2000, TCM_GETCURSEL, 0, 0));

        EXPECT_TRUE(DialogUserSelectTab(dialog, 2000, 1));
        EXPECT_EQ(1, SendDlgItemMessage(dialog, 2000, TCM_GETCURSEL, 0, 0));
        // A procedure that refuses the change keeps the tab.
        seen.vetoTabChange = true;
        EXPECT_FALSE(DialogUserSelectTab(dialog, 2000, 0));
        EXPECT_EQ(1, SendDlgItemMessage(dialog, 2000, TCM_GETCURSEL, 0, 0));

        EXPECT_EQ(3, SendDlgItemMessage(dialog, 2011, CB_GETCOUNT, 0, 0));
        EXPECT_EQ("Automatic", Text(dialog, 2011));
        EXPECT_TRUE(DialogUserSelectComboItem(dialog, 2011, 2));
        EXPECT_EQ(11, seen.comboData);
        EXPECT_EQ("1024 by 768, 32 bit color", Text(dialog, 2011));
        EXPECT_FALSE(DialogUserSelectComboItem(dialog, 2011, 3));
        EXPECT_EQ(CB_ERR, SendDlgItemMessage(dialog, 2011, CB_GETITEMDATA, 7, 0));

        // Hidden template texts and the disabled hardware switch take no clicks.
        EXPECT_FALSE(DialogUserClick(dialog, 2012));
        EXPECT_FALSE(DialogUserClick(dialog, 2005));
        EXPECT_FALSE(Win32Window::FromHandle(GetDlgItem(dialog, 2012))->Show(SW_SHOW));
        EXPECT_TRUE(Win32Window::FromHandle(GetDlgItem(dialog, 2012))->Show(SW_HIDE));

        DialogUserPressKey(dialog, VK_ESCAPE);
    });
    EXPECT_EQ(IDCANCEL,
              DialogBoxParam(nullptr, MAKEINTRESOURCE(201), nullptr, MonitorProcedure, 0));
    std::vector<UINT> expected = {TCN_SELCHANGING, TCN_SELCHANGE, TCN_SELCHANGING};
    EXPECT_EQ(expected, seen.notifications);
    EXPECT_EQ(2000u, seen.notifyIds.back());
    EXPECT_EQ(tabHandle, seen.notifyFrom);
    // The controls are gone with the dialog.
    EXPECT_EQ(nullptr, Win32Window::FromHandle(tabHandle));

    // Enter clicks the default button.
    SetDialogShownHook([](HWND dialog, int) {
        SendDlgItemMessage(dialog, 1015, TBM_SETPOS, TRUE, 7);
        DialogUserPressKey(dialog, VK_RETURN);
    });
    EXPECT_EQ(1007, DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, SettingsProcedure, 0));
}

TEST_F(HeadlessDialogTest, NestedDialogDisablesItsOwner) {
    std::vector<int> order;
    HWND outer = nullptr;
    SetDialogShownHook([&](HWND dialog, int id) {
        order.push_back(id);
        if (id == 106) {
            outer = dialog;
            EXPECT_TRUE(DialogUserClick(dialog, 1006));
            // Back from the nested dialog, the owner works again.
            EXPECT_TRUE(DialogUserClick(dialog, IDCANCEL));
        } else {
            EXPECT_EQ(outer, Win32Window::FromHandle(dialog)->Parent());
            EXPECT_FALSE(DialogUserClick(outer, IDOK));
            EXPECT_TRUE(DialogUserClick(dialog, IDOK));
        }
    });
    EXPECT_EQ(IDCANCEL,
              DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, SettingsProcedure, 0));
    EXPECT_EQ((std::vector<int>{106, 200}), order);
}

TEST_F(HeadlessDialogTest, DialogsThatEndEarlyOrCannotShow) {
    // Ended during WM_INITDIALOG: never shown.
    bool shown = false;
    SetDialogShownHook([&](HWND, int) { shown = true; });
    auto endAtOnce = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) EndDialog(dialog, 55);
        return TRUE;
    };
    EXPECT_EQ(55, DialogBoxParam(nullptr, MAKEINTRESOURCE(200), nullptr, endAtOnce, 0));
    EXPECT_FALSE(shown);
    // A dialog left open by its driver gets Escape.
    EXPECT_EQ(IDCANCEL,
              DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, SettingsProcedure, 0));
    EXPECT_TRUE(shown);
    // No such template; not a dialog.
    EXPECT_EQ(-1, DialogBoxParam(nullptr, MAKEINTRESOURCE(999), nullptr, SettingsProcedure, 0));
    EXPECT_FALSE(EndDialog(nullptr, 1));
    EXPECT_EQ(0u, IsDlgButtonChecked(nullptr, 1007));

    // Neither headless nor a display: the dialog cannot be shown.
    UseHeadlessDialogs(false);
    std::string display = getenv("DISPLAY") != nullptr ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    testing::internal::CaptureStderr();
    EXPECT_EQ(-1, DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, SettingsProcedure, 0));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("no display"));
    // A message box that nothing can show still reaches standard error.
    testing::internal::CaptureStderr();
    EXPECT_EQ(0, MessageBox(nullptr, "Could not load required media.", "Velmora", MB_ICONERROR));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                     "Velmora: Could not load required media."));
    if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
}

TEST_F(HeadlessDialogTest, MessageBoxesAreRecorded) {
    char text[512];
    ASSERT_GT(LoadString(nullptr, 2204, text, sizeof text), 0);
    EXPECT_EQ(IDOK, MessageBox(nullptr, text, "Velmora", MB_OK | MB_ICONINFORMATION));
    SetHeadlessMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(IDCANCEL, MessageBox(nullptr, "Really?", "Velmora", MB_OKCANCEL | MB_ICONWARNING));
    const auto& boxes = HeadlessMessageBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(text, boxes[0].text);
    EXPECT_EQ("Velmora", boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), boxes[0].type & MB_ICONMASK);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes[1].type & MB_ICONMASK);
}
