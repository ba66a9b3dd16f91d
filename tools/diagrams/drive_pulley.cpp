// Diagram 8006: the belt drive pulley at Top Dead Centre of the horizontal
// cylinder, with the dot on the pulley lined up with the mark on the
// housing and an arrow at each.
#include "tools/diagrams/diagrams.h"
#include "tools/diagrams/parts.h"
#include "tools/raster/belt.h"

#include <vector>

namespace tensikon::art {
namespace {

constexpr Point kCentre{100, 100};
constexpr double kRadius = 42;      // the pulley's toothed rim
constexpr double kHousingEdge = 53; // the housing's edge round the pulley

// The rim as a polygon of teeth and grooves.
void drawToothedRim(Canvas& c, Point centre, double radius, int teeth)
{
    std::vector<Point> rim;
    for (int i = 0; i < teeth; ++i) {
        const double a = 360.0 * i / teeth;
        const double step = 360.0 / teeth;
        rim.push_back(centre + direction(a) * (radius - 2.2));
        rim.push_back(centre + direction(a + step * 0.15) * radius);
        rim.push_back(centre + direction(a + step * 0.55) * radius);
        rim.push_back(centre + direction(a + step * 0.7) * (radius - 2.2));
    }
    c.fillPolygon(rim, kPaper);
    c.outlinePolygon(rim, 1.0, kBlack);
}

void drawHousing(Canvas& c)
{
    // The pulley turns in a recess of the housing: its edge, the lip round
    // it, the cover bolts, and the timing mark across the lip straight
    // above the shaft.
    c.circle(kCentre, kHousingEdge, 1.3, kBlack);
    c.circle(kCentre, kHousingEdge + 7, 0.8, kBlack);
    for (const double a : {160.0, 205.0, 335.0, 20.0}) {
        const Point bolt = kCentre + direction(a) * (kHousingEdge + 20);
        c.circle(bolt, 4.5, 1.0, kBlack);
        c.circle(bolt, 2.0, 0.9, kBlack);
    }
    c.line(kCentre + Point{0, -kHousingEdge - 9}, kCentre + Point{0, -kHousingEdge + 1}, 2.4,
           kBlack);
}

void drawPulleyFace(Canvas& c)
{
    drawToothedRim(c, kCentre, kRadius, 32);
    c.circle(kCentre, kRadius - 6, 0.8, kBlack);
    for (int i = 0; i < 4; ++i)
        c.circle(kCentre + direction(45.0 + 90.0 * i) * (kRadius * 0.55), 6.5, 1.0, kBlack);
    c.circle(kCentre, 15, 1.0, kBlack);
    drawNut(c, kCentre, 14, 0);
    // The timing dot, near the rim straight above the shaft.
    c.fillCircle(kCentre + Point{0, -kRadius + 9}, 2.8, kBlack);
}

void drawBelt(Canvas& c)
{
    // The vertical cylinder's belt: round the bottom of the pulley and up
    // out of the picture on both sides.
    const BeltStyle style{3.4, 1.6, 2.0, 5.2, 0.9, 1.5};
    std::vector<BeltPoint> path =
        beltRun({kCentre.x + kRadius, -2}, {kCentre.x + kRadius, kCentre.y}, 0.25);
    const auto wrap = beltArc(kCentre, kRadius, 0, 180, 0.25);
    path.insert(path.end(), wrap.begin(), wrap.end());
    const auto up = beltRun({kCentre.x - kRadius, kCentre.y}, {kCentre.x - kRadius, -2}, 0.25);
    path.insert(path.end(), up.begin(), up.end());
    art::drawBelt(c, path, style);
}

} // namespace

void drawDrivePulley(Canvas& c)
{
    drawHousing(c);
    drawPulleyFace(c);
    drawBelt(c);
    c.arrow({72, 14}, {97.5, 42}, 2.6, 9.0, 9.0, kBlack);
    c.arrow({128, 22}, {102.5, 64}, 2.6, 9.0, 9.0, kBlack);
}

} // namespace tensikon::art
