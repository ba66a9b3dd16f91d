#include "tools/analyze/wav_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string_view>

#include "core/capture_format.h"
#include "tools/analyze/wav_format.h"

namespace tensikon {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr auto kBlockAlign = static_cast<std::uint16_t>(kBytesPerSample);
constexpr std::uint32_t kUnsetSize = 0xFFFFFFFF;
using Bytes = std::span<const std::uint8_t>;

struct Chunk {
    std::uint64_t offset;           // of its 8-byte header
    std::uint64_t size;             // of its body, without the pad byte
    std::array<std::uint8_t, 4> id; // as found, for messages
};

struct Layout {
    std::uint64_t end = 0; // of the RIFF chunk's bytes that are read
    std::optional<Chunk> fmt;
    std::optional<Chunk> data;
    bool riffUnset = false; // the RIFF size was a placeholder
    bool dataToEnd = false; // its size was wrong; it was read to the end of the file
    std::array<std::uint8_t, kExtensibleFormatBytes> fmtBody{}; // its first bytes
    WavFormat format;
    std::vector<std::string> warnings;
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

// Where the RIFF chunk ends. A size left unset by a recorder that streamed
// or stopped abnormally (0 or 0xFFFFFFFF), or one larger than the file,
// means the chunk runs to the end of the file; bytes after a RIFF chunk
// that ends sooner (a tag appended by some tool) are not part of it. The
// size counts everything after its own field; a last odd-sized chunk may or
// may not be followed by its pad byte.
void findRiffEnd(std::uint32_t riffSize, std::uint64_t n, Layout& layout)
{
    const std::uint64_t declared = std::uint64_t{riffSize} + 8;
    const std::uint64_t padded = declared + (declared & 1);
    layout.end = n;
    layout.riffUnset = riffSize == 0 || riffSize == kUnsetSize || declared < kRiffHeaderBytes;
    if (layout.riffUnset)
        layout.warnings.push_back(
            message("RIFF size ", riffSize, " is a placeholder: the file is read to its end"));
    else if (declared > n)
        layout.warnings.push_back(message("RIFF size gives a file of ", declared,
                                          " bytes, the file holds ", n, ": it is read to its end"));
    else if (padded < n) {
        layout.end = padded;
        layout.warnings.push_back(
            message(n - padded, " bytes after the RIFF chunk at byte ", padded, " are ignored"));
    }
}

std::string checkRiffHeader(WavSource& source, Layout& layout)
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
    findRiffEnd(u32(h, 4), n, layout);
    return {};
}

std::string claimsTooMuch(const Chunk& chunk, std::uint64_t room)
{
    return message("chunk ", quoted(chunk.id), " at byte ", chunk.offset, " claims ", chunk.size,
                   " bytes, only ", room, " follow it");
}

// A data chunk that claims more bytes than follow it was being written when
// the recording stopped, or is streamed with its size unset: its sound is
// all that follows. So is that of an empty one in a file whose RIFF size is
// unset too, as a recorder that never finished leaves both.
void readDataToEnd(Chunk& chunk, std::uint64_t room, Layout& layout)
{
    if (chunk.size == 0 && layout.riffUnset && room > 0)
        layout.warnings.push_back(message("data chunk size 0 in a file whose RIFF size is unset: "
                                          "the sound is read to the end of the file"));
    else if (chunk.size <= room)
        return; // it runs past a RIFF size that is too small, into bytes that are there
    else if (chunk.size == kUnsetSize)
        layout.warnings.push_back(message("data chunk size 0xFFFFFFFF is a placeholder: the "
                                          "sound is read to the end of the file"));
    else
        layout.warnings.push_back(message("data chunk at byte ", chunk.offset, " claims ",
                                          chunk.size, " bytes, only ", room,
                                          " follow it: the sound is read to the end of the file"));
    chunk.size = room;
    layout.dataToEnd = true;
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
        const auto n =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size, layout.fmtBody.size()));
        if (!source.read(chunk.offset + kChunkHeaderBytes, std::span(layout.fmtBody).first(n)))
            return readFailed(chunk.offset + kChunkHeaderBytes, n);
    }
    return {};
}

