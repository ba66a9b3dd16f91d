// The measurement panel: the working area of the main window. It holds the
// guide's page area on the left and, on the right, the record button and the
// cylinder buttons around the readout panel; a status line runs along the
// bottom. It drives a measurement from the press of the record button to the
// coloured value, and in Continuous mode starts the next capture HoldTime
// milliseconds after each result.
#pragma once

#include <windows.h>

namespace tensikon {

// Creates the modeless panel (template 1001) as a child of `parent`, or null.
HWND createMeasurementPanel(HINSTANCE instance, HWND parent);

// Stops a capture that runs and both timers, so that nothing is recorded or
// started afterwards. The main window calls it before it releases the
// analysis buffer.
void endMeasurement(HWND panel);

} // namespace tensikon
