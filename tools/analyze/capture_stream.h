// The sound of a WAV file of any accepted format turned, piece by piece,
// into what the live capture records: 16-bit mono PCM at 44 100 Hz. The
// measurement then runs on exactly the levels the program would have seen.
//
// A file already in that format (its only channel) passes through
// unchanged. Any other is decoded to one channel (averaged, or the chosen
// one), brought to 44 100 Hz by the band-limited resampler when its rate
// differs, and rounded to 16 bits, clipping at full scale.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/analyze/frame_decoder.h"
#include "tools/analyze/resampler.h"
#include "tools/analyze/wav_file.h"

namespace tensikon::analyze {

class CaptureStream {
  public:
    CaptureStream(const WavFormat& format, std::optional<std::uint16_t> channel);

    // The capture's bytes for the next whole frames of the file. The view
    // lasts until the next call.
    std::span<const std::uint8_t> convert(std::span<const std::uint8_t> frames);
    // The file has ended: the resampler's last samples.
    std::span<const std::uint8_t> finish();

  private:
    std::span<const std::uint8_t> toPcm(const std::vector<float>& samples);

    bool passThrough_;
    FrameDecoder decoder_;
    std::optional<Resampler> resampler_;
    std::vector<float> decoded_;
    std::vector<float> resampled_;
    std::vector<std::uint8_t> pcm_;
};

// A value of full scale +-1 as the 16-bit sample the capture would hold.
std::int16_t toSample16(float value);

} // namespace tensikon::analyze
