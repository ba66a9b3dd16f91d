// The real-sound section of the accuracy report: how the program and
// aubio's pitch tool read the clips of the real-sound corpus
// (scripts/real-corpus), by chain, volume, instrument and pitch range.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tensikon::bench {

// One clip of the corpus, as its manifest lists it.
struct Clip {
    std::string file; // relative to the corpus folder
    std::string instrument;
    int midiNote = 0;
    std::string chain;
    std::string volume;
    double trueHz = 0;
    // "tuning" or "checking": the corpus is split by source (soundfont and
    // instrument, noise recordings), and the estimator's constants are
    // chosen on the tuning half only.
    std::string half;
};

// The manifest's rows (after its header), or nothing when one is malformed.
// Only the volume "up" is read in this report.
std::optional<std::vector<Clip>> parseManifest(const std::string& text);

enum RealEstimator { kCrossings, kShown, kYin, kYinFft, kRealEstimatorCount };
inline constexpr const char* kRealEstimatorNames[] = {"crossing count", "shown value", "aubio yin",
                                                      "aubio yinfft"};

struct ClipResult {
    Clip clip;
    bool fired = false; // some block fired the pluck test, with a whole block after it
    // It fired on the lead-in's noise or hum, before the note began: the
    // capture holds the background and, at most, the note's beginning.
    bool beforeNote = false;
    std::array<std::optional<double>, kRealEstimatorCount> hz{};
    bool readByAubio = false; // one of the notes aubio reads (kAubioNotes)
};

// aubio's yin costs far more than the program's reading: it reads the
// captures at volume "up" of every sixth semitone of the belt range
// (65, 92, 131 and 185 Hz), with a hop of 2048 samples (five readings in
// each capture's half second), and its rows count those captures only.
inline constexpr int kAubioNotes[] = {36, 42, 48, 54};
inline constexpr int kRealAubioHop = 2048;
bool readByAubio(const Clip& c);

// A field of the analyzer's JSON object for one capture: nothing when the
// field is absent, an empty optional inside when it is null.
std::optional<std::optional<double>> jsonNumber(const std::string& json, const std::string& key);

// The analyzer's readings of a clip: its first capture's frequency_hz (the
// shown value) and crossing_hz (the described estimator; frequency_hz
// stands in for it when the analyzer has no such field). False when the
// analyzer found no capture.
bool readAnalyzer(const std::string& json, ClipResult& result);

struct RealSummary {
    int clips = 0, fired = 0, firedBeforeNote = 0; // fired counts those on the note only
    int within1 = 0, within5 = 0, off = 0, tooHigh = 0, none = 0; // among the fired on the note
    int rightBeforeNote = 0, offBeforeNote = 0; // readings where it fired before the note
};

using ClipFilter = std::function<bool(const ClipResult&)>;
RealSummary summarizeReal(const std::vector<ClipResult>& results, RealEstimator e,
                          const ClipFilter& select);

struct RealReportSettings {
    std::string plotFile;             // as linked from the Markdown page
    std::string packages;             // the packages the sound came from, for the text
    std::vector<std::string> leftOut; // the notes the corpus left out, and why
};

void writeRealMarkdown(std::ostream& out, const std::vector<ClipResult>& results,
                       const RealReportSettings& settings);

// For each chain at volume "up", then each estimator (one gnuplot data set
// each, separated by two blank lines): the sorted absolute errors with the
// percentage of the fired clips read at least that well.
void writeRealPlotData(std::ostream& out, const std::vector<ClipResult>& results);

inline constexpr const char* kChains[] = {"clean", "phone",  "laptop", "codec",      "room",
                                          "noise", "engine", "hum",    "strong-hum", "combined"};
inline constexpr const char* kHalves[] = {"tuning", "checking"};

} // namespace tensikon::bench
