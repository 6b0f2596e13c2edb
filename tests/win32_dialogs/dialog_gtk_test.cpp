#include <windows.h>
#include <commctrl.h>

#include "platform/win32/dialog_gtk.h"
#include "platform/win32/dialog_testing.h"
#include "platform/win32/window_object.h"
#include "resources/resources.h"
#include "tests/support/xvfb_server.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <set>
#include <tuple>
#include <string>

// GTK, fontconfig and GLib keep process-lifetime caches that are never freed.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libgtk-3\nleak:libgdk-3\nleak:libglib-2.0\nleak:libgobject-2.0\n"
           "leak:libfontconfig\nleak:libpango\nleak:libcairo\nleak:libharfbuzz\n"
           "leak:libgio-2.0\nleak:libX11\nleak:libatk\nleak:libepoxy\nleak:libdbus-1\n";
}

namespace {

// One X server for the whole process: GTK stays bound to the first display.
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server = std::make_unique<XvfbServer>(1024, 768); }
    void TearDown() override { server.reset(); }
    static std::unique_ptr<XvfbServer> server;
};
std::unique_ptr<XvfbServer> XvfbEnvironment::server;
auto* const environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

struct Seen {
    std::vector<std::pair<int, int>> commands;
    int scrolls = 0;
    std::vector<UINT> notifications;
} seen;

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(dialog, 1007, BST_CHECKED);
            CheckDlgButton(dialog, 1011, BST_CHECKED);
            CheckDlgButton(dialog, 1016, BST_CHECKED);
            CheckRadioButton(dialog, 1008, 1009, 1008);
            CheckRadioButton(dialog, 1012, 1014, 1012);
            SendDlgItemMessage(dialog, 1015, TBM_SETRANGE, FALSE, MAKELONG(0, 40));
            SendDlgItemMessage(dialog, 1015, TBM_SETPOS, TRUE, 15);
            SendDlgItemMessage(dialog, 1017, TBM_SETRANGE, FALSE, MAKELONG(0, 100));
            SendDlgItemMessage(dialog, 1017, TBM_SETPOS, TRUE, 100);
            if (GetDlgItem(dialog, 2000) != nullptr) {
                for (const char* title : {"Monitor 1", "Monitor 2"}) {
                    TCITEM tab = {};
                    tab.mask = TCIF_TEXT;
                    tab.pszText = const_cast<char*>(title);
                    SendDlgItemMessage(dialog, 2000, TCM_INSERTITEM, 9,
                                       reinterpret_cast<LPARAM>(&tab));
                }
                for (const char* mode : {"Automatic", "800 by 600, 32 bit color"}) {
                    SendDlgItemMessage(dialog, 2011, CB_ADDSTRING, 0,
                                       reinterpret_cast<LPARAM>(mode));
                }
                SendDlgItemMessage(dialog, 2011, CB_SETCURSEL, 0, 0);
            }
            return TRUE;
        case WM_HSCROLL: {
            ++seen.scrolls;
            char label[64];
            int position = static_cast<int>(SendDlgItemMessage(dialog, 1015, TBM_GETPOS, 0, 0));
            snprintf(label, sizeof label, "Camera Change Delay: %d sec", position + 5);
            SetDlgItemText(dialog, 1020, label);
            return FALSE;
        }
        case WM_NOTIFY:
            seen.notifications.push_back(reinterpret_cast<NMHDR*>(lParam)->code);
            return FALSE;
        case WM_COMMAND:
            seen.commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
            }
            return TRUE;
    }
    return FALSE;
}

void CollectTexts(GtkWidget* widget, std::multiset<std::string>* texts) {
    if (GTK_IS_LABEL(widget) && gtk_widget_get_visible(widget)) {
        texts->insert(gtk_label_get_text(GTK_LABEL(widget)));
    }
    if (GTK_IS_CONTAINER(widget)) {
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer data) {
                CollectTexts(child, static_cast<std::multiset<std::string>*>(data));
            },
            texts);
    }
}

std::string WithoutMnemonic(const char* text) {
    std::string out;
    for (const char* c = text; *c; ++c) {
        if (*c != '&') out.push_back(*c);
    }
    return out;
}

void Pump() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void SendKey(GtkWidget* window, guint keyval) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.keyval = keyval;
    event->key.time = GDK_CURRENT_TIME;
    gtk_widget_event(window, event);
    gdk_event_free(event);
}

