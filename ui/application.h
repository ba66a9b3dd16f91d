// The program's entry into its own logic: the main window, the capture
// thread and the message loop.
#pragma once

#include <windows.h>

#include "capture/capture.h"

namespace tensikon {

// What start-up takes from outside the window code. The program uses the
// real ones; tests replace an entry to make that step fail.
struct StartupServices {
    DWORD (*startCaptureThread)();
    GlobalAllocator allocate;
};

StartupServices defaultStartupServices();

// Runs the program: start-up, then the message loop. Returns the quit
// message's code, or 0 when start-up failed (the user has been told why).
int startApplication(HINSTANCE instance, int showCommand);

// Start-up without the loop: registers the class, creates and shows the main
// window (client area kMainClientHeight pixels high) and starts the capture thread.
// Returns the main window, or null after a failure has been shown.
HWND startUp(HINSTANCE instance, int showCommand, const StartupServices& services);

// One message as the loop handles it: offered to the measurement panel's and
// then the readout panel's dialog handling, else translated and dispatched.
void dispatchLoopMessage(MSG& message);

// Until the quit message; returns its code.
int runMessageLoop();

} // namespace tensikon
