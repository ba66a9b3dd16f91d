// Machine parts that several diagrams draw: pulleys, rollers, nuts.
#pragma once

#include "tools/raster/canvas.h"

namespace tensikon::art {

// A toothed pulley seen face on: white disc, rim, hub and boss; `spokes`
// lightening holes (0 for none).
void drawPulley(Canvas& c, Point centre, double radius, int spokes);

// An idler or tensioner roller: white disc, rim and bearing.
void drawRoller(Canvas& c, Point centre, double radius);

// A hexagon nut across flats `size`, turned `degrees`, on a washer.
void drawNut(Canvas& c, Point centre, double size, double degrees);

} // namespace tensikon::art
