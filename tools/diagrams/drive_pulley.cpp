// Diagram 8006: the belt drive pulley at Top Dead Centre of the horizontal
// cylinder, with the dot on the pulley lined up with the mark on the
// housing and an arrow at each.
#include "tools/diagrams/diagrams.h"
#include "tools/diagrams/parts.h"
#include "tools/raster/belt.h"

#include <vector>

namespace tensikon::art {
namespace {

constexpr Point Centre{100, 100};
constexpr double Radius = 42;      // the pulley's toothed rim
constexpr double HousingEdge = 53; // the housing's edge round the pulley

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
    c.fillPolygon(rim, Paper);
    c.outlinePolygon(rim, 1.0, Black);
}

void drawHousing(Canvas& c)
{
    // The pulley turns in a recess of the housing: its edge, the lip round
    // it, the cover bolts, and the timing mark across the lip straight
    // above the shaft.
    c.circle(Centre, HousingEdge, 1.3, Black);
    c.circle(Centre, HousingEdge + 7, 0.8, Black);
    for (const double a : {160.0, 205.0, 335.0, 20.0}) {
        const Point bolt = Centre + direction(a) * (HousingEdge + 20);
        c.circle(bolt, 4.5, 1.0, Black);
        c.circle(bolt, 2.0, 0.9, Black);
    }
    c.line(Centre + Point{0, -HousingEdge - 9}, Centre + Point{0, -HousingEdge + 1}, 2.4, Black);
}

void drawPulleyFace(Canvas& c)
{
    drawToothedRim(c, Centre, Radius, 32);
    c.circle(Centre, Radius - 6, 0.8, Black);
    for (int i = 0; i < 4; ++i)
        c.circle(Centre + direction(45.0 + 90.0 * i) * (Radius * 0.55), 6.5, 1.0, Black);
    c.circle(Centre, 15, 1.0, Black);
    drawNut(c, Centre, 14, 0);
    // The timing dot, near the rim straight above the shaft.
    c.fillCircle(Centre + Point{0, -Radius + 9}, 2.8, Black);
}

void drawBelt(Canvas& c)
{
    // The vertical cylinder's belt: round the bottom of the pulley and up
    // out of the picture on both sides.
    const BeltStyle style{3.4, 1.6, 2.0, 5.2, 0.9, 1.5};
    std::vector<BeltPoint> path =
        beltRun({Centre.x + Radius, -2}, {Centre.x + Radius, Centre.y}, 0.25);
    const auto wrap = beltArc(Centre, Radius, 0, 180, 0.25);
    path.insert(path.end(), wrap.begin(), wrap.end());
    const auto up = beltRun({Centre.x - Radius, Centre.y}, {Centre.x - Radius, -2}, 0.25);
    path.insert(path.end(), up.begin(), up.end());
    art::drawBelt(c, path, style);
}

} // namespace

void drawDrivePulley(Canvas& c)
{
    drawHousing(c);
    drawPulleyFace(c);
    drawBelt(c);
    c.arrow({72, 14}, {97.5, 42}, 2.6, 9.0, 9.0, Black);
    c.arrow({128, 22}, {102.5, 64}, 2.6, 9.0, 9.0, Black);
}

} // namespace tensikon::art
