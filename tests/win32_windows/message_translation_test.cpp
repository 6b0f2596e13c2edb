// SDL events turned into window messages, without any display.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/win32/sdl_message_translation.h"

namespace {

HWND const kWindow = reinterpret_cast<HWND>(0x1234);

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, Uint16 mod = 0, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat;
    return event;
}

SDL_Event WindowEvent(Uint8 which, int data1 = 0, int data2 = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = which;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

}  // namespace

TEST(MessageTranslation, KeysBecomeVirtualKeyMessages) {
    MSG m[4];
    ASSERT_EQ(Win32TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDLK_a), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(m[0].wParam, WPARAM('A'));
    EXPECT_EQ(m[0].hwnd, kWindow);
    EXPECT_EQ(m[0].lParam & 0xFFFF, 1);     // repeat count
    EXPECT_EQ((m[0].lParam >> 30) & 1, 0);  // first press

    ASSERT_EQ(Win32TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE, 0, 1), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].wParam, WPARAM(VK_ESCAPE));
    EXPECT_EQ((m[0].lParam >> 30) & 1, 1);  // auto-repeat: was down

    ASSERT_EQ(Win32TranslateSdlEvent(KeyEvent(SDL_KEYUP, SDLK_SPACE), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_KEYUP));
    EXPECT_EQ(m[0].wParam, WPARAM(VK_SPACE));
    EXPECT_NE(m[0].lParam & (LPARAM(1) << 31), 0);

    // With Alt held keys are system keys, and Alt+F4 carries the context bit.
    ASSERT_EQ(Win32TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDLK_F4, KMOD_LALT), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_SYSKEYDOWN));
    EXPECT_EQ(m[0].wParam, WPARAM(VK_F4));
    EXPECT_NE(m[0].lParam & (1 << 29), 0);
}

TEST(MessageTranslation, VirtualKeysCoverDigitsFunctionKeysAndArrows) {
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_7), UINT('7'));
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_F12), UINT(VK_F12));
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_LEFT), UINT(VK_LEFT));
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_RSHIFT), UINT(VK_SHIFT));
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_KP_5), UINT(VK_NUMPAD0 + 5));
    EXPECT_EQ(Win32VirtualKeyFromSdl(SDLK_KP_0), UINT(VK_NUMPAD0));
}

TEST(MessageTranslation, MouseMovesCarrySignedPositionsAfterTheCursorQuestion) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = -5;
    event.motion.y = 700;
    event.motion.state = SDL_BUTTON_LMASK;
    MSG m[4];
    ASSERT_EQ(Win32TranslateSdlEvent(event, kWindow, m, 4), 2);
    EXPECT_EQ(m[0].message, UINT(WM_SETCURSOR));
    EXPECT_EQ(m[0].wParam, reinterpret_cast<WPARAM>(kWindow));
    EXPECT_EQ(LOWORD(m[0].lParam), HTCLIENT);
    EXPECT_EQ(HIWORD(m[0].lParam), WM_MOUSEMOVE);
    EXPECT_EQ(m[1].message, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(m[1].lParam), -5);
    EXPECT_EQ(GET_Y_LPARAM(m[1].lParam), 700);
    EXPECT_EQ(LOWORD(m[1].lParam), 0xFFFB);
    EXPECT_EQ(m[1].wParam, WPARAM(MK_LBUTTON));

    // A full buffer takes only what fits.
    EXPECT_EQ(Win32TranslateSdlEvent(event, kWindow, m, 1), 1);
    EXPECT_EQ(m[0].message, UINT(WM_SETCURSOR));
}

TEST(MessageTranslation, ButtonsMapToTheirOwnDownAndUpMessages) {
    struct Case {
        Uint8 button;
        Uint32 type;
        UINT message;
        WPARAM state;
    } cases[] = {
        {SDL_BUTTON_LEFT, SDL_MOUSEBUTTONDOWN, WM_LBUTTONDOWN, MK_LBUTTON},
        {SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONDOWN, WM_RBUTTONDOWN, MK_RBUTTON},
        {SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONDOWN, WM_MBUTTONDOWN, MK_MBUTTON},
        {SDL_BUTTON_LEFT, SDL_MOUSEBUTTONUP, WM_LBUTTONUP, 0},
        {SDL_BUTTON_RIGHT, SDL_MOUSEBUTTONUP, WM_RBUTTONUP, 0},
        {SDL_BUTTON_MIDDLE, SDL_MOUSEBUTTONUP, WM_MBUTTONUP, 0},
    };
    for (const Case& c : cases) {
        SDL_Event event{};
        event.type = c.type;
        event.button.button = c.button;
        event.button.x = 12;
        event.button.y = 34;
        MSG m[4];
        ASSERT_EQ(Win32TranslateSdlEvent(event, kWindow, m, 4), 1);
        EXPECT_EQ(m[0].message, c.message);
        EXPECT_EQ(m[0].wParam, c.state);
        EXPECT_EQ(m[0].lParam, MAKELPARAM(12, 34));
    }
}

TEST(MessageTranslation, WindowEventsBecomeActivationPaintCloseAndSize) {
    MSG m[4];
    ASSERT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_ACTIVATEAPP));
    EXPECT_EQ(m[0].wParam, WPARAM(FALSE));
    ASSERT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].wParam, WPARAM(TRUE));
    ASSERT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_EXPOSED), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_PAINT));
    // The close box asks through the system command, which DefWindowProc turns into WM_CLOSE.
    ASSERT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_CLOSE), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_SYSCOMMAND));
    EXPECT_EQ(m[0].wParam, WPARAM(SC_CLOSE));
    ASSERT_EQ(
        Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), kWindow, m, 4),
        1);
    EXPECT_EQ(m[0].message, UINT(WM_SIZE));
    EXPECT_EQ(LOWORD(m[0].lParam), 800);
    EXPECT_EQ(HIWORD(m[0].lParam), 600);
    EXPECT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_SHOWN), kWindow, m, 4), 0);
    ASSERT_EQ(Win32TranslateSdlEvent(WindowEvent(SDL_WINDOWEVENT_ENTER), kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_SETCURSOR));
    EXPECT_EQ(LOWORD(m[0].lParam), HTCLIENT);

    SDL_Event suspend{};
    suspend.type = SDL_APP_WILLENTERBACKGROUND;
    ASSERT_EQ(Win32TranslateSdlEvent(suspend, kWindow, m, 4), 1);
    EXPECT_EQ(m[0].message, UINT(WM_POWERBROADCAST));
    EXPECT_EQ(m[0].wParam, WPARAM(PBT_APMSUSPEND));
}
