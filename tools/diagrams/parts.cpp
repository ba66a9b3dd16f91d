#include "tools/diagrams/parts.h"

#include <array>

namespace tensikon::art {

void drawPulley(Canvas& c, Point centre, double radius, int spokes)
{
    c.fillCircle(centre, radius, kPaper);
    c.circle(centre, radius - 0.5, 1.1, kBlack);
    c.circle(centre, radius - 3.0, 0.7, kBlack);
    const double hub = radius * 0.34;
    for (int i = 0; i < spokes; ++i) {
        const Point hole = centre + direction(45.0 + 360.0 * i / spokes) * (radius * 0.62);
        c.circle(hole, radius * 0.16, 0.8, kBlack);
    }
    c.circle(centre, hub, 1.0, kBlack);
    c.fillCircle(centre, hub * 0.45, kBlack);
}

void drawRoller(Canvas& c, Point centre, double radius)
{
    c.fillCircle(centre, radius, kPaper);
    c.circle(centre, radius - 0.5, 1.1, kBlack);
    c.circle(centre, radius * 0.45, 0.8, kBlack);
    c.fillCircle(centre, radius * 0.2, kBlack);
}

void drawNut(Canvas& c, Point centre, double size, double degrees)
{
    const double corner = size / 1.7320508075688772; // across corners / 2
    std::array<Point, 6> hex;
    for (int i = 0; i < 6; ++i)
        hex[static_cast<std::size_t>(i)] = centre + direction(degrees + 60.0 * i) * corner;
    c.fillCircle(centre, corner * 1.25, kPaper);
    c.circle(centre, corner * 1.25, 0.8, kBlack);
    c.fillPolygon(hex, kPaper);
    c.outlinePolygon(hex, 1.0, kBlack);
    c.circle(centre, size * 0.28, 0.8, kBlack);
}

} // namespace tensikon::art
