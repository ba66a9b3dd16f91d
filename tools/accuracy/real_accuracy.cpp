#include "tools/accuracy/real_accuracy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "core/pitch_estimator.h"
#include "tools/accuracy/accuracy_report.h"

namespace tensikon::bench {

namespace {

std::string percent(int part, int whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", whole > 0 ? 100.0 * part / whole : 0.0);
    return text;
}

// Pitch ranges of the report: below the belt range, the belt range, above it.
struct Range {
    const char* name;
    double low, high;
};
constexpr Range kRanges[] = {{"40-60 Hz", 0, kLowestBeltHz},
                             {"60-250 Hz (belts)", kLowestBeltHz, kHighestBeltHz},
                             {"250-1000 Hz", kHighestBeltHz, 1e9}};
constexpr Range kAllNotes{"all", 0, 1e9};

void writeHead(std::ostream& out, const char* group)
{
    out << "| " << group
        << " | Clips | Fired | Fired before the note | Reading | Within 1 Hz | Within 5 Hz "
           "| More than 5 Hz off (too high) | No reading "
           "| Fired before the note: within 5 Hz, more than 5 Hz off |\n"
        << "| --- | ---: | ---: | ---: | --- | ---: | ---: | ---: | ---: | ---: |\n";
}

void writeRows(std::ostream& out, const std::vector<ClipResult>& results, const std::string& label,
               const ClipFilter& select)
{
    for (int e = 0; e < kRealEstimatorCount; ++e) {
        const RealSummary s = summarizeReal(results, static_cast<RealEstimator>(e), select);
        out << "| " << (e == 0 ? label : "") << " | " << (e == 0 ? std::to_string(s.clips) : "")
            << " | " << (e == 0 ? percent(s.fired, s.clips) : "") << " | "
            << (e == 0 ? percent(s.firedBeforeNote, s.clips) : "") << " | "
            << kRealEstimatorNames[e] << " | " << percent(s.within1, s.fired) << " | "
            << percent(s.within5, s.fired) << " | " << percent(s.off, s.fired) << " (" << s.tooHigh
            << " of " << s.off << ") | " << percent(s.none, s.fired) << " | " << s.rightBeforeNote
            << ", " << s.offBeforeNote << " of " << s.firedBeforeNote << " |\n";
    }
}

// `half` empty: both halves.
void writeByChain(std::ostream& out, const std::vector<ClipResult>& results, const char* volume,
                  const std::string& half, const Range& range)
{
    const auto in = [volume, half, &range](const ClipResult& r) {
        return r.clip.volume == volume && (half.empty() || r.clip.half == half) &&
               r.clip.trueHz >= range.low && r.clip.trueHz < range.high;
    };
    writeHead(out, "Chain");
    for (const char* chain : kChains) {
        writeRows(out, results, chain,
                  [chain, &in](const ClipResult& r) { return r.clip.chain == chain && in(r); });
    }
    writeRows(out, results, "all", in);
}

void writeIntroduction(std::ostream& out, const std::vector<ClipResult>& results,
                       const RealReportSettings& settings)
{
    out << "## Real sound\n\n"
        << "The real-sound corpus (`scripts/real-corpus`): " << results.size()
        << " clips of every plucked and struck string instrument of three packaged soundfonts "
           "(guitars, basses, pizzicato strings, harp, sitar, banjo, shamisen, koto, pianos, "
           "harpsichord, clavinet, dulcimer), rendered note by note, with recorded machinery and "
           "engine noise from a packaged sound set ("
        << settings.packages
        << "). Notes run over "
           "every semitone from 62 to 247 Hz, the belt range, and a few from 41 to 55 Hz and from "
           "330 to 988 Hz. The true pitch of "
           "each note is measured from its clean render (samples are tuned up to a few hertz off "
           "their nominal pitch): a harmonic sum over a finely interpolated spectrum of its first "
           "half second, searched near the nominal pitch, then the median of its low partials' "
           "own peaks, each divided by its number.\n\n"
           "The corpus is split by source into two halves: alternate (soundfont, instrument) "
           "pairs, so that every instrument is in both halves but from different soundfonts, and "
           "each half with noise and engine recordings of its own. The estimator's constants are "
           "chosen on the **tuning** half only; the **checking** half tells how they hold on "
           "sound they were not chosen on.";
    if (!settings.leftOut.empty()) {
        out << " A note whose odd partials are all 14 dB or more under its strongest one sounds an "
               "octave above its fundamental; its pitch is not clear, and it is left out. Left "
               "out ("
            << settings.leftOut.size() << " notes):";
        for (std::size_t i = 0; i < settings.leftOut.size(); ++i) {
            out << (i ? "; " : " ") << settings.leftOut[i];
        }
        out << ".";
    }
    out << "\n\n"
        << "Each clip is a lead-in of 0.3 to 0.8 s of the chain's background, then one note, "
           "through one chain: **clean**; **phone**, a phone-grade microphone (no bass below "
           "about 120 Hz, nothing above 7 kHz, a resonance at 2.8 kHz, light automatic level "
           "control); **laptop**, a laptop's microphone (a steep high-pass at 150 Hz, a "
           "resonance at 4.2 kHz, nothing above 9 kHz); **codec**, an MP3 round trip at "
           "64 kbit/s; **room**, a hard-walled room of about 0.9 s reverberation; **noise**, "
           "recorded workshop machinery and engines 20 dB below the pluck's first half second; "
           "**engine**, a recorded engine or motor 15 dB below; **hum**, 50 Hz mains hum with "
           "its harmonics 20 dB below; **strong-hum**, the same 10 dB below; **combined**, the "
           "room, the noise, the phone and the hum 20 dB below, at once. "
           "Volume **up** is where the guide's procedure leaves the microphone volume (from "
           "full, halved while readings come, then back up to the second-from-last setting that "
           "gave one), so attacks may clip; **full** puts the largest sample at full scale and "
           "**quiet** 20 dB under it, both unclipped (their pluck-test figures are in "
           "pluck-detection.md). This report reads volume up only.\n\n"
        << "A clip is read as the live capture reads the microphone (`tensikon-analyze`): "
           "**Fired** is the share of clips in which the pluck test fired on the note. With the "
           "volume up, the lead-in's noise or hum alone sometimes fires it before the note "
           "begins (**fired before the note**; the note starts where its clean render's "
           "silence ends): that capture holds the background and at most the note's beginning; "
           "\"---\" is a right answer there, and the last column counts the readings given, "
           "right and wrong. Among the clips fired on the note: the "
           "**crossing count** is the described estimator's reading, the **shown value** is what "
           "the window shows (\"---\" is no reading), and **aubio yin** and **aubio yinfft** "
           "read the same half second as in the synthetic section above, with a hop of "
        << kRealAubioHop
        << " samples, on the captures of every sixth semitone of the belt range only (65, 92, "
           "131 and 185 Hz; yin costs far more than the program's reading): their rows count "
           "those captures. A reading more than "
        << kFailureHz
        << " Hz off is as wrong as a reading can be: the bracket counts those that are too "
           "high.\n\n";
}

void writeSortedErrors(std::ostream& out, const std::vector<ClipResult>& results,
                       const std::string& chain, int e)
{
    std::vector<double> errors;
    std::size_t fired = 0;
    for (const ClipResult& r : results) {
        if (!r.fired || r.beforeNote || r.clip.chain != chain || r.clip.volume != "up" ||
            ((e == kYin || e == kYinFft) && !r.readByAubio)) {
            continue;
        }
        ++fired;
        if (r.hz[e]) {
            errors.push_back(std::fabs(*r.hz[e] - r.clip.trueHz));
        }
    }
    writeErrorCurve(out, chain + ", " + kRealEstimatorNames[e], std::move(errors), fired, 1e-2);
}

// Every shown value more than kFailureHz off in the belt range, with its
// ratio to the true pitch, so that what the wrong readings have in common
// shows: a whole multiple or fraction, or a few per cent.
void writeWrongReadings(std::ostream& out, const std::vector<ClipResult>& results)
{
    out << "\n### Wrong readings that remain, belt range, volume up\n\n"
        << "What they have in common, by their ratio to the true pitch: near 2 or 4, notes "
           "whose fundamental the phone band and the room take out while one partial rings far "
           "over the rest (the shamisen's fourth), which most frames then read; near 0.5, a "
           "note read over two of its periods under engine noise; near 0.94, a pizzicato note "
           "through the room, whose fundamental a resonance of the room lifts 6 % lower: with "
           "its weak upper harmonics that tips the check for the lower pitch a hard pluck "
           "settles on.\n\n"
        << "| Half | Chain | Clip | True pitch | Shown | Shown / true | Crossing count |\n"
        << "| --- | --- | --- | ---: | ---: | ---: | ---: |\n";
    for (const char* half : kHalves) {
        for (const ClipResult& r : results) {
            const auto& shown = r.hz[kShown];
            if (r.clip.half != half || !r.fired || r.beforeNote || !shown ||
                r.clip.trueHz < kRanges[1].low || r.clip.trueHz >= kRanges[1].high ||
                std::fabs(*shown - r.clip.trueHz) <= kFailureHz) {
                continue;
            }
            char ratio[16];
            std::snprintf(ratio, sizeof ratio, "%.2f", *shown / r.clip.trueHz);
            const auto& count = r.hz[kCrossings];
            out << "| " << half << " | " << r.clip.chain << " | " << r.clip.file << " | "
                << r.clip.trueHz << " | " << *shown << " | " << ratio << " | "
                << (count ? std::to_string(static_cast<int>(*count)) : "---") << " |\n";
        }
    }
}

} // namespace

std::optional<std::vector<Clip>> parseManifest(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    std::vector<Clip> clips;
    if (!std::getline(lines, line) ||
        line != "file,instrument,midi_note,chain,volume,true_hz,half") {
        return std::nullopt;
    }
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        Clip c;
        std::string note, hz;
        if (!std::getline(fields, c.file, ',') || !std::getline(fields, c.instrument, ',') ||
            !std::getline(fields, note, ',') || !std::getline(fields, c.chain, ',') ||
            !std::getline(fields, c.volume, ',') || !std::getline(fields, hz, ',') ||
            !std::getline(fields, c.half)) {
            return std::nullopt;
        }
        c.midiNote = std::atoi(note.c_str());
        c.trueHz = std::atof(hz.c_str());
        if (c.trueHz <= 0 || c.midiNote <= 0) {
            return std::nullopt;
        }
        clips.push_back(c);
    }
    return clips;
}

