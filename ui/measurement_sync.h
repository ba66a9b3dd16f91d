// The one function that makes the windows show the measurement's state.
#pragma once

namespace tensikon {

// Sets, from measurementState(), the record button's caption, the cylinder
// buttons, the status line, the Record Mode and Hold Time marks of the menu,
// the four readouts' texts and colours, and which of the panel's timers run.
// Handlers change the state and then call this; nothing else sets any of it.
//
// A hold timer that cannot be started is the one thing the state learns
// from here: it is reported, and the measurement becomes idle with the
// caption still "Stop" (the next press starts a capture).
void syncMeasurementUi();

// Forgets which timers this started: a new panel has none running.
void forgetMeasurementTimers();

} // namespace tensikon
