// The dialog functions of the Win32 API on DialogWindow and DialogControl.
#include "platform/win32/dialog_backend.h"
#include "platform/win32/dialog_testing.h"
#include "platform/win32/dialog_window.h"

#include <commctrl.h>

#include <cstdio>

const DialogBackend* ChooseDialogBackend() {
    if (HeadlessDialogsSelected()) return &headlessDialogBackend;
    if (GtkDialogsAvailable()) return &gtkDialogBackend;
    return nullptr;
}

namespace {

DialogControl* ControlOf(HWND dialog, int id) {
    DialogWindow* window = DialogFromHandle(dialog);
    return window != nullptr ? window->FindControl(id) : nullptr;
}

}  // namespace

void WINAPI InitCommonControls(void) {}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    // Only numbered templates exist: MAKEINTRESOURCE(id).
    uintptr_t name = reinterpret_cast<uintptr_t>(lpTemplateName);
    auto find = Win32Resources().findDialog;
    const DialogResource* resource =
        name <= 0xFFFF && find != nullptr ? find(static_cast<int>(name)) : nullptr;
    if (resource == nullptr) {
        fprintf(stderr, "velmora: there is no dialog resource %s\n",
                name <= 0xFFFF ? std::to_string(name).c_str() : lpTemplateName);
        return -1;
    }
    const DialogBackend* backend = ChooseDialogBackend();
    if (backend == nullptr) {
        fprintf(stderr, "velmora: dialog \"%s\" cannot be shown: no display is available\n",
                resource->caption);
        return -1;
    }
    // The owner takes no input while its modal dialog is up.
    Win32Window* owner = Win32Window::FromHandle(hWndParent);
    BOOL ownerWasDisabled = owner != nullptr ? owner->Enable(FALSE) : TRUE;
    INT_PTR result;
    {
        DialogWindow dialog(*resource, backend, hWndParent, lpDialogFunc);
        result = dialog.RunModal(dwInitParam);
    }
    if (!ownerWasDisabled && Win32Window::FromHandle(hWndParent) != nullptr) owner->Enable(TRUE);
    return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    DialogWindow* dialog = DialogFromHandle(hDlg);
    if (dialog == nullptr) return FALSE;
    dialog->End(nResult);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    DialogControl* control = ControlOf(hDlg, nIDDlgItem);
    return control != nullptr ? control->Handle() : nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    auto* control = dynamic_cast<DialogControl*>(Win32Window::FromHandle(hWnd));
    return control != nullptr ? control->Id() : 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    DialogControl* control = ControlOf(hDlg, nIDDlgItem);
    return control != nullptr ? control->HandleMessage(Msg, wParam, lParam) : 0;
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    DialogControl* control = ControlOf(hDlg, nIDButton);
    if (control == nullptr) return FALSE;
    control->HandleMessage(BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    DialogControl* control = ControlOf(hDlg, nIDButton);
    return control != nullptr ? static_cast<UINT>(control->HandleMessage(BM_GETCHECK, 0, 0)) : 0;
}

BOOL WINAPI CheckRadioButton(HWND hDlg, int nIDFirstButton, int nIDLastButton, int nIDCheckButton) {
    if (DialogFromHandle(hDlg) == nullptr) return FALSE;
    for (int id = nIDFirstButton; id <= nIDLastButton; ++id) {
        if (DialogControl* control = ControlOf(hDlg, id)) {
            control->HandleMessage(BM_SETCHECK, id == nIDCheckButton ? BST_CHECKED : BST_UNCHECKED,
                                   0);
        }
    }
    return TRUE;
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    DialogControl* control = ControlOf(hDlg, nIDDlgItem);
    return control != nullptr ? control->SetText(lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    DialogControl* control = ControlOf(hDlg, nIDDlgItem);
    if (control == nullptr) {
        if (lpString != nullptr && cchMax > 0) lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(control->GetText(lpString, cchMax));
}

bool DialogUserClick(HWND dialog, int id) {
    DialogWindow* window = DialogFromHandle(dialog);
    return window != nullptr && window->UserClick(window->FindControl(id));
}

bool DialogUserMoveTrackbar(HWND dialog, int id, int position) {
    DialogWindow* window = DialogFromHandle(dialog);
    return window != nullptr && window->UserMoveTrackbar(window->FindControl(id), position);
}

bool DialogUserSelectComboItem(HWND dialog, int id, int index) {
    DialogWindow* window = DialogFromHandle(dialog);
    return window != nullptr && window->UserSelectComboItem(window->FindControl(id), index);
}

bool DialogUserSelectTab(HWND dialog, int id, int index) {
    DialogWindow* window = DialogFromHandle(dialog);
    return window != nullptr && window->UserSelectTab(window->FindControl(id), index);
}

void DialogUserPressKey(HWND dialog, int virtualKey) {
    DialogWindow* window = DialogFromHandle(dialog);
    if (window == nullptr) return;
    if (virtualKey == VK_RETURN) window->UserPressEnter(nullptr);
    if (virtualKey == VK_ESCAPE) window->UserPressEscape();
}
