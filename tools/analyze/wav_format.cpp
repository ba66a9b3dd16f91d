#include "tools/analyze/wav_format.h"

#include <algorithm>
#include <sstream>

namespace tensikon {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kSubFormatAt = 24;
// The PCM and float sub-format GUIDs of an extensible fmt chunk after their
// first two bytes, which hold the plain format tag.
constexpr std::uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

using Bytes = std::span<const std::uint8_t>;

std::uint16_t u16(Bytes b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t u32(Bytes b, std::size_t at)
{
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2))
                                                        << 16;
}

template <typename... Parts> std::string message(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

const char* formatName(std::uint16_t tag)
{
    switch (tag) {
    case 2:
        return "ADPCM";
    case 6:
        return "A-law";
    case 7:
        return "mu-law";
    case 0x11:
        return "IMA ADPCM";
    case 0x55:
        return "MPEG layer 3";
    default:
        return "compressed or unknown";
    }
}

// The plain format tag an extensible fmt chunk stands for.
std::string extensibleTag(Bytes body, std::uint16_t& tag)
{
    if (body.size() < kExtensibleFormatBytes)
        return message("fmt chunk too short for the extensible format: ", body.size(),
                       " bytes, at least 40 are needed");
    const Bytes guid = body.subspan(kSubFormatAt);
    const Bytes tail = guid.subspan(2);
    tag = u16(guid, 0);
    if ((tag != kFormatPcm && tag != kFormatFloat) ||
        !std::equal(tail.begin(), tail.end(), kGuidTail))
        return message("unsupported format: an extensible format whose sub-format is ", tag,
                       ", PCM (1) or IEEE float (3) is needed");
    return {};
}

std::string checkSampleType(std::uint16_t tag, std::uint16_t bits, WavFormat& format)
{
    if (tag == kFormatPcm) {
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return message("unsupported format: ", bits,
                           "-bit PCM, 8, 16, 24 or 32 bits are needed");
        format.type = SampleType::Integer;
    } else if (tag == kFormatFloat) {
        if (bits != 32 && bits != 64)
            return message("unsupported format: ", bits,
                           "-bit IEEE float, 32 or 64 bits are needed");
        format.type = SampleType::Float;
    } else {
        return message("unsupported format: format tag ", tag, " (", formatName(tag),
                       "), PCM (1) or IEEE float (3) is needed");
    }
    format.bitsPerSample = bits;
    return {};
}

} // namespace

std::string parseWavFormat(Bytes fmt, WavFormat& f)
{
    if (fmt.size() < kPcmFormatBytes)
        return message("fmt chunk too short: ", fmt.size(), " bytes, at least 16 are needed");
    std::uint16_t tag = u16(fmt, 0);
    if (tag == kFormatExtensible) {
        if (std::string e = extensibleTag(fmt, tag); !e.empty())
            return e;
    }
    if (std::string e = checkSampleType(tag, u16(fmt, 14), f); !e.empty())
        return e;
    f.channels = u16(fmt, 2);
    f.sampleRate = u32(fmt, 4);
    f.blockAlign = u16(fmt, 12);
    if (f.channels == 0)
        return "unsupported format: 0 channels, at least 1 is needed";
    if (f.sampleRate < kMinWavSampleRate || f.sampleRate > kMaxWavSampleRate)
        return message("unsupported format: ", f.sampleRate, " samples per second, ",
                       kMinWavSampleRate, " to ", kMaxWavSampleRate, " are supported");
    if (const std::uint32_t needed = std::uint32_t{f.channels} * f.bitsPerSample / 8;
        f.blockAlign != needed)
        return message("inconsistent format: a block alignment of ", f.blockAlign, " bytes, ",
                       needed, " are needed for ", f.bitsPerSample, "-bit samples in ", f.channels,
                       f.channels == 1 ? " channel" : " channels");
    return {};
}

} // namespace tensikon