std::optional<std::optional<double>> jsonNumber(const std::string& json, const std::string& key)
{
    const std::string quoted = "\"" + key + "\":";
    const auto at = json.find(quoted);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* value = json.c_str() + at + quoted.size();
    while (*value == ' ') {
        ++value;
    }
    if (std::string_view(value).starts_with("null")) {
        return std::optional<double>();
    }
    char* end = nullptr;
    const double v = std::strtod(value, &end);
    return end == value ? std::nullopt : std::optional<std::optional<double>>(v);
}

bool readAnalyzer(const std::string& json, ClipResult& result)
{
    const auto shown = jsonNumber(json, "frequency_hz");
    if (!shown) {
        return false;
    }
    result.hz[kShown] = *shown;
    const auto crossings = jsonNumber(json, "crossing_hz");
    result.hz[kCrossings] = crossings ? *crossings : *shown;
    return true;
}

bool readByAubio(const Clip& c)
{
    return c.volume == "up" && std::find(std::begin(kAubioNotes), std::end(kAubioNotes),
                                         c.midiNote) != std::end(kAubioNotes);
}

RealSummary summarizeReal(const std::vector<ClipResult>& results, RealEstimator e,
                          const ClipFilter& select)
{
    RealSummary s;
    for (const ClipResult& r : results) {
        if (!select(r) || ((e == kYin || e == kYinFft) && !r.readByAubio)) {
            continue;
        }
        ++s.clips;
        if (!r.fired) {
            continue;
        }
        const auto& hz = r.hz[e];
        const double error = hz ? std::fabs(*hz - r.clip.trueHz) : 0.0;
        if (r.beforeNote) {
            ++s.firedBeforeNote;
            s.rightBeforeNote += hz && error <= kFailureHz;
            s.offBeforeNote += hz && error > kFailureHz;
            continue;
        }
        ++s.fired;
        if (!hz) {
            ++s.none;
            continue;
        }
        s.within1 += error <= 1.0;
        s.within5 += error <= kFailureHz;
        s.off += error > kFailureHz;
        s.tooHigh += error > kFailureHz && *hz > r.clip.trueHz;
    }
    return s;
}

