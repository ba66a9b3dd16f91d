#include "tools/analyze/capture_stream.h"

#include "core/capture_format.h"

namespace tensikon::analyze {

// Rounded half away from zero, in line: a call to a rounding function per
// sample is a noticeable part of converting a long recording.
std::int16_t toSample16(float value)
{
    const float scaled = value * 32768.0f;
    if (!(scaled > -32768.0f)) // also NaN, which a float file may hold
        return scaled == scaled ? -32768 : 0;
    if (scaled >= 32767.0f)
        return 32767;
    return static_cast<std::int16_t>(scaled + (scaled < 0 ? -0.5f : 0.5f));
}

CaptureStream::CaptureStream(const WavFormat& format, std::optional<std::uint16_t> channel)
    : passThrough_(format.isCaptureFormat()), decoder_(format, channel)
{
    if (format.sampleRate != kSampleRate)
        resampler_.emplace(format.sampleRate, kSampleRate);
}

std::span<const std::uint8_t> CaptureStream::convert(std::span<const std::uint8_t> frames)
{
    if (passThrough_)
        return frames;
    decoded_.clear();
    decoder_.decode(frames, decoded_);
    if (!resampler_)
        return toPcm(decoded_);
    resampled_.clear();
    resampler_->push(decoded_, resampled_);
    return toPcm(resampled_);
}

std::span<const std::uint8_t> CaptureStream::finish()
{
    if (!resampler_)
        return {};
    resampled_.clear();
    resampler_->finish(resampled_);
    return toPcm(resampled_);
}

std::span<const std::uint8_t> CaptureStream::toPcm(const std::vector<float>& samples)
{
    pcm_.resize(2 * samples.size());
    for (std::size_t k = 0; k < samples.size(); ++k) {
        const auto u = static_cast<std::uint16_t>(toSample16(samples[k]));
        pcm_[2 * k] = static_cast<std::uint8_t>(u & 0xFF);
        pcm_[2 * k + 1] = static_cast<std::uint8_t>(u >> 8);
    }
    return pcm_;
}

} // namespace tensikon::analyze
