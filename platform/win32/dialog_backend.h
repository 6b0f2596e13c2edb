// The table of operations behind every dialog and message box, in the manner
// of a video driver: GTK 3 windows when a display is available, or a headless
// backend whose dialogs are driven by tests through the same dialog
// procedures. The dialog and control objects hold all state; a backend only
// shows it and reports what the user does.
#pragma once

#include <windows.h>

class DialogWindow;
class DialogControl;

struct DialogBackend {
    const char* name;
    // Builds the native window and controls of a dialog; false if it cannot.
    bool (*Create)(DialogWindow* dialog);
    // Shows the dialog and returns once EndDialog has been called for it.
    void (*Run)(DialogWindow* dialog);
    // Called by EndDialog, possibly from inside Run.
    void (*Ended)(DialogWindow* dialog);
    void (*Destroy)(DialogWindow* dialog);
    // Brings the native view up to date with the dialog's or a control's state.
    void (*RefreshDialog)(DialogWindow* dialog);
    void (*RefreshControl)(DialogControl* control);
    // Shows a message box; returns the button's id, 0 if it cannot.
    int (*ShowMessageBox)(HWND owner, const char* text, const char* caption, UINT type);
};

extern const DialogBackend gtkDialogBackend;
extern const DialogBackend headlessDialogBackend;

// The backend for new dialogs: headless when selected (tests), else GTK when a
// display can be opened, else none.
const DialogBackend* ChooseDialogBackend();

bool HeadlessDialogsSelected();
// Starts GTK on first use; false when no display can be opened.
bool GtkDialogsAvailable();
// Hands a dialog that is now on screen to the test hook, if one is set.
void RunDialogShownHook(HWND dialog, int resourceId);