// Once both fmt and data are known, a broken chunk after them cannot hide
// the sound: it is ignored with a warning. Before, it is an error.
std::string brokenTail(Layout& layout, std::string what)
{
    if (!layout.fmt || !layout.data)
        return what;
    layout.warnings.push_back(what + ": ignored, the sound is complete before it");
    return {};
}

std::string walkChunks(WavSource& source, Layout& layout)
{
    const std::uint64_t fileEnd = source.size();
    std::uint64_t pos = kRiffHeaderBytes;
    while (pos < layout.end) {
        if (layout.end - pos < kChunkHeaderBytes)
            return brokenTail(layout,
                              message("truncated chunk header at byte ", pos,
                                      ": 8 bytes are needed, ", layout.end - pos, " remain"));
        std::array<std::uint8_t, kChunkHeaderBytes> h{};
        if (!source.read(pos, h))
            return readFailed(pos, h.size());
        Chunk chunk{pos, u32(h, 4), {h[0], h[1], h[2], h[3]}};
        const std::uint64_t room = layout.end - pos - kChunkHeaderBytes;
        if (idIs(chunk.id, 0, "data") && (chunk.size > room || chunk.size == 0))
            readDataToEnd(chunk, fileEnd - pos - kChunkHeaderBytes, layout);
        else if (chunk.size > room)
            return brokenTail(layout, claimsTooMuch(chunk, room));
        if (std::string e = note(source, chunk, layout); !e.empty())
            return e;
        // Odd-sized chunks are followed by a pad byte; past the end when a
        // last chunk's pad is missing, which ends the walk all the same.
        pos += kChunkHeaderBytes + chunk.size + (chunk.size & 1);
    }
    return {};
}

std::string checkFormat(Layout& layout)
{
    const auto n =
        static_cast<std::size_t>(std::min<std::uint64_t>(layout.fmt->size, layout.fmtBody.size()));
    return parseWavFormat(Bytes(layout.fmtBody).first(n), layout.format);
}

// The sound is read in whole frames; a partial one at the end (an odd-sized
// data chunk of 16-bit samples, say) is dropped. When the chunk was read to
// the end of the file that is expected, and its warning says enough.
void wholeFrames(Layout& layout)
{
    Chunk& data = *layout.data;
    const std::uint64_t extra = data.size % layout.format.blockAlign;
    if (extra != 0 && !layout.dataToEnd)
        layout.warnings.push_back(
            message("data chunk of ", data.size, " bytes is not a whole number of ",
                    layout.format.blockAlign, "-byte frames: its last ", extra,
                    extra == 1 ? " byte is" : " bytes are", " ignored"));
    data.size -= extra;
}

std::string checkLayout(Layout& layout)
{
    if (!layout.fmt)
        return "no fmt chunk: the file does not say how its sound is stored";
    if (std::string e = checkFormat(layout); !e.empty())
        return e;
    if (!layout.data)
        return "no data chunk: the file holds no sound";
    wholeFrames(layout);
    return {};
}

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

bool WavFormat::isCaptureFormat() const
{
    return type == SampleType::Integer && channels == kChannels && sampleRate == kSampleRate &&
           bitsPerSample == kBitsPerSample;
}

WavHeader readWavLayout(WavSource& source)
{
    WavHeader header;
    Layout layout;
    header.error = checkRiffHeader(source, layout);
    if (header.error.empty())
        header.error = walkChunks(source, layout);
    if (header.error.empty())
        header.error = checkLayout(layout);
    if (header.error.empty()) {
        header.layout =
            WavLayout{layout.data->offset + kChunkHeaderBytes, layout.data->size, layout.format};
        header.warnings = std::move(layout.warnings);
    }
    return header;
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
