// MessageBox: through the dialog backend (a GTK message dialog, or recorded
// when headless); through SDL's message box where GTK cannot start; and, when
// nothing can show it, on standard error so the message is never lost.
#include <windows.h>

#include "platform/win32/dialog_backend.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

namespace {

int ShowWithSdl(const char* text, const char* caption, UINT type) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & MB_ICONMASK) == MB_ICONHAND) flags = SDL_MESSAGEBOX_ERROR;
    if ((type & MB_ICONMASK) == MB_ICONEXCLAMATION) flags = SDL_MESSAGEBOX_WARNING;
    std::vector<SDL_MessageBoxButtonData> buttons;
    const Uint32 enter = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    const Uint32 escape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            buttons = {{enter, IDOK, "OK"}, {escape, IDCANCEL, "Cancel"}};
            break;
        case MB_YESNOCANCEL:
            buttons = {{enter, IDYES, "Yes"}, {0, IDNO, "No"}, {escape, IDCANCEL, "Cancel"}};
            break;
        case MB_YESNO:
            buttons = {{enter, IDYES, "Yes"}, {0, IDNO, "No"}};
            break;
        default:
            buttons = {{enter | escape, IDOK, "OK"}};
            break;
    }
    SDL_MessageBoxData data = {
        flags, nullptr, caption, text, static_cast<int>(buttons.size()), buttons.data(), nullptr};
    int chosen = 0;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) return 0;
    return chosen > 0 ? chosen : buttons.back().buttonid;
}

}  // namespace

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    const char* text = lpText != nullptr ? lpText : "";
    const char* caption = lpCaption != nullptr ? lpCaption : "Error";
    const bool error = (uType & MB_ICONMASK) == MB_ICONHAND;
    // Errors also go to standard error: a saver started by a daemon has its
    // output in the daemon's log, where nobody may see the box.
    if (error) std::fprintf(stderr, "%s: %s\n", caption, text);
    if (const DialogBackend* backend = ChooseDialogBackend()) {
        return backend->ShowMessageBox(hWnd, text, caption, uType);
    }
    if (int answer = ShowWithSdl(text, caption, uType)) return answer;
    if (!error) std::fprintf(stderr, "%s: %s\n", caption, text);
    return 0;
}
