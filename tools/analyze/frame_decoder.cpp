#include "tools/analyze/frame_decoder.h"

#include <bit>
#include <cstring>

namespace tensikon::analyze {

namespace {

std::uint32_t le(const std::uint8_t* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Integer samples are scaled as the capture's 16-bit ones are, so that
// every width of the same level maps to the same value.
double unsigned8(const std::uint8_t* p)
{
    return (p[0] - 128) / 128.0;
}

double signed16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(le(p, 2)) / 32768.0;
}

double signed24(const std::uint8_t* p)
{
    // The 24 bits moved to the top of a 32-bit word keep their sign.
    return static_cast<std::int32_t>(le(p, 3) << 8) / 2147483648.0;
}

double signed32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(le(p, 4)) / 2147483648.0;
}

double float32(const std::uint8_t* p)
{
    return std::bit_cast<float>(le(p, 4));
}

double float64(const std::uint8_t* p)
{
    const std::uint64_t bits = le(p, 4) | std::uint64_t{le(p + 4, 4)} << 32;
    return std::bit_cast<double>(bits);
}

} // namespace

FrameDecoder::FrameDecoder(const WavFormat& format, std::optional<std::uint16_t> channel)
    : sampleBytes_(format.bitsPerSample / 8u), frameBytes_(format.blockAlign),
      first_(channel.value_or(0)), count_(channel ? 1 : format.channels)
{
    if (format.type == SampleType::Float)
        read_ = format.bitsPerSample == 64 ? float64 : float32;
    else if (format.bitsPerSample == 8)
        read_ = unsigned8;
    else if (format.bitsPerSample == 16)
        read_ = signed16;
    else
        read_ = format.bitsPerSample == 24 ? signed24 : signed32;
}

void FrameDecoder::decode(std::span<const std::uint8_t> frames, std::vector<float>& out) const
{
    const double scale = 1.0 / static_cast<double>(count_);
    for (std::size_t at = 0; at + frameBytes_ <= frames.size(); at += frameBytes_) {
        const std::uint8_t* sample = frames.data() + at + first_ * sampleBytes_;
        double sum = 0;
        for (std::size_t c = 0; c < count_; ++c, sample += sampleBytes_)
            sum += read_(sample);
        out.push_back(static_cast<float>(sum * scale));
    }
}

} // namespace tensikon::analyze
