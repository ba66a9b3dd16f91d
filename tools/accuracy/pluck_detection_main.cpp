// tensikon-pluck-detection: how often each pluck test fires, on the notes
// of the real-sound corpus and on long recordings of noise alone. Run by
// scripts/pluck-detection:
//
//   tensikon-pluck-detection corpus DIR
//       prints, as Markdown, one table for each half of the corpus (tuning,
//       then checking): per chain of the manifest (in its order) and volume,
//       the share of belt-range notes (true pitch 60-250 Hz) on which each
//       test fires, the share read within 5 Hz, and the notes the ring-down
//       rule turned from a right value into "---"
//   tensikon-pluck-detection noise NAME FILE.wav
//       prints one Markdown row: the recording scanned as Continuous mode
//       does (hold 1 s), per test: captures fired, values shown
//   tensikon-pluck-detection mix OUT.wav SECONDS SEED (--hum | RAW...)
//       writes SECONDS of noise: pieces of 2 to 15 s of the RAW recordings
//       (32-bit float mono 44 100 Hz), or of 50 or 60 Hz mains hum, each at
//       a random level (peaks from 45 dB under full scale to 6 dB over,
//       clipped), with quiet gaps of up to 3 s between them, so that noises
//       start, stop and change level as they do in a workshop
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "core/no_reading_reason.h"
#include "core/pitch_estimator.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/accuracy/accuracy_corpus.h"
#include "tools/accuracy/real_accuracy.h"
#include "tools/accuracy/real_sound.h"
#include "tools/analyze/recording_scan.h"

namespace fs = std::filesystem;
using namespace tensikon;
using namespace tensikon::bench;

namespace {

constexpr double kRate = kSampleRate;
constexpr double kRightWithin = 5;
constexpr std::array kTests{PluckTest::Level, PluckTest::Automatic};
constexpr std::array kVolumes{"up", "full", "quiet"};
constexpr std::size_t kHoldBlocks = 4; // the default hold of 1 s

std::optional<std::vector<std::uint8_t>> pcmOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const WavParseResult wav = parseWav(bytes);
    if (!wav.sound)
        return std::nullopt;
    return std::vector<std::uint8_t>(wav.sound->pcm.begin(), wav.sound->pcm.end());
}

// Where a note begins: its clean render keeps the lead-in as exact silence.
std::optional<std::size_t> onsetOf(const std::vector<std::uint8_t>& clean)
{
    for (std::size_t i = 0; i + 1 < clean.size(); i += 2) {
        if (clean[i] != 0 || clean[i + 1] != 0)
            return i / 2;
    }
    return std::nullopt;
}

struct Tally {
    int clips = 0, fired = 0, right = 0, turned = 0;
};

bool isRight(std::optional<std::int32_t> hz, double trueHz)
{
    return hz && std::fabs(*hz - trueHz) <= kRightWithin;
}

// The first capture of a clip, as the live program makes it from the start
// of a recording.
void count(const std::vector<std::uint8_t>& pcm, std::size_t onset, double trueHz, PluckTest test,
           Tally& t)
{
    ++t.clips;
    const auto captures = scanRecording(pcm, false, 0, test);
    if (captures.empty() || captures[0].tooCloseToEnd)
        return;
    const RecordingCapture& c = captures[0];
    const double pluck = static_cast<double>(c.pluckBlock * kCaptureBlockBytes / 2 +
                                             c.estimate.pluckOffset.value_or(0) / 2);
    if (pluck + kRate / 100 < static_cast<double>(onset))
        return; // fired on the lead-in's background, before the note
    ++t.fired;
    t.right += isRight(c.shown.hz, trueHz);
    const bool noRing =
        c.reason == NoReadingReason::NotRingingDown || c.reason == NoReadingReason::OnlyHum;
    t.turned += noRing && isRight(chooseShownReading(c.estimate.hz, c.pitch).hz, trueHz);
}

std::string percent(int part, int whole)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", whole ? 100.0 * part / whole : 0.0);
    return text;
}

// [chain][volume][test]
using Tallies = std::map<std::string, std::map<std::string, std::array<Tally, 2>>>;

void printTable(const Tallies& tallies, const std::vector<std::string>& chains)
{
    std::cout << "| Chain | Volume | Notes | Level fires | Automatic fires | Level within 5 Hz "
                 "| Automatic within 5 Hz | Turned to \"---\" by the ring-down rule (level, "
                 "automatic) |\n|---|---|---|---|---|---|---|---|\n";
    for (const std::string& chain : chains) {
        for (const char* volume : kVolumes) {
            const auto byVolume = tallies.find(chain);
            if (byVolume == tallies.end() || !byVolume->second.contains(volume))
                continue;
            const auto& [level, automatic] = byVolume->second.at(volume);
            std::cout << "| " << chain << " | " << volume << " | " << level.clips << " | "
                      << percent(level.fired, level.clips) << " | "
                      << percent(automatic.fired, automatic.clips) << " | "
                      << percent(level.right, level.clips) << " | "
                      << percent(automatic.right, automatic.clips) << " | " << level.turned << ", "
                      << automatic.turned << " |\n";
        }
    }
}

