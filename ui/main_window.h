// The main window: the menu and the two panels inside it. It routes every
// menu command, and has the capture allocate the analysis buffer when it is
// created and release it when it is destroyed.
#pragma once

#include <windows.h>

#include "capture/capture.h"

namespace tensikon {

// The window class's name as the program has always registered it: tools
// that drive the program from outside find its window by this name.
inline constexpr const char* kMainWindowClass = "myWindowClass";
inline constexpr const char* kMainWindowCaption = "Tensikon for Veltrani Motorbikes";
// The window's outer size in pixels at 96 DPI, fixed (it cannot be resized):
// with the usual caption and menu bar it leaves a client area of 264
// pixels, exactly the height of the measurement panel (164 dialog units of
// its 8-point font). Start-up grows the window when a taller caption or menu
// bar leaves less. At any other DPI all three are scaled to it.
inline constexpr int kMainWindowWidth = 505;
// Room for the panel's 180 dialog units: its status row holds up to three
// lines of why a capture gave no reading.
inline constexpr int kMainWindowHeight = 334;
inline constexpr int kMainClientHeight = 290;

// Where the main window's creation gets the analysis buffer's memory. Passed
// as the window's creation parameter.
struct MainWindowServices {
    GlobalAllocator allocate;
};

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Gives the window its size for `dpi` (its DPI), at its place or at
// `suggested` (a rectangle whose top-left corner is taken): 505 x 308
// pixels at 96 DPI; a taller caption or menu bar than usual makes it
// taller, so that the client area is never less than 264 pixels high (all
// scaled to the DPI).
void placeMainWindow(HWND window, int dpi, const RECT* suggested = nullptr);

// True when the last creation of the main window failed and has already told
// the user why, so that start-up does not report it a second time.
bool mainWindowCreationReported();

} // namespace tensikon
