// tensikon-real-accuracy: the real-sound section of docs/accuracy.md. Run by
// scripts/accuracy:
//
//   tensikon-real-accuracy prepare CORPUS WORK
//       for every clip of CORPUS/manifest.csv that fires the pluck test,
//       writes the half second the capture holds as WORK/half/FILE, and the
//       jobs to run: WORK/analyzer-jobs.txt (output file, then the clip) and
//       WORK/aubio-jobs.txt (output file, then aubiopitch's arguments). The
//       captures of each soundfont and instrument at volume "up" are read by
//       aubiopitch in one run (a run per clip costs far more than the
//       reading): WORK/aubio/GROUP.wav holds them one after another, each
//       followed by silence longer than aubio's window, and
//       WORK/aubio-offsets.csv gives where each one starts
//   tensikon-real-accuracy report CORPUS WORK --markdown FILE --plot-data FILE
//                          --plot-name NAME --packages TEXT
//       reads the jobs' outputs and writes the section, the plot's data and
//       WORK/results.csv
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "core/capture_format.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/accuracy/accuracy_corpus.h"
#include "tools/accuracy/accuracy_report.h"
#include "tools/accuracy/real_accuracy.h"

namespace fs = std::filesystem;
using namespace tensikon;
using namespace tensikon::bench;

