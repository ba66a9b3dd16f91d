// Files the picture generators write: run-length encoded grey bitmaps for
// the guide's diagrams, and the little-endian helpers the icon writer
// shares with them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace tensikon::art {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, std::uint16_t v);
void put32(Bytes& out, std::uint32_t v);

// The header of a device-independent bitmap (BITMAPINFOHEADER, 40 bytes).
void putInfoHeader(Bytes& out, std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                   std::uint32_t compression, std::uint32_t imageSize, std::uint32_t coloursUsed);

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;

// BI_RLE8 data of an 8-bit picture given top row first: rows are stored
// bottom row first, each ended by an end-of-line escape except the last,
// which is ended by the end-of-bitmap escape.
Bytes encodeRle8(std::span<const std::uint8_t> pixels, int width, int height);

// A whole .bmp file: file header, info header, a 256-entry palette whose
// entry k is the grey level k, and the picture encoded as BI_RLE8.
Bytes greyRle8Bitmap(std::span<const std::uint8_t> pixels, int width, int height);

// Writes the bytes; false (with errno's story left to the caller) on failure.
bool writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace tensikon::art
