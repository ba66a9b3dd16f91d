// The samples of a WAV file's frames as one channel of numbers, full scale
// being +-1: a 16-bit sample s becomes s / 32768, an 8-bit one (unsigned,
// 128 at rest) (b - 128) / 128, a float one stays as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/analyze/wav_file.h"

namespace tensikon::analyze {

class FrameDecoder {
  public:
    // `channel` picks one channel, counted from 0 and below
    // format.channels; without it all channels are averaged.
    FrameDecoder(const WavFormat& format, std::optional<std::uint16_t> channel);

    // Appends one value per whole frame of `frames` to `out`.
    void decode(std::span<const std::uint8_t> frames, std::vector<float>& out) const;

    // The frames [frames, frames + count * frameBytes) of samples read by
    // one reader, which is inlined into the loop.
    struct Frames {
        const std::uint8_t* at;
        std::size_t count;
    };

  private:
    template <double (*Read)(const std::uint8_t*)>
    void decodeWith(Frames frames, std::vector<float>& out) const;

    using Decode = void (FrameDecoder::*)(Frames, std::vector<float>&) const;
    Decode decode_;
    std::size_t sampleBytes_;
    std::size_t frameBytes_;
    std::size_t first_; // the first channel used
    std::size_t count_; // channels used from it
};

} // namespace tensikon::analyze