void writeRealMarkdown(std::ostream& out, const std::vector<ClipResult>& results,
                       const RealReportSettings& settings)
{
    writeIntroduction(out, results, settings);
    for (const char* half : kHalves) {
        out << "### Belt range (true pitch 60-250 Hz) by chain, volume up, " << half << " half\n\n";
        writeByChain(out, results, "up", half, kRanges[1]);
        out << "\n";
    }
    for (const char* half : kHalves) {
        out << "### All notes by chain, volume up, " << half << " half\n\n";
        writeByChain(out, results, "up", half, kAllNotes);
        out << "\n";
    }
    out << "\n### By instrument, volume up, all chains, both halves\n\n";
    writeHead(out, "Instrument");
    std::vector<std::string> instruments;
    for (const ClipResult& r : results) {
        if (std::find(instruments.begin(), instruments.end(), r.clip.instrument) ==
            instruments.end()) {
            instruments.push_back(r.clip.instrument);
        }
    }
    for (const std::string& name : instruments) {
        writeRows(out, results, name, [&name](const ClipResult& r) {
            return r.clip.instrument == name && r.clip.volume == "up";
        });
    }
    out << "\n### By pitch, volume up, all chains, both halves\n\n";
    writeHead(out, "True pitch");
    for (const Range& range : kRanges) {
        writeRows(out, results, range.name, [&range](const ClipResult& r) {
            return r.clip.volume == "up" && r.clip.trueHz >= range.low &&
                   r.clip.trueHz < range.high;
        });
    }
    writeWrongReadings(out, results);
    out << "\n![Share of fired clips read within a given error, per chain, volume up]("
        << settings.plotFile << ")\n\n"
        << "Reproduce with `scripts/accuracy` (it also installs the soundfonts, the sound set "
           "and `fluidsynth`, and writes the corpus to `build/real-corpus/`).\n";
}

void writeRealPlotData(std::ostream& out, const std::vector<ClipResult>& results)
{
    for (const char* chain : kChains) {
        for (int e = 0; e < kRealEstimatorCount; ++e) {
            writeSortedErrors(out, results, chain, e);
        }
    }
}

} // namespace tensikon::bench
