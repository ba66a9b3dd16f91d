#include "tools/icon/icon.h"

#include "tools/raster/belt.h"
#include "tools/raster/canvas.h"

#include <algorithm>

namespace tensikon::art {
namespace {

// The icon is painted with colour numbers as inks; 0 stays transparent.
// Each number has a true colour and the nearest of the 16 standard ones.
struct IconInk {
    Rgb colour;
    std::uint8_t standard;
};
enum : Ink { kClear, kOutline, kBelt, kFace, kGroove, kHub, kAccent, kShine, kSound };
constexpr std::array<IconInk, 9> kInks{{
    {{0, 0, 0}, 0},
    {{24, 24, 28}, 0},     // outlines: black
    {{40, 40, 44}, 0},     // belt: black
    {{206, 210, 216}, 7},  // pulley faces: silver
    {{120, 126, 136}, 8},  // grooves and the belt's ribs: grey
    {{52, 56, 64}, 0},     // hub: black
    {{214, 40, 32}, 9},    // timing dot: red
    {{250, 250, 250}, 15}, // bore: white
    {{30, 90, 210}, 12},   // the sound of the plucked belt: blue
}};

void pulley(Canvas& c, Point centre, double r, double u)
{
    c.fillCircle(centre, r, kOutline);
    c.fillCircle(centre, r - 1.2 * u, kFace);
    c.circle(centre, r * 0.72, 1.1 * u, kGroove);
    c.fillCircle(centre, r * 0.38, kHub);
    c.fillCircle(centre, r * 0.17, kShine);
    c.fillCircle(centre + direction(250) * (r * 0.55), 1.6 * u, kAccent);
}

// A solid belt with light ribs across it where its teeth are.
void belt(Canvas& c, const std::vector<Wheel>& loop, double u)
{
    const double thickness = 3.0 * u;
    const auto path = beltLoop(loop, thickness, 0.2);
    std::vector<Point> middle;
    for (const BeltPoint& p : path)
        middle.push_back(p.at - p.inward * (thickness / 2));
    c.polyline(middle, thickness, kBelt);
    double travelled = 0;
    double next = 0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        travelled += distance(path[i - 1].at, path[i].at);
        if (travelled < next)
            continue;
        next += 3.4 * u;
        const BeltPoint& p = path[i];
        c.line(p.at - p.inward * (0.7 * u), p.at - p.inward * (thickness - 0.7 * u), 0.9 * u,
               kGroove);
    }
}

Canvas paint(int size)
{
    const double u = size / 48.0; // one pixel of the 48-pixel design
    Canvas c(size, size);
    const Wheel big{{18 * u, 31 * u}, 14 * u};
    const Wheel small{{35 * u, 14 * u}, 10 * u};
    belt(c, {big, small}, u);
    pulley(c, big.centre, big.radius, u);
    pulley(c, small.centre, small.radius, u);
    // Sound rising from the upper run of the belt.
    const Point source{19 * u, 15 * u};
    for (int i = 0; i < 3; ++i)
        c.arc(source, (4.0 + 4.5 * i) * u, 1.8 * u, 190, 70, kSound);
    return c;
}

// Opaque where at least half the pixel is painted; its colour is the
// average of the painted part, or for 16 colours the standard colour of
// the ink that covers most of it.
void resolvePixel(const Canvas& c, int x, int y, bool standard, Rgb& colour, bool& opaque)
{
    const auto subs = c.subpixels(x, y);
    std::array<int, kInks.size()> count{};
    for (const Ink s : subs)
        ++count[s];
    const int painted = static_cast<int>(subs.size()) - count[kClear];
    opaque = 2 * painted >= static_cast<int>(subs.size());
    colour = {};
    if (!opaque)
        return;
    if (standard) {
        const auto most = std::max_element(count.begin() + 1, count.end()) - count.begin();
        colour = StandardColours[kInks[static_cast<std::size_t>(most)].standard];
        return;
    }
    int r = 0, g = 0, b = 0;
    for (std::size_t k = 1; k < kInks.size(); ++k) {
        r += count[k] * kInks[k].colour.r;
        g += count[k] * kInks[k].colour.g;
        b += count[k] * kInks[k].colour.b;
    }
    colour = {static_cast<std::uint8_t>((r + painted / 2) / painted),
              static_cast<std::uint8_t>((g + painted / 2) / painted),
              static_cast<std::uint8_t>((b + painted / 2) / painted)};
}

std::uint8_t standardIndex(Rgb colour)
{
    const auto at = std::find(StandardColours.begin(), StandardColours.end(), colour);
    return static_cast<std::uint8_t>(at - StandardColours.begin());
}

std::size_t rowBytes(int bits)
{
    return static_cast<std::size_t>((bits + 31) / 32 * 4);
}

// The image as an icon resource stores it: an info header of twice the
// height, the palette (4-bit only), the colour rows and the transparency
// mask (1 = transparent), each bottom row first, rows padded to 4 bytes.
Bytes iconImage(const IconFormat& f)
{
    const IconPicture pic = drawIcon(f);
    const std::size_t colourRow = rowBytes(f.size * f.bitCount);
    const std::size_t maskRow = rowBytes(f.size);
    const std::size_t n = static_cast<std::size_t>(f.size);
    Bytes out;
    putInfoHeader(out, f.size, 2 * f.size, static_cast<std::uint16_t>(f.bitCount), kBiRgb,
                  static_cast<std::uint32_t>((colourRow + maskRow) * n), 0);
    if (f.bitCount == 4)
        for (const Rgb c : StandardColours)
            out.insert(out.end(), {c.b, c.g, c.r, 0});
    for (std::size_t y = n; y-- > 0;) {
        Bytes row(colourRow, 0);
        for (std::size_t x = 0; x < n; ++x) {
            const Rgb c = pic.colours[y * n + x];
            if (f.bitCount == 24) {
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
            } else {
                row[x / 2] |= static_cast<std::uint8_t>(standardIndex(c) << (x % 2 == 0 ? 4 : 0));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (std::size_t y = n; y-- > 0;) {
        Bytes row(maskRow, 0);
        for (std::size_t x = 0; x < n; ++x)
            if (!pic.opaque[y * n + x])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

const std::array<Rgb, 16> StandardColours{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

IconPicture drawIcon(const IconFormat& format)
{
    const Canvas c = paint(format.size);
    IconPicture pic;
    pic.size = format.size;
    const std::size_t n = static_cast<std::size_t>(format.size);
    pic.colours.resize(n * n);
    pic.opaque.resize(n * n);
    for (int y = 0; y < format.size; ++y)
        for (int x = 0; x < format.size; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * n + static_cast<std::size_t>(x);
            bool opaque = false;
            resolvePixel(c, x, y, format.bitCount == 4, pic.colours[i], opaque);
            pic.opaque[i] = opaque;
        }
    return pic;
}

Bytes iconFile()
{
    std::vector<Bytes> images;
    for (const IconFormat& f : kIconFormats)
        images.push_back(iconImage(f));
    Bytes out;
    put16(out, 0); // reserved
    put16(out, 1); // icon
    put16(out, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconFormat& f = kIconFormats[i];
        out.push_back(static_cast<std::uint8_t>(f.size));
        out.push_back(static_cast<std::uint8_t>(f.size));
        out.push_back(f.bitCount == 4 ? 16 : 0); // colours in the palette
        out.push_back(0);
        put16(out, 1); // planes
        put16(out, static_cast<std::uint16_t>(f.bitCount));
        put32(out, static_cast<std::uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

} // namespace tensikon::art
