// The main window: the menu and the two panels inside it. It routes every
// menu command, and has the capture allocate the analysis buffer when it is
// created and release it when it is destroyed.
#pragma once

#include <windows.h>

#include "capture/capture.h"

namespace tensikon {

inline constexpr const char* kMainWindowClass = "myWindowClass";
inline constexpr const char* kMainWindowCaption = "Tensikon for Veltrani Motorbikes";
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

// True when the last creation of the main window failed and has already told
// the user why, so that start-up does not report it a second time.
bool mainWindowCreationReported();

} // namespace tensikon
