#include "platform/win32/dialog_window.h"

#include "platform/win32/dialog_backend.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

DialogWindow* DialogFromHandle(HWND handle) {
    return dynamic_cast<DialogWindow*>(Win32Window::FromHandle(handle));
}

DialogWindow::DialogWindow(const DialogResource& resource, const DialogBackend* backend, HWND owner,
                           DLGPROC procedure)
    : resource(resource),
      backend(backend),
      owner(owner),
      procedure(procedure),
      caption(resource.caption != nullptr ? resource.caption : "") {
    for (int i = 0; i < resource.controlCount; ++i) {
        controls.push_back(std::make_unique<DialogControl>(this, resource.controls[i]));
    }
}

DialogWindow::~DialogWindow() {
    if (backend != nullptr && view != nullptr) backend->Destroy(this);
}

DialogControl* DialogWindow::FindControl(int id) const {
    for (const auto& control : controls) {
        if (control->Id() == id) return control.get();
    }
    return nullptr;
}

INT_PTR DialogWindow::RunModal(LPARAM initParam) {
    if (!backend->Create(this)) return -1;
    // wParam names the control that gets the focus: the first tab stop.
    HWND focus = nullptr;
    for (const auto& control : controls) {
        if ((control->Resource().style & WS_TABSTOP) != 0 && control->Visible() &&
            control->Enabled()) {
            focus = control->Handle();
            break;
        }
    }
    HandleMessage(WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);
    // A dialog ended while it initialised is never shown.
    if (!ended) {
        visible = true;
        backend->Run(this);
        visible = false;
    }
    return result;
}

void DialogWindow::End(INT_PTR value) {
    if (ended) return;
    ended = true;
    result = value;
    backend->Ended(this);
}

LRESULT DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR handled = procedure != nullptr ? procedure(Handle(), message, wParam, lParam) : FALSE;
    if (handled != FALSE && message != WM_SETTEXT && message != WM_GETTEXT) return handled;
    switch (message) {
        case WM_SETTEXT:
            return SetText(reinterpret_cast<const char*>(lParam));
        case WM_GETTEXT:
            return GetText(reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(caption.size());
        case WM_CLOSE:
            // As the default dialog procedure does: closing means Cancel.
            Command(IDCANCEL, BN_CLICKED, FindControl(IDCANCEL));
            return 0;
    }
    return handled;
}

BOOL DialogWindow::Show(int command) {
    bool wasVisible = visible;
    visible = command != 0;
    return wasVisible;
}

BOOL DialogWindow::Enable(BOOL enable) {
    bool wasDisabled = !enabled;
    enabled = enable != FALSE;
    backend->RefreshDialog(this);
    return wasDisabled;
}

BOOL DialogWindow::SetText(const char* text) {
    caption = text != nullptr ? text : "";
    backend->RefreshDialog(this);
    return TRUE;
}

int DialogWindow::GetText(char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    int count = std::min(static_cast<int>(caption.size()), capacity - 1);
    memcpy(buffer, caption.data(), static_cast<size_t>(count));
    buffer[count] = '\0';
    return count;
}

bool DialogWindow::Usable(const DialogControl* control) const {
    return control != nullptr && control->Dialog() == this && control->Visible() &&
           control->Enabled() && enabled && !ended;
}

void DialogWindow::Command(int id, int code, DialogControl* control) {
    HandleMessage(WM_COMMAND, MAKEWPARAM(id, code),
                  control != nullptr ? reinterpret_cast<LPARAM>(control->Handle()) : 0);
}

void DialogWindow::CheckInGroup(DialogControl* radio) {
    // A group runs from a control with WS_GROUP (or the first control) up to
    // the next control with WS_GROUP.
    size_t index = 0;
    while (index < controls.size() && controls[index].get() != radio) ++index;
    if (index == controls.size()) return;
    size_t first = index;
    while (first > 0 && (controls[first]->Resource().style & WS_GROUP) == 0) --first;
    size_t last = index + 1;
    while (last < controls.size() && (controls[last]->Resource().style & WS_GROUP) == 0) ++last;
    for (size_t i = first; i < last; ++i) {
        DialogControl* other = controls[i].get();
        if (other != radio && other->Kind() == ControlKind::RadioButton && other->IsAutomatic()) {
            other->SetCheck(BST_UNCHECKED);
        }
    }
    radio->SetCheck(BST_CHECKED);
}

bool DialogWindow::UserClick(DialogControl* control) {
    if (!Usable(control)) return false;
    switch (control->Kind()) {
        case ControlKind::PushButton:
            break;
        case ControlKind::CheckBox:
            if (control->IsAutomatic()) {
                bool threeState = (control->Resource().style & BS_TYPEMASK) == BS_AUTO3STATE;
                int next = control->Check() == BST_UNCHECKED               ? BST_CHECKED
                           : control->Check() == BST_CHECKED && threeState ? BST_INDETERMINATE
                                                                           : BST_UNCHECKED;
                control->SetCheck(next);
            }
            break;
        case ControlKind::RadioButton:
            if (control->IsAutomatic()) CheckInGroup(control);
            break;
        default:
            return false;
    }
    Command(control->Id(), BN_CLICKED, control);
    return true;
}

bool DialogWindow::UserMoveTrackbar(DialogControl* control, int position) {
    if (!Usable(control) || control->Kind() != ControlKind::Trackbar) return false;
    control->SetPosition(position);
    LPARAM from = reinterpret_cast<LPARAM>(control->Handle());
    HandleMessage(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, control->Position()), from);
    HandleMessage(WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), from);
    return true;
}

bool DialogWindow::UserSelectComboItem(DialogControl* control, int index) {
    if (!Usable(control) || control->Kind() != ControlKind::ComboBox) return false;
    if (index < 0 || index >= static_cast<int>(control->Items().size())) return false;
    if (index == control->Selection()) return true;
    control->SetSelection(index);
    Command(control->Id(), CBN_SELCHANGE, control);
    return true;
}

bool DialogWindow::UserSelectTab(DialogControl* control, int index) {
    if (!Usable(control) || control->Kind() != ControlKind::Tab) return false;
    if (index < 0 || index >= static_cast<int>(control->Items().size())) return false;
    if (index == control->Selection()) return true;
    NMHDR header = {control->Handle(), static_cast<UINT_PTR>(control->Id()), TCN_SELCHANGING};
    WPARAM id = static_cast<WPARAM>(control->Id());
    // A procedure that answers TRUE to TCN_SELCHANGING keeps the current tab.
    if (HandleMessage(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header)) != FALSE) return false;
    control->SetSelection(index);
    header.code = TCN_SELCHANGE;
    HandleMessage(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
    return true;
}

void DialogWindow::UserPressEnter(DialogControl* focused) {
    if (!enabled || ended) return;
    if (focused != nullptr && focused->Kind() == ControlKind::PushButton && Usable(focused)) {
        UserClick(focused);
        return;
    }
    for (const auto& control : controls) {
        if (control->IsDefaultButton()) {
            if (Usable(control.get())) UserClick(control.get());
            return;
        }
    }
    Command(IDOK, BN_CLICKED, nullptr);
}

void DialogWindow::UserPressEscape() {
    if (!enabled || ended) return;
    DialogControl* cancel = FindControl(IDCANCEL);
    // Windows ignores Escape when the Cancel button is there but disabled.
    if (cancel != nullptr && !cancel->Enabled()) return;
    Command(IDCANCEL, BN_CLICKED, cancel);
}

void DialogWindow::UserClose() {
    if (!enabled || ended) return;
    HandleMessage(WM_CLOSE, 0, 0);
}
