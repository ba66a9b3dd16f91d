// Prints what a capture's estimate, and the whole measurement that chooses
// the shown value (crossing count and pitch), cost beside one plain pass
// over the buffer, with the pitch's added milliseconds per capture; and
// what the analyzer costs on a ten-minute recording beside sox's statistics
// pass over the same file, with the ratios.
//   tensikon_bench [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "core/frequency_estimator.h"
#include "core/shown_reading.h"
#include "tests/core/plucked.h"
#include "tests/tools/wav_in_memory.h"
#include "tools/analyze/recording_scan.h"
#include "tools/analyze/wav_file.h"
#include "tools/bench/ten_minutes.h"

namespace {

using namespace tensikon;

const test::Bytes& decaying140()
{
    static const test::Bytes b = test::toBytes(test::tone(140, true));
    return b;
}

// The pluck at the last offset a block's scan tests, and a low tone: the
// longest walk to seven crossings.
const test::Bytes& worstCase()
{
    static const test::Bytes b = test::plucked(60, 11000, 0.25);
    return b;
}

void estimate(benchmark::State& state, const test::Bytes& bytes)
{
    const AnalysisBuffer buffer = test::asBuffer(bytes);
    const FrequencyEstimate e = estimateFrequencyInDetail(buffer);
    state.SetLabel("pluck " + std::to_string(e.pluckOffset.value_or(0)) + ", " +
                   std::to_string(e.hz.value_or(0)) + " Hz");
    for (auto _ : state)
        benchmark::DoNotOptimize(estimateFrequency(buffer));
}

// The crossing count, the pitch and the rule: what the panel runs per capture.
void measure(benchmark::State& state, const test::Bytes& bytes)
{
    const AnalysisBuffer buffer = test::asBuffer(bytes);
    const Measurement m = measureCapture(buffer);
    state.SetLabel("shows " + std::to_string(m.shown.hz.value_or(0)) + " Hz");
    for (auto _ : state)
        benchmark::DoNotOptimize(measureCapture(buffer));
}

// A plucked string's sound: overtones above a weaker fundamental.
const test::Bytes& ringing140()
{
    static const test::Bytes b = test::ringing(test::Ringing{});
    return b;
}

// The slowest path: a reading in doubt after the attack, read again in it.
const test::Bytes& splitAfterAttack()
{
    static const test::Bytes b = test::ringing(test::Ringing{.splitAfter = 0.15});
    return b;
}

// A level that swells and sinks on a pitch that holds: the ring-down rule
// reads the whole sound after the attack once more to see that it holds.
const test::Bytes& swellingHeld()
{
    static const test::Bytes b = test::swelling(0);
    return b;
}

void BM_Estimate_Decaying140(benchmark::State& state)
{
    estimate(state, decaying140());
}

void BM_Measure_Decaying140(benchmark::State& state)
{
    measure(state, decaying140());
}

void BM_Measure_WorstCase(benchmark::State& state)
{
    measure(state, worstCase());
}

void BM_Measure_Ringing140(benchmark::State& state)
{
    measure(state, ringing140());
}

void BM_Measure_SplitAfterAttack(benchmark::State& state)
{
    measure(state, splitAfterAttack());
}

void BM_Measure_SwellingHeld(benchmark::State& state)
{
    measure(state, swellingHeld());
}

void BM_Estimate_SwellingHeld(benchmark::State& state)
{
    estimate(state, swellingHeld());
}

void BM_Estimate_WorstCase(benchmark::State& state)
{
    estimate(state, worstCase());
}

void BM_Estimate_SplitAfterAttack(benchmark::State& state)
{
    estimate(state, splitAfterAttack());
}

// The yardstick: read every level of the buffer once and add them up.
void BM_PlainPass_SumOfLevels(benchmark::State& state)
{
    const AnalysisBuffer buffer = test::asBuffer(decaying140());
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffer.data());
        std::int32_t sum = 0;
        for (std::size_t at = 1; at < buffer.size(); at += 2)
            sum += SampleLevel(buffer, at);
        benchmark::DoNotOptimize(sum);
    }
}

void runCommand(benchmark::State& state, const std::string& command)
{
    const auto bytes =
        static_cast<std::int64_t>(std::filesystem::file_size(bench::tenMinuteFile()));
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_File_Analyzer(benchmark::State& state)
{
    runCommand(state, std::string("\"") + TENSIKON_ANALYZER + "\" --all \"" +
                          bench::tenMinuteFile() + "\" >/dev/null");
}

// The same sound as phones record it: every sample decoded, mixed and
// resampled before the scan.
void BM_File_Analyzer48kStereo(benchmark::State& state)
{
    runCommand(state, std::string("\"") + TENSIKON_ANALYZER + "\" --all \"" +
                          bench::tenMinuteFile48kStereo() + "\" >/dev/null");
}

void BM_File_SoxStat(benchmark::State& state)
{
    runCommand(state, "sox \"" + bench::tenMinuteFile() + "\" -n stat >/dev/null 2>&1");
}

// The analyzer's work without starting a process or reading the file.
void BM_File_AnalyzeInMemory(benchmark::State& state)
{
    static const std::vector<std::uint8_t> wav = bench::tenMinuteRecording();
    std::size_t captures = 0;
    for (auto _ : state) {
        const WavParseResult r = parseWav(wav);
        captures = scanRecording(r.sound->pcm, true).size();
        benchmark::DoNotOptimize(captures);
    }
    state.SetLabel(std::to_string(captures) + " captures");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wav.size()));
}

