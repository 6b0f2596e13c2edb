// A control of a dialog: the state of a button, static text, combo box,
// trackbar or tab control, changed through Windows' messages (BM_*, CB_*,
// TBM_*, TCM_*, WM_SETTEXT) and shown by the dialog's backend.
#pragma once

#include "platform/win32/window_object.h"
#include <win32_resources.h>

#include <string>
#include <vector>

class DialogWindow;

enum class ControlKind {
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,
    ComboBox,
    Trackbar,
    Tab
};

class DialogControl : public Win32Window {
public:
    DialogControl(DialogWindow* dialog, const DialogControlResource& resource);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL Show(int command) override;
    BOOL Enable(BOOL enable) override;
    BOOL SetText(const char* text) override;
    int GetText(char* buffer, int capacity) override;
    HWND Parent() override;

    DialogWindow* Dialog() const { return dialog; }
    const DialogControlResource& Resource() const { return resource; }
    int Id() const { return resource.id; }
    ControlKind Kind() const { return kind; }
    bool IsDefaultButton() const;
    // Automatic check boxes and radio buttons change their own state when clicked.
    bool IsAutomatic() const;
    bool Visible() const { return visible; }
    bool Enabled() const { return enabled; }
    const std::string& Text() const { return text; }
    int Check() const { return check; }
    void SetCheck(int state);

    struct Item {
        std::string text;
        LPARAM data = 0;
    };
    // Combo box items or tab titles, and the selected index (-1 for none).
    const std::vector<Item>& Items() const { return items; }
    int Selection() const { return selection; }
    void SetSelection(int index);
    int RangeMin() const { return rangeMin; }
    int RangeMax() const { return rangeMax; }
    int Position() const { return position; }
    void SetPosition(int value);

    // The backend's native widget.
    void* view = nullptr;

private:
    LRESULT ComboMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT TrackbarMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT TabMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Refresh();

    DialogWindow* dialog;
    const DialogControlResource& resource;
    ControlKind kind;
    std::string text;
    bool visible;
    bool enabled;
    int check = BST_UNCHECKED;
    std::vector<Item> items;
    int selection = -1;
    int rangeMin = 0, rangeMax = 100, position = 0;
    int ticFrequency = 1, pageSize = 20, lineSize = 1;
};
