// velmora-window-probe: looks at and pokes the windows of another program
// under the same wineserver.
//   list  CLASS TITLE             one line per control of the window:
//                                 id, class, enabled (1/0), value, text (tabs between)
//   key   CLASS TITLE ID VKEY     posts a key press and release to control ID
//   click CLASS TITLE ID          posts BM_CLICK to button ID
//   close CLASS TITLE             posts WM_CLOSE to the window
//   paint CLASS TITLE SECONDS     covers the window's client area with a
//                                 magenta child window of this program for
//                                 SECONDS: shows whether another program's
//                                 child window can be seen there at all
// The window is the top-level one with that title and window class ("*" for
// any class). A control's value is a button's check state, a trackbar's
// position or a list's selection, "-" for other controls. Exit status 0 when
// done, 1 when the window or control does not exist, 2 for bad arguments.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmora-window-probe list|close CLASS TITLE\n"
                 "       velmora-window-probe key CLASS TITLE ID VKEY\n"
                 "       velmora-window-probe click CLASS TITLE ID\n"
                 "       velmora-window-probe paint CLASS TITLE SECONDS\n");
    return 2;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The text as the control holds it, on one line: line breaks become "\n".
std::string TextOf(HWND window) {
    char text[2048] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    std::string line;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\r') continue;
        if (*c == '\n') {
            line += "\\n";
        } else if (*c == '\t') {
            line += ' ';
        } else {
            line += *c;
        }
    }
    return line;
}

std::string ValueOf(HWND control) {
    const std::string kind = ClassOf(control);
    UINT query = 0;
    if (lstrcmpiA(kind.c_str(), WC_BUTTONA) == 0) {
        query = BM_GETCHECK;
    } else if (lstrcmpiA(kind.c_str(), TRACKBAR_CLASSA) == 0) {
        query = TBM_GETPOS;
    } else if (lstrcmpiA(kind.c_str(), WC_COMBOBOXA) == 0) {
        query = CB_GETCURSEL;
    } else if (lstrcmpiA(kind.c_str(), WC_TABCONTROLA) == 0) {
        query = TCM_GETCURSEL;
    } else {
        return "-";
    }
    DWORD_PTR value = 0;
    SendMessageTimeoutA(control, query, 0, 0, SMTO_ABORTIFHUNG, 2000, &value);
    return std::to_string(static_cast<long>(static_cast<LRESULT>(value)));
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
    std::printf("%d\t%s\t%d\t%s\t%s\n", GetDlgCtrlID(control), ClassOf(control).c_str(),
                IsWindowEnabled(control) ? 1 : 0, ValueOf(control).c_str(),
                TextOf(control).c_str());
    return TRUE;
}

HWND FindControl(HWND window, const char* id) {
    return GetDlgItem(window, std::atoi(id));
}

LRESULT CALLBACK PaintWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int PaintOver(HWND window, int seconds) {
    WNDCLASSA paintClass = {};
    paintClass.lpfnWndProc = PaintWindowProc;
    paintClass.hInstance = GetModuleHandleA(nullptr);
    paintClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    paintClass.lpszClassName = "VelmoraProbePaint";
    if (!RegisterClassA(&paintClass)) return 1;
    RECT area;
    GetClientRect(window, &area);
    HWND child =
        CreateWindowExA(0, paintClass.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, area.right,
                        area.bottom, window, nullptr, paintClass.hInstance, nullptr);
    if (child == nullptr) return 1;
    SetTimer(child, 1, static_cast<UINT>(seconds) * 1000u, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    const std::string command = argv[1];
    const char* windowClass = std::strcmp(argv[2], "*") == 0 ? nullptr : argv[2];
    HWND window = FindWindowA(windowClass, argv[3]);
    if (window == nullptr) {
        std::fprintf(stderr, "velmora-window-probe: no window \"%s\"\n", argv[3]);
        return 1;
    }

    if (command == "list" && argc == 4) {
        EnumChildWindows(window, PrintControl, 0);
        std::fflush(stdout);
        return 0;
    }
    if (command == "close" && argc == 4) {
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (command == "key" && argc == 6) {
        HWND control = FindControl(window, argv[4]);
        if (control == nullptr) return 1;
        const WPARAM key = static_cast<WPARAM>(std::atoi(argv[5]));
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(static_cast<UINT>(key), 0)) << 16;
        // Repeat count 1; the release has the previous-state and transition bits.
        PostMessageA(control, WM_KEYDOWN, key, scan | 1);
        PostMessageA(control, WM_KEYUP, key, scan | 1 | (LPARAM(3) << 30));
        return 0;
    }
    if (command == "paint" && argc == 5 && std::atoi(argv[4]) > 0) {
        return PaintOver(window, std::atoi(argv[4]));
    }
    if (command == "click" && argc == 5) {
        HWND control = FindControl(window, argv[4]);
        if (control == nullptr) return 1;
        // Posted, not sent: a button that opens a modal dialog does not
        // return until that dialog ends.
        return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    }
    return Usage();
}
