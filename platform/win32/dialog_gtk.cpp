// The GTK 3 backend: each dialog is a modal GtkWindow whose controls sit on a
// GtkLayout at their template rectangles, converted from dialog units with the
// dialog font's average character size as Windows does. Enter clicks the
// default button, Escape and the window's close button mean Cancel.
#include "platform/win32/dialog_gtk.h"

#include "platform/win32/dialog_backend.h"
#include "platform/win32/dialog_window.h"
#include "platform/win32/termination_signals.h"

#include <gtk/gtk.h>
#include <stdlib.h>

#include <cmath>
#include <string>

namespace {

struct DialogView {
    GtkWidget* window = nullptr;
    GtkWidget* layout = nullptr;  // holds the controls
    double unitX = 1.5, unitY = 1.625;
    int syncing = 0;  // > 0 while the widgets are set from the dialog's state
};

struct ControlView {
    GtkWidget* widget = nullptr;
    // A hidden partner in the radio button's own group: activating it clears
    // the button, which GTK does not allow otherwise.
    GtkWidget* radioPartner = nullptr;
};

DialogView* ViewOf(DialogWindow* dialog) {
    return static_cast<DialogView*>(dialog->view);
}
ControlView* ViewOf(DialogControl* control) {
    return static_cast<ControlView*>(control->view);
}

// Windows marks a mnemonic with '&' ("&&" is a plain '&'); GTK with '_'.
std::string Mnemonic(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            out.push_back(text[i + 1] == '&' ? '&' : '_');
            if (text[i + 1] == '&') ++i;
        } else if (text[i] == '_') {
            out += "__";
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The templates' font ("MS Shell Dlg", 8 points) is the desktop's sans-serif
// face at 8 points; the theme's paddings shrink so that every control fits the
// rectangle its template gives it.
const char kStyleSheet[] =
    ".velmora-dialog, .velmora-dialog * { font-family: Sans; font-size: 8pt; }\n"
    ".velmora-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }\n"
    ".velmora-dialog checkbutton, .velmora-dialog radiobutton { padding: 0; min-height: 0; }\n"
    ".velmora-dialog check, .velmora-dialog radio { min-width: 11px; min-height: 11px;"
    " margin: 0 4px 0 0; padding: 0; }\n"
    ".velmora-dialog combobox button { padding: 0 4px; min-height: 0; }\n"
    ".velmora-dialog scale { padding: 0; min-height: 0; }\n"
    ".velmora-dialog scale slider { min-width: 10px; min-height: 14px; margin: -6px 0; }\n"
    ".velmora-dialog scale trough { min-height: 3px; }\n"
    ".velmora-dialog notebook tab { padding: 1px 8px; min-height: 0; }\n"
    ".velmora-dialog frame > border { border-radius: 0; }\n";

void InstallStyleSheet() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kStyleSheet, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

void Pump() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

DialogControl* ControlOfWidget(GtkWidget* widget) {
    while (widget != nullptr) {
        if (auto* control =
                static_cast<DialogControl*>(g_object_get_data(G_OBJECT(widget), "velmora-control")))
            return control;
        widget = gtk_widget_get_parent(widget);
    }
    return nullptr;
}

// Signals from the widgets: the user acted, unless the dialog is being synced.
bool Syncing(DialogControl* control) {
    return ViewOf(control->Dialog())->syncing > 0;
}

void OnButtonClicked(GtkButton*, gpointer data) {
    auto* control = static_cast<DialogControl*>(data);
    if (Syncing(control)) return;
    if (!control->Dialog()->UserClick(control)) gtkDialogBackend.RefreshControl(control);
}

void OnComboChanged(GtkComboBox* combo, gpointer data) {
    auto* control = static_cast<DialogControl*>(data);
    if (Syncing(control)) return;
    control->Dialog()->UserSelectComboItem(control, gtk_combo_box_get_active(combo));
}

void OnScaleChanged(GtkRange* range, gpointer data) {
    auto* control = static_cast<DialogControl*>(data);
    if (Syncing(control)) return;
    int position = static_cast<int>(std::lround(gtk_range_get_value(range)));
    if (position != control->Position()) control->Dialog()->UserMoveTrackbar(control, position);
}

gboolean RefreshLater(gpointer data) {
    // The control may be gone by now; look it up again by handle.
    if (auto* control =
            dynamic_cast<DialogControl*>(Win32Window::FromHandle(static_cast<HWND>(data))))
        gtkDialogBackend.RefreshControl(control);
    return G_SOURCE_REMOVE;
}

void OnTabSwitched(GtkNotebook*, GtkWidget*, guint page, gpointer data) {
    auto* control = static_cast<DialogControl*>(data);
    if (Syncing(control)) return;
    if (!control->Dialog()->UserSelectTab(control, static_cast<int>(page))) {
        // The procedure kept its tab: switch back once GTK has finished.
        g_idle_add(RefreshLater, control->Handle());
    }
}

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* dialog = static_cast<DialogWindow*>(data);
    switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
            dialog->UserPressEnter(ControlOfWidget(gtk_window_get_focus(GTK_WINDOW(window))));
            return TRUE;
        case GDK_KEY_Escape:
            dialog->UserPressEscape();
            return TRUE;
        default:
            return FALSE;
    }
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<DialogWindow*>(data)->UserClose();
    return TRUE;  // the window stays until EndDialog
}

