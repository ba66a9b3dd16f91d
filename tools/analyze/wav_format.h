// The fmt chunk of a WAV file: which of its sample formats can be read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "tools/analyze/wav_file.h"

namespace tensikon {

// The extensible fmt chunk is the longest one looked at.
inline constexpr std::size_t kExtensibleFormatBytes = 40;

// Reads the first bytes of an fmt chunk's body (all of it, up to 40) into
// `format`. An empty result when the format can be read, else a one-line
// message naming what was found and what is needed.
std::string parseWavFormat(std::span<const std::uint8_t> body, WavFormat& format);

} // namespace tensikon
