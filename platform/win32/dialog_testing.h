// Test access to dialogs and message boxes: selects the headless backend,
// runs a hook once each dialog is up (with either backend) and acts as the
// user would, through the same dialog procedures and messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Headless dialogs and message boxes for this process (tests); false returns
// to the automatic choice.
void UseHeadlessDialogs(bool headless);

// Called once a dialog is shown, with its handle and resource id. With the
// headless backend a dialog that the hook leaves open gets Escape.
using DialogShownHook = std::function<void(HWND dialog, int resourceId)>;
void SetDialogShownHook(DialogShownHook hook);

// The user's actions; false when the control is missing, hidden or disabled.
bool DialogUserClick(HWND dialog, int id);
bool DialogUserMoveTrackbar(HWND dialog, int id, int position);
bool DialogUserSelectComboItem(HWND dialog, int id, int index);
bool DialogUserSelectTab(HWND dialog, int id, int index);
// VK_RETURN or VK_ESCAPE.
void DialogUserPressKey(HWND dialog, int virtualKey);

// Message boxes the headless backend was asked to show, oldest first.
struct ShownMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<ShownMessageBox>& HeadlessMessageBoxes();
void ClearHeadlessMessageBoxes();
// The button the headless backend answers with; 0 means the box's first button.
void SetHeadlessMessageBoxAnswer(int id);
