#include "platform/win32/dialog_control.h"

#include "platform/win32/dialog_backend.h"
#include "platform/win32/dialog_window.h"

#include <commctrl.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

namespace {

ControlKind KindOf(const DialogControlResource& resource) {
    const char* name = resource.className;
    if (strcasecmp(name, "STATIC") == 0) return ControlKind::Static;
    if (strcasecmp(name, "COMBOBOX") == 0) return ControlKind::ComboBox;
    if (strcasecmp(name, TRACKBAR_CLASS) == 0) return ControlKind::Trackbar;
    if (strcasecmp(name, WC_TABCONTROL) == 0) return ControlKind::Tab;
    switch (resource.style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
            return ControlKind::CheckBox;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return ControlKind::RadioButton;
        case BS_GROUPBOX:
            return ControlKind::GroupBox;
        default:
            return ControlKind::PushButton;
    }
}

int CopyText(const std::string& text, char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    int count = std::min(static_cast<int>(text.size()), capacity - 1);
    memcpy(buffer, text.data(), static_cast<size_t>(count));
    buffer[count] = '\0';
    return count;
}

}  // namespace

DialogControl::DialogControl(DialogWindow* dialog, const DialogControlResource& resource)
    : dialog(dialog),
      resource(resource),
      kind(KindOf(resource)),
      text(resource.text != nullptr ? resource.text : ""),
      visible((resource.style & WS_VISIBLE) != 0),
      enabled((resource.style & WS_DISABLED) == 0) {}

bool DialogControl::IsDefaultButton() const {
    return kind == ControlKind::PushButton && (resource.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

bool DialogControl::IsAutomatic() const {
    DWORD type = resource.style & BS_TYPEMASK;
    return type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

void DialogControl::Refresh() {
    if (dialog->Backend() != nullptr) dialog->Backend()->RefreshControl(this);
}

void DialogControl::SetCheck(int state) {
    if (kind != ControlKind::CheckBox && kind != ControlKind::RadioButton) return;
    DWORD type = resource.style & BS_TYPEMASK;
    bool threeState = type == BS_3STATE || type == BS_AUTO3STATE;
    if (state == BST_INDETERMINATE && !threeState) state = BST_CHECKED;
    if (state != BST_CHECKED && state != BST_INDETERMINATE) state = BST_UNCHECKED;
    check = state;
    Refresh();
}

void DialogControl::SetSelection(int index) {
    selection = index >= 0 && index < static_cast<int>(items.size()) ? index : -1;
    if (kind == ControlKind::ComboBox) text = selection >= 0 ? items[selection].text : "";
    Refresh();
}

void DialogControl::SetPosition(int value) {
    position = std::clamp(value, rangeMin, std::max(rangeMin, rangeMax));
    Refresh();
}

LRESULT DialogControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT:
            return SetText(reinterpret_cast<const char*>(lParam));
        case WM_GETTEXT:
            return GetText(reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(text.size());
        case BM_GETCHECK:
            return check;
        case BM_SETCHECK:
            SetCheck(static_cast<int>(wParam));
            return 0;
        case BM_CLICK:
            dialog->UserClick(this);
            return 0;
    }
    switch (kind) {
        case ControlKind::ComboBox:
            return ComboMessage(message, wParam, lParam);
        case ControlKind::Trackbar:
            return TrackbarMessage(message, wParam, lParam);
        case ControlKind::Tab:
            return TabMessage(message, wParam, lParam);
        default:
            return 0;
    }
}

LRESULT DialogControl::ComboMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int count = static_cast<int>(items.size());
    int index = static_cast<int>(static_cast<intptr_t>(wParam));
    bool inRange = index >= 0 && index < count;
    switch (message) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const char* itemText = reinterpret_cast<const char*>(lParam);
            Item item{itemText != nullptr ? itemText : "", 0};
            int at = message == CB_ADDSTRING || index < 0 || index > count ? count : index;
            items.insert(items.begin() + at, item);
            if (selection >= at) ++selection;
            Refresh();
            return at;
        }
        case CB_DELETESTRING:
            if (!inRange) return CB_ERR;
            items.erase(items.begin() + index);
            if (selection == index) {
                selection = -1;
                text.clear();
            } else if (selection > index) {
                --selection;
            }
            Refresh();
            return count - 1;
        case CB_RESETCONTENT:
            items.clear();
            selection = -1;
            text.clear();
            Refresh();
            return CB_OKAY;
        case CB_GETCOUNT:
            return count;
        case CB_SETCURSEL:
            SetSelection(index);
            return inRange ? index : CB_ERR;
        case CB_GETCURSEL:
            return selection;
        case CB_SETITEMDATA:
            if (!inRange) return CB_ERR;
            items[index].data = lParam;
            return CB_OKAY;
        case CB_GETITEMDATA:
            return inRange ? items[index].data : CB_ERR;
        case CB_GETLBTEXTLEN:
            return inRange ? static_cast<LRESULT>(items[index].text.size()) : CB_ERR;
        case CB_GETLBTEXT: {
            // The caller's buffer must hold the whole item, as on Windows.
            if (!inRange) return CB_ERR;
            char* buffer = reinterpret_cast<char*>(lParam);
            if (buffer == nullptr) return CB_ERR;
            memcpy(buffer, items[index].text.c_str(), items[index].text.size() + 1);
            return static_cast<LRESULT>(items[index].text.size());
        }
    }
    return 0;
}

