#include "tools/raster/canvas.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tensikon::art {
namespace {

// 5 x 7 digits, one string per row, '#' inked.
constexpr std::array<std::array<std::string_view, 7>, 10> kDigitFont{{
    {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "},
    {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"},
    {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "},
    {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "},
    {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "},
    {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "},
    {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "},
    {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "},
    {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "},
}};

// Whether a point lies within the polygon (even-odd rule).
bool insidePolygon(Point p, std::span<const Point> poly)
{
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Point a = poly[i];
        const Point b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Whether the heading of v lies in the clockwise sweep starting at `from`.
bool inSweep(Point v, double fromDegrees, double sweepDegrees)
{
    if (sweepDegrees >= 360.0)
        return true;
    double d = headingDegrees(v) - fromDegrees;
    d -= 360.0 * std::floor(d / 360.0);
    return d <= sweepDegrees;
}

} // namespace

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      ink_(static_cast<std::size_t>(width) * kSub * static_cast<std::size_t>(height) * kSub, kPaper)
{
}

void Canvas::paint(double left, double top, double right, double bottom, Ink ink,
                   const std::function<bool(Point)>& inside)
{
    const int w = width_ * kSub;
    const int h = height_ * kSub;
    const int x0 = std::max(0, static_cast<int>(std::floor(left * kSub)));
    const int y0 = std::max(0, static_cast<int>(std::floor(top * kSub)));
    const int x1 = std::min(w, static_cast<int>(std::ceil(right * kSub)));
    const int y1 = std::min(h, static_cast<int>(std::ceil(bottom * kSub)));
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const Point p{(x + 0.5) / kSub, (y + 0.5) / kSub};
            if (inside(p))
                ink_[static_cast<std::size_t>(y) * w + x] = ink;
        }
    }
}

void Canvas::fillCircle(Point c, double r, Ink ink)
{
    paint(c.x - r, c.y - r, c.x + r, c.y + r, ink,
          [=](Point p) { return dot(p - c, p - c) <= r * r; });
}

void Canvas::circle(Point c, double r, double width, Ink ink)
{
    const double o = r + width / 2;
    paint(c.x - o, c.y - o, c.x + o, c.y + o, ink,
          [=](Point p) { return std::fabs(distance(p, c) - r) <= width / 2; });
}

void Canvas::arc(Point c, double r, double width, double from, double sweep, Ink ink)
{
    const double o = r + width / 2;
    paint(c.x - o, c.y - o, c.x + o, c.y + o, ink, [=](Point p) {
        return std::fabs(distance(p, c) - r) <= width / 2 && inSweep(p - c, from, sweep);
    });
}

void Canvas::line(Point a, Point b, double width, Ink ink)
{
    const double o = width / 2;
    paint(std::min(a.x, b.x) - o, std::min(a.y, b.y) - o, std::max(a.x, b.x) + o,
          std::max(a.y, b.y) + o, ink, [=](Point p) { return distanceToSegment(p, a, b) <= o; });
}

void Canvas::polyline(std::span<const Point> points, double width, Ink ink)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        line(points[i - 1], points[i], width, ink);
}

void Canvas::fillPolygon(std::span<const Point> points, Ink ink)
{
    if (points.size() < 3)
        return;
    double l = points[0].x, r = l, t = points[0].y, b = t;
    for (const Point p : points) {
        l = std::min(l, p.x);
        r = std::max(r, p.x);
        t = std::min(t, p.y);
        b = std::max(b, p.y);
    }
    paint(l, t, r, b, ink, [points](Point p) { return insidePolygon(p, points); });
}

void Canvas::outlinePolygon(std::span<const Point> points, double width, Ink ink)
{
    polyline(points, width, ink);
    if (points.size() > 2)
        line(points.back(), points.front(), width, ink);
}

void Canvas::fillRect(double left, double top, double right, double bottom, Ink ink)
{
    paint(left, top, right, bottom, ink, [](Point) { return true; });
}

void Canvas::arrow(Point tail, Point tip, double shaftWidth, double headLength, double headWidth,
                   Ink ink)
{
    const Point along = unit(tip - tail);
    const Point across = clockwiseNormal(along);
    const Point base = tip - along * headLength;
    line(tail, base + along * (headLength / 2), shaftWidth, ink);
    const std::array<Point, 3> head{tip, base + across * (headWidth / 2),
                                    base - across * (headWidth / 2)};
    fillPolygon(head, ink);
}

void Canvas::digits(Point centre, std::string_view text, int scale, Ink ink)
{
    const double w = (6.0 * static_cast<double>(text.size()) - 1.0) * scale;
    const double left = std::round(centre.x - w / 2);
    const double top = std::round(centre.y - 3.5 * scale);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            continue;
        const auto& glyph = kDigitFont[static_cast<std::size_t>(text[i] - '0')];
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (glyph[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] == '#') {
                    const double x = left + (6.0 * static_cast<double>(i) + col) * scale;
                    const double y = top + row * scale;
                    fillRect(x, y, x + scale, y + scale, ink);
                }
    }
}

void Canvas::callout(Point centre, double radius, std::string_view number,
                     std::span<const Point> targets)
{
    for (const Point t : targets) {
        line(centre, t, 0.9, kBlack);
        fillCircle(t, 1.4, kBlack);
    }
    fillCircle(centre, radius, kPaper);
    circle(centre, radius - 0.5, 1.1, kBlack);
    digits(centre, number, 1, kBlack);
}

std::array<Ink, Canvas::kSub * Canvas::kSub> Canvas::subpixels(int x, int y) const
{
    std::array<Ink, kSub * kSub> out{};
    const int w = width_ * kSub;
    for (int sy = 0; sy < kSub; ++sy)
        for (int sx = 0; sx < kSub; ++sx)
            out[static_cast<std::size_t>(sy * kSub + sx)] =
                ink_[static_cast<std::size_t>(y * kSub + sy) * w + x * kSub + sx];
    return out;
}

std::vector<std::uint8_t> Canvas::greys(std::uint8_t paperGrey) const
{
    const int w = width_ * kSub;
    constexpr int kFull = 255 * kSub * kSub;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            int sum = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx)
                    sum += ink_[static_cast<std::size_t>(y * kSub + sy) * w + x * kSub + sx];
            out[static_cast<std::size_t>(y) * width_ + x] =
                static_cast<std::uint8_t>((paperGrey * (kFull - sum) + kFull / 2) / kFull);
        }
    }
    return out;
}

} // namespace tensikon::art
