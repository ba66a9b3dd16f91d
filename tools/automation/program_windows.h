// Finds the running program's windows from another process: the main window
// by its class and caption, the two panels among its children by the
// controls they hold, a control by its number, and a message box it shows.
#pragma once

#include <windows.h>

namespace automation {

struct ProgramWindows {
    HWND main = nullptr;
    HWND measurementPanel = nullptr; // the dialog holding the record button
    HWND readoutPanel = nullptr;     // the dialog holding the four readouts
};

// Waits up to timeoutMs for the main window, shown, with both panels; false
// when it did not appear in time.
bool findProgram(DWORD timeoutMs, ProgramWindows& found);

// The control with this number on either panel, the main window for 0, or
// nullptr when neither panel has it.
HWND findControl(const ProgramWindows& windows, int id);

// The control of a message box that holds its text.
inline constexpr int kMessageBoxTextId = 0xFFFF;

// A message box that the program shows (a visible top-level dialog of its
// process holding a message box's text), or nullptr.
HWND findMessageBox(const ProgramWindows& windows);

} // namespace automation
