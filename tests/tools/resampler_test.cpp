// The analyzer's resampler: exact enough for the measurement, band-limited,
// streaming, and close to sox's where sox is installed.
#include "tools/analyze/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "tests/tools/any_wav.h"
#include "tests/tools/run_program.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/analyze/frame_decoder.h"
#include "tools/analyze/wav_file.h"

namespace tensikon::analyze {
namespace {

std::vector<float> sine(double hz, double amplitude, std::uint32_t rate, double seconds)
{
    std::vector<float> s(static_cast<std::size_t>(seconds * rate));
    for (std::size_t n = 0; n < s.size(); ++n)
        s[n] =
            static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * double(n) / rate));
    return s;
}

std::vector<float> resampled(std::span<const float> in, std::uint32_t rate, std::size_t piece)
{
    Resampler r(rate, 44100);
    std::vector<float> out;
    for (std::size_t at = 0; at < in.size(); at += piece)
        r.push(in.subspan(at, std::min(piece, in.size() - at)), out);
    r.finish(out);
    return out;
}

double dB(double v)
{
    return 20 * std::log10(std::max(v, 1e-12));
}

// The largest difference from `expected` away from the ends, where the
// signal starts and stops abruptly.
double maxError(const std::vector<float>& got, const std::vector<float>& expected)
{
    double worst = 0;
    for (std::size_t n = 2000; n + 2000 < std::min(got.size(), expected.size()); ++n)
        worst = std::max(worst, std::abs(double(got[n]) - expected[n]));
    return worst;
}

TEST(Resampler, KeepsTonesInItsPassBandAndTheirTiming)
{
    for (const std::uint32_t rate : {8000u, 11025u, 22050u, 37800u, 48000u, 96000u, 192000u}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz");
        const double hz = std::min(0.3 * rate, 13000.0);
        const std::vector<float> in = sine(hz, 0.5, rate, 0.5);
        const std::vector<float> out = resampled(in, rate, in.size());
        // Output k lies at input time k * rate / 44100: as many as fit.
        EXPECT_EQ(out.size(), (in.size() * 44100 + rate - 1) / rate);
        EXPECT_LT(dB(maxError(out, sine(hz, 0.5, 44100, 0.5))), -70);
    }
}

TEST(Resampler, RemovesWhatTheOutputRateCannotHold)
{
    // 30 kHz at 96 kHz would fold to 14.1 kHz; interpolating between
    // samples would leave most of it.
    const std::vector<float> out = resampled(sine(30000, 0.5, 96000, 0.5), 96000, 4096);
    double energy = 0;
    for (std::size_t n = 2000; n + 2000 < out.size(); ++n)
        energy += double(out[n]) * out[n];
    EXPECT_LT(dB(std::sqrt(energy / double(out.size() - 4000))), -70);
}

TEST(Resampler, PiecesOfAnySizeGiveTheSameOutput)
{
    const std::vector<float> in = sine(440, 0.8, 48000, 0.2);
    const std::vector<float> whole = resampled(in, 48000, in.size());
    for (const std::size_t piece : {1u, 7u, 160u, 1000u})
        EXPECT_EQ(resampled(in, 48000, piece), whole) << "pieces of " << piece;
    EXPECT_TRUE(resampled({}, 48000, 1).empty());
}

// A pluck with tones up to 12 kHz over it, as both sox and this resampler
// bring it to 44 100 Hz. Their difference is printed; both are band-limited
// filters of high order, so it stays near one 16-bit step (-90 dB) or
// below, far under what the measurement (which looks at the top 8 bits of
// each sample) could notice.
TEST(Resampler, AgreesWithSox)
{
    const std::filesystem::path sox = "/usr/bin/sox";
#ifdef _WIN32
    GTEST_SKIP() << "sox is not run from the Windows build";
#endif
    if (!std::filesystem::exists(sox))
        GTEST_SKIP() << "sox is not installed";
    const auto dir = std::filesystem::temp_directory_path();
    for (const std::uint32_t rate : {8000u, 22050u, 48000u, 96000u, 192000u}) {
        test::Signal x(rate * 2);
        for (std::size_t n = 0; n < x.size(); ++n) {
            const double t = double(n) / rate;
            x[n] = 0.6 * std::exp(-t / 0.25) * std::sin(2 * std::numbers::pi * 140 * t) +
                   0.1 * std::sin(2 * std::numbers::pi * 1000 * t) +
                   0.05 * std::sin(2 * std::numbers::pi * std::min(12000.0, 0.35 * rate) * t);
        }
        const auto in = dir / ("tensikon-sox-in-" + std::to_string(rate) + ".wav");
        const auto out = dir / ("tensikon-sox-out-" + std::to_string(rate) + ".wav");
        const test::Bytes wav =
            test::anyWav({.type = SampleType::Float, .bits = 32, .rate = rate}, x);
        std::ofstream(in, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()), std::streamsize(wav.size()));
        const test::ProgramRun run =
            test::runProgram(sox.string(), {in.string(), "-e", "floating-point", "-b", "32",
                                            out.string(), "rate", "-v", "44100"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::ifstream file(out, std::ios::binary);
        const test::Bytes theirs((std::istreambuf_iterator<char>(file)), {});
        const WavParseResult parsed = parseWav(theirs);
        ASSERT_TRUE(parsed.sound) << parsed.error;
        std::vector<float> soxOut;
        FrameDecoder(parsed.sound->format, {}).decode(parsed.sound->pcm, soxOut);
        const std::vector<float> ours =
            resampled(std::vector<float>(x.begin(), x.end()), rate, 65536);
        double worst = 0, energy = 0;
        std::size_t count = 0;
        for (std::size_t n = 2000; n + 2000 < std::min(ours.size(), soxOut.size()); ++n, ++count) {
            const double d = double(ours[n]) - soxOut[n];
            worst = std::max(worst, std::abs(d));
            energy += d * d;
        }
        const double rms = std::sqrt(energy / double(count));
        std::cout << rate << " Hz -> 44100 Hz, this resampler against sox: max difference "
                  << dB(worst) << " dB, RMS " << dB(rms) << " dB (full scale 0 dB)\n";
        EXPECT_LT(dB(worst), -60) << rate;
        std::filesystem::remove(in);
        std::filesystem::remove(out);
    }
}

} // namespace
} // namespace tensikon::analyze
