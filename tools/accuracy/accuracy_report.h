// Errors and failure rates of the three estimators over the corpus, as a
// Markdown table and as data for the plot.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/accuracy/accuracy_corpus.h"

namespace tensikon::bench {

enum Estimator { kTensikon, kReference, kAubioYin, kAubioYinFft, kEstimatorCount };
inline constexpr const char* kEstimatorNames[] = {"Tensikon", "FFT peak", "aubio yin",
                                                  "aubio yinfft"};
// aubiopitch's methods, in the order of their Estimator values; the output of
// each is read from a folder of the same name.
inline constexpr const char* kAubioMethods[] = {"yin", "yinfft"};
inline constexpr int kAubioWindow = 4096; // 93 ms: five periods at 60 Hz
inline constexpr int kAubioHop = 512;

// A reading further than this from the true frequency counts as a failure:
// it is as far off as the whole tolerance band of a target.
inline constexpr double kFailureHz = 5.0;

struct Outcome {
    Pluck pluck;
    bool triggered = false;                                  // some block fired the pluck test
    std::array<std::optional<double>, kEstimatorCount> hz{}; // the readings, if any
};

struct Summary {
    int plucks = 0;
    int readings = 0;
    int failures = 0;                    // no reading, or a reading more than kFailureHz off
    double median = 0, p95 = 0, max = 0; // absolute error (Hz) over all readings
    double medianSigned = 0;
};

// Over the triggered outcomes (a pluck that never fired the pluck test gives
// no estimator anything to read) with the given noise level (any when snrDb
// is empty) and with a true frequency in [lowHz, highHz).
Summary summarize(const std::vector<Outcome>& outcomes, Estimator e, std::optional<double> snrDb,
                  double lowHz, double highHz);

// aubiopitch prints one "seconds hertz" line per frame. The reading is the
// median of the frames that begin at or after fromSeconds (the pluck) and
// found a pitch; nothing when none did.
std::optional<double> aubioReading(const std::string& output, double fromSeconds);

// aubiopitch's frames, in time order: (seconds, hertz), 0 Hz where none.
using AubioFrames = std::vector<std::pair<double, double>>;
AubioFrames aubioFrames(const std::string& output);
// The same reading from the frames that begin in [fromSeconds, toSeconds):
// one capture of several read in one run of aubiopitch.
std::optional<double> aubioReading(const AubioFrames& frames, double fromSeconds, double toSeconds);

struct ReportSettings {
    int perCell = 0;
    std::uint64_t seed = 0;
    std::string plotFile; // as linked from the Markdown page
};

void writeMarkdown(std::ostream& out, const std::vector<Outcome>& outcomes,
                   const ReportSettings& settings);

// For each noise level and estimator (in that order, one gnuplot data set
// each, separated by two blank lines): the sorted absolute errors with the
// percentage of all plucks read at least that well.
void writePlotData(std::ostream& out, const std::vector<Outcome>& outcomes);

// One data set of a plot of the share of readings within a given error,
// under a "# title" line: the sorted errors (raised to `floor` for the log
// axis), each beside the percentage of all `total` read at least that
// well, then the two blank lines that end a gnuplot data set.
void writeErrorCurve(std::ostream& out, const std::string& title, std::vector<double> errors,
                     std::size_t total, double floor);

// One line per pluck: its parameters and the three readings.
void writeResultsCsv(std::ostream& out, const std::vector<Outcome>& outcomes);

} // namespace tensikon::bench