int corpus(const fs::path& dir)
{
    std::ifstream in(dir / "manifest.csv");
    std::stringstream text;
    text << in.rdbuf();
    const auto clips = parseManifest(text.str());
    if (!clips) {
        std::cerr << "tensikon-pluck-detection: no manifest in " << dir << "\n";
        return 1;
    }
    std::map<std::string, Tallies> halves;
    std::vector<std::string> chains; // in the manifest's order
    std::map<std::string, std::optional<std::size_t>> onsets;
    for (const Clip& c : *clips) {
        if (c.trueHz < kLowestBeltHz || c.trueHz >= kHighestBeltHz)
            continue;
        if (std::find(chains.begin(), chains.end(), c.chain) == chains.end())
            chains.push_back(c.chain);
        std::string clean = c.file;
        clean.replace(clean.rfind("-" + c.chain + "-"), c.chain.size() + 2, "-clean-");
        if (!onsets.contains(clean)) {
            const auto pcm = pcmOf(dir / clean);
            onsets[clean] = pcm ? onsetOf(*pcm) : std::nullopt;
        }
        const auto pcm = pcmOf(dir / c.file);
        if (!pcm || !onsets[clean]) {
            std::cerr << "tensikon-pluck-detection: cannot read " << c.file << "\n";
            return 1;
        }
        for (std::size_t t = 0; t < kTests.size(); ++t)
            count(*pcm, *onsets[clean], c.trueHz, kTests[t], halves[c.half][c.chain][c.volume][t]);
    }
    for (const char* half : kHalves) {
        std::cout << (half == kHalves[0] ? "" : "\n") << "#### The " << half << " half\n\n";
        printTable(halves[half], chains);
    }
    return 0;
}

int noise(const std::string& name, const fs::path& file)
{
    const auto pcm = pcmOf(file);
    if (!pcm) {
        std::cerr << "tensikon-pluck-detection: cannot read " << file << "\n";
        return 1;
    }
    std::cout << "| " << name << " | " << std::fixed;
    std::cout.precision(1);
    std::cout << static_cast<double>(pcm->size()) / (2 * kRate * 60);
    for (const PluckTest test : kTests) {
        int fired = 0, shown = 0;
        std::string values;
        for (const RecordingCapture& c : scanRecording(*pcm, true, kHoldBlocks, test)) {
            fired += !c.tooCloseToEnd;
            if (c.shown.hz) {
                ++shown;
                values += (values.empty() ? " (" : ", ") + std::to_string(*c.shown.hz);
            }
        }
        std::cout << " | " << fired << " | " << shown << (values.empty() ? "" : values + " Hz)")
                  << " | " << percent(fired - shown, fired);
    }
    std::cout << " |\n";
    return 0;
}

std::vector<float> readFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<float> v;
    float f = 0;
    while (in.read(reinterpret_cast<char*>(&f), sizeof f))
        v.push_back(f);
    return v;
}

Signal pieceOf(const std::vector<std::vector<float>>& sources, Random& random, std::size_t n)
{
    if (sources.empty())
        return hum(n, random.uniform(0, 1) < 0.5 ? 50.0 : 60.0, random.uniform(0, 6.28));
    const auto& source = sources[random.next() % sources.size()];
    const auto from =
        static_cast<std::size_t>(random.uniform(0, 1) * static_cast<double>(source.size()));
    Signal x(n);
    for (std::size_t i = 0; i < n; ++i)
        x[i] = source[(from + i) % source.size()];
    return x;
}

int mix(const std::string& out, double seconds, std::uint64_t seed,
        const std::vector<std::string>& raws)
{
    std::vector<std::vector<float>> sources;
    for (const std::string& path : raws) {
        sources.push_back(readFloats(path));
        if (sources.back().empty()) {
            std::cerr << "tensikon-pluck-detection: no sound in " << path << "\n";
            return 1;
        }
    }
    Random random(seed);
    std::vector<std::int16_t> samples;
    const auto total = static_cast<std::size_t>(seconds * kRate);
    while (samples.size() < total) {
        const Signal x =
            pieceOf(sources, random, static_cast<std::size_t>(random.uniform(2, 15) * kRate));
        double peak = 0;
        for (double v : x)
            peak = std::max(peak, std::fabs(v));
        const auto loud = quantise(x, peak > 0 ? volumeAtPeak(x, random.uniform(-45, 6)) : 0);
        samples.insert(samples.end(), loud.begin(), loud.end());
        const auto gap = static_cast<std::size_t>(random.uniform(0, 3) * kRate);
        for (std::size_t i = 0; i < gap; ++i) // a quiet room between the noises
            samples.push_back(static_cast<std::int16_t>(std::lround(3 * random.gaussian())));
    }
    samples.resize(total);
    return writeWav(out, littleEndianBytes(samples)) ? 0 : 1;
}

int usage()
{
    std::cerr << "usage: tensikon-pluck-detection corpus DIR | noise NAME FILE.wav |"
                 " mix OUT.wav SECONDS SEED (--hum | RAW...)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "corpus")
        return corpus(args[1]);
    if (args.size() == 3 && args[0] == "noise")
        return noise(args[1], args[2]);
    if (args.size() >= 5 && args[0] == "mix") {
        const std::vector<std::string> raws(args.begin() + 4, args.end());
        return mix(args[1], std::stod(args[2]), std::stoull(args[3]),
                   raws[0] == "--hum" ? std::vector<std::string>{} : raws);
    }
    return usage();
}
