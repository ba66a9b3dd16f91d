#include "tools/raster/geometry.h"

#include <cmath>
#include <numbers>

namespace tensikon::art {
namespace {

// Taylor series on [-pi/4, pi/4]; 12 terms are far below double rounding.
double sinSeries(double x)
{
    double term = x;
    double sum = x;
    for (int n = 1; n < 12; ++n) {
        term = -term * x * x / ((2.0 * n) * (2.0 * n + 1.0));
        sum += term;
    }
    return sum;
}

double cosSeries(double x)
{
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 12; ++n) {
        term = -term * x * x / ((2.0 * n - 1.0) * (2.0 * n));
        sum += term;
    }
    return sum;
}

// Reduces degrees to an octant index and a remainder in [-45, 45].
void reduce(double degrees, int& quarter, double& radians)
{
    double d = degrees - 360.0 * std::floor(degrees / 360.0);
    quarter = static_cast<int>(std::floor((d + 45.0) / 90.0)) % 4;
    d -= 90.0 * quarter;
    if (d > 180.0)
        d -= 360.0;
    radians = d * (std::numbers::pi / 180.0);
}

// atan on [0, 1] after two argument halvings (|x| <= tan(pi/16)).
double atanSmall(double x)
{
    for (int i = 0; i < 2; ++i)
        x = x / (1.0 + std::sqrt(1.0 + x * x));
    double term = x;
    double sum = x;
    for (int n = 1; n < 20; ++n) {
        term = -term * x * x;
        sum += term / (2.0 * n + 1.0);
    }
    return 4.0 * sum;
}

} // namespace

double length(Point a)
{
    return std::sqrt(dot(a, a));
}

Point unit(Point a)
{
    const double l = length(a);
    return l > 0 ? a * (1.0 / l) : Point{1, 0};
}

double distance(Point a, Point b)
{
    return length(a - b);
}

double sinDegrees(double degrees)
{
    int quarter = 0;
    double r = 0;
    reduce(degrees, quarter, r);
    switch (quarter) {
    case 0:
        return sinSeries(r);
    case 1:
        return cosSeries(r);
    case 2:
        return -sinSeries(r);
    default:
        return -cosSeries(r);
    }
}

double cosDegrees(double degrees)
{
    return sinDegrees(degrees + 90.0);
}

Point direction(double degrees)
{
    return {cosDegrees(degrees), sinDegrees(degrees)};
}

double headingDegrees(Point a)
{
    const double ax = std::fabs(a.x);
    const double ay = std::fabs(a.y);
    if (ax == 0 && ay == 0)
        return 0;
    // Angle of the first quadrant, from the smaller over the larger side.
    double t = ax >= ay ? atanSmall(ay / ax) : std::numbers::pi / 2 - atanSmall(ax / ay);
    t *= 180.0 / std::numbers::pi;
    if (a.x < 0)
        t = 180.0 - t;
    if (a.y < 0)
        t = 360.0 - t;
    return t >= 360.0 ? t - 360.0 : t;
}

double distanceToSegment(Point p, Point a, Point b)
{
    const Point ab = b - a;
    const double len2 = dot(ab, ab);
    double t = len2 > 0 ? dot(p - a, ab) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return distance(p, a + ab * t);
}

} // namespace tensikon::art