namespace {

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The clip's capture, as the live scan would take it, or nothing.
std::optional<Capture> captureOfFile(const fs::path& path, std::string& error)
{
    const auto bytes = readFile(path);
    if (!bytes) {
        error = "cannot read " + path.string();
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
    const WavParseResult wav = parseWav({data, bytes->size()});
    if (!wav.sound) {
        error = path.string() + ": " + wav.error;
        return std::nullopt;
    }
    std::vector<std::int16_t> samples(wav.sound->pcm.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] =
            static_cast<std::int16_t>(wav.sound->pcm[2 * i] | (wav.sound->pcm[2 * i + 1] << 8));
    }
    return captureOf(samples);
}

std::optional<std::vector<Clip>> manifestOf(const fs::path& corpus)
{
    const auto text = readFile(corpus / "manifest.csv");
    auto clips = text ? parseManifest(*text) : std::nullopt;
    if (!clips) {
        std::cerr << "tensikon-real-accuracy: " << (corpus / "manifest.csv")
                  << " is missing or malformed\n";
    }
    return clips;
}

// Silence after each capture in aubio's runs: frames that begin in a
// capture read only it.
constexpr std::size_t kAubioGapSamples = 2 * kAubioWindow;

// The soundfont and instrument folder of a clip.
std::string groupOf(const Clip& c)
{
    std::string group = fs::path(c.file).parent_path().string();
    std::replace(group.begin(), group.end(), '/', '-');
    return group;
}

bool writeGroups(const fs::path& work,
                 const std::map<std::string, std::vector<std::uint8_t>>& groups)
{
    std::ofstream aubio(work / "aubio-jobs.txt");
    fs::create_directories(work / "aubio");
    for (const auto& [group, pcm] : groups) {
        const fs::path wav = work / "aubio" / (group + ".wav");
        if (!writeWav(wav.string(), pcm)) {
            return false;
        }
        for (const char* method : kAubioMethods) {
            fs::create_directories(work / method);
            aubio << (work / method / (group + ".txt")).string() << " -p " << method << " -B "
                  << kAubioWindow << " -H " << kRealAubioHop << " -u Hz -i " << wav.string()
                  << '\n';
        }
    }
    return static_cast<bool>(aubio);
}

int prepare(const fs::path& corpus, const fs::path& work)
{
    const auto clips = manifestOf(corpus);
    if (!clips) {
        return 1;
    }
    std::ofstream analyzer(work / "analyzer-jobs.txt"), offsets(work / "aubio-offsets.csv");
    std::map<std::string, std::vector<std::uint8_t>> groups;
    for (const Clip& c : *clips) {
        if (c.volume != "up") {
            continue;
        }
        analyzer << (work / "analyze" / (c.file + ".json")).string() << ' '
                 << (corpus / c.file).string() << '\n';
        std::string error;
        const auto capture = captureOfFile(corpus / c.file, error);
        if (!error.empty()) {
            std::cerr << "tensikon-real-accuracy: " << error << "\n";
            return 1;
        }
        if (!capture) {
            continue;
        }
        const fs::path half = work / "half" / c.file;
        fs::create_directories(half.parent_path());
        writeWav(half.string(), capture->buffer);
        if (!readByAubio(c)) {
            continue;
        }
        std::vector<std::uint8_t>& pcm = groups[groupOf(c)];
        offsets << c.file << ',' << pcm.size() / 2 << '\n';
        pcm.insert(pcm.end(), capture->buffer.begin(), capture->buffer.end());
        pcm.resize(pcm.size() + 2 * kAubioGapSamples, 0);
    }
    return analyzer && offsets && writeGroups(work, groups) ? 0 : 1;
}

// Where each clip's capture starts in its group's run of aubiopitch.
std::map<std::string, std::size_t> aubioOffsets(const fs::path& work)
{
    std::map<std::string, std::size_t> starts;
    std::istringstream lines(readFile(work / "aubio-offsets.csv").value_or(""));
    for (std::string line; std::getline(lines, line);) {
        const auto comma = line.rfind(',');
        starts[line.substr(0, comma)] = std::stoul(line.substr(comma + 1));
    }
    return starts;
}

// The frames of each group's run of aubiopitch, read once.
struct AubioRuns {
    fs::path work;
    std::map<std::string, std::size_t> starts;
    std::map<std::string, AubioFrames> frames; // by method and group
};

std::optional<AubioFrames> framesOf(AubioRuns& runs, const char* method, const std::string& group)
{
    const std::string key = std::string(method) + "/" + group;
    if (const auto at = runs.frames.find(key); at != runs.frames.end()) {
        return at->second;
    }
    const auto output = readFile(runs.work / method / (group + ".txt"));
    if (!output) {
        return std::nullopt;
    }
    return runs.frames[key] = aubioFrames(*output);
}

// Where a clip's note begins, in samples: every chain of a note shares one
// lead-in, which the clean render keeps as exact silence. Read once per note.
using Onsets = std::map<std::string, std::optional<std::size_t>>;
std::optional<std::size_t> noteOnset(const fs::path& corpus, const Clip& c, Onsets& known)
{
    std::string clean = c.file;
    const auto chain = clean.rfind("-" + c.chain + "-");
    if (chain == std::string::npos) {
        return std::nullopt;
    }
    clean.replace(chain, c.chain.size() + 2, "-clean-");
    if (const auto at = known.find(clean); at != known.end()) {
        return at->second;
    }
    std::optional<std::size_t> onset;
    const auto bytes = readFile(corpus / clean);
    const WavParseResult wav =
        bytes ? parseWav({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()})
              : WavParseResult{};
    for (std::size_t i = 0; wav.sound && !onset && i + 1 < wav.sound->pcm.size(); i += 2) {
        if (wav.sound->pcm[i] != 0 || wav.sound->pcm[i + 1] != 0) {
            onset = i / 2;
        }
    }
    return known[clean] = onset;
}

// True when the analyzer's capture began on the background: its pluck lies
// more than 10 ms before the note.
bool firedBeforeNote(const std::string& json, std::optional<std::size_t> onset)
{
    const auto block = jsonNumber(json, "pluck_block");
    const auto offset = jsonNumber(json, "pluck_offset");
    if (!onset || !block || !*block || !offset || !*offset) {
        return false;
    }
    const double pluck = **block * (kCaptureBlockBytes / 2) + **offset / 2;
    return pluck + kSampleRate / 100 < static_cast<double>(*onset);
}

// The analyzer's and aubio's readings of one clip.
std::optional<ClipResult> resultOf(const Clip& c, const fs::path& corpus, const fs::path& work,
                                   Onsets& onsets, AubioRuns& runs)
{
    ClipResult r{c, false, false, {}};
    const auto json = readFile(work / "analyze" / (c.file + ".json"));
    if (!json) {
        std::cerr << "tensikon-real-accuracy: no analyzer output for " << c.file << "\n";
        return std::nullopt;
    }
    r.fired = readAnalyzer(*json, r);
    const auto half = readFile(work / "half" / c.file);
    if (r.fired != half.has_value()) {
        std::cerr << "tensikon-real-accuracy: the analyzer and the live scan disagree on " << c.file
                  << "\n";
        return std::nullopt;
    }
    if (!r.fired) {
        return r;
    }
    r.beforeNote = firedBeforeNote(*json, noteOnset(corpus, c, onsets));
    const WavParseResult wav =
        parseWav({reinterpret_cast<const std::uint8_t*>(half->data()), half->size()});
    if (!wav.sound || wav.sound->pcm.size() != kAnalysisBufferBytes) {
        std::cerr << "tensikon-real-accuracy: " << c.file << ": a broken half second\n";
        return std::nullopt;
    }
    const auto start = runs.starts.find(c.file);
    r.readByAubio = start != runs.starts.end();
    if (!r.readByAubio) {
        return r;
    }
    const auto pluck = findPluck(AnalysisBuffer(wav.sound->pcm.data(), kAnalysisBufferBytes));
    const double from = static_cast<double>(start->second + (pluck ? *pluck / 2 : 0)) / kSampleRate;
    const double to = static_cast<double>(start->second + kAnalysisBufferBytes / 2) / kSampleRate;
    for (std::size_t m = 0; m < std::size(kAubioMethods); ++m) {
        const auto frames = framesOf(runs, kAubioMethods[m], groupOf(c));
        if (!frames) {
            std::cerr << "tensikon-real-accuracy: no aubiopitch output for " << c.file << "\n";
            return std::nullopt;
        }
        r.hz[kYin + m] = aubioReading(*frames, from, to);
    }
    return r;
}

void writeResults(std::ostream& out, const std::vector<ClipResult>& results)
{
    out << "file,instrument,midi_note,chain,volume,true_hz,fired,fired_before_note";
    for (const char* name : kRealEstimatorNames) {
        out << ',' << name;
    }
    out << '\n';
    for (const ClipResult& r : results) {
        const Clip& c = r.clip;
        out << c.file << ',' << c.instrument << ',' << c.midiNote << ',' << c.chain << ','
            << c.volume << ',' << c.trueHz << ',' << (r.fired ? 1 : 0) << ','
            << (r.beforeNote ? 1 : 0);
        for (const auto& hz : r.hz) {
            out << ',' << (hz ? std::to_string(*hz) : std::string());
        }
        out << '\n';
    }
}

int report(const fs::path& corpus, const fs::path& work, const std::string& markdown,
           const std::string& plotData, const RealReportSettings& settings)
{
    const auto clips = manifestOf(corpus);
    if (!clips) {
        return 1;
    }
    RealReportSettings described = settings;
    std::istringstream leftOut(readFile(corpus / "left-out.txt").value_or(""));
    for (std::string line; std::getline(leftOut, line);) {
        // "SOUNDFONT/INSTRUMENT note N: left out, WHY" becomes "... note N (WHY)".
        const auto why = line.find(": left out, ");
        described.leftOut.push_back(why == std::string::npos
                                        ? line
                                        : line.substr(0, why) + " (" + line.substr(why + 12) + ")");
    }
    std::vector<ClipResult> results;
    Onsets onsets;
    AubioRuns runs{work, aubioOffsets(work), {}};
    for (const Clip& c : *clips) {
        if (c.volume != "up") {
            continue;
        }
        const auto r = resultOf(c, corpus, work, onsets, runs);
        if (!r) {
            return 1;
        }
        results.push_back(*r);
    }
    std::ofstream md(markdown), plot(plotData), csv(work / "results.csv");
    writeRealMarkdown(md, results, described);
    writeRealPlotData(plot, results);
    writeResults(csv, results);
    if (!md || !plot || !csv) {
        std::cerr << "tensikon-real-accuracy: cannot write the report\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc >= 4 ? argv[1] : "";
    if (command == "prepare" && argc == 4) {
        return prepare(argv[2], argv[3]);
    }
    std::string markdown, plotData;
    RealReportSettings settings;
    bool known = command == "report" && argc == 12;
    for (int i = 4; known && i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        std::string* field = key == "--markdown"    ? &markdown
                             : key == "--plot-data" ? &plotData
                             : key == "--plot-name" ? &settings.plotFile
                             : key == "--packages"  ? &settings.packages
                                                    : nullptr;
        known = field != nullptr;
        if (known) {
            *field = argv[i + 1];
        }
    }
    if (known && !markdown.empty() && !plotData.empty()) {
        return report(argv[2], argv[3], markdown, plotData, settings);
    }
    std::cerr
        << "usage: tensikon-real-accuracy prepare CORPUS WORK\n"
           "       tensikon-real-accuracy report CORPUS WORK --markdown FILE --plot-data FILE\n"
           "                              --plot-name NAME --packages TEXT\n";
    return 2;
}
