// The About box: name, version and notice, closed by OK or the close box.
#pragma once

#include <windows.h>

namespace tensikon {

// Runs the box modally over `owner`; tells the user when it cannot be shown.
void runAboutBox(HINSTANCE instance, HWND owner);

} // namespace tensikon
