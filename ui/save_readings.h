// File > "Save Readings...": the readings log as CSV, into a file the user
// names in the standard save dialog. Nothing is written otherwise.
#pragma once

#include <windows.h>

namespace tensikon {

// Asks for a file and writes the log into it. A file that cannot be written
// is reported in one message box; the log is kept either way.
void saveReadings(HWND owner);

// Writes the log into the file at `path`, replacing it; what cannot be
// written is reported in one message box.
void saveReadingsTo(HWND owner, const wchar_t* path);

} // namespace tensikon
