// The program's icon (icon group 8007): two pulleys joined by a toothed
// belt, as 32 x 32 and 48 x 48 in 16 colours and 48 x 48 in 24-bit colour.
// Drawn by code like the guide's diagrams; resources/tensikon.ico is this
// output.
#pragma once

#include "tools/raster/bmp.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tensikon::art {

struct IconFormat {
    int size;     // width and height in pixels
    int bitCount; // 4 (the standard 16 colours) or 24
};

inline constexpr std::array<IconFormat, 3> kIconFormats{{{32, 4}, {48, 4}, {48, 24}}};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// One image, top row first: its colours and which pixels are opaque.
struct IconPicture {
    int size = 0;
    std::vector<Rgb> colours;
    std::vector<bool> opaque;
};

// The 16 colours of a 4-bit image, in palette order.
extern const std::array<Rgb, 16> StandardColours;

IconPicture drawIcon(const IconFormat& format);

// The .ico file with the three images in kIconFormats order.
Bytes iconFile();

} // namespace tensikon::art
