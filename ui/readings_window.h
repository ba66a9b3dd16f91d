// The readings window: a small modeless window over the main window that
// lists every capture of this run, newest at the top, under the agreement
// of the last plucks of the selected model and cylinder. Esc closes it.
#pragma once

#include <windows.h>

namespace tensikon {

// Opens the window, or brings it to the front when it is open already.
void openReadingsWindow(HWND owner);

// Brings an open window up to date with the readings log; nothing when
// it is closed.
void showReadings();

// The open window, or null: the message loop offers it its keyboard
// messages (Tab, Esc).
HWND readingsWindow();

} // namespace tensikon
