// Diagrams 8004 and 8005: the belt tensioners. 8004 shows the belt drive
// between the cylinders with both tensioners, each held by a fixing nut
// (callout 1) and set by an adjuster nut in a slot (callout 2). 8005 shows
// one cylinder's belt drive with a pin spanner set on the tensioner and its
// fixing nut (callout 1).
#include "tools/diagrams/diagrams.h"
#include "tools/diagrams/parts.h"
#include "tools/raster/belt.h"

#include <array>
#include <vector>

namespace tensikon::art {
namespace {

const BeltStyle kLineBelt{3.4, 1.5, 2.0, 5.0, 0.9, 1.5};
constexpr Ink kToolShade = 70;

void drawLoop(Canvas& c, const std::vector<Wheel>& wheels, double halo)
{
    BeltStyle style = kLineBelt;
    style.halo = halo;
    drawBelt(c, beltLoop(wheels, style.thickness, 0.25), style);
}

// A tensioner plate from the roller's axle to its adjuster, with the slot
// the adjuster's stud runs in.
void drawPlate(Canvas& c, Point axle, Point adjuster)
{
    const Point along = unit(adjuster - axle);
    c.line(axle, adjuster + along * 5, 19, kBlack);
    c.line(axle, adjuster + along * 5, 17, kPaper);
    c.line(adjuster - along * 7, adjuster + along * 5, 10, kBlack);
    c.line(adjuster - along * 7, adjuster + along * 5, 8.2, kPaper);
}

// The point where a callout's leader meets a nut: its edge on the callout's side.
Point nutEdge(Point nut, Point callout, double size)
{
    return nut + unit(callout - nut) * (size * 0.45);
}

// An arrowhead on a circle round `centre` at `degrees`, pointing clockwise
// or anticlockwise along it.
void arcHead(Canvas& c, Point centre, double radius, double degrees, bool clockwise)
{
    const Point radial = direction(degrees);
    const Point along = clockwiseNormal(radial) * (clockwise ? 1.0 : -1.0);
    const Point tip = centre + radial * radius + along * 4.0;
    const std::array<Point, 3> head{tip, tip - along * 8.0 + radial * 4.5,
                                    tip - along * 8.0 - radial * 4.5};
    c.fillPolygon(head, kBlack);
}

// The pin spanner: a C-shaped head round the fixing nut whose two pins sit
// in the tensioner's holes, and a handle out of the picture.
void drawSpanner(Canvas& c, Point pivot, double handleDegrees)
{
    const Point handle = pivot + direction(handleDegrees) * 140;
    const Point neck = pivot + direction(handleDegrees) * 13.5;
    c.line(neck, handle, 11, kBlack);
    c.line(neck, handle, 9, kToolShade);
    c.arc(pivot, 13.5, 5.0, handleDegrees - 125, 250, kBlack);
    c.arc(pivot, 13.5, 3.2, handleDegrees - 124, 248, kToolShade);
    for (const double side : {-125.0, 125.0})
        c.fillCircle(pivot + direction(handleDegrees + side) * 13.5, 2.5, kBlack);
}

} // namespace

void drawTensionerNuts(Canvas& c)
{
    const Wheel drive{{60, 146}, 26};
    const Point rollerV{96, 66};
    const Point rollerH{146, 110};
    const Point adjusterV{136, 44};
    const Point adjusterH{176, 74};
    const std::vector<Wheel> vertical{{{60, -160}, 26}, {rollerV, 11, false}, drive};
    const std::vector<Wheel> horizontal{drive, {rollerH, 11, false}, {{360, 146}, 26}};
    drawLoop(c, vertical, 0);
    drawPulley(c, drive.centre, drive.radius, 4);
    drawLoop(c, horizontal, 1.5);
    drawPlate(c, rollerV, adjusterV);
    drawPlate(c, rollerH, adjusterH);
    for (const Point r : {rollerV, rollerH}) {
        drawRoller(c, r, 11);
        drawNut(c, r, 10, 0);
    }
    drawNut(c, adjusterV, 9, 30);
    drawNut(c, adjusterH, 9, 30);
    const Point one{118, 96};
    const Point two{196, 26};
    const std::array<Point, 2> fixing{nutEdge(rollerV, one, 10), nutEdge(rollerH, one, 10)};
    const std::array<Point, 2> adjusting{nutEdge(adjusterV, two, 9), nutEdge(adjusterH, two, 9)};
    c.callout(one, 7.5, "1", fixing);
    c.callout(two, 7.5, "2", adjusting);
}

void drawTensionerTool(Canvas& c)
{
    const Wheel cam{{84, 52}, 34};
    const Wheel drive{{68, 170}, 24};
    // The roller presses 4 pixels into the right-hand run of the belt.
    const Wheel free[2] = {cam, drive};
    const Stretch run = beltStretch(free[0], free[1], kLineBelt.thickness);
    const double rollerRadius = 23;
    const Point roller = run.backAt(0.5, kLineBelt.thickness) - run.inward * (rollerRadius - 4);
    const Point pivot = roller + Point{-3, 3}; // the eccentric's axis
    const std::vector<Wheel> loop{cam, {roller, rollerRadius, false}, drive};
    drawPulley(c, cam.centre, cam.radius, 5);
    drawPulley(c, drive.centre, drive.radius, 4);
    drawLoop(c, loop, 0);
    drawRoller(c, roller, rollerRadius);
    c.circle(pivot, 17, 0.8, kBlack); // the eccentric
    drawNut(c, pivot, 11, 0);
    const double handleDegrees = 330;
    drawSpanner(c, pivot, handleDegrees);
    // Which way the spanner turns the tensioner: either way, by hand.
    c.arc(pivot, 46, 1.6, handleDegrees - 22, 44, kBlack);
    arcHead(c, pivot, 46, handleDegrees + 22, true);
    arcHead(c, pivot, 46, handleDegrees - 22, false);
    const Point one{58, 122};
    const std::array<Point, 1> fixing{nutEdge(pivot, one, 11)};
    c.callout(one, 7.5, "1", fixing);
}

} // namespace tensikon::art
