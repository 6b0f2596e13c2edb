#include "platform/win32/sdl_message_translation.h"

#include <SDL.h>

namespace {

WPARAM ButtonState(Uint32 sdlMask) {
    WPARAM state = 0;
    if (sdlMask & SDL_BUTTON_LMASK) state |= MK_LBUTTON;
    if (sdlMask & SDL_BUTTON_RMASK) state |= MK_RBUTTON;
    if (sdlMask & SDL_BUTTON_MMASK) state |= MK_MBUTTON;
    return state;
}

LPARAM Position(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

struct Writer {
    MSG* messages;
    int capacity;
    HWND window;
    DWORD time;
    int count = 0;
    void Add(UINT message, WPARAM wParam, LPARAM lParam) {
        if (count >= capacity) return;
        MSG& m = messages[count++];
        m = MSG{};
        m.hwnd = window;
        m.message = message;
        m.wParam = wParam;
        m.lParam = lParam;
        m.time = time;
    }
};

void TranslateKey(const SDL_KeyboardEvent& key, Writer& out) {
    UINT vk = Win32VirtualKeyFromSdl(key.keysym.sym);
    bool down = key.type == SDL_KEYDOWN;
    // Alt held (or Alt itself, or F10) makes it a system key, as on Windows.
    bool system = (key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU || vk == VK_F10;
    DWORD lParam = 1;  // repeat count
    lParam |= (static_cast<DWORD>(key.keysym.scancode) & 0xFF) << 16;
    if (system && vk != VK_F10 && (key.keysym.mod & KMOD_ALT)) lParam |= 1u << 29;
    if (!down || key.repeat) lParam |= 1u << 30;  // the key was down before
    if (!down) lParam |= 1u << 31;                // transition to up
    UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    out.Add(message, vk, static_cast<LPARAM>(lParam));
}

void TranslateButton(const SDL_MouseButtonEvent& button, Writer& out) {
    // The key-state word names the button that went down; a release clears it.
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    LPARAM where = Position(button.x, button.y);
    switch (button.button) {
        case SDL_BUTTON_LEFT:
            out.Add(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? MK_LBUTTON : 0, where);
            break;
        case SDL_BUTTON_RIGHT:
            out.Add(down ? WM_RBUTTONDOWN : WM_RBUTTONUP, down ? MK_RBUTTON : 0, where);
            break;
        case SDL_BUTTON_MIDDLE:
            out.Add(down ? WM_MBUTTONDOWN : WM_MBUTTONUP, down ? MK_MBUTTON : 0, where);
            break;
        case SDL_BUTTON_X1:
        case SDL_BUTTON_X2:
            out.Add(down ? WM_XBUTTONDOWN : WM_XBUTTONUP,
                    MAKEWPARAM(0, button.button == SDL_BUTTON_X1 ? XBUTTON1 : XBUTTON2), where);
            break;
        default:
            break;
    }
}

void TranslateWindowEvent(const SDL_WindowEvent& event, Writer& out) {
    switch (event.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            out.Add(WM_PAINT, 0, 0);
            break;
        case SDL_WINDOWEVENT_ENTER:
            // A window that appears under the cursor chooses the cursor at
            // once, before any move (a full-screen saver hides it this way).
            out.Add(WM_SETCURSOR, reinterpret_cast<WPARAM>(out.window),
                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out.Add(WM_ACTIVATEAPP, TRUE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out.Add(WM_ACTIVATEAPP, FALSE, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            // The close box goes through the system menu's command, as on
            // Windows: DefWindowProc turns SC_CLOSE into WM_CLOSE.
            out.Add(WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out.Add(WM_SIZE, SIZE_RESTORED,
                    MAKELPARAM(static_cast<WORD>(event.data1), static_cast<WORD>(event.data2)));
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            out.Add(WM_SIZE, SIZE_MINIMIZED, 0);
            break;
        case SDL_WINDOWEVENT_MOVED:
            out.Add(WM_MOVE, 0, Position(event.data1, event.data2));
            break;
        default:
            break;
    }
}

}  // namespace

UINT Win32VirtualKeyFromSdl(int sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return '0' + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return VK_F1 + (sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (sdlKey - SDLK_KP_1);
    switch (sdlKey) {
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_CAPSLOCK:
            return VK_CAPITAL;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_PRINTSCREEN:
            return VK_SNAPSHOT;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_LGUI:
            return VK_LWIN;
        case SDLK_RGUI:
            return VK_RWIN;
        case SDLK_APPLICATION:
            return VK_APPS;
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_NUMLOCKCLEAR:
            return VK_NUMLOCK;
        case SDLK_SCROLLLOCK:
            return VK_SCROLL;
        case SDLK_SEMICOLON:
            return VK_OEM_1;
        case SDLK_EQUALS:
            return VK_OEM_PLUS;
        case SDLK_COMMA:
            return VK_OEM_COMMA;
        case SDLK_MINUS:
            return VK_OEM_MINUS;
        case SDLK_PERIOD:
            return VK_OEM_PERIOD;
        case SDLK_SLASH:
            return VK_OEM_2;
        case SDLK_BACKQUOTE:
            return VK_OEM_3;
        case SDLK_LEFTBRACKET:
            return VK_OEM_4;
        case SDLK_BACKSLASH:
            return VK_OEM_5;
        case SDLK_RIGHTBRACKET:
            return VK_OEM_6;
        case SDLK_QUOTE:
            return VK_OEM_7;
        default:
            return 0;
    }
}

int Win32TranslateSdlEvent(const SDL_Event& event, HWND window, MSG* messages, int capacity) {
    Writer out{messages, capacity, window, event.common.timestamp};
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            TranslateKey(event.key, out);
            break;
        case SDL_MOUSEMOTION:
            // The cursor is chosen before the move is reported, as Windows does.
            out.Add(WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                    MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
            out.Add(WM_MOUSEMOVE, ButtonState(event.motion.state),
                    Position(event.motion.x, event.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            TranslateButton(event.button, out);
            break;
        case SDL_MOUSEWHEEL: {
            int delta = event.wheel.y * WHEEL_DELTA;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
            out.Add(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), 0);
            break;
        }
        case SDL_WINDOWEVENT:
            TranslateWindowEvent(event.window, out);
            break;
        case SDL_APP_WILLENTERBACKGROUND:
            // The only suspend notice SDL passes on.
            out.Add(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
            break;
        case SDL_APP_DIDENTERFOREGROUND:
            out.Add(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
            break;
        default:
            break;
    }
    return out.count;
}
