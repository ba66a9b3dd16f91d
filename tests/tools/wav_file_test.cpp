#include "tools/analyze/wav_file.h"

#include <gtest/gtest.h>

#include "tests/tools/wav_builder.h"
#include "tests/tools/wav_in_memory.h"

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

Bytes extensibleFmt(std::uint16_t subFormat, std::size_t size = 40, Fmt fmt = {.tag = 0xFFFE})
{
    return test::extensibleFmtChunk(fmt, subFormat, size);
}

TEST(ParseWav, AcceptsTheExtensibleFormatOnlyWithPcmOrFloatInside)
{
    const Bytes pcmWav = riff({extensibleFmt(1), chunk("data", kPcm)});
    const WavParseResult pcm = parseWav(pcmWav);
    ASSERT_TRUE(pcm.sound) << pcm.error;
    EXPECT_EQ(pcmOf(pcm), kPcm);
    EXPECT_TRUE(pcm.sound->format.isCaptureFormat());

    const Fmt float32{.tag = 0xFFFE, .channels = 2, .rate = 48000, .align = 8, .bits = 32};
    const Bytes floatWav = riff({extensibleFmt(3, 40, float32), chunk("data", Bytes(16, 0))});
    const WavParseResult flt = parseWav(floatWav);
    ASSERT_TRUE(flt.sound) << flt.error;
    EXPECT_EQ(flt.sound->format.type, SampleType::Float);
    EXPECT_EQ(flt.sound->format.channels, 2);
    EXPECT_FALSE(flt.sound->format.isCaptureFormat());

    EXPECT_EQ(parseWav(riff({extensibleFmt(2), chunk("data", kPcm)})).error,
              "unsupported format: an extensible format whose sub-format is 2, PCM (1) or IEEE "
              "float (3) is needed");
    const Bytes otherGuid = riff({test::extensibleFmtChunk({.tag = 0xFFFE}, 1, 40, 0x70),
                                  chunk("data", kPcm)});
    EXPECT_EQ(parseWav(otherGuid).error,
              "unsupported format: an extensible format whose sub-format is 1, PCM (1) or IEEE "
              "float (3) is needed");
    const WavParseResult shortFmt = parseWav(riff({extensibleFmt(1, 24), chunk("data", kPcm)}));
    EXPECT_EQ(shortFmt.error,
              "fmt chunk too short for the extensible format: 24 bytes, at least 40 are needed");
}

// Every sample type at the rates at either end of the range.
TEST(ParseWav, ReadsEveryUncompressedFormat)
{
    const Fmt formats[] = {{.tag = 1, .channels = 1, .rate = 8000, .align = 1, .bits = 8},
                           {.tag = 1, .channels = 2, .rate = 22050, .align = 4, .bits = 16},
                           {.tag = 1, .channels = 6, .rate = 48000, .align = 18, .bits = 24},
                           {.tag = 1, .channels = 1, .rate = 96000, .align = 4, .bits = 32},
                           {.tag = 3, .channels = 2, .rate = 192000, .align = 8, .bits = 32},
                           {.tag = 3, .channels = 1, .rate = 44100, .align = 8, .bits = 64}};
    for (const Fmt& f : formats) {
        SCOPED_TRACE(testing::Message() << f.bits << " bits, " << f.channels << " channels");
        const Bytes wav = riff({fmtChunk(f), chunk("data", Bytes(f.align * 3u, 7))});
        const WavParseResult r = parseWav(wav);
        ASSERT_TRUE(r.sound) << r.error;
        EXPECT_TRUE(r.warnings.empty());
        EXPECT_EQ(r.sound->pcm.size(), f.align * 3u);
        const WavFormat& got = r.sound->format;
        EXPECT_EQ(got.type, f.tag == 3 ? SampleType::Float : SampleType::Integer);
        EXPECT_EQ(got.channels, f.channels);
        EXPECT_EQ(got.sampleRate, f.rate);
        EXPECT_EQ(got.bitsPerSample, f.bits);
        EXPECT_EQ(got.blockAlign, f.align);
    }
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
    };
}

