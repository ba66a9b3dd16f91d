// The handles by which the windows of the program find each other. Written
// by the main window at creation and destruction, read by the panels;
// user-interface thread only. The panels are owned here, and only here.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace tensikon {

struct ShellState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    UniqueWindow measurementPanel;
    UniqueWindow readoutPanel;
};

inline ShellState shell;

} // namespace tensikon
