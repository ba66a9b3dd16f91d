// Applying a bike model chosen under Settings > Select Bike.
#pragma once

#include "core/bike_catalogue.h"

namespace tensikon {

// Puts the radio bullet on the row's item (and takes it from the other items
// of its family), makes it the measurement's model (its targets and status
// text show) and sets the guide's variant. A reading on show is judged again
// against the new target; its number stays. Nothing else changes: not the
// selected cylinder, not a recording that runs.
void applyModel(const BikeModel& row);

} // namespace tensikon