// WAV files of a format that cannot be read.
std::vector<BadFile> badFormats()
{
    return {
        {"fmt too short", tooShortFmt(), "fmt chunk too short: 14 bytes, at least 16 are needed"},
        {"ADPCM", riff({fmtChunk({.tag = 2}), chunk("data", kPcm)}),
         "unsupported format: format tag 2 (ADPCM), PCM (1) or IEEE float (3) is needed"},
        {"12 bits", riff({fmtChunk({.bits = 12}), chunk("data", kPcm)}),
         "unsupported format: 12-bit PCM, 8, 16, 24 or 32 bits are needed"},
        {"16-bit float", riff({fmtChunk({.tag = 3}), chunk("data", kPcm)}),
         "unsupported format: 16-bit IEEE float, 32 or 64 bits are needed"},
        {"no channels", riff({fmtChunk({.channels = 0}), chunk("data", kPcm)}),
         "unsupported format: 0 channels, at least 1 is needed"},
        {"4 kHz", riff({fmtChunk({.rate = 4000}), chunk("data", kPcm)}),
         "unsupported format: 4000 samples per second, 8000 to 192000 are supported"},
        {"384 kHz", riff({fmtChunk({.rate = 384000}), chunk("data", kPcm)}),
         "unsupported format: 384000 samples per second, 8000 to 192000 are supported"},
        {"block alignment", riff({fmtChunk({.channels = 2, .align = 6}), chunk("data", kPcm)}),
         "inconsistent format: a block alignment of 6 bytes, 4 are needed for 16-bit samples in "
         "2 channels"},
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
        {"huge LIST before the data", hugeList(),
         "chunk \"LIST\" at byte 36 claims 4294967295 bytes, only 16 follow it"},
        {"half a chunk header before the data", riff({fmtChunk(), Bytes{'L', 'I', 'S', 'T'}}),
         "truncated chunk header at byte 36: 8 bytes are needed, 4 remain"},
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

struct LenientFile {
    const char* what;
    Bytes bytes;
    Bytes pcm;
    const char* warning; // the one warning expected
};

// Size fields left wrong by recorders that stream or stop abnormally, and
// bytes that other tools add: each file is read with one warning.
std::vector<LenientFile> lenientFiles()
{
    const Bytes good = makeWav(kPcm);
    Bytes trailing = good;
    trailing.insert(trailing.end(), {'I', 'D', '3', 0});
    const Bytes ten{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Bytes nine = dataClaiming(1000);
    nine.pop_back();
    test::fixRiffSize(nine);
    const char* pastEnd = "data chunk at byte 36 claims 1000 bytes, only 10 follow it: the sound is "
                          "read to the end of the file";
    return {
        {"RIFF size 0", withRiffSize(good, 0), kPcm,
         "RIFF size 0 is a placeholder: the file is read to its end"},
        {"RIFF size unset", withRiffSize(good, 0xFFFFFFFF), kPcm,
         "RIFF size 4294967295 is a placeholder: the file is read to its end"},
        {"RIFF size too large", withRiffSize(good, 1000), kPcm,
         "RIFF size gives a file of 1008 bytes, the file holds 50: it is read to its end"},
        {"bytes after the RIFF chunk", trailing, kPcm,
         "4 bytes after the RIFF chunk at byte 50 are ignored"},
        {"data size unset", dataClaiming(0xFFFFFFFF), ten,
         "data chunk size 0xFFFFFFFF is a placeholder: the sound is read to the end of the file"},
        {"data size too large", dataClaiming(1000), ten, pastEnd},
        {"data cut inside a sample", nine, Bytes(ten.begin(), ten.end() - 2),
         "data chunk at byte 36 claims 1000 bytes, only 9 follow it: the sound is read to the end "
         "of the file"},
        {"odd data", riff({fmtChunk(), chunk("data", {1, 2, 3}), chunk("LIST", {1, 2})}), {1, 2},
         "data chunk of 3 bytes is not a whole number of 2-byte frames: its last 1 byte is "
         "ignored"},
        {"half a chunk header after the data",
         riff({fmtChunk(), chunk("data", kPcm), Bytes{'L', 'I', 'S', 'T'}}), kPcm,
         "truncated chunk header at byte 50: 8 bytes are needed, 4 remain: ignored, the sound is "
         "complete before it"},
        {"huge LIST after the data",
         [] {
             Bytes b = riff({fmtChunk(), chunk("data", kPcm), chunk("LIST", {1, 2})});
             test::setLe32(b, 54, 0xFFFFFFFF);
             return b;
         }(),
         kPcm,
         "chunk \"LIST\" at byte 50 claims 4294967295 bytes, only 2 follow it: ignored, the "
         "sound is complete before it"},
    };
}

TEST(ParseWav, WrongSizesAreReadLenientlyWithOneWarningEach)
{
    for (const LenientFile& f : lenientFiles()) {
        SCOPED_TRACE(f.what);
        const WavParseResult r = parseWav(f.bytes);
        ASSERT_TRUE(r.sound) << r.error;
        EXPECT_EQ(pcmOf(r), f.pcm);
        EXPECT_EQ(r.warnings, std::vector<std::string>{f.warning});
    }
    // A streamed or never finished file has both sizes unset: two warnings.
    for (const std::uint32_t unset : {0u, 0xFFFFFFFFu}) {
        const Bytes unfinished = withRiffSize(dataClaiming(unset), unset);
        const WavParseResult r = parseWav(unfinished);
        ASSERT_TRUE(r.sound) << r.error;
        EXPECT_EQ(pcmOf(r), Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        EXPECT_EQ(r.warnings.size(), 2u);
    }
    // An empty data chunk in a finished file is empty.
    const Bytes emptyData = riff({fmtChunk(), chunk("data", {}), chunk("LIST", kPcm)});
    const WavParseResult empty = parseWav(emptyData);
    ASSERT_TRUE(empty.sound) << empty.error;
    EXPECT_TRUE(empty.sound->pcm.empty() && empty.warnings.empty());
}

// Every prefix of a file with extra chunks, each once as it is (its RIFF
// size then too large) and once with its RIFF size made to agree. A cut
// before the data chunk's body is refused; any later cut keeps the whole
// samples before it, with a warning unless the cut drops exactly the last
// chunk (AddressSanitizer catches a read past the shortened copy).
TEST(ParseWav, EveryTruncationKeepsTheSoundBeforeItOrIsRefused)
{
    const Bytes whole = riff({chunk("LIST", {'a', 'b', 'c'}), fmtChunk(), chunk("data", kPcm),
                              chunk("LIST", {'x', 'y'})});
    const std::size_t soundAt = 12 + 12 + 24 + 8;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        for (const bool fixed : {false, true}) {
            SCOPED_TRACE(testing::Message() << n << " bytes, RIFF size fixed " << fixed);
            if (fixed && n >= 12)
                test::fixRiffSize(cut);
            const WavParseResult r = parseWav(cut);
            ASSERT_EQ(r.sound.has_value(), n >= soundAt) << r.error;
            if (!r.sound) {
                EXPECT_EQ(r.error.find('\n'), std::string::npos);
                continue;
            }
            const std::size_t kept = std::min(n - soundAt, kPcm.size()) & ~std::size_t{1};
            EXPECT_EQ(pcmOf(r), Bytes(kPcm.begin(), kPcm.begin() + static_cast<long>(kept)));
            EXPECT_EQ(r.warnings.empty(), fixed && n == soundAt + kPcm.size());
        }
    }
    const WavParseResult r = parseWav(whole);
    EXPECT_TRUE(r.sound && r.warnings.empty());
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