double Luminance(const guchar* p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// Share of dark (text and frame) pixels in a rectangle of a screenshot.
double DarkShare(GdkPixbuf* image, int x, int y, int width, int height) {
    int channels = gdk_pixbuf_get_n_channels(image);
    int stride = gdk_pixbuf_get_rowstride(image);
    const guchar* pixels = gdk_pixbuf_get_pixels(image);
    int dark = 0, total = 0;
    for (int row = y; row < y + height && row < gdk_pixbuf_get_height(image); ++row) {
        for (int column = x; column < x + width && column < gdk_pixbuf_get_width(image); ++column) {
            ++total;
            if (Luminance(pixels + row * stride + column * channels) < 110) ++dark;
        }
    }
    return total > 0 ? static_cast<double>(dark) / total : 0;
}

// Every visible control lies inside the dialog: none is pushed out of it by a
// widget or text larger than its rectangle.
void ExpectControlsFit(HWND dialog) {
    GtkWidget* window = GtkDialogWidget(dialog);
    GtkAllocation windowBox;
    gtk_widget_get_allocation(window, &windowBox);
    double unitX = 0, unitY = 0;
    ASSERT_TRUE(GtkDialogUnits(dialog, &unitX, &unitY));
    for (int id = 1; id < 3000; ++id) {
        HWND item = GetDlgItem(dialog, id);
        if (item == nullptr) continue;
        GtkWidget* widget = GtkDialogWidget(item);
        if (!gtk_widget_get_visible(widget)) continue;
        GtkAllocation box;
        gtk_widget_get_allocation(widget, &box);
        EXPECT_LE(box.x + box.width, windowBox.width) << id;
        EXPECT_LE(box.y + box.height, windowBox.height) << id;
    }
}

class GtkDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(XvfbEnvironment::server && XvfbEnvironment::server->Running());
        seen = Seen();
        UseHeadlessDialogs(false);
    }
    void TearDown() override { SetDialogShownHook(nullptr); }
};

}  // namespace

