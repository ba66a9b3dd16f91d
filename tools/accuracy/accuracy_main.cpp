// tensikon-accuracy: how accurately plucks are measured, beside a reference
// estimator and aubio's pitch tool. Run by scripts/accuracy:
//
//   tensikon-accuracy generate DIR [--per-cell N] [--seed S]
//       writes the half second each pluck's capture holds as DIR/wav/ID.wav,
//       and DIR/aubio-jobs.txt: one aubiopitch run a line, its output file
//       (DIR/METHOD/ID.txt) first, then its arguments
//   tensikon-accuracy report DIR --markdown FILE --plot-data FILE
//                    [--plot-name NAME] [--per-cell N] [--seed S]
//       regenerates the same corpus, runs both estimators, reads aubio's
//       outputs and writes the table, the plot's data and DIR/results.csv
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/capture_format.h"
#include "core/frequency_estimator.h"
#include "tools/accuracy/accuracy_corpus.h"
#include "tools/accuracy/accuracy_report.h"
#include "tools/accuracy/reference_estimator.h"

namespace fs = std::filesystem;
using namespace tensikon;
using namespace tensikon::bench;

namespace {

struct Options {
    std::string command;
    fs::path dir;
    int perCell = 100;
    std::uint64_t seed = 20261207;
    std::string markdown;
    std::string plotData;
    std::string plotName = "accuracy.png";
};

bool parse(int argc, char** argv, Options& o)
{
    if (argc < 3) {
        return false;
    }
    o.command = argv[1];
    o.dir = argv[2];
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--per-cell") {
            o.perCell = std::atoi(value);
        } else if (key == "--seed") {
            o.seed = std::strtoull(value, nullptr, 10);
        } else if (key == "--markdown") {
            o.markdown = value;
        } else if (key == "--plot-data") {
            o.plotData = value;
        } else if (key == "--plot-name") {
            o.plotName = value;
        } else {
            return false;
        }
    }
    const bool even = argc % 2 == 1;
    return even && o.perCell > 0 &&
           (o.command == "generate" ||
            (o.command == "report" && !o.markdown.empty() && !o.plotData.empty()));
}

std::string idOf(const Pluck& p)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d", p.id);
    return text;
}

// One aubiopitch run per line: the output file, then the arguments.
void writeAubioJob(std::ostream& jobs, const fs::path& dir, const std::string& id)
{
    for (const char* method : kAubioMethods) {
        jobs << (dir / method / (id + ".txt")).string() << " -p " << method << " -B "
             << kAubioWindow << " -H " << kAubioHop << " -u Hz -i "
             << (dir / "wav" / (id + ".wav")).string() << "\n";
    }
}

int generate(const Options& o)
{
    fs::create_directories(o.dir / "wav");
    for (const char* method : kAubioMethods) {
        fs::create_directories(o.dir / method);
    }
    std::ofstream jobs(o.dir / "aubio-jobs.txt");
    int written = 0;
    for (const Pluck& p : makeCorpus(o.perCell, o.seed)) {
        const auto capture = captureOf(recordingOf(p));
        if (!capture) {
            continue;
        }
        if (!writeWav((o.dir / "wav" / (idOf(p) + ".wav")).string(), capture->buffer)) {
            std::cerr << "tensikon-accuracy: cannot write into " << o.dir << "\n";
            return 1;
        }
        writeAubioJob(jobs, o.dir, idOf(p));
        ++written;
    }
    if (!jobs.flush()) {
        std::cerr << "tensikon-accuracy: cannot write the aubiopitch jobs\n";
        return 1;
    }
    std::cout << "wrote " << written << " captures to " << (o.dir / "wav").string() << "\n";
    return 0;
}

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the two estimators on one pluck's capture and takes aubio's reading.
std::optional<Outcome> evaluate(const Pluck& p, const fs::path& dir)
{
    Outcome o{p, false, {}};
    const auto capture = captureOf(recordingOf(p));
    if (!capture) {
        return o;
    }
    o.triggered = true;
    const AnalysisBuffer buffer(capture->buffer.data(), kAnalysisBufferBytes);
    if (const auto hz = estimateFrequency(buffer)) {
        o.hz[kTensikon] = *hz;
    }
    o.hz[kReference] = fftPeakFrequency(buffer);
    const auto pluck = findPluck(buffer);
    const double from = pluck ? static_cast<double>(*pluck / 2) / kSampleRate : 0.0;
    for (std::size_t m = 0; m < std::size(kAubioMethods); ++m) {
        const auto aubio = readFile(dir / kAubioMethods[m] / (idOf(p) + ".txt"));
        if (!aubio) {
            std::cerr << "tensikon-accuracy: no aubiopitch " << kAubioMethods[m]
                      << " output for pluck " << idOf(p) << "\n";
            return std::nullopt;
        }
        o.hz[kAubioYin + m] = aubioReading(*aubio, from);
    }
    return o;
}

int report(const Options& o)
{
    std::vector<Outcome> outcomes;
    for (const Pluck& p : makeCorpus(o.perCell, o.seed)) {
        const auto outcome = evaluate(p, o.dir);
        if (!outcome) {
            return 1;
        }
        outcomes.push_back(*outcome);
    }
    std::ofstream markdown(o.markdown);
    std::ofstream plot(o.plotData);
    std::ofstream results(o.dir / "results.csv");
    writeMarkdown(markdown, outcomes, {o.perCell, o.seed, o.plotName});
    writePlotData(plot, outcomes);
    writeResultsCsv(results, outcomes);
    if (!markdown || !plot || !results) {
        std::cerr << "tensikon-accuracy: cannot write the report\n";
        return 1;
    }
    writeMarkdown(std::cout, outcomes, {o.perCell, o.seed, o.plotName});
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << "usage: tensikon-accuracy generate DIR [--per-cell N] [--seed S]\n"
                     "       tensikon-accuracy report DIR --markdown FILE --plot-data FILE\n"
                     "                         [--plot-name NAME] [--per-cell N] [--seed S]\n";
        return 2;
    }
    return options.command == "generate" ? generate(options) : report(options);
}
