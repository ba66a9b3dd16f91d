// A grey drawing surface for technical line drawings.
//
// Shapes are painted onto a grid four times finer than the picture (each
// subpixel takes the shape's ink when its centre lies inside), and the
// picture averages each 4 x 4 block. That gives smooth edges from plain
// inside/outside tests, and later shapes cover earlier ones exactly as
// paint does, which is how hidden lines are removed: a white-filled pulley
// drawn over a belt hides the belt behind it.
#pragma once

#include "tools/raster/geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace tensikon::art {

// How dark a shape is painted: 0 is the paper, 255 black.
using Ink = std::uint8_t;
inline constexpr Ink kBlack = 255;
inline constexpr Ink kPaper = 0;

class Canvas {
  public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints `ink` wherever inside(p) holds, p in picture pixels, within the
    // box [left, right) x [top, bottom).
    void paint(double left, double top, double right, double bottom, Ink ink,
               const std::function<bool(Point)>& inside);

    void fillCircle(Point centre, double radius, Ink ink);
    // A circle's outline, `width` wide, centred on the radius.
    void circle(Point centre, double radius, double width, Ink ink);
    // Clockwise on screen from `fromDegrees`, through `sweepDegrees`.
    void arc(Point centre, double radius, double width, double fromDegrees, double sweepDegrees,
             Ink ink);
    void line(Point a, Point b, double width, Ink ink); // round ends
    void polyline(std::span<const Point> points, double width, Ink ink);
    void fillPolygon(std::span<const Point> points, Ink ink);
    void outlinePolygon(std::span<const Point> points, double width, Ink ink);
    // Axis-parallel rectangle, picture pixels.
    void fillRect(double left, double top, double right, double bottom, Ink ink);

    // A filled arrow whose point touches `tip`.
    void arrow(Point tail, Point tip, double shaftWidth, double headLength, double headWidth,
               Ink ink);
    // Digits of the built-in 5 x 7 font, `scale` pixels per font pixel,
    // centred on `centre`.
    void digits(Point centre, std::string_view text, int scale, Ink ink);
    // A callout: a numbered circle on white, with a thin leader to each
    // target ending in a dot.
    void callout(Point centre, double radius, std::string_view number,
                 std::span<const Point> targets);

    // The inks of the kSub x kSub subpixels of picture pixel (x, y), for
    // pictures that use inks as colour numbers rather than darkness.
    static constexpr int kSub = 4;
    std::array<Ink, kSub * kSub> subpixels(int x, int y) const;

    // The picture, top row first, as grey levels: the paper is `paperGrey`
    // and full ink is black.
    std::vector<std::uint8_t> greys(std::uint8_t paperGrey) const;

  private:
    int width_;
    int height_;
    std::vector<Ink> ink_; // (width * kSub) x (height * kSub), top row first
};

} // namespace tensikon::art
