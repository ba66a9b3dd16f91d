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
        decode_ = format.bitsPerSample == 64 ? &FrameDecoder::decodeWith<float64>
                                             : &FrameDecoder::decodeWith<float32>;
    else if (format.bitsPerSample == 8)
        decode_ = &FrameDecoder::decodeWith<unsigned8>;
    else if (format.bitsPerSample == 16)
        decode_ = &FrameDecoder::decodeWith<signed16>;
    else
        decode_ = format.bitsPerSample == 24 ? &FrameDecoder::decodeWith<signed24>
                                             : &FrameDecoder::decodeWith<signed32>;
}

template <double (*Read)(const std::uint8_t*)>
void FrameDecoder::decodeWith(Frames frames, std::vector<float>& out) const
{
    const double scale = 1.0 / static_cast<double>(count_);
    const std::size_t start = out.size();
    out.resize(start + frames.count);
    for (std::size_t f = 0; f < frames.count; ++f) {
        const std::uint8_t* sample = frames.at + f * frameBytes_ + first_ * sampleBytes_;
        double sum = 0;
        for (std::size_t c = 0; c < count_; ++c, sample += sampleBytes_)
            sum += Read(sample);
        out[start + f] = static_cast<float>(sum * scale);
    }
}

void FrameDecoder::decode(std::span<const std::uint8_t> frames, std::vector<float>& out) const
{
    (this->*decode_)(Frames{frames.data(), frames.size() / frameBytes_}, out);
}

} // namespace tensikon::analyze
