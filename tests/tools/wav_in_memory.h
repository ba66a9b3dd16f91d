// A WAV file held in memory, read as the analyzer reads one from disk: the
// tests, the fuzz target and the benchmark build files as bytes and check
// what the reader makes of them without writing them out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tools/analyze/wav_file.h"

namespace tensikon {

// The sound of a WAV file held in memory: a view into its bytes.
struct WavSound {
    std::span<const std::uint8_t> pcm;
    std::size_t dataOffset = 0;
    WavFormat format;
};

struct WavParseResult {
    std::optional<WavSound> sound;
    std::string error;
    std::vector<std::string> warnings;
};

class MemorySource : public WavSource {
  public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
            return false;
        const auto from = bytes_.subspan(static_cast<std::size_t>(offset), out.size());
        std::copy(from.begin(), from.end(), out.begin());
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

// readWavLayout on bytes in memory.
inline WavParseResult parseWav(std::span<const std::uint8_t> file)
{
    MemorySource source(file);
    WavHeader header = readWavLayout(source);
    WavParseResult result;
    result.error = std::move(header.error);
    result.warnings = std::move(header.warnings);
    if (header.layout) {
        const auto offset = static_cast<std::size_t>(header.layout->dataOffset);
        const auto bytes = static_cast<std::size_t>(header.layout->dataBytes);
        result.sound = WavSound{file.subspan(offset, bytes), offset, header.layout->format};
    }
    return result;
}

} // namespace tensikon
