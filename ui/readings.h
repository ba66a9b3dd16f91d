// This run's readings: every capture's result goes into the readings log,
// with the moment, the model and cylinder it was taken with and its target.
// The log lives as long as the program and is written out only on request.
#pragma once

#include <windows.h>

#include "core/readings_log.h"
#include "core/shown_reading.h"

namespace tensikon {

const ReadingsLog& readingsLog();

// A new run's empty log, with no model chosen; the main window's creation.
void resetReadings();

// Notes a capture's result, judged against `targetHz` of the selected
// cylinder: into the log, the readings window if it is open, and the tone.
void recordReading(const ShownReading& shown, unsigned targetHz);

// The model or cylinder has been chosen (perhaps the same again): the
// agreement of the last plucks starts again when either changed.
void noteSelection();

} // namespace tensikon