GtkWidget* MakeWidget(DialogControl* control, ControlView* view) {
    GtkWidget* widget = nullptr;
    std::string text = Mnemonic(control->Text());
    DWORD style = control->Resource().style;
    switch (control->Kind()) {
        case ControlKind::PushButton:
            widget = gtk_button_new_with_mnemonic(text.c_str());
            g_signal_connect(widget, "clicked", G_CALLBACK(OnButtonClicked), control);
            break;
        case ControlKind::CheckBox:
            widget = gtk_check_button_new_with_mnemonic(text.c_str());
            g_signal_connect_after(widget, "clicked", G_CALLBACK(OnButtonClicked), control);
            break;
        case ControlKind::RadioButton:
            widget = gtk_radio_button_new_with_mnemonic(nullptr, text.c_str());
            view->radioPartner = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(widget));
            g_object_ref_sink(view->radioPartner);
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view->radioPartner), TRUE);
            g_signal_connect_after(widget, "clicked", G_CALLBACK(OnButtonClicked), control);
            break;
        case ControlKind::GroupBox:
            widget = gtk_frame_new(nullptr);
            gtk_frame_set_label_widget(GTK_FRAME(widget),
                                       gtk_label_new_with_mnemonic(text.c_str()));
            break;
        case ControlKind::Static: {
            widget = gtk_label_new(nullptr);
            gtk_label_set_text_with_mnemonic(GTK_LABEL(widget), text.c_str());
            gtk_label_set_line_wrap(GTK_LABEL(widget), TRUE);
            float align = (style & 3) == SS_CENTER ? 0.5f : (style & 3) == SS_RIGHT ? 1.0f : 0.0f;
            gtk_label_set_xalign(GTK_LABEL(widget), align);
            gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
            gtk_label_set_justify(GTK_LABEL(widget), align == 0.5f   ? GTK_JUSTIFY_CENTER
                                                     : align == 1.0f ? GTK_JUSTIFY_RIGHT
                                                                     : GTK_JUSTIFY_LEFT);
            break;
        }
        case ControlKind::ComboBox:
            widget = gtk_combo_box_text_new();
            g_signal_connect(widget, "changed", G_CALLBACK(OnComboChanged), control);
            break;
        case ControlKind::Trackbar:
            widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
            gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
            g_signal_connect(widget, "value-changed", G_CALLBACK(OnScaleChanged), control);
            break;
        case ControlKind::Tab:
            widget = gtk_notebook_new();
            gtk_notebook_set_scrollable(GTK_NOTEBOOK(widget), TRUE);
            g_signal_connect_after(widget, "switch-page", G_CALLBACK(OnTabSwitched), control);
            break;
    }
    g_object_set_data(G_OBJECT(widget), "velmora-control", control);
    return widget;
}

