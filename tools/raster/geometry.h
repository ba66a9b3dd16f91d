// Plane geometry for the picture generators, in pixel units with y pointing
// down, so that growing angles turn clockwise on screen (0 degrees points
// right, 90 degrees down).
//
// The committed pictures must come out bit for bit the same whenever the
// generators run again, on any machine. So nothing here calls the C
// library's trigonometry, whose last bit may differ between library
// versions: only +, -, *, / and sqrt, which IEEE 754 rounds exactly.
#pragma once

#include <numbers>

namespace tensikon::art {

struct Point {
    double x = 0;
    double y = 0;
};

constexpr Point operator+(Point a, Point b)
{
    return {a.x + b.x, a.y + b.y};
}
constexpr Point operator-(Point a, Point b)
{
    return {a.x - b.x, a.y - b.y};
}
constexpr Point operator*(Point a, double k)
{
    return {a.x * k, a.y * k};
}
constexpr Point operator*(double k, Point a)
{
    return a * k;
}
constexpr double dot(Point a, Point b)
{
    return a.x * b.x + a.y * b.y;
}
// Positive when b lies clockwise of a on screen.
constexpr double cross(Point a, Point b)
{
    return a.x * b.y - a.y * b.x;
}
// a turned a quarter clockwise on screen (right-hand side of a heading).
constexpr Point clockwiseNormal(Point a)
{
    return {-a.y, a.x};
}

double length(Point a);
Point unit(Point a);
double distance(Point a, Point b);

double sinDegrees(double degrees);
double cosDegrees(double degrees);
// The unit vector at `degrees` (0 right, 90 down).
Point direction(double degrees);
// The heading of a vector in degrees, in [0, 360).
double headingDegrees(Point a);

// Distance from p to the segment a-b.
double distanceToSegment(Point p, Point a, Point b);

} // namespace tensikon::art
