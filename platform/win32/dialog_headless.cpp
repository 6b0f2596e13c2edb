// The headless backend: dialogs without any window. Run hands the dialog to
// the test's hook, which acts through DialogUser*; message boxes are recorded.
#include "platform/win32/dialog_backend.h"
#include "platform/win32/dialog_testing.h"
#include "platform/win32/dialog_window.h"

#include <cstdio>

namespace {

bool headlessSelected = false;
DialogShownHook shownHook;
std::vector<ShownMessageBox> shownBoxes;
int messageBoxAnswer = 0;

bool Create(DialogWindow*) {
    return true;
}

void Run(DialogWindow* dialog) {
    HWND handle = dialog->Handle();
    int id = dialog->Resource().id;
    if (shownHook) shownHook(handle, id);
    if (!dialog->HasEnded()) dialog->UserPressEscape();
    if (!dialog->HasEnded()) {
        fprintf(stderr, "velmora: dialog %d ignored Cancel with nobody to close it; ending it\n",
                id);
        dialog->End(-1);
    }
}

void Ended(DialogWindow*) {}
void Destroy(DialogWindow*) {}
void RefreshDialog(DialogWindow*) {}
void RefreshControl(DialogControl*) {}

int FirstButton(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDYES;
        default:
            return IDOK;
    }
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    shownBoxes.push_back({owner, text, caption, type});
    return messageBoxAnswer != 0 ? messageBoxAnswer : FirstButton(type);
}

}  // namespace

const DialogBackend headlessDialogBackend = {
    "headless", Create, Run, Ended, Destroy, RefreshDialog, RefreshControl, ShowMessageBox,
};

bool HeadlessDialogsSelected() {
    return headlessSelected;
}
void UseHeadlessDialogs(bool headless) {
    headlessSelected = headless;
}
void SetDialogShownHook(DialogShownHook hook) {
    shownHook = std::move(hook);
}
void RunDialogShownHook(HWND dialog, int resourceId) {
    if (shownHook) shownHook(dialog, resourceId);
}
const std::vector<ShownMessageBox>& HeadlessMessageBoxes() {
    return shownBoxes;
}
void ClearHeadlessMessageBoxes() {
    shownBoxes.clear();
}
void SetHeadlessMessageBoxAnswer(int id) {
    messageBoxAnswer = id;
}
