// The fmt chunk of a WAV file: which of its sample formats can be read;
// and what the WAV reader and writer share of the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>

#include "tools/analyze/wav_file.h"

namespace tensikon {

inline constexpr std::uint16_t kFormatPcm = 1;

// Little-endian fields of a header.
inline std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

inline std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2))
                                                        << 16;
}

// A one-line message made of its parts, as a stream writes them.
template <typename... Parts> std::string message(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// The extensible fmt chunk is the longest one looked at.
inline constexpr std::size_t kExtensibleFormatBytes = 40;

// Reads the first bytes of an fmt chunk's body (all of it, up to 40) into
// `format`. An empty result when the format can be read, else a one-line
// message naming what was found and what is needed.
std::string parseWavFormat(std::span<const std::uint8_t> body, WavFormat& format);

} // namespace tensikon
