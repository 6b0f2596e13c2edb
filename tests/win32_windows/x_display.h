// One private X server for the whole test process (SDL video binds to the
// first display it opens), and small Xlib helpers for looking at the screen.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/support/x_screen.h"
#include "tests/support/xvfb_server.h"

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// Starts Xvfb (kScreenWidth by kScreenHeight) once per process; every test that
// needs X calls it first and skips when no server could be started.
bool StartPrivateDisplay();


// Runs the message loop for up to `milliseconds` or until `done` returns true.
template <typename Done>
bool PumpUntil(Done done, int milliseconds) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(milliseconds)) return false;
        MSG message;
        while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
        Sleep(5);
    }
    return true;
}