TEST_F(GtkDialogTest, ConfigurationDialogShowsEveryControl) {
    const DialogResource* resource = FindDialogResource(106);
    bool shown = false;
    // Checks that fail return early; the dialog is closed by Escape in any case.
    auto look = [&](HWND dialog) {
        shown = true;
        GtkWidget* window = GtkDialogWidget(dialog);
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(gtk_widget_get_mapped(window));
        EXPECT_STREQ("Velmora", gtk_window_get_title(GTK_WINDOW(window)));
        double unitX = 0, unitY = 0;
        ASSERT_TRUE(GtkDialogUnits(dialog, &unitX, &unitY));

        // Every text of the template is on screen.
        std::multiset<std::string> texts;
        CollectTexts(window, &texts);
        for (int i = 0; i < resource->controlCount; ++i) {
            const char* text = resource->controls[i].text;
            if (text[0] != '\0') {
                EXPECT_EQ(1u, texts.count(WithoutMnemonic(text))) << text;
            }
        }
        // Every addressed control sits at its rectangle.
        GtkAllocation windowBox;
        gtk_widget_get_allocation(window, &windowBox);
        EXPECT_NEAR(resource->cx * unitX, windowBox.width, 2);
        EXPECT_NEAR(resource->cy * unitY, windowBox.height, 2);
        for (int i = 0; i < resource->controlCount; ++i) {
            const DialogControlResource& control = resource->controls[i];
            if (control.id == IDC_STATIC) continue;
            GtkWidget* widget = GtkDialogWidget(GetDlgItem(dialog, control.id));
            ASSERT_NE(nullptr, widget) << control.id;
            GtkAllocation box;
            gtk_widget_get_allocation(widget, &box);
            EXPECT_NEAR(control.x * unitX, box.x, 1.5) << control.id;
            EXPECT_NEAR(control.y * unitY, box.y, 1.5) << control.id;
            EXPECT_NEAR(control.cx * unitX, box.width, 1.5) << control.id;
        }
        ExpectControlsFit(dialog);
        GtkWidget* showTime = GtkDialogWidget(GetDlgItem(dialog, 1007));
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(showTime)));
        GtkWidget* fps = GtkDialogWidget(GetDlgItem(dialog, 1010));
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(fps)));

        // The screenshot, from the X server.
        GdkWindow* surface = gtk_widget_get_window(window);
        GdkPixbuf* image = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                      gdk_window_get_height(surface));
        ASSERT_NE(nullptr, image);
        gdk_pixbuf_save(image, "config_dialog.png", "png", nullptr, nullptr);
        int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
        // Mostly the light dialog background, with text and frames in it.
        double dark = DarkShare(image, 0, 0, width, height);
        EXPECT_GT(dark, 0.01);
        EXPECT_LT(dark, 0.25);
        // Text where the labelled controls are, nothing below the buttons.
        for (int id : {1020, 1018, IDOK}) {
            const DialogControlResource* control = nullptr;
            for (int i = 0; i < resource->controlCount; ++i) {
                if (resource->controls[i].id == id) control = &resource->controls[i];
            }
            EXPECT_GT(DarkShare(image, static_cast<int>(control->x * unitX),
                                static_cast<int>(control->y * unitY),
                                static_cast<int>(control->cx * unitX),
                                static_cast<int>(control->cy * unitY)),
                      0.005)
                << id;
        }
        EXPECT_LT(DarkShare(image, 0, static_cast<int>(190 * unitY), width,
                            height - static_cast<int>(190 * unitY)),
                  0.001);
        // The committed screenshot shows the same dialog.
        std::string kept = VELMORA_SOURCE_DIR "/docs/screenshots/config_dialog.png";
        GdkPixbuf* keptImage = gdk_pixbuf_new_from_file(kept.c_str(), nullptr);
        ASSERT_NE(nullptr, keptImage) << kept;
        EXPECT_EQ(width, gdk_pixbuf_get_width(keptImage));
        EXPECT_EQ(height, gdk_pixbuf_get_height(keptImage));
        EXPECT_NEAR(dark, DarkShare(keptImage, 0, 0, width, height), 0.02);
        g_object_unref(keptImage);
        g_object_unref(image);

        // Using the widgets reaches the dialog procedure.
        gtk_button_clicked(GTK_BUTTON(showTime));
        Pump();
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1007));
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(showTime)));
        GtkWidget* night = GtkDialogWidget(GetDlgItem(dialog, 1013));
        gtk_button_clicked(GTK_BUTTON(night));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, 1013));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, 1012));
        EXPECT_FALSE(gtk_toggle_button_get_active(
            GTK_TOGGLE_BUTTON(GtkDialogWidget(GetDlgItem(dialog, 1012)))));
        gtk_range_set_value(GTK_RANGE(GtkDialogWidget(GetDlgItem(dialog, 1015))), 30);
        EXPECT_EQ(30, SendDlgItemMessage(dialog, 1015, TBM_GETPOS, 0, 0));
        EXPECT_STREQ("Camera Change Delay: 35 sec",
                     gtk_label_get_text(GTK_LABEL(GtkDialogWidget(GetDlgItem(dialog, 1020)))));
        // Program changes show in the widgets.
        Win32Window::FromHandle(GetDlgItem(dialog, 1009))->Enable(FALSE);
        EXPECT_FALSE(gtk_widget_get_sensitive(GtkDialogWidget(GetDlgItem(dialog, 1009))));
    };
    SetDialogShownHook([&](HWND dialog, int) {
        look(dialog);
        // Escape means Cancel.
        SendKey(GtkDialogWidget(dialog), GDK_KEY_Escape);
    });
    EXPECT_EQ(IDCANCEL, DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, Procedure, 0));
    EXPECT_TRUE(shown);
    EXPECT_GT(seen.scrolls, 0);
    ASSERT_FALSE(seen.commands.empty());
    EXPECT_EQ(std::make_pair(1007, static_cast<int>(BN_CLICKED)), seen.commands.front());
    EXPECT_EQ(std::make_pair(IDCANCEL, static_cast<int>(BN_CLICKED)), seen.commands.back());

    // Enter clicks the default button.
    SetDialogShownHook([](HWND dialog, int) { SendKey(GtkDialogWidget(dialog), GDK_KEY_Return); });
    EXPECT_EQ(IDOK, DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, Procedure, 0));
}

