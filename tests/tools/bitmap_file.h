// Reads the guide's diagram files independently of the code that writes
// them: the headers as stored, and a strict BI_RLE8 decoder. Shared by the
// native picture tests and the Windows resource tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tensikon::testing {

inline std::vector<std::uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return at + 2 <= b.size() ? static_cast<std::uint32_t>(b[at] | b[at + 1] << 8) : 0;
}

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

// The fields of a .bmp file (BITMAPFILEHEADER and BITMAPINFOHEADER).
struct BitmapHeaders {
    std::uint32_t fileSize, dataOffset;
    std::uint32_t infoSize;
    std::int32_t width, height;
    std::uint32_t planes, bitCount, compression, imageSize, coloursUsed;
};

inline std::optional<BitmapHeaders> readHeaders(const std::vector<std::uint8_t>& b)
{
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    return BitmapHeaders{le32(b, 2),
                         le32(b, 10),
                         le32(b, 14),
                         static_cast<std::int32_t>(le32(b, 18)),
                         static_cast<std::int32_t>(le32(b, 22)),
                         le16(b, 26),
                         le16(b, 28),
                         le32(b, 30),
                         le32(b, 34),
                         le32(b, 46)};
}

// Decodes BI_RLE8 data of a bottom-up picture into pixels, top row first.
// Strict: a run past the end of a row or the picture, a missing end of
// bitmap, or bytes after it make it fail. Pixels never written stay at
// `fill` (a delta escape skips pixels, as Windows leaves them).
inline std::optional<std::vector<std::uint8_t>>
decodeRle8(const std::uint8_t* data, std::size_t size, int width, int height, std::uint8_t fill = 0)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, fill);
    int x = 0, row = 0; // row 0 is the bottom row
    auto put = [&](std::uint8_t v) {
        if (x >= width || row >= height)
            return false;
        pixels[static_cast<std::size_t>(height - 1 - row) * width + x++] = v;
        return true;
    };
    std::size_t i = 0;
    while (i + 1 < size) {
        const std::uint8_t count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                if (!put(value))
                    return std::nullopt;
        } else if (value == 0) { // end of line
            x = 0;
            if (++row > height)
                return std::nullopt;
        } else if (value == 1) { // end of bitmap
            return i == size ? std::optional(pixels) : std::nullopt;
        } else if (value == 2) { // delta
            if (i + 1 >= size)
                return std::nullopt;
            x += data[i];
            row += data[i + 1];
            i += 2;
        } else { // absolute run, padded to a 16-bit boundary
            if (i + value > size)
                return std::nullopt;
            for (int k = 0; k < value; ++k)
                if (!put(data[i + static_cast<std::size_t>(k)]))
                    return std::nullopt;
            i += value + (value % 2);
        }
    }
    return std::nullopt; // no end of bitmap
}

} // namespace tensikon::testing
