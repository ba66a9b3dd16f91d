// A pluck read through every format the analyzer accepts gives the reading
// of its 16-bit mono 44 100 Hz original, within 1 Hz, in the same block; a
// sound without a pluck stays without one.
//
// What may legitimately differ: conversion moves each 16-bit sample by a
// step or two (and resampling by a little more), so a level that sits
// exactly on the trigger threshold (96) or on the estimator's baseline may
// fall on the other side of it. That can move the pluck offset inside its
// buffer, or the reading by a hertz; a pluck whose peaks only just reach
// level 96 could fire in one format and not another. The signals here stay
// clear of the threshold (peaks near level 117, or below level 80 for the
// sound without a pluck), as real plucks do.
#include "tools/analyze/capture_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <numbers>

#include "tests/tools/any_wav.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/analyze/recording_scan.h"

namespace tensikon::analyze {
namespace {

using test::Bytes;
using test::Signal;
using test::WavSpec;

// The analyzer's path from the file's bytes to the captures, in pieces.
std::vector<RecordingCapture> readThrough(const Bytes& wav,
                                          std::optional<std::uint16_t> channel = {})
{
    const WavParseResult r = parseWav(wav);
    if (!r.sound) {
        ADD_FAILURE() << r.error;
        return {};
    }
    CaptureStream stream(r.sound->format, channel);
    RecordingScanner scanner(true, 4);
    const std::size_t piece = 4099 * r.sound->format.blockAlign;
    for (std::size_t at = 0; at < r.sound->pcm.size(); at += piece)
        scanner.feed(
            stream.convert(r.sound->pcm.subspan(at, std::min(piece, r.sound->pcm.size() - at))));
    scanner.feed(stream.finish());
    scanner.finish();
    return scanner.captures();
}

// A belt plucked 0.4 s in, ringing with a time constant of 0.25 s.
Signal decaying(double hz, double peak, std::uint32_t rate)
{
    Signal s(rate * 3 / 2, 0.0);
    for (std::size_t n = rate * 2 / 5; n < s.size(); ++n) {
        const double t = double(n) / rate - 0.4;
        s[n] = peak * std::exp(-t / 0.25) * std::sin(2 * std::numbers::pi * hz * t);
    }
    return s;
}

// The program's sample recording, brought to `rate` by the resampler.
Signal sample(std::uint32_t rate)
{
    std::ifstream file(TENSIKON_SAMPLE_WAV, std::ios::binary);
    const Bytes wav((std::istreambuf_iterator<char>(file)), {});
    const WavParseResult r = parseWav(wav);
    std::vector<float> x;
    FrameDecoder(r.sound->format, {}).decode(r.sound->pcm, x);
    std::vector<float> y;
    if (rate == 44100) {
        y = x;
    } else {
        Resampler resampler(44100, rate);
        resampler.push(x, y);
        resampler.finish(y);
    }
    return Signal(y.begin(), y.end());
}

void expectSameReading(const std::vector<RecordingCapture>& got,
                       const std::vector<RecordingCapture>& original)
{
    ASSERT_EQ(got.size(), original.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].pluckBlock, original[i].pluckBlock);
        ASSERT_EQ(got[i].estimate.hz.has_value(), original[i].estimate.hz.has_value());
        if (got[i].estimate.hz) {
            EXPECT_NEAR(*got[i].estimate.hz, *original[i].estimate.hz, 1);
        }
    }
}

struct Source {
    const char* name;
    Signal (*at)(std::uint32_t rate);
    bool hasReading;
};

const Source kSources[] = {
    {"the sample", sample, true},
    {"140 Hz", [](std::uint32_t rate) { return decaying(140, 0.92, rate); }, true},
    {"62 Hz", [](std::uint32_t rate) { return decaying(62, 0.92, rate); }, true},
    {"no pluck", [](std::uint32_t rate) { return decaying(140, 0.6, rate); }, false},
};

// Every sample type, plain and extensible, mono and stereo, at the rates
// phones and recorders use.
TEST(CaptureStream, EveryFormatGivesTheOriginalsReading)
{
    const std::pair<SampleType, std::uint16_t> types[] = {
        {SampleType::Integer, 8},  {SampleType::Integer, 16}, {SampleType::Integer, 24},
        {SampleType::Integer, 32}, {SampleType::Float, 32},   {SampleType::Float, 64}};
    for (const Source& source : kSources) {
        const auto original = readThrough(test::anyWav({}, source.at(44100)));
        ASSERT_EQ(!original.empty() && original[0].estimate.hz, source.hasReading) << source.name;
        for (const std::uint32_t rate : {8000u, 22050u, 48000u, 96000u}) {
            const Signal signal = source.at(rate);
            for (const auto& [type, bits] : types) {
                for (const std::uint16_t channels : {1, 2}) {
                    const WavSpec spec{type, bits, channels, rate, channels == 2};
                    SCOPED_TRACE(testing::Message()
                                 << source.name << ", " << rate << " Hz, " << bits
                                 << (type == SampleType::Float ? "-bit float, " : "-bit, ")
                                 << channels << " channels");
                    expectSameReading(readThrough(test::anyWav(spec, signal)), original);
                }
            }
        }
    }
}

TEST(CaptureStream, OtherRatesUpTo192kHzGiveTheOriginalsReading)
{
    for (const Source& source : kSources) {
        const auto original = readThrough(test::anyWav({}, source.at(44100)));
        for (const std::uint32_t rate :
             {11025u, 16000u, 32000u, 37800u, 44100u, 88200u, 176400u, 192000u}) {
            SCOPED_TRACE(testing::Message() << source.name << ", " << rate << " Hz");
            const WavSpec spec{SampleType::Float, 32, 2, rate, false};
            expectSameReading(readThrough(test::anyWav(spec, source.at(rate))), original);
        }
    }
}

// Two belts on two channels: each channel chosen alone gives its own belt.
TEST(CaptureStream, AChosenChannelIsReadAlone)
{
    const Signal both[] = {decaying(140, 0.92, 48000), decaying(210, 0.92, 48000)};
    const Bytes wav = test::anyWav({.bits = 24, .channels = 2, .rate = 48000}, both);
    const auto left = readThrough(wav, 0);
    const auto right = readThrough(wav, 1);
    ASSERT_EQ(left.size(), 1u);
    ASSERT_EQ(right.size(), 1u);
    EXPECT_NEAR(left[0].estimate.hz.value_or(0), 140, 1);
    EXPECT_NEAR(right[0].estimate.hz.value_or(0), 209, 1);
}

TEST(CaptureStream, LevelsAreRoundedAndClippedAsA16BitRecorderWould)
{
    EXPECT_EQ(toSample16(0.75f), 24576);
    EXPECT_EQ(toSample16(-0.75f), -24576);
    EXPECT_EQ(toSample16(1.5f), 32767);
    EXPECT_EQ(toSample16(-1.5f), -32768);
    EXPECT_EQ(toSample16(std::nanf("")), 0);
    EXPECT_EQ(toSample16(100.4f / 32768), 100);
}

} // namespace
} // namespace tensikon::analyze
