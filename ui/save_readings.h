// File > "Save Readings...": the readings log as CSV, into a file the user
// names in the standard save dialog. Nothing is written otherwise.
#pragma once

#include <windows.h>

#include <string>

namespace tensikon {

// Asks for a file and writes the log into it. A file that cannot be written
// is reported in one message box; the log is kept either way.
void saveReadings(HWND owner);

// Writes `bytes` into the file at `path`, replacing it; false when the file
// could not be written in full.
bool writeWholeFile(const wchar_t* path, const std::string& bytes);

} // namespace tensikon
