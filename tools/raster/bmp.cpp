#include "tools/raster/bmp.h"

#include <fstream>

namespace tensikon::art {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPaletteSize = 256 * 4;

// Length of the run of equal pixels starting at row[i], at most 255.
int runAt(std::span<const std::uint8_t> row, int i)
{
    int n = 1;
    const int w = static_cast<int>(row.size());
    while (i + n < w && n < 255 &&
           row[static_cast<std::size_t>(i + n)] == row[static_cast<std::size_t>(i)])
        ++n;
    return n;
}

// Pixels that repeat go out as (count, value) pairs. Stretches where no two
// neighbours match go out in absolute mode (0, count, pixels..., padded to
// a 16-bit boundary), which needs at least three pixels; shorter stretches
// go out as runs of one.
void encodeRow(Bytes& out, std::span<const std::uint8_t> row)
{
    const int w = static_cast<int>(row.size());
    int i = 0;
    while (i < w) {
        const int run = runAt(row, i);
        if (run >= 2) {
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(row[static_cast<std::size_t>(i)]);
            i += run;
            continue;
        }
        int j = i;
        while (j < w && j - i < 255 && runAt(row, j) < 2)
            ++j;
        const int n = j - i;
        if (n >= 3) {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), row.begin() + i, row.begin() + j);
            if (n % 2 != 0)
                out.push_back(0);
        } else {
            for (int k = i; k < j; ++k) {
                out.push_back(1);
                out.push_back(row[static_cast<std::size_t>(k)]);
            }
        }
        i = j;
    }
}

} // namespace

void put16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

void putInfoHeader(Bytes& out, std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                   std::uint32_t compression, std::uint32_t imageSize, std::uint32_t coloursUsed)
{
    put32(out, kInfoHeaderSize);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1); // planes
    put16(out, bitCount);
    put32(out, compression);
    put32(out, imageSize);
    put32(out, 0); // no physical resolution: shown pixel for pixel
    put32(out, 0);
    put32(out, coloursUsed);
    put32(out, 0); // every colour important
}

Bytes encodeRle8(std::span<const std::uint8_t> pixels, int width, int height)
{
    Bytes out;
    for (int y = height - 1; y >= 0; --y) {
        encodeRow(out, pixels.subspan(static_cast<std::size_t>(y) * width,
                                      static_cast<std::size_t>(width)));
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0); // end of bitmap after the top row, else end of line
    }
    return out;
}

Bytes greyRle8Bitmap(std::span<const std::uint8_t> pixels, int width, int height)
{
    const Bytes data = encodeRle8(pixels, width, height);
    const std::size_t offset = kFileHeaderSize + kInfoHeaderSize + kPaletteSize;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(offset + data.size()));
    put32(out, 0); // reserved
    put32(out, static_cast<std::uint32_t>(offset));
    putInfoHeader(out, width, height, 8, kBiRle8, static_cast<std::uint32_t>(data.size()), 256);
    for (int k = 0; k < 256; ++k) {
        for (int c = 0; c < 3; ++c)
            out.push_back(static_cast<std::uint8_t>(k)); // blue, green, red
        out.push_back(0);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

} // namespace tensikon::art