LRESULT DialogControl::TrackbarMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case TBM_GETPOS:
            return position;
        case TBM_GETRANGEMIN:
            return rangeMin;
        case TBM_GETRANGEMAX:
            return rangeMax;
        case TBM_SETPOS:
            SetPosition(static_cast<int>(lParam));
            return 0;
        case TBM_SETRANGE:
            rangeMin = static_cast<short>(LOWORD(lParam));
            rangeMax = static_cast<short>(HIWORD(lParam));
            SetPosition(position);
            return 0;
        case TBM_SETRANGEMIN:
            rangeMin = static_cast<int>(lParam);
            SetPosition(position);
            return 0;
        case TBM_SETRANGEMAX:
            rangeMax = static_cast<int>(lParam);
            SetPosition(position);
            return 0;
        case TBM_SETTICFREQ:
            ticFrequency = static_cast<int>(wParam);
            return 0;
        case TBM_SETPAGESIZE: {
            int old = pageSize;
            pageSize = static_cast<int>(lParam);
            return old;
        }
        case TBM_GETPAGESIZE:
            return pageSize;
        case TBM_SETLINESIZE: {
            int old = lineSize;
            lineSize = static_cast<int>(lParam);
            return old;
        }
        case TBM_GETLINESIZE:
            return lineSize;
    }
    return 0;
}

LRESULT DialogControl::TabMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int count = static_cast<int>(items.size());
    int index = static_cast<int>(static_cast<intptr_t>(wParam));
    switch (message) {
        case TCM_INSERTITEMA: {
            const TCITEMA* tab = reinterpret_cast<const TCITEMA*>(lParam);
            if (tab == nullptr || index < 0) return -1;
            Item item;
            if ((tab->mask & TCIF_TEXT) != 0 && tab->pszText != nullptr) item.text = tab->pszText;
            if ((tab->mask & TCIF_PARAM) != 0) item.data = tab->lParam;
            int at = std::min(index, count);
            items.insert(items.begin() + at, item);
            // The first tab becomes the selected one.
            if (selection < 0) {
                selection = 0;
            } else if (selection >= at) {
                ++selection;
            }
            Refresh();
            return at;
        }
        case TCM_GETITEMCOUNT:
            return count;
        case TCM_DELETEALLITEMS:
            items.clear();
            selection = -1;
            Refresh();
            return TRUE;
        case TCM_GETCURSEL:
            return selection;
        case TCM_SETCURSEL: {
            int old = selection;
            if (index < 0 || index >= count) return -1;
            SetSelection(index);
            return old;
        }
    }
    return 0;
}

BOOL DialogControl::Show(int command) {
    bool wasVisible = visible;
    visible = command != 0;  // SW_HIDE is 0; every other command shows
    Refresh();
    return wasVisible;
}

BOOL DialogControl::Enable(BOOL enable) {
    bool wasDisabled = !enabled;
    enabled = enable != FALSE;
    Refresh();
    return wasDisabled;
}

BOOL DialogControl::SetText(const char* newText) {
    text = newText != nullptr ? newText : "";
    Refresh();
    return TRUE;
}

int DialogControl::GetText(char* buffer, int capacity) {
    return CopyText(text, buffer, capacity);
}

HWND DialogControl::Parent() {
    return dialog->Handle();
}