bool Create(DialogWindow* dialog) {
    InstallStyleSheet();
    auto* view = new DialogView;
    dialog->view = view;
    view->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(view->window);
    gtk_style_context_add_class(gtk_widget_get_style_context(view->window), "velmora-dialog");
    gtk_window_set_title(window, dialog->Caption().c_str());
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    DialogWindow* owner = DialogFromHandle(dialog->Parent());
    if (owner != nullptr && owner->view != nullptr && owner->Backend() == &gtkDialogBackend) {
        gtk_window_set_transient_for(window, GTK_WINDOW(ViewOf(owner)->window));
        gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    }
    g_signal_connect(view->window, "key-press-event", G_CALLBACK(OnKeyPress), dialog);
    g_signal_connect(view->window, "delete-event", G_CALLBACK(OnDelete), dialog);

    // Dialog units: a quarter of the font's average character width across,
    // an eighth of its height down.
    PangoLayout* layout = gtk_widget_create_pango_layout(
        view->window, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int textWidth = 0, textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    g_object_unref(layout);
    if (textWidth > 0 && textHeight > 0) {
        view->unitX = ((textWidth / 26 + 1) / 2) / 4.0;
        view->unitY = textHeight / 8.0;
    }

    const DialogResource& resource = dialog->Resource();
    // A GtkLayout, unlike a GtkFixed, keeps the dialog's own size whatever its
    // children would like (a wrapping text asks for its unwrapped width).
    view->layout = gtk_layout_new(nullptr, nullptr);
    int width = static_cast<int>(std::lround(resource.cx * view->unitX));
    int height = static_cast<int>(std::lround(resource.cy * view->unitY));
    gtk_layout_set_size(GTK_LAYOUT(view->layout), width, height);
    gtk_widget_set_size_request(view->layout, width, height);
    gtk_container_add(GTK_CONTAINER(view->window), view->layout);
    gtk_widget_show(view->layout);

    ++view->syncing;
    for (const auto& control : dialog->Controls()) {
        auto* controlView = new ControlView;
        control->view = controlView;
        controlView->widget = MakeWidget(control.get(), controlView);
        const DialogControlResource& rect = control->Resource();
        int x = static_cast<int>(std::lround(rect.x * view->unitX));
        int y = static_cast<int>(std::lround(rect.y * view->unitY));
        int cx = static_cast<int>(std::lround(rect.cx * view->unitX));
        int cy = static_cast<int>(std::lround(rect.cy * view->unitY));
        // A drop-down list's height includes its list; the closed box is one line.
        if (control->Kind() == ControlKind::ComboBox) cy = -1;
        gtk_widget_set_size_request(controlView->widget, cx, cy);
        gtk_layout_put(GTK_LAYOUT(view->layout), controlView->widget, x, y);
        gtk_widget_show_all(controlView->widget);
        gtkDialogBackend.RefreshControl(control.get());
        if (control->IsDefaultButton()) {
            gtk_widget_set_can_default(controlView->widget, TRUE);
            gtk_window_set_default(window, controlView->widget);
        }
    }
    // A static text's mnemonic moves the focus to the control after it.
    const auto& controls = dialog->Controls();
    for (size_t i = 0; i + 1 < controls.size(); ++i) {
        if (controls[i]->Kind() == ControlKind::Static) {
            gtk_label_set_mnemonic_widget(GTK_LABEL(ViewOf(controls[i].get())->widget),
                                          ViewOf(controls[i + 1].get())->widget);
        }
    }
    --view->syncing;
    return true;
}

void Run(DialogWindow* dialog) {
    DialogView* view = ViewOf(dialog);
    gtk_widget_show(view->window);
    gtk_window_present(GTK_WINDOW(view->window));
    // Let the window map and draw before anyone looks at it.
    for (int i = 0; i < 50 && !gtk_widget_get_mapped(view->window); ++i) {
        Pump();
        g_usleep(2000);
    }
    gdk_display_sync(gdk_display_get_default());
    Pump();
    RunDialogShownHook(dialog->Handle(), dialog->Resource().id);
    // A quit request (a termination signal) closes the dialog; the wake-up
    // makes sure a signal that lands just before the loop sleeps, or on
    // another thread, is seen well before the signal watchdog's grace ends.
    guint wake = g_timeout_add(50, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (!dialog->HasEnded()) {
        gtk_main_iteration_do(TRUE);
        if (Win32TerminationPending()) dialog->UserClose();
    }
    g_source_remove(wake);
}

void Ended(DialogWindow*) {
    g_main_context_wakeup(nullptr);
}

void Destroy(DialogWindow* dialog) {
    DialogView* view = ViewOf(dialog);
    for (const auto& control : dialog->Controls()) {
        ControlView* controlView = ViewOf(control.get());
        if (controlView == nullptr) continue;
        if (controlView->radioPartner != nullptr) {
            gtk_widget_destroy(controlView->radioPartner);
            g_object_unref(controlView->radioPartner);
        }
        delete controlView;
        control->view = nullptr;
    }
    gtk_widget_destroy(view->window);
    delete view;
    dialog->view = nullptr;
    Pump();
}

void RefreshDialog(DialogWindow* dialog) {
    DialogView* view = ViewOf(dialog);
    if (view == nullptr) return;
    // A disabled dialog (the owner of a modal one) looks the same; it simply
    // takes no input, which the dialog itself refuses.
    gtk_window_set_title(GTK_WINDOW(view->window), dialog->Caption().c_str());
}

void RefreshNotebook(DialogControl* control, GtkNotebook* notebook) {
    const auto& items = control->Items();
    int pages = gtk_notebook_get_n_pages(notebook);
    bool same = pages == static_cast<int>(items.size());
    for (int i = 0; same && i < pages; ++i) {
        const char* title =
            gtk_notebook_get_tab_label_text(notebook, gtk_notebook_get_nth_page(notebook, i));
        same = title != nullptr && items[i].text == title;
    }
    if (!same) {
        while (gtk_notebook_get_n_pages(notebook) > 0) gtk_notebook_remove_page(notebook, -1);
        for (const auto& item : items) {
            GtkWidget* page = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
            gtk_widget_show(page);
            gtk_notebook_append_page(notebook, page, gtk_label_new(item.text.c_str()));
        }
    }
    if (control->Selection() >= 0) gtk_notebook_set_current_page(notebook, control->Selection());
}

void RefreshCombo(DialogControl* control, GtkComboBoxText* combo) {
    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
    const auto& items = control->Items();
    bool same = gtk_tree_model_iter_n_children(model, nullptr) == static_cast<int>(items.size());
    GtkTreeIter iter;
    for (int i = 0; same && i < static_cast<int>(items.size()); ++i) {
        gchar* text = nullptr;
        gtk_tree_model_iter_nth_child(model, &iter, nullptr, i);
        gtk_tree_model_get(model, &iter, 0, &text, -1);
        same = text != nullptr && items[i].text == text;
        g_free(text);
    }
    if (!same) {
        gtk_combo_box_text_remove_all(combo);
        for (const auto& item : items) gtk_combo_box_text_append_text(combo, item.text.c_str());
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), control->Selection());
}

void RefreshControl(DialogControl* control) {
    ControlView* view = ViewOf(control);
    if (view == nullptr || view->widget == nullptr) return;
    DialogView* dialogView = ViewOf(control->Dialog());
    ++dialogView->syncing;
    GtkWidget* widget = view->widget;
    gtk_widget_set_visible(widget, control->Visible());
    gtk_widget_set_sensitive(widget, control->Enabled());
    std::string text = Mnemonic(control->Text());
    switch (control->Kind()) {
        case ControlKind::PushButton:
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            if (text != gtk_button_get_label(GTK_BUTTON(widget))) {
                gtk_button_set_label(GTK_BUTTON(widget), text.c_str());
                gtk_button_set_use_underline(GTK_BUTTON(widget), TRUE);
            }
            if (control->Kind() == ControlKind::CheckBox) {
                gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(widget),
                                                   control->Check() == BST_INDETERMINATE);
                gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget),
                                             control->Check() == BST_CHECKED);
            } else if (control->Kind() == ControlKind::RadioButton) {
                gtk_toggle_button_set_active(
                    GTK_TOGGLE_BUTTON(control->Check() == BST_CHECKED ? widget
                                                                      : view->radioPartner),
                    TRUE);
            }
            break;
        case ControlKind::GroupBox:
            gtk_label_set_text_with_mnemonic(
                GTK_LABEL(gtk_frame_get_label_widget(GTK_FRAME(widget))), text.c_str());
            break;
        case ControlKind::Static:
            gtk_label_set_text_with_mnemonic(GTK_LABEL(widget), text.c_str());
            break;
        case ControlKind::ComboBox:
            RefreshCombo(control, GTK_COMBO_BOX_TEXT(widget));
            break;
        case ControlKind::Trackbar:
            gtk_range_set_range(GTK_RANGE(widget), control->RangeMin(),
                                std::max(control->RangeMin() + 1, control->RangeMax()));
            gtk_range_set_value(GTK_RANGE(widget), control->Position());
            break;
        case ControlKind::Tab:
            RefreshNotebook(control, GTK_NOTEBOOK(widget));
            break;
    }
    --dialogView->syncing;
}

