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

// The control with this number on either panel or on a window that the main
// window owns (the readings window), the main window for 0, or nullptr when
// none has it.
HWND findControl(const ProgramWindows& windows, int id);

// The standard save dialog that the program shows, or nullptr.
HWND findSaveDialog(const ProgramWindows& windows);

// Its file name box.
inline constexpr int kSaveDialogNameId = 0x47C;    // cmb13
inline constexpr int kSaveDialogOldNameId = 0x480; // edt1, in older dialogs

// The control of a message box that holds its text.
inline constexpr int kMessageBoxTextId = 0xFFFF;

// A message box that the program shows (a visible top-level dialog of its
// process holding a message box's text), or nullptr.
HWND findMessageBox(const ProgramWindows& windows);

} // namespace automation
