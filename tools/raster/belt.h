// Toothed belts: the closed path of a belt around its pulleys and rollers,
// and the belt drawn along it with its teeth.
#pragma once

#include "tools/raster/canvas.h"

#include <span>
#include <vector>

namespace tensikon::art {

// A pulley or roller the belt runs on. Wheels inside the loop carry the
// belt's toothed face on their rim; a wheel outside the loop presses on the
// belt's smooth back.
struct Wheel {
    Point centre;
    double radius = 0;
    bool insideLoop = true;
};

// A point of the belt's toothed face and the unit normal there that points
// into the loop (the side the teeth stand on).
struct BeltPoint {
    Point at;
    Point inward;
};

struct BeltStyle {
    double thickness = 2.5;  // back to toothed face
    double toothDepth = 1.2; // how far the teeth stand off the face
    double toothWidth = 1.6; // along the belt
    double pitch = 4.0;      // tooth to tooth, along the belt
    double edge = 0;         // 0: a solid belt; else a white belt outlined this thick
    double halo = 0;         // paper cleared around the belt, hiding what lies behind it
    Ink ink = kBlack;
};

// The closed path of the toothed face around `wheels`, given clockwise (on
// screen) around the loop, sampled about every `step` pixels; the last
// point repeats the first.
std::vector<BeltPoint> beltLoop(std::span<const Wheel> wheels, double thickness, double step);

// The straight stretch of a loop's toothed face from wheel a to the next
// wheel b (clockwise), and its inward normal.
struct Stretch {
    Point from;
    Point to;
    Point inward;
    // The point of the belt's back a fraction t along the stretch.
    Point backAt(double t, double thickness) const;
};
Stretch beltStretch(const Wheel& a, const Wheel& b, double thickness);

// An open stretch of belt: the toothed face runs from `from` to `to`, the
// teeth on the clockwise side of that heading.
std::vector<BeltPoint> beltRun(Point from, Point to, double step);

// Part of the toothed face around one wheel, clockwise on screen.
std::vector<BeltPoint> beltArc(Point centre, double radius, double fromDegrees, double sweepDegrees,
                               double step);

void drawBelt(Canvas& canvas, std::span<const BeltPoint> path, const BeltStyle& style);

} // namespace tensikon::art
