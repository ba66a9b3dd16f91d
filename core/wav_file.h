// WAV files: finding the sound in one, and writing one.
//
// Only the format the device records is accepted: PCM, 16 bits, one
// channel, 44 100 samples per second. The reader never trusts a size field:
// every chunk is checked against the bytes that are really there before it
// is looked at, so a truncated or hostile file gives an error, never a read
// past its end. It reads only the headers (a few dozen bytes per chunk), so
// a long recording can be streamed from its file rather than held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tensikon {

// Where the reader gets its bytes: a file, or bytes in memory.
class WavSource {
public:
    virtual ~WavSource() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; the reader keeps offset + out.size() <= size().
    // False when the bytes cannot be read.
    virtual bool read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// Where the sound lies: the body of the data chunk.
struct WavLayout {
    std::uint64_t dataOffset = 0;
    std::uint32_t dataBytes = 0;
};

// Either the layout, or a one-line message that names what was found and
// what is needed.
struct WavHeader {
    std::optional<WavLayout> layout;
    std::string error;
};

// Reads a RIFF/WAVE file's chunk headers. Chunks other than "fmt " and
// "data" (LIST, fact, ...) are skipped, with the pad byte that follows an
// odd-sized chunk. A data chunk must hold whole samples.
WavHeader readWavLayout(WavSource& source);

// The sound of a WAV file held in memory: a view into its bytes.
struct WavSound {
    std::span<const std::uint8_t> pcm;
    std::size_t dataOffset = 0;
};

struct WavParseResult {
    std::optional<WavSound> sound;
    std::string error;
};

// readWavLayout on bytes in memory.
WavParseResult parseWav(std::span<const std::uint8_t> file);

// The 44-byte canonical header followed by `pcm`: a file parseWav accepts.
std::vector<std::uint8_t> makeWav(std::span<const std::uint8_t> pcm);

inline constexpr std::size_t kRiffHeaderBytes = 12;
inline constexpr std::size_t kChunkHeaderBytes = 8;
inline constexpr std::size_t kPcmFormatBytes = 16;
// The largest file a 32-bit RIFF size can describe.
inline constexpr std::uint64_t kMaxWavFileBytes = 0xFFFFFFFFull + 8;

} // namespace tensikon
