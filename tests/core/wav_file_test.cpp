#include "core/wav_file.h"

#include <gtest/gtest.h>

#include "tests/core/wav_builder.h"

namespace tensikon {
namespace {

using test::Bytes;
using test::chunk;
using test::Fmt;
using test::fmtChunk;
using test::riff;

const Bytes kPcm{0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

std::vector<std::uint8_t> pcmOf(const WavParseResult& r)
{
    return {r.sound->pcm.begin(), r.sound->pcm.end()};
}

TEST(ParseWav, ReadsTheFilesItWrites)
{
    const Bytes wav = makeWav(kPcm);
    ASSERT_EQ(wav.size(), 44u + kPcm.size());
    const WavParseResult r = parseWav(wav);
    ASSERT_TRUE(r.sound) << r.error;
    EXPECT_EQ(r.sound->dataOffset, 44u);
    EXPECT_EQ(pcmOf(r), kPcm);
    EXPECT_TRUE(r.error.empty());

    const Bytes emptyWav = makeWav({});
    const WavParseResult empty = parseWav(emptyWav);
    ASSERT_TRUE(empty.sound) << empty.error;
    EXPECT_TRUE(empty.sound->pcm.empty());
}

TEST(ParseWav, SkipsOtherChunksWithTheirPadBytes)
{
    // A LIST of odd size before fmt, a fact chunk between, a LIST after data:
    // the layouts recorders and editors write.
    const Bytes odd{'I', 'N', 'F', 'O', 'x'};
    const Bytes wav = riff({chunk("LIST", odd), fmtChunk(), chunk("fact", {0, 0, 0, 0}),
                            chunk("data", kPcm), chunk("LIST", odd)});
    const WavParseResult r = parseWav(wav);
    ASSERT_TRUE(r.sound) << r.error;
    EXPECT_EQ(r.sound->dataOffset, 12u + 14u + 24u + 12u + 8u);
    EXPECT_EQ(pcmOf(r), kPcm);

    // fmt may follow data.
    const Bytes lateWav = riff({chunk("data", kPcm), fmtChunk()});
    const WavParseResult late = parseWav(lateWav);
    ASSERT_TRUE(late.sound) << late.error;
    EXPECT_EQ(pcmOf(late), kPcm);
}

TEST(ParseWav, AMissingPadByteIsToleratedOnlyAtTheEnd)
{
    const Bytes odd{1, 2, 3};
    const Bytes lastWav = riff({fmtChunk(), chunk("data", kPcm), chunk("LIST", odd, false)});
    const WavParseResult last = parseWav(lastWav);
    ASSERT_TRUE(last.sound) << last.error;
    EXPECT_EQ(pcmOf(last), kPcm);

    // In the middle, the next chunk's header is read one byte early and
    // makes no sense: an error, not a misread sound.
    const WavParseResult middle =
        parseWav(riff({fmtChunk(), chunk("LIST", odd, false), chunk("data", kPcm)}));
    EXPECT_FALSE(middle.sound);
    EXPECT_FALSE(middle.error.empty());
}

Bytes extensibleFmt(std::uint16_t subFormat, std::uint32_t size = 40)
{
    Bytes body = Fmt{0xFFFE, 1, 44100, 2, 16}.body();
    test::putLe(body, 22, 2);        // cbSize
    test::putLe(body, 16, 2);        // valid bits
    test::putLe(body, 4, 4);         // channel mask: front centre
    test::putLe(body, subFormat, 2); // the GUID's first two bytes
    for (std::uint8_t b :
         {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
        body.push_back(b);
    body.resize(size);
    return chunk("fmt ", body);
}

TEST(ParseWav, AcceptsTheExtensibleFormatOnlyWithPcmInside)
{
    const Bytes pcmWav = riff({extensibleFmt(1), chunk("data", kPcm)});
    const WavParseResult pcm = parseWav(pcmWav);
    ASSERT_TRUE(pcm.sound) << pcm.error;
    EXPECT_EQ(pcmOf(pcm), kPcm);

    const WavParseResult flt = parseWav(riff({extensibleFmt(3), chunk("data", kPcm)}));
    EXPECT_EQ(flt.error,
              "unsupported format: an extensible format whose sub-format is 3, PCM (1) is needed");
    const WavParseResult shortFmt = parseWav(riff({extensibleFmt(1, 24), chunk("data", kPcm)}));
    EXPECT_EQ(shortFmt.error,
              "fmt chunk too short for the extensible format: 24 bytes, at least 40 are needed");
}

struct BadFile {
    const char* what;
    Bytes bytes;
    const char* expected; // the whole message
};

Bytes withRiffSize(Bytes b, std::uint32_t size)
{
    test::setLe32(b, 4, size);
    return b;
}

Bytes tooShortFmt()
{
    Bytes body = Fmt{}.body();
    body.resize(14);
    return riff({chunk("fmt ", body), chunk("data", kPcm)});
}

Bytes dataClaiming(std::uint32_t claimed)
{
    Bytes b = riff({fmtChunk(), chunk("data", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10})});
    test::setLe32(b, 40, claimed);
    return b;
}

Bytes hugeList()
{
    Bytes b = riff({fmtChunk(), chunk("LIST", {1, 2}), chunk("data", kPcm)});
    test::setLe32(b, 40, 0xFFFFFFFF);
    return b;
}

// Files that are not RIFF/WAVE, or whose RIFF header disagrees with them.
std::vector<BadFile> badHeaders()
{
    const Bytes good = makeWav(kPcm);
    Bytes trailing = good;
    trailing.insert(trailing.end(), {0, 0, 0, 0});
    Bytes id3{'I', 'D', '3', 0x04, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes avi = good;
    avi[8] = 'A', avi[9] = 'V', avi[10] = 'I', avi[11] = ' ';
    Bytes rifx = good;
    rifx[3] = 'X';
    return {
        {"empty",
         {},
         "truncated header: the file holds 0 bytes, a WAV file needs at least 12 for its RIFF "
         "header"},
        {"only RIFF and size", Bytes(good.begin(), good.begin() + 8),
         "truncated header: the file holds 8 bytes, a WAV file needs at least 12 for its RIFF "
         "header"},
        {"MP3 with a tag", id3,
         "not a WAV file: it starts with \"ID3\\x04\", a WAV file starts with \"RIFF\""},
        {"big-endian RIFX", rifx,
         "not a WAV file: it starts with \"RIFX\", a WAV file starts with \"RIFF\""},
        {"AVI", avi, "not a WAV file: its RIFF form is \"AVI \", \"WAVE\" is needed"},
        {"RIFF size too large", withRiffSize(good, 1000),
         "inconsistent RIFF size: the header gives a file of 1008 bytes, the file holds 50"},
        {"bytes after the RIFF chunk", trailing,
         "inconsistent RIFF size: the header gives a file of 50 bytes, the file holds 54"},
    };
}

// WAV files of another format.
std::vector<BadFile> badFormats()
{
    return {
        {"fmt too short", tooShortFmt(), "fmt chunk too short: 14 bytes, at least 16 are needed"},
        {"float", riff({fmtChunk({.tag = 3}), chunk("data", kPcm)}),
         "unsupported format: format tag 3 (IEEE float), PCM (1) is needed"},
        {"stereo", riff({fmtChunk({.channels = 2, .align = 4}), chunk("data", kPcm)}),
         "unsupported format: 2 channels, 1 (mono) is needed"},
        {"48 kHz", riff({fmtChunk({.rate = 48000}), chunk("data", kPcm)}),
         "unsupported format: 48000 samples per second, 44100 are needed"},
        {"8 bits", riff({fmtChunk({.align = 1, .bits = 8}), chunk("data", kPcm)}),
         "unsupported format: 8 bits per sample, 16 are needed"},
        {"block alignment", riff({fmtChunk({.align = 4}), chunk("data", kPcm)}),
         "inconsistent format: a block alignment of 4 bytes, 2 are needed for 16-bit mono"},
    };
}

// Chunks missing, doubled, cut short or claiming more than there is.
std::vector<BadFile> badChunks()
{
    return {
        {"no fmt", riff({chunk("data", kPcm)}),
         "no fmt chunk: the file does not say how its sound is stored"},
        {"no data", riff({fmtChunk(), chunk("LIST", {1, 2})}),
         "no data chunk: the file holds no sound"},
        {"data shorter than claimed", dataClaiming(1000),
         "data chunk shorter than it claims: its header at byte 36 gives 1000 bytes, only 10 "
         "follow it"},
        {"data claiming 4 GiB", dataClaiming(0xFFFFFFFF),
         "data chunk shorter than it claims: its header at byte 36 gives 4294967295 bytes, only 10 "
         "follow it"},
        {"huge LIST", hugeList(),
         "chunk \"LIST\" at byte 36 claims 4294967295 bytes, only 16 follow it"},
        {"odd data", riff({fmtChunk(), chunk("data", {1, 2, 3})}),
         "odd data chunk size: 3 bytes are not a whole number of 2-byte samples"},
        {"half a chunk header", riff({fmtChunk(), chunk("data", kPcm), Bytes{'L', 'I', 'S', 'T'}}),
         "truncated chunk header at byte 50: 8 bytes are needed, 4 remain"},
        {"two fmt", riff({fmtChunk(), fmtChunk(), chunk("data", kPcm)}),
         "second \"fmt \" chunk at byte 36: a WAV file has only one"},
        {"two data", riff({fmtChunk(), chunk("data", kPcm), chunk("data", kPcm)}),
         "second \"data\" chunk at byte 50: a WAV file has only one"},
    };
}

TEST(ParseWav, EveryBadFileGivesItsOneLineMessage)
{
    std::vector<BadFile> all = badHeaders();
    for (auto more : {badFormats(), badChunks()})
        all.insert(all.end(), more.begin(), more.end());
    for (const BadFile& bad : all) {
        SCOPED_TRACE(bad.what);
        const WavParseResult r = parseWav(bad.bytes);
        EXPECT_FALSE(r.sound);
        EXPECT_EQ(r.error, bad.expected);
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

// Every prefix of a file with extra chunks, each once as it is and once with
// its RIFF size made to agree. Unchanged, only the whole file is accepted;
// with the size fixed, only the cut that drops exactly the last chunk still
// holds both fmt and data. Every other cut is reported (AddressSanitizer
// catches a read past the shortened copy).
TEST(ParseWav, EveryTruncationIsRejected)
{
    const Bytes whole = riff({chunk("LIST", {'a', 'b', 'c'}), fmtChunk(), chunk("data", kPcm),
                              chunk("LIST", {'x', 'y'})});
    const std::size_t endOfData = 12 + 12 + 24 + 14;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(parseWav(cut).sound) << n << " bytes";
        if (n < 12)
            continue;
        test::fixRiffSize(cut);
        const WavParseResult r = parseWav(cut);
        EXPECT_EQ(r.sound.has_value(), n == endOfData) << n << " bytes, RIFF size fixed";
        EXPECT_EQ(r.error.empty(), n == endOfData) << n << " bytes, RIFF size fixed";
    }
    EXPECT_TRUE(parseWav(whole).sound);
}

// A source whose reads fail beyond a point, as a file cut short while it
// is being read.
class FailingSource : public WavSource {
  public:
    FailingSource(Bytes bytes, std::uint64_t failFrom)
        : bytes_(std::move(bytes)), failFrom_(failFrom)
    {
    }
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset + out.size() > failFrom_)
            return false;
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
        return true;
    }

  private:
    Bytes bytes_;
    std::uint64_t failFrom_;
};

TEST(ReadWavLayout, ReadsOnlyHeadersAndReportsAFailedRead)
{
    const Bytes wav =
        riff({chunk("LIST", {1, 2, 3}), fmtChunk(), chunk("data", Bytes(1000, 0x55))});
    // Reads stop working inside the sound: the headers are all it needs.
    FailingSource sound(wav, 100);
    const WavHeader ok = readWavLayout(sound);
    ASSERT_TRUE(ok.layout) << ok.error;
    EXPECT_EQ(ok.layout->dataOffset, 12u + 12u + 24u + 8u);
    EXPECT_EQ(ok.layout->dataBytes, 1000u);

    FailingSource header(wav, 40);
    EXPECT_EQ(readWavLayout(header).error, "cannot read 16 bytes at byte 32 of the file");
    FailingSource start(wav, 0);
    EXPECT_EQ(readWavLayout(start).error, "cannot read 12 bytes at byte 0 of the file");
}

TEST(ParseWav, ARiffSizeThatLeavesOutTheLastPadByteIsAccepted)
{
    Bytes wav = riff({fmtChunk(), chunk("data", kPcm), chunk("LIST", {1, 2, 3})});
    test::setLe32(wav, 4, static_cast<std::uint32_t>(wav.size() - 9));
    EXPECT_TRUE(parseWav(wav).sound);
}

} // namespace
} // namespace tensikon
