#include "core/frequency_estimator.h"

namespace tensikon {

namespace {

constexpr std::size_t kBaselineFirst = 35905;
constexpr std::size_t kBaselineLevels = 4096;
constexpr int kBaselineShift = 12;
constexpr std::size_t kStartDistance = 500;
constexpr std::size_t kStep = 2;
constexpr std::size_t kHoldOff = 20 + kStep;
constexpr int kWindowLevels = 17;
constexpr std::size_t kWindowReach = 2 * (kWindowLevels - 1); // 32 bytes

struct Scanner {
    AnalysisBuffer buffer;
    std::int32_t baseline;

    bool readable(std::size_t offset) const { return offset < buffer.size(); }
    std::int32_t deviation(std::size_t offset) const
    {
        return SampleLevel(buffer, offset) - baseline;
    }

    // Slides a 17-level window from x - 32 until its truncated mean is no
    // longer on the old side; the mark is that window's start plus 2. The
    // sum is kept running, so each slide costs two reads instead of 17.
    std::optional<std::size_t> place(std::size_t x, bool downward) const
    {
        std::size_t w = x - kWindowReach;
        std::int32_t sum = 0;
        for (std::size_t i = 0; i <= kWindowReach; i += kStep)
            sum += deviation(w + i);
        for (;;) {
            const std::int32_t q = sum / kWindowLevels; // truncates toward zero
            const bool stillOnOldSide = downward ? q > 0 : q < 0;
            if (!stillOnOldSide)
                return w + kStep;
            const std::size_t incoming = w + kWindowReach + kStep;
            if (!readable(incoming))
                return std::nullopt;
            sum += deviation(incoming) - deviation(w);
            w += kStep;
        }
    }
};

} // namespace

const char* describe(NoReading reason)
{
    switch (reason) {
    case NoReading::None:
        return "reading";
    case NoReading::NoPluck:
        return "no pluck in the capture";
    case NoReading::OutOfBuffer:
        return "the sound after the pluck does not cross its resting level often enough";
    case NoReading::ZeroSpan:
        return "the crossings give a span of zero";
    }
    return "unknown";
}

std::int32_t baselineOf(AnalysisBuffer buffer)
{
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < kBaselineLevels; ++i)
        sum += SampleLevel(buffer, kBaselineFirst + 2 * i);
    return sum >> kBaselineShift; // arithmetic: a sum of -1 gives -1
}

std::optional<std::int32_t> frequencyFromSpan(std::int32_t span)
{
    if (span == 0)
        return std::nullopt;
    const double periodsPerByte = static_cast<double>(span) / kBytesInThreePeriodsOf1Hz;
    const double hz = 1.0 / periodsPerByte;
    return static_cast<std::int32_t>(hz);
}

namespace {

// Finds and places the seven crossings from the examination start on.
// Returns false when the search or a window would pass the buffer's end.
bool findCrossings(const Scanner& scanner, std::size_t x, FrequencyEstimate& result)
{
    // The first side is judged against zero, not against the baseline.
    bool above = SampleLevel(scanner.buffer, x) > 0;
    while (result.crossingsFound < kCrossings) {
        if (!scanner.readable(x))
            return false;
        const std::int32_t d = scanner.deviation(x);
        if ((above && d > 0) || (!above && d < 0)) {
            x += kStep;
            continue;
        }
        const auto mark = scanner.place(x, above);
        if (!mark)
            return false;
        result.detections[result.crossingsFound] = x;
        result.marks[result.crossingsFound] = *mark;
        ++result.crossingsFound;
        above = !above;
        x += kHoldOff; // the examination goes on from the detection, not the mark
    }
    return true;
}

} // namespace

FrequencyEstimate estimateFrequencyInDetail(AnalysisBuffer buffer)
{
    return estimateFrequencyFrom(buffer, findPluck(buffer));
}

FrequencyEstimate estimateFrequencyFrom(AnalysisBuffer buffer,
                                        std::optional<std::size_t> pluckOffset)
{
    FrequencyEstimate result;
    result.baseline = baselineOf(buffer);
    result.pluckOffset = pluckOffset;
    if (!result.pluckOffset) {
        result.noReading = NoReading::NoPluck;
        return result;
    }
    const Scanner scanner{buffer, result.baseline};
    const std::size_t start = *result.pluckOffset + kStartDistance;
    if (!scanner.readable(start) || !findCrossings(scanner, start, result)) {
        result.noReading = NoReading::OutOfBuffer;
        return result;
    }
    // The six differences between consecutive marks telescope.
    result.span = static_cast<std::int32_t>(result.marks[kCrossings - 1]) -
                  static_cast<std::int32_t>(result.marks[0]);
    result.hz = frequencyFromSpan(result.span);
    if (!result.hz)
        result.noReading = NoReading::ZeroSpan;
    return result;
}

std::optional<std::int32_t> estimateFrequency(AnalysisBuffer buffer)
{
    return estimateFrequencyInDetail(buffer).hz;
}

} // namespace tensikon