TEST_F(GtkDialogTest, TabsAndModeListReachTheProcedure) {
    auto use = [&](HWND dialog, int id) {
        ASSERT_EQ(201, id);
        GdkWindow* surface = gtk_widget_get_window(GtkDialogWidget(dialog));
        GdkPixbuf* image = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                      gdk_window_get_height(surface));
        ASSERT_NE(nullptr, image);
        gdk_pixbuf_save(image, "display_settings_dialog.png", "png", nullptr, nullptr);
        g_object_unref(image);
        ExpectControlsFit(dialog);
        GtkWidget* notebook = GtkDialogWidget(GetDlgItem(dialog, 2000));
        ASSERT_EQ(2, gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)));
        EXPECT_FALSE(gtk_widget_get_visible(GtkDialogWidget(GetDlgItem(dialog, 2001))));
        EXPECT_FALSE(gtk_widget_get_sensitive(GtkDialogWidget(GetDlgItem(dialog, 2005))));
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
        EXPECT_EQ(1, SendDlgItemMessage(dialog, 2000, TCM_GETCURSEL, 0, 0));
        GtkWidget* combo = GtkDialogWidget(GetDlgItem(dialog, 2011));
        gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 1);
        EXPECT_EQ(1, SendDlgItemMessage(dialog, 2011, CB_GETCURSEL, 0, 0));
    };
    SetDialogShownHook([&](HWND dialog, int id) {
        use(dialog, id);
        gtk_button_clicked(GTK_BUTTON(GtkDialogWidget(GetDlgItem(dialog, IDOK))));
    });
    EXPECT_EQ(IDOK, DialogBoxParam(nullptr, MAKEINTRESOURCE(201), nullptr, Procedure, 0));
    EXPECT_EQ((std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}), seen.notifications);
    EXPECT_NE(seen.commands.end(),
              std::find(seen.commands.begin(), seen.commands.end(),
                        std::make_pair(2011, static_cast<int>(CBN_SELCHANGE))));
}

TEST_F(GtkDialogTest, SingleMonitorDialogFits) {
    SetDialogShownHook([&](HWND dialog, int id) {
        EXPECT_EQ(200, id);
        ExpectControlsFit(dialog);
        GdkWindow* surface = gtk_widget_get_window(GtkDialogWidget(dialog));
        GdkPixbuf* image = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                      gdk_window_get_height(surface));
        if (image != nullptr) {
            gdk_pixbuf_save(image, "single_monitor_dialog.png", "png", nullptr, nullptr);
            g_object_unref(image);
        }
        SendKey(GtkDialogWidget(dialog), GDK_KEY_Escape);
    });
    EXPECT_EQ(IDCANCEL, DialogBoxParam(nullptr, MAKEINTRESOURCE(200), nullptr, Procedure, 0));
}

TEST_F(GtkDialogTest, MessageBoxIsAModalGtkDialog) {
    std::string title, text;
    GtkMessageType kind = GTK_MESSAGE_OTHER;
    std::tuple<std::string*, std::string*, GtkMessageType*> found(&title, &text, &kind);
    guint timer = g_timeout_add(
        20,
        [](gpointer data) -> gboolean {
            auto* found =
                static_cast<std::tuple<std::string*, std::string*, GtkMessageType*>*>(data);
            GList* windows = gtk_window_list_toplevels();
            for (GList* item = windows; item != nullptr; item = item->next) {
                if (!GTK_IS_MESSAGE_DIALOG(item->data) ||
                    !gtk_widget_get_mapped(GTK_WIDGET(item->data)))
                    continue;
                *std::get<0>(*found) = gtk_window_get_title(GTK_WINDOW(item->data));
                gchar* message = nullptr;
                g_object_get(item->data, "text", &message, "message-type", std::get<2>(*found),
                             nullptr);
                *std::get<1>(*found) = message != nullptr ? message : "";
                g_free(message);
                gtk_dialog_response(GTK_DIALOG(item->data), IDOK);
            }
            g_list_free(windows);
            return G_SOURCE_CONTINUE;
        },
        &found);
    char message[512];
    LoadString(nullptr, 2111, message, sizeof message);
    EXPECT_EQ(IDOK, MessageBox(nullptr, message, "Velmora", MB_OK | MB_ICONERROR));
    g_source_remove(timer);
    EXPECT_EQ("Velmora", title);
    EXPECT_EQ("Not enough video memory.", text);
    EXPECT_EQ(GTK_MESSAGE_ERROR, kind);
    // Starting GTK left the process's number formatting alone.
    EXPECT_STREQ("C", setlocale(LC_NUMERIC, nullptr));
}
