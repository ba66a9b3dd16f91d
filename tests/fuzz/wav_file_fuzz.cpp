// Fuzz target: the WAV reader on any bytes, and what the analyzer does with
// whatever it accepts. An accepted sound must be the body of a "data" chunk
// inside the input (all of it, or when a warning says so the part that is
// there), of whole frames; a refusal and every warning must be one line. The input
// arrives in a buffer of exactly its size, so AddressSanitizer sees any read
// past it.
#include <algorithm>
#include <cstring>

#include "tests/core/plucked.h"
#include "tests/fuzz/fuzz_target.h"
#include "tests/tools/wav_builder.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/analyze/recording_scan.h"
#include "tools/analyze/wav_file.h"

namespace tensikon::fuzz {

namespace {

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void checkAccepted(std::span<const std::uint8_t> file, const WavSound& sound, bool lenient)
{
    const std::uint8_t* begin = file.data();
    check(sound.pcm.data() == begin + sound.dataOffset, "the sound lies at its data offset");
    check(sound.dataOffset >= 20 && sound.dataOffset + sound.pcm.size() <= file.size(),
          "the sound lies inside the file, after the RIFF and data headers");
    check(std::memcmp(begin, "RIFF", 4) == 0 && std::memcmp(begin + 8, "WAVE", 4) == 0,
          "RIFF WAVE");
    const std::uint8_t* header = begin + sound.dataOffset - 8;
    check(std::memcmp(header, "data", 4) == 0 &&
              (le32(header + 4) == sound.pcm.size() || lenient),
          "the sound is a data chunk's whole body, unless a warning says otherwise");
    check(sound.format.blockAlign > 0 && sound.pcm.size() % sound.format.blockAlign == 0,
          "whole frames");
    // The analyzer's next step on it: every capture is in order and in range.
    const auto captures = scanRecording(sound.pcm, true);
    for (std::size_t i = 0; i < captures.size(); ++i) {
        check(captures[i].pluckBlock * kCaptureBlockBytes < sound.pcm.size(), "pluck block inside");
        check(i == 0 || captures[i].pluckBlock >= captures[i - 1].pluckBlock + 2,
              "captures in order");
        check(!captures[i].tooCloseToEnd || i + 1 == captures.size(), "too close is the last");
    }
    // Read from a file in pieces, the same sound gives the same captures.
    RecordingScanner scanner(true);
    const std::size_t piece = 1 + file.size() % 30011;
    for (std::size_t at = 0; at < sound.pcm.size(); at += piece)
        scanner.feed(sound.pcm.subspan(at, std::min(piece, sound.pcm.size() - at)));
    scanner.finish();
    check(scanner.captures().size() == captures.size(), "pieces find the captures the whole finds");
    for (std::size_t i = 0; i < captures.size(); ++i)
        check(scanner.captures()[i].pluckBlock == captures[i].pluckBlock &&
                  scanner.captures()[i].estimate.hz == captures[i].estimate.hz,
              "pieces give the readings the whole gives");
}

} // namespace

// Files in the other sample formats, with the size fields recorders leave.
std::vector<Input> formatSeeds(const Input& pcm)
{
    using test::chunk;
    using test::Fmt;
    Input streamed = test::riff({test::fmtChunk(), chunk("data", pcm)});
    test::setLe32(streamed, 4, 0xFFFFFFFF);
    test::setLe32(streamed, 40, 0xFFFFFFFF);
    Input trailing = makeWav(pcm);
    trailing.insert(trailing.end(), {'I', 'D', '3', 3, 0});
    const Fmt stereo24{.tag = 0xFFFE, .channels = 2, .rate = 48000, .align = 6, .bits = 24};
    const Fmt float32{.tag = 0xFFFE, .channels = 1, .rate = 96000, .align = 4, .bits = 32};
    return {
        test::riff({test::fmtChunk({.rate = 8000, .align = 1, .bits = 8}), chunk("data", pcm)}),
        test::riff({test::fmtChunk({.channels = 2, .rate = 48000, .align = 6, .bits = 24}),
                    chunk("data", pcm)}),
        test::riff({test::fmtChunk({.tag = 3, .rate = 22050, .align = 8, .bits = 64}),
                    chunk("data", pcm)}),
        test::riff({test::extensibleFmtChunk(stereo24, 1), chunk("data", pcm)}),
        test::riff({test::extensibleFmtChunk(float32, 3), chunk("data", pcm)}),
        test::riff({test::extensibleFmtChunk(float32, 3, 40, 0x70), chunk("data", pcm)}),
        streamed,
        trailing,
        test::riff({test::fmtChunk(), chunk("data", {1, 2, 3}), chunk("LIST", {1})}),
    };
}

std::vector<Input> seeds()
{
    using test::chunk;
    const Input pcm = test::toBytes(test::tone(140, true, test::Rounding::Nearest, 40));
    Input ringing = test::plucked(140, 3000, 0.25);
    Input longer = ringing;
    longer.resize(ringing.size() + 3000, 0);
    std::vector<Input> all = formatSeeds(pcm);
    for (Input& seed : std::vector<Input>{
        makeWav(pcm),
        makeWav(longer),
        test::riff({chunk("LIST", {'I', 'N', 'F', 'O', 'x'}), test::fmtChunk(),
                    chunk("fact", {1, 0, 0, 0}), chunk("data", pcm), chunk("LIST", {1, 2, 3})}),
        test::riff({chunk("data", pcm), test::fmtChunk({.tag = 0xFFFE})}),
        test::riff({test::fmtChunk({.channels = 2, .align = 4}), chunk("data", ringing)}),
        makeWav({}),
    })
        all.push_back(std::move(seed));
    return all;
}

std::size_t maxInputBytes()
{
    return 96 * 1024;
}

} // namespace tensikon::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tensikon;
    const std::span<const std::uint8_t> file(data, size);
    const WavParseResult result = parseWav(file);
    for (const std::string& warning : result.warnings)
        fuzz::check(!warning.empty() && warning.find('\n') == std::string::npos,
                    "a warning is one line");
    if (result.sound) {
        fuzz::check(result.error.empty(), "no error with a sound");
        fuzz::checkAccepted(file, *result.sound, !result.warnings.empty());
    } else {
        fuzz::check(!result.error.empty() && result.error.find('\n') == std::string::npos,
                    "a refusal is one line");
    }
    // Whatever the input, the file written around its bytes reads back.
    const std::span<const std::uint8_t> even = file.first(size & ~std::size_t{1});
    const std::vector<std::uint8_t> rewritten = makeWav(even);
    const WavParseResult back = parseWav(rewritten);
    fuzz::check(back.sound && std::equal(back.sound->pcm.begin(), back.sound->pcm.end(),
                                         even.begin(), even.end()),
                "makeWav round trip");
    return 0;
}
