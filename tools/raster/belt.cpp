#include "tools/raster/belt.h"

#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tensikon::art {
namespace {

double pathRadius(const Wheel& w, double thickness)
{
    return w.insideLoop ? w.radius : w.radius + thickness;
}

// The inward normal along the common tangent from wheel a to wheel b: the
// face touches a at a.centre - s*R*m and b likewise, where s is +1 for a
// wheel inside the loop and -1 outside, so d.m must equal sb*Rb - sa*Ra.
Point tangentNormal(const Wheel& a, const Wheel& b, double thickness)
{
    const Point d = b.centre - a.centre;
    const double len = length(d);
    const double ra = (a.insideLoop ? 1 : -1) * pathRadius(a, thickness);
    const double rb = (b.insideLoop ? 1 : -1) * pathRadius(b, thickness);
    double k = (rb - ra) / len;
    k = k > 1 ? 1 : (k < -1 ? -1 : k);
    const Point u = unit(d);
    return u * k + clockwiseNormal(u) * std::sqrt(1 - k * k);
}

Point touchPoint(const Wheel& w, Point inward, double thickness)
{
    return w.centre - inward * ((w.insideLoop ? 1 : -1) * pathRadius(w, thickness));
}

void appendRun(std::vector<BeltPoint>& out, Point from, Point to, Point inward, double step)
{
    const int n = std::max(1, static_cast<int>(std::ceil(distance(from, to) / step)));
    for (int i = 0; i < n; ++i)
        out.push_back({from + (to - from) * (static_cast<double>(i) / n), inward});
}

// Around a wheel from where the face arrives to where it leaves: clockwise
// round a wheel inside the loop, anticlockwise round one outside it.
void appendWrap(std::vector<BeltPoint>& out, const Wheel& w, Point inArrive, Point inLeave,
                double thickness, double step)
{
    const double s = w.insideLoop ? 1 : -1;
    const double r = pathRadius(w, thickness);
    const double from = headingDegrees(inArrive * -s);
    const double to = headingDegrees(inLeave * -s);
    double sweep = s * (to - from);
    sweep -= 360.0 * std::floor(sweep / 360.0);
    if (!w.insideLoop && sweep > 180.0)
        throw std::invalid_argument("a roller outside the belt loop does not press on the belt");
    const int n =
        std::max(1, static_cast<int>(std::ceil(sweep * std::numbers::pi / 180.0 * r / step)));
    for (int i = 0; i < n; ++i) {
        const Point radial = direction(from + s * sweep * i / n);
        out.push_back({w.centre + radial * r, radial * -s});
    }
}

} // namespace

Point Stretch::backAt(double t, double thickness) const
{
    return from + (to - from) * t - inward * thickness;
}

Stretch beltStretch(const Wheel& a, const Wheel& b, double thickness)
{
    const Point inward = tangentNormal(a, b, thickness);
    return {touchPoint(a, inward, thickness), touchPoint(b, inward, thickness), inward};
}

std::vector<BeltPoint> beltLoop(std::span<const Wheel> wheels, double thickness, double step)
{
    const std::size_t n = wheels.size();
    std::vector<Point> normals(n);
    for (std::size_t i = 0; i < n; ++i)
        normals[i] = tangentNormal(wheels[i], wheels[(i + 1) % n], thickness);
    std::vector<BeltPoint> out;
    for (std::size_t i = 0; i < n; ++i) {
        const Wheel& w = wheels[i];
        const Wheel& next = wheels[(i + 1) % n];
        appendWrap(out, w, normals[(i + n - 1) % n], normals[i], thickness, step);
        appendRun(out, touchPoint(w, normals[i], thickness),
                  touchPoint(next, normals[i], thickness), normals[i], step);
    }
    if (!out.empty())
        out.push_back(out.front());
    return out;
}

std::vector<BeltPoint> beltRun(Point from, Point to, double step)
{
    std::vector<BeltPoint> out;
    const Point inward = clockwiseNormal(unit(to - from));
    appendRun(out, from, to, inward, step);
    out.push_back({to, inward});
    return out;
}

std::vector<BeltPoint> beltArc(Point centre, double radius, double fromDegrees, double sweepDegrees,
                               double step)
{
    std::vector<BeltPoint> out;
    const int n = std::max(
        1, static_cast<int>(std::ceil(sweepDegrees * std::numbers::pi / 180.0 * radius / step)));
    for (int i = 0; i <= n; ++i) {
        const Point radial = direction(fromDegrees + sweepDegrees * i / n);
        out.push_back({centre + radial * radius, radial * -1.0});
    }
    return out;
}

void drawBelt(Canvas& canvas, std::span<const BeltPoint> path, const BeltStyle& style)
{
    std::vector<Point> face, back, middle;
    for (const BeltPoint& p : path) {
        face.push_back(p.at);
        back.push_back(p.at - p.inward * style.thickness);
        middle.push_back(p.at - p.inward * (style.thickness / 2));
    }
    if (style.halo > 0)
        canvas.polyline(middle, style.thickness + 2 * style.halo, kPaper);
    // Teeth at equal steps along the face.
    double travelled = 0;
    double nextTooth = style.pitch / 2;
    for (std::size_t i = 1; i < path.size(); ++i) {
        travelled += distance(path[i - 1].at, path[i].at);
        if (travelled < nextTooth)
            continue;
        nextTooth += style.pitch;
        const Point along = unit(path[i].at - path[i - 1].at) * (style.toothWidth / 2);
        const Point out = path[i].inward * style.toothDepth;
        const std::array<Point, 4> tooth{path[i].at - along - out * 0.3,
                                         path[i].at + along - out * 0.3, path[i].at + along + out,
                                         path[i].at - along + out};
        canvas.fillPolygon(tooth, style.ink);
    }
    if (style.edge <= 0) {
        canvas.polyline(middle, style.thickness, style.ink);
        return;
    }
    canvas.polyline(middle, style.thickness, kPaper);
    canvas.polyline(face, style.edge, style.ink);
    canvas.polyline(back, style.edge, style.ink);
}

} // namespace tensikon::art