GtkWindow* OwnerWindow(HWND owner) {
    DialogWindow* dialog = DialogFromHandle(owner);
    if (dialog == nullptr || dialog->view == nullptr || dialog->Backend() != &gtkDialogBackend)
        return nullptr;
    return GTK_WINDOW(ViewOf(dialog)->window);
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    InstallStyleSheet();
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            kind = GTK_MESSAGE_ERROR;
            break;
        case MB_ICONQUESTION:
            kind = GTK_MESSAGE_QUESTION;
            break;
        case MB_ICONEXCLAMATION:
            kind = GTK_MESSAGE_WARNING;
            break;
        case MB_ICONASTERISK:
            kind = GTK_MESSAGE_INFO;
            break;
    }
    GtkWidget* box = gtk_message_dialog_new(OwnerWindow(owner), GTK_DIALOG_MODAL, kind,
                                            GTK_BUTTONS_NONE, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), caption);
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    bool canCancel = false;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            gtk_dialog_add_buttons(GTK_DIALOG(box), "OK", IDOK, "Cancel", IDCANCEL, nullptr);
            canCancel = true;
            break;
        case MB_YESNOCANCEL:
            gtk_dialog_add_buttons(GTK_DIALOG(box), "_Yes", IDYES, "_No", IDNO, "Cancel", IDCANCEL,
                                   nullptr);
            canCancel = true;
            break;
        case MB_YESNO:
            gtk_dialog_add_buttons(GTK_DIALOG(box), "_Yes", IDYES, "_No", IDNO, nullptr);
            break;
        default:
            gtk_dialog_add_buttons(GTK_DIALOG(box), "OK", IDOK, nullptr);
            break;
    }
    gtk_dialog_set_default_response(GTK_DIALOG(box),
                                    (type & MB_TYPEMASK) >= MB_YESNOCANCEL ? IDYES : IDOK);
    int answer = 0;
    // A quit request (a termination signal) closes the box as its close
    // button would; a Yes/No box then reads No.
    guint watch = g_timeout_add(
        50,
        [](gpointer dialog) -> gboolean {
            if (Win32TerminationPending()) {
                gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
            }
            return G_SOURCE_CONTINUE;
        },
        box);
    // Escape or the close button: Cancel where there is one, OK for a lone OK
    // button; a Yes/No box needs an answer.
    while (answer <= 0) {
        int response = gtk_dialog_run(GTK_DIALOG(box));
        if (response > 0) {
            answer = response;
        } else if (Win32TerminationPending() && (type & MB_TYPEMASK) == MB_YESNO) {
            answer = IDNO;
        } else if (canCancel) {
            answer = IDCANCEL;
        } else if ((type & MB_TYPEMASK) == MB_OK) {
            answer = IDOK;
        }
    }
    g_source_remove(watch);
    gtk_widget_destroy(box);
    Pump();
    return answer;
}

}  // namespace

