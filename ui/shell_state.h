// The handles and settings by which the windows of the program find each
// other. Written by the main window at creation and destruction (and the
// Hold Time commands), read by the panels; user-interface thread only.
#pragma once

#include <windows.h>

namespace tensikon {

inline constexpr int kDefaultHoldTimeMs = 1000;

struct ShellState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    HWND measurementPanel = nullptr;
    HWND readoutPanel = nullptr;
    // How long Continuous mode waits after a result before the next capture.
    int holdTimeMs = kDefaultHoldTimeMs;
};

inline ShellState shell;

} // namespace tensikon
