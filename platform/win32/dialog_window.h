// A modal dialog built from a dialog resource: its controls in template order,
// the dialog procedure that receives WM_INITDIALOG, WM_COMMAND, WM_HSCROLL and
// WM_NOTIFY, and the user actions every backend turns into those messages
// (a click, a trackbar move, a combo or tab selection, Enter and Escape).
#pragma once

#include "platform/win32/dialog_control.h"

#include <memory>
#include <string>
#include <vector>

struct DialogBackend;

class DialogWindow : public Win32Window {
public:
    DialogWindow(const DialogResource& resource, const DialogBackend* backend, HWND owner,
                 DLGPROC procedure);
    ~DialogWindow() override;

    // WM_INITDIALOG, then the backend's modal run; returns EndDialog's value.
    INT_PTR RunModal(LPARAM initParam);
    void End(INT_PTR result);
    bool HasEnded() const { return ended; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL Show(int command) override;
    BOOL Enable(BOOL enable) override;
    BOOL SetText(const char* text) override;
    int GetText(char* buffer, int capacity) override;
    HWND Parent() override { return owner; }

    const DialogResource& Resource() const { return resource; }
    const DialogBackend* Backend() const { return backend; }
    const std::string& Caption() const { return caption; }
    bool Enabled() const { return enabled; }
    const std::vector<std::unique_ptr<DialogControl>>& Controls() const { return controls; }
    DialogControl* FindControl(int id) const;

    // What the user does; false when the control is missing, hidden, disabled or
    // of another kind. Each sends the messages Windows sends for it.
    bool UserClick(DialogControl* control);
    bool UserMoveTrackbar(DialogControl* control, int position);
    bool UserSelectComboItem(DialogControl* control, int index);
    bool UserSelectTab(DialogControl* control, int index);
    // Enter clicks the focused push button or else the default button; Escape
    // and closing the window send IDCANCEL.
    void UserPressEnter(DialogControl* focused);
    void UserPressEscape();
    void UserClose();

    // Sets an automatic radio button and clears the others of its group.
    void CheckInGroup(DialogControl* radio);

    // The backend's native window.
    void* view = nullptr;

private:
    bool Usable(const DialogControl* control) const;
    void Command(int id, int code, DialogControl* control);

    const DialogResource& resource;
    const DialogBackend* backend;
    HWND owner;
    DLGPROC procedure;
    std::string caption;
    bool enabled = true;
    bool visible = false;
    std::vector<std::unique_ptr<DialogControl>> controls;
    bool ended = false;
    INT_PTR result = 0;
};

// The dialog behind a handle, or null.
DialogWindow* DialogFromHandle(HWND handle);
