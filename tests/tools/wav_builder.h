// Pieces of WAV files for tests: chunks put together by hand, so that a test
// can build any layout, sound or broken.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "tests/core/signals.h"

namespace tensikon::test {

inline void putLe(Bytes& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Byte by byte: GCC 12 at -O3 warns falsely about a range insert into an
// empty vector.
inline void putId(Bytes& out, std::string_view id)
{
    for (const char c : id)
        out.push_back(static_cast<std::uint8_t>(c));
}

// A chunk: id, size and body, with the pad byte after an odd body unless
// `pad` is false (a writer that forgot it).
inline Bytes chunk(std::string_view id, const Bytes& body, bool pad = true)
{
    Bytes out;
    putId(out, id);
    putLe(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (pad && body.size() % 2 != 0)
        out.push_back(0);
    return out;
}

// The 16-byte body of a PCM fmt chunk; the defaults are the accepted format.
struct Fmt {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 44100;
    std::uint16_t align = 2;
    std::uint16_t bits = 16;

    Bytes body() const
    {
        Bytes out;
        putLe(out, tag, 2);
        putLe(out, channels, 2);
        putLe(out, rate, 4);
        putLe(out, rate * align, 4);
        putLe(out, align, 2);
        putLe(out, bits, 2);
        return out;
    }
};

inline Bytes fmtChunk(const Fmt& fmt = {})
{
    return chunk("fmt ", fmt.body());
}

// An extensible fmt chunk: `fmt` (whose tag should be 0xFFFE) and the
// sub-format GUID of the plain tag `subFormat`, cut to `size` bytes.
// `guidEnd` other than 0x71 makes the GUID one of no known format.
inline Bytes extensibleFmtChunk(const Fmt& fmt, std::uint16_t subFormat, std::size_t size = 40,
                                std::uint8_t guidEnd = 0x71)
{
    Bytes body = fmt.body();
    putLe(body, 22, 2);        // the size of what follows
    putLe(body, fmt.bits, 2);  // valid bits
    putLe(body, 0, 4);         // channel mask: none given
    putLe(body, subFormat, 2); // the GUID's first two bytes
    for (const std::uint8_t b :
         {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B})
        body.push_back(b);
    body.push_back(guidEnd);
    body.resize(size);
    return chunk("fmt ", body);
}

// "RIFF", the size of everything after it, "WAVE" and the chunks.
inline Bytes riff(std::initializer_list<Bytes> chunks)
{
    Bytes body;
    putId(body, "WAVE");
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    putId(out, "RIFF");
    putLe(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline void setLe32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Makes the RIFF size agree with the file's length again.
inline void fixRiffSize(Bytes& b)
{
    setLe32(b, 4, static_cast<std::uint32_t>(b.size() - 8));
}

} // namespace tensikon::test