BENCHMARK(BM_Estimate_Decaying140);
BENCHMARK(BM_Estimate_WorstCase);
BENCHMARK(BM_Estimate_SplitAfterAttack);
BENCHMARK(BM_Estimate_SwellingHeld);
BENCHMARK(BM_Measure_Decaying140)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Measure_WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Measure_Ringing140)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Measure_SplitAfterAttack)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Measure_SwellingHeld)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainPass_SumOfLevels);
BENCHMARK(BM_File_AnalyzeInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_File_Analyzer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_File_Analyzer48kStereo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_File_SoxStat)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Shows the usual table (without colours, so that it can be kept in a
// file) and keeps each benchmark's times per iteration: CPU time for work
// done in this process (steadier on a busy machine), wall time for the
// programs it starts.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred || r.iterations == 0)
                continue;
            const auto n = static_cast<double>(r.iterations);
            times_[r.benchmark_name()] = {r.cpu_accumulated_time / n, r.real_accumulated_time / n};
        }
    }
    // The time of `name` over the time of `base`, when both ran.
    void printRatio(const char* what, const std::string& name, const std::string& base, bool wall,
                    const char* goal) const
    {
        const auto a = times_.find(name);
        const auto b = times_.find(base);
        if (a == times_.end() || b == times_.end())
            return;
        const double ratio =
            wall ? a->second.second / b->second.second : a->second.first / b->second.first;
        std::printf("%-56s %8.3f  %s (%s)\n", what, ratio, wall ? "wall" : "CPU ", goal);
    }

    // How much longer `name` takes than `base`, in milliseconds of CPU.
    void printAdded(const char* what, const std::string& name, const std::string& base,
                    const char* goal) const
    {
        const auto a = times_.find(name);
        const auto b = times_.find(base);
        if (a == times_.end() || b == times_.end())
            return;
        std::printf("%-56s %8.3f  ms   (%s)\n", what, 1e3 * (a->second.first - b->second.first),
                    goal);
    }

  private:
    std::map<std::string, std::pair<double, double>> times_; // CPU, wall seconds
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios of time per run:\n");
    reporter.printRatio("estimateFrequency (140 Hz decaying) / plain pass",
                        "BM_Estimate_Decaying140", "BM_PlainPass_SumOfLevels", false,
                        "goal: at most 1");
    reporter.printRatio("estimateFrequency (pluck 22001, 60 Hz) / plain pass",
                        "BM_Estimate_WorstCase", "BM_PlainPass_SumOfLevels", false,
                        "goal: at most 1");
    reporter.printRatio("measureCapture (140 Hz decaying) / plain pass", "BM_Measure_Decaying140",
                        "BM_PlainPass_SumOfLevels", false, "the shown value");
    reporter.printRatio("measureCapture (pluck 22001, 60 Hz) / plain pass", "BM_Measure_WorstCase",
                        "BM_PlainPass_SumOfLevels", false, "the shown value");
    reporter.printRatio("measureCapture (plucked string, 140 Hz) / plain pass",
                        "BM_Measure_Ringing140", "BM_PlainPass_SumOfLevels", false,
                        "the shown value");
    reporter.printRatio("sox FILE -n stat / tensikon-analyze --all FILE (10 min)",
                        "BM_File_SoxStat/iterations:3/real_time",
                        "BM_File_Analyzer/iterations:5/real_time", true, "goal: above 1");
    reporter.printRatio("tensikon-analyze --all: 48 kHz stereo / 44.1 kHz mono (10 min)",
                        "BM_File_Analyzer48kStereo/iterations:3/real_time",
                        "BM_File_Analyzer/iterations:5/real_time", true, "the cost of converting");
    bench::removeTenMinuteFiles();
    std::printf("\nAdded time per capture on one core:\n");
    reporter.printAdded("measureCapture - estimateFrequency (pluck 22001, 60 Hz)",
                        "BM_Measure_WorstCase", "BM_Estimate_WorstCase", "goal: at most 5 ms");
    reporter.printAdded("measureCapture - estimateFrequency (140 Hz decaying)",
                        "BM_Measure_Decaying140", "BM_Estimate_Decaying140", "goal: at most 5 ms");
    reporter.printAdded("measureCapture - estimateFrequency (in doubt, read in the attack)",
                        "BM_Measure_SplitAfterAttack", "BM_Estimate_SplitAfterAttack",
                        "goal: at most 5 ms");
    reporter.printAdded("measureCapture - estimateFrequency (a swelling level, pitch held)",
                        "BM_Measure_SwellingHeld", "BM_Estimate_SwellingHeld",
                        "goal: at most 5 ms");
    benchmark::Shutdown();
    return 0;
}
