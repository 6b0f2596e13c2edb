// The GTK 3 dialog backend's widgets, for tests that look at the real windows.
#pragma once

#include <windows.h>

typedef struct _GtkWidget GtkWidget;

// The toplevel GtkWindow of a dialog or the widget of a control; null when the
// handle is not shown by the GTK backend.
GtkWidget* GtkDialogWidget(HWND handle);
// Pixels per dialog unit, across and down, of a dialog shown by GTK.
bool GtkDialogUnits(HWND dialog, double* x, double* y);
