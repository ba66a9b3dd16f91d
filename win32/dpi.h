// The DPI a window is shown at, and lengths designed at 96 DPI scaled to it.
// The program declares itself per-monitor DPI aware (its manifest): the
// system then leaves every size to the program, which takes them from the
// window's DPI.
#pragma once

#include <windows.h>

namespace tensikon {

// The DPI every size of the program is designed at: 100 % scaling.
inline constexpr int kDesignDpi = 96;

// The window's DPI: that of its monitor where the system has a DPI per
// window (Windows 10 1607 and later), else the system's.
int windowDpi(HWND window);

// A length designed at 96 DPI, shown at `dpi`.
inline int scaleToDpi(int length, int dpi)
{
    return MulDiv(length, dpi, kDesignDpi);
}

// Keeps the system from rescaling a dialog and its controls by itself when
// the DPI changes (as it does for per-monitor v2 dialogs): the program
// places them itself, so that everything scales alike.
void keepDialogScalingToProgram(HWND dialog);

} // namespace tensikon
