// Diagrams 8002 and 8003: schematics of the two cam belts, from the drive
// pulley at the corner of the L to the cam pulleys of the vertical cylinder
// (up) and the horizontal cylinder (right), with the flick positions.
#include "tools/diagrams/diagrams.h"
#include "tools/diagrams/parts.h"
#include "tools/raster/belt.h"

#include <vector>

namespace tensikon::art {
namespace {

const BeltStyle kSchematic{2.4, 1.1, 1.5, 3.6, 0, 0};

void drawLoop(Canvas& c, const std::vector<Wheel>& wheels, double halo)
{
    BeltStyle style = kSchematic;
    style.halo = halo;
    drawBelt(c, beltLoop(wheels, style.thickness, 0.25), style);
}

void drawWheels(Canvas& c, const std::vector<Wheel>& wheels, double pulleyFrom)
{
    for (const Wheel& w : wheels) {
        if (w.radius >= pulleyFrom)
            drawPulley(c, w.centre, w.radius, 0);
        else
            drawRoller(c, w.centre, w.radius);
    }
}

// An arrow onto the back of the belt, a fraction t along the stretch from
// wheel a to wheel b, coming in at `slant` degrees off square.
void flickArrow(Canvas& c, const Wheel& a, const Wheel& b, double t, double slant)
{
    const Stretch s = beltStretch(a, b, kSchematic.thickness);
    const Point tip = s.backAt(t, kSchematic.thickness) - s.inward * 0.8;
    const Point out = s.inward * -1.0;
    const Point tail =
        tip + (out * cosDegrees(slant) + clockwiseNormal(out) * sinDegrees(slant)) * 19.0;
    c.arrow(tail, tip, 2.6, 9.0, 9.0, kBlack);
}

} // namespace

void drawBeltsSingleCam(Canvas& c)
{
    const Wheel drive{{36, 110}, 12};
    const std::vector<Wheel> vertical{
        {{36, 26}, 16}, {{58, 74}, 6, false}, drive, {{18, 64}, 6, false}};
    const std::vector<Wheel> horizontal{
        drive, {{76, 92}, 6, false}, {{121, 110}, 16}, {{80, 131}, 6, false}};
    drawLoop(c, vertical, 0);
    drawLoop(c, horizontal, 1.2);
    drawWheels(c, vertical, 10);
    drawWheels(c, horizontal, 10);
    flickArrow(c, vertical[0], vertical[1], 0.45, 20);
    flickArrow(c, horizontal[1], horizontal[2], 0.5, -20);
}

void drawBeltsTwinCam(Canvas& c)
{
    const Wheel drive{{38, 108}, 12};
    const std::vector<Wheel> vertical{
        {{20, 22}, 12}, {{54, 22}, 12}, {{60, 70}, 6, false}, drive, {{18, 70}, 6, false}};
    const std::vector<Wheel> horizontal{
        drive, {{80, 90}, 6, false}, {{128, 86}, 12}, {{128, 120}, 12}, {{82, 130}, 6, false}};
    drawLoop(c, vertical, 0);
    drawLoop(c, horizontal, 1.2);
    drawWheels(c, vertical, 10);
    drawWheels(c, horizontal, 10);
    flickArrow(c, vertical[1], vertical[2], 0.45, 20);
    flickArrow(c, horizontal[1], horizontal[2], 0.5, -20);
}

} // namespace tensikon::art
