// The bike models under Settings > Select Bike: the submenu built from the
// catalogue, and applying a model chosen there.
#pragma once

#include <windows.h>

#include "core/bike_catalogue.h"

namespace tensikon {

// Fills the "Select Bike" submenu of `menu` (the item IDM_SELECT_BIKE) from
// the catalogue: the greyed family, the families with their models (greyed
// where not selectable), and the greyed "Custom".
void buildBikeMenu(HMENU menu);

// Puts the radio bullet on the row's item (and takes it from the other items
// of its family), makes it the measurement's model (its targets and status
// text show) and sets the guide's variant. A reading on show is judged again
// against the new target; its number stays. Nothing else changes: not the
// selected cylinder, not a recording that runs.
void applyModel(const BikeModel& row);

} // namespace tensikon
