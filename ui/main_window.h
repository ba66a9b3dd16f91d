// The main window: the menu, the two panels inside it and the analysis
// buffer. It routes every menu command.
#pragma once

#include <windows.h>

#include <cstdint>

namespace tensikon {

inline constexpr const char* kMainWindowClass = "myWindowClass";
inline constexpr const char* kMainWindowCaption = "Tensikon for Veltrani Motorbikes";
inline constexpr int kMainWindowWidth = 505;
inline constexpr int kMainWindowHeight = 308;
inline constexpr int kMainClientHeight = 264;

// Where the main window's creation gets its analysis buffer: GlobalAlloc in
// the program; tests put a failing allocator here. Passed as the window's
// creation parameter.
struct MainWindowServices {
    HGLOBAL (*allocate)(UINT flags, SIZE_T bytes);
};

// The analysis buffer: the kAnalysisBufferBytes the capture fills and the
// estimator reads, or null whenever none is allocated. The main window owns
// it from its creation to its destruction and lends it to the capture
// (attachCapture) for that time; everyone else asks here.
std::uint8_t* analysisBuffer();

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// True when the last creation of the main window failed and has already told
// the user why, so that start-up does not report it a second time.
bool mainWindowCreationReported();

} // namespace tensikon
