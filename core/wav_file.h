// WAV files in memory: reading the sound out of one, and writing one.
//
// Only the format the device records is accepted: PCM, 16 bits, one
// channel, 44 100 samples per second. The reader never trusts a size field:
// every chunk is checked against the bytes that are really there before it
// is looked at, so a truncated or hostile file gives an error, never a read
// past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tensikon {

// The sound of a WAV file: its PCM bytes, a view into the file's bytes.
struct WavSound {
    std::span<const std::uint8_t> pcm;
    std::size_t dataOffset = 0; // where the PCM bytes start in the file
};

// Either the sound, or a one-line message that names what was found and
// what is needed.
struct WavParseResult {
    std::optional<WavSound> sound;
    std::string error;
};

// Reads a whole RIFF/WAVE file held in memory. Chunks other than "fmt " and
// "data" (LIST, fact, ...) are skipped, with the pad byte that follows an
// odd-sized chunk. A data chunk must hold whole samples.
WavParseResult parseWav(std::span<const std::uint8_t> file);

// The 44-byte canonical header followed by `pcm`: a file parseWav accepts.
std::vector<std::uint8_t> makeWav(std::span<const std::uint8_t> pcm);

inline constexpr std::size_t kRiffHeaderBytes = 12;
inline constexpr std::size_t kChunkHeaderBytes = 8;
inline constexpr std::size_t kPcmFormatBytes = 16;
// The largest file a 32-bit RIFF size can describe.
inline constexpr std::uint64_t kMaxWavFileBytes = 0xFFFFFFFFull + 8;

} // namespace tensikon
