#include "core/wav_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string_view>

#include "core/capture_format.h"

namespace tensikon {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kExtensibleFormatBytes = 40;
constexpr std::size_t kSubFormatAt = 24;
constexpr std::uint16_t kBlockAlign = kBitsPerSample / 8 * kChannels;
// The PCM sub-format GUID of an extensible fmt chunk after its first two
// bytes, which hold the plain format tag.
constexpr std::uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

using Bytes = std::span<const std::uint8_t>;

struct Chunk {
    std::uint64_t offset;           // of its 8-byte header
    std::uint32_t size;             // of its body, without the pad byte
    std::array<std::uint8_t, 4> id; // as found, for messages
};

struct Layout {
    std::optional<Chunk> fmt;
    std::optional<Chunk> data;
    std::array<std::uint8_t, kExtensibleFormatBytes> fmtBody{}; // its first bytes
};

std::uint16_t u16(Bytes b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t u32(Bytes b, std::size_t at)
{
    return static_cast<std::uint32_t>(u16(b, at)) | static_cast<std::uint32_t>(u16(b, at + 2))
                                                        << 16;
}

bool idIs(Bytes b, std::size_t at, std::string_view id)
{
    return std::equal(
        id.begin(), id.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
        [](char c, std::uint8_t byte) { return static_cast<std::uint8_t>(c) == byte; });
}

// A chunk id or file start as it would be typed, unprintable bytes as \xNN.
std::string quoted(Bytes bytes)
{
    std::string s = "\"";
    for (const std::uint8_t c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            s += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
            s += hex;
        }
    }
    s += '"';
    return s;
}

template <typename... Parts> std::string message(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

std::string readFailed(std::uint64_t offset, std::size_t bytes)
{
    return message("cannot read ", bytes, " bytes at byte ", offset, " of the file");
}

std::string checkRiffHeader(WavSource& source)
{
    const std::uint64_t n = source.size();
    std::array<std::uint8_t, kRiffHeaderBytes> h{};
    const Bytes got =
        Bytes(h).first(static_cast<std::size_t>(std::min<std::uint64_t>(n, h.size())));
    if (!source.read(0, std::span(h).first(got.size())))
        return readFailed(0, got.size());
    if (n >= 4 && !idIs(h, 0, "RIFF"))
        return message("not a WAV file: it starts with ", quoted(got.first(4)),
                       ", a WAV file starts with \"RIFF\"");
    if (n < kRiffHeaderBytes)
        return message("truncated header: the file holds ", n,
                       " bytes, a WAV file needs at least 12 for its RIFF header");
    if (!idIs(h, 8, "WAVE"))
        return message("not a WAV file: its RIFF form is ", quoted(got.subspan(8, 4)),
                       ", \"WAVE\" is needed");
    // The size counts everything after its own field; a last odd-sized chunk
    // may or may not be followed by its pad byte.
    const std::uint64_t declared = std::uint64_t{u32(h, 4)} + 8;
    const bool padded = (declared & 1) != 0 && declared + 1 == n;
    if (declared != n && !padded)
        return message("inconsistent RIFF size: the header gives a file of ", declared,
                       " bytes, the file holds ", n);
    return {};
}

std::string claimsTooMuch(const Chunk& chunk, std::uint64_t room)
{
    if (idIs(chunk.id, 0, "data"))
        return message("data chunk shorter than it claims: its header at byte ", chunk.offset,
                       " gives ", chunk.size, " bytes, only ", room, " follow it");
    return message("chunk ", quoted(chunk.id), " at byte ", chunk.offset, " claims ", chunk.size,
                   " bytes, only ", room, " follow it");
}

std::string note(WavSource& source, const Chunk& chunk, Layout& layout)
{
    for (auto [id, slot] : {std::pair{"fmt ", &layout.fmt}, std::pair{"data", &layout.data}}) {
        if (!idIs(chunk.id, 0, id))
            continue;
        if (*slot)
            return message("second ", quoted(chunk.id), " chunk at byte ", chunk.offset,
                           ": a WAV file has only one");
        *slot = chunk;
    }
    if (layout.fmt && layout.fmt->offset == chunk.offset) {
        const std::size_t n = std::min<std::size_t>(chunk.size, layout.fmtBody.size());
        if (!source.read(chunk.offset + kChunkHeaderBytes, std::span(layout.fmtBody).first(n)))
            return readFailed(chunk.offset + kChunkHeaderBytes, n);
    }
    return {};
}

std::string walkChunks(WavSource& source, Layout& layout)
{
    const std::uint64_t end = source.size();
    std::uint64_t pos = kRiffHeaderBytes;
    while (pos < end) {
        if (end - pos < kChunkHeaderBytes)
            return message("truncated chunk header at byte ", pos, ": 8 bytes are needed, ",
                           end - pos, " remain");
        std::array<std::uint8_t, kChunkHeaderBytes> h{};
        if (!source.read(pos, h))
            return readFailed(pos, h.size());
        const Chunk chunk{pos, u32(h, 4), {h[0], h[1], h[2], h[3]}};
        const std::uint64_t room = end - pos - kChunkHeaderBytes;
        if (chunk.size > room)
            return claimsTooMuch(chunk, room);
        if (std::string e = note(source, chunk, layout); !e.empty())
            return e;
        // Odd-sized chunks are followed by a pad byte; past the end when a
        // last chunk's pad is missing, which ends the walk all the same.
        pos += kChunkHeaderBytes + chunk.size + (chunk.size & 1);
    }
    return {};
}

const char* formatName(std::uint16_t tag)
{
    switch (tag) {
    case 2:
        return "ADPCM";
    case 3:
        return "IEEE float";
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

std::string checkExtensible(const Layout& layout)
{
    if (layout.fmt->size < kExtensibleFormatBytes)
        return message("fmt chunk too short for the extensible format: ", layout.fmt->size,
                       " bytes, at least 40 are needed");
    const Bytes guid = Bytes(layout.fmtBody).subspan(kSubFormatAt);
    const Bytes tail = guid.subspan(2);
    if (u16(guid, 0) != kFormatPcm || !std::equal(tail.begin(), tail.end(), kPcmGuidTail))
        return message("unsupported format: an extensible format whose sub-format is ",
                       u16(guid, 0), ", PCM (1) is needed");
    return {};
}

std::string checkFormat(const Layout& layout)
{
    if (layout.fmt->size < kPcmFormatBytes)
        return message("fmt chunk too short: ", layout.fmt->size, " bytes, at least 16 are needed");
    const Bytes fmt = layout.fmtBody;
    const std::uint16_t tag = u16(fmt, 0);
    if (tag == kFormatExtensible) {
        if (std::string e = checkExtensible(layout); !e.empty())
            return e;
    } else if (tag != kFormatPcm) {
        return message("unsupported format: format tag ", tag, " (", formatName(tag),
                       "), PCM (1) is needed");
    }
    if (const std::uint16_t channels = u16(fmt, 2); channels != kChannels)
        return message("unsupported format: ", channels, " channels, 1 (mono) is needed");
    if (const std::uint32_t rate = u32(fmt, 4); rate != kSampleRate)
        return message("unsupported format: ", rate, " samples per second, 44100 are needed");
    if (const std::uint16_t bits = u16(fmt, 14); bits != kBitsPerSample)
        return message("unsupported format: ", bits, " bits per sample, 16 are needed");
    if (const std::uint16_t align = u16(fmt, 12); align != kBlockAlign)
        return message("inconsistent format: a block alignment of ", align,
                       " bytes, 2 are needed for 16-bit mono");
    return {};
}

std::string checkLayout(const Layout& layout)
{
    if (!layout.fmt)
        return "no fmt chunk: the file does not say how its sound is stored";
    if (std::string e = checkFormat(layout); !e.empty())
        return e;
    if (!layout.data)
        return "no data chunk: the file holds no sound";
    if (layout.data->size % kBlockAlign != 0)
        return message("odd data chunk size: ", layout.data->size,
                       " bytes are not a whole number of 2-byte samples");
    return {};
}

class MemorySource : public WavSource {
  public:
    explicit MemorySource(Bytes bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
            return false;
        const Bytes from = bytes_.subspan(static_cast<std::size_t>(offset), out.size());
        std::copy(from.begin(), from.end(), out.begin());
        return true;
    }

  private:
    Bytes bytes_;
};

// Writes little-endian fields one after another into a file being built.
struct Writer {
    std::vector<std::uint8_t>& out;
    std::size_t at = 0;

    void id(std::string_view text)
    {
        for (const char c : text)
            out[at++] = static_cast<std::uint8_t>(c);
    }
    void le(std::uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            out[at++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

} // namespace

WavHeader readWavLayout(WavSource& source)
{
    WavHeader header;
    Layout layout;
    header.error = checkRiffHeader(source);
    if (header.error.empty())
        header.error = walkChunks(source, layout);
    if (header.error.empty())
        header.error = checkLayout(layout);
    if (header.error.empty())
        header.layout = WavLayout{layout.data->offset + kChunkHeaderBytes, layout.data->size};
    return header;
}

WavParseResult parseWav(std::span<const std::uint8_t> file)
{
    MemorySource source(file);
    WavHeader header = readWavLayout(source);
    WavParseResult result;
    result.error = std::move(header.error);
    if (header.layout) {
        const auto offset = static_cast<std::size_t>(header.layout->dataOffset);
        result.sound = WavSound{file.subspan(offset, header.layout->dataBytes), offset};
    }
    return result;
}

std::vector<std::uint8_t> makeWav(std::span<const std::uint8_t> pcm)
{
    constexpr std::size_t kHeaderBytes = 44;
    const auto size = static_cast<std::uint32_t>(pcm.size());
    const std::uint32_t pad = size & 1;
    std::vector<std::uint8_t> out(kHeaderBytes + pcm.size() + pad, 0);
    Writer w{out};
    w.id("RIFF");
    w.le(36 + size + pad, 4);
    w.id("WAVEfmt ");
    w.le(kPcmFormatBytes, 4);
    w.le(kFormatPcm, 2);
    w.le(kChannels, 2);
    w.le(kSampleRate, 4);
    w.le(kSampleRate * kBlockAlign, 4);
    w.le(kBlockAlign, 2);
    w.le(kBitsPerSample, 2);
    w.id("data");
    w.le(size, 4);
    std::copy(pcm.begin(), pcm.end(), out.begin() + kHeaderBytes);
    return out;
}

} // namespace tensikon