bool GtkDialogsAvailable() {
    static bool started = false;
    if (started) return true;
    // gtk_init_check would also try a display named nowhere; stay quiet instead.
    if (getenv("DISPLAY") == nullptr && getenv("WAYLAND_DISPLAY") == nullptr) return false;
    // The saver formats numbers in the C locale; GTK must not switch it.
    gtk_disable_setlocale();
    started = gtk_init_check(nullptr, nullptr);
    return started;
}

GtkWidget* GtkDialogWidget(HWND handle) {
    Win32Window* window = Win32Window::FromHandle(handle);
    if (auto* dialog = dynamic_cast<DialogWindow*>(window)) {
        if (dialog->Backend() != &gtkDialogBackend || dialog->view == nullptr) return nullptr;
        return ViewOf(dialog)->window;
    }
    if (auto* control = dynamic_cast<DialogControl*>(window)) {
        if (control->Dialog()->Backend() != &gtkDialogBackend || control->view == nullptr)
            return nullptr;
        return ViewOf(control)->widget;
    }
    return nullptr;
}

bool GtkDialogUnits(HWND handle, double* x, double* y) {
    DialogWindow* dialog = DialogFromHandle(handle);
    if (dialog == nullptr || dialog->Backend() != &gtkDialogBackend || dialog->view == nullptr)
        return false;
    *x = ViewOf(dialog)->unitX;
    *y = ViewOf(dialog)->unitY;
    return true;
}

const DialogBackend gtkDialogBackend = {
    "gtk", Create, Run, Ended, Destroy, RefreshDialog, RefreshControl, ShowMessageBox,
};
