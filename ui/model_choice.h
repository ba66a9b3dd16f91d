// Applying a bike model chosen under Settings > Select Bike.
#pragma once

#include "core/bike_catalogue.h"

namespace tensikon {

// Puts the radio bullet on the row's item (and takes it from the other items
// of its family), shows its two targets and its status text, and sets the
// guide's variant. Nothing else changes: not the selected cylinder, not the
// measured readouts, not a recording that runs.
void applyModel(const BikeModel& row);

// The row applied last in this run, or null before any.
const BikeModel* chosenModel();

// Back to no model chosen: a new main window.
void forgetChosenModel();

} // namespace tensikon
