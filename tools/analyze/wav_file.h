// WAV files: finding the sound in one, and writing one.
//
// Uncompressed sound is accepted in the forms phones, recorders and editors
// write: integer PCM of 8, 16, 24 or 32 bits, IEEE float of 32 or 64 bits,
// plain or in the extensible format, any number of channels, 8 000 to
// 192 000 samples per second. Compressed formats are refused.
//
// The reader never trusts a size field: every chunk is checked against the
// bytes that are really there before it is looked at, so a hostile file
// gives an error or a warning, never a read past its end. Size fields that
// recorders leave wrong when they stream or stop abnormally are read the way
// robust readers read them (to the end of the file), each with a warning.
// It reads only the headers (a few dozen bytes per chunk), so a long
// recording can be streamed from its file rather than held whole.
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

enum class SampleType { Integer, Float };

// How the sound is stored: frames of `channels` samples, one after another.
// Integer samples of 8 bits are unsigned, wider ones signed.
struct WavFormat {
    SampleType type = SampleType::Integer;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 44100;
    std::uint16_t bitsPerSample = 16; // 8, 16, 24, 32 or 64
    std::uint16_t blockAlign = 2;     // bytes per frame

    // The format of the capture device: 16-bit mono at 44 100 Hz.
    bool isCaptureFormat() const;
};

// Where the sound lies: the body of the data chunk, in whole frames.
struct WavLayout {
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;
    WavFormat format;
};

// Either the layout, or a one-line message that names what was found and
// what is needed. `warnings` name each wrong size field that was read
// leniently, one line each.
struct WavHeader {
    std::optional<WavLayout> layout;
    std::string error;
    std::vector<std::string> warnings;
};

// Reads a RIFF/WAVE file's chunk headers. Chunks other than "fmt " and
// "data" (LIST, fact, ...) are skipped, with the pad byte that follows an
// odd-sized chunk.
WavHeader readWavLayout(WavSource& source);

// The 44-byte canonical header followed by `pcm`: a file readWavLayout accepts.
std::vector<std::uint8_t> makeWav(std::span<const std::uint8_t> pcm);

inline constexpr std::size_t kRiffHeaderBytes = 12;
inline constexpr std::size_t kChunkHeaderBytes = 8;
inline constexpr std::size_t kPcmFormatBytes = 16;
inline constexpr std::uint32_t kMinWavSampleRate = 8000;
inline constexpr std::uint32_t kMaxWavSampleRate = 192000;

} // namespace tensikon
