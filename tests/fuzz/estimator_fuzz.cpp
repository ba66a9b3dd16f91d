// Fuzz target: the estimator on any 44 100 bytes (shorter inputs are padded
// with silence, longer ones cut). Its result must be no reading, or a
// reading that agrees with every detail it reports; the details themselves
// are checked against a plain, slow replay of the method.
#include <algorithm>

#include "core/frequency_estimator.h"
#include "tests/core/plucked.h"
#include "tests/fuzz/buffer_target.h"

namespace tensikon::fuzz {

namespace {

constexpr std::size_t kStart = 500;
constexpr std::size_t kHoldOff = 22;
constexpr std::size_t kReach = 32;

struct Replay {
    AnalysisBuffer buffer;
    std::int32_t baseline;

    std::int32_t dev(std::size_t at) const { return SampleLevel(buffer, at) - baseline; }
    static bool onSide(std::int32_t d, bool above) { return above ? d > 0 : d < 0; }

    // The mark by summing each 17-level window afresh, or 0 when a window
    // would pass the end of the buffer.
    std::size_t place(std::size_t x, bool downward) const
    {
        for (std::size_t w = x - kReach; w + kReach < buffer.size(); w += 2) {
            std::int32_t sum = 0;
            for (std::size_t i = 0; i <= kReach; i += 2)
                sum += dev(w + i);
            const std::int32_t q = sum / 17;
            if (!(downward ? q > 0 : q < 0))
                return w + 2;
        }
        return 0;
    }

    // The first offset from x that is not on the side, or the buffer's size.
    std::size_t detect(std::size_t x, bool above) const
    {
        while (x < buffer.size() && onSide(dev(x), above))
            x += 2;
        return std::min(x, buffer.size());
    }
};

void checkCrossings(const Replay& r, const FrequencyEstimate& e)
{
    std::size_t x = *e.pluckOffset + kStart;
    if (x >= r.buffer.size()) {
        check(e.crossingsFound == 0 && e.noReading == NoReading::OutOfBuffer,
              "late pluck runs out");
        return;
    }
    bool above = SampleLevel(r.buffer, x) > 0;
    for (int i = 0; i < e.crossingsFound; ++i) {
        check(r.detect(x, above) == e.detections[i], "detection where the replay finds it");
        check(r.place(e.detections[i], above) == e.marks[i], "mark where the replay places it");
        above = !above;
        x = e.detections[i] + kHoldOff;
    }
    if (e.crossingsFound == kCrossings)
        return;
    // Out of buffer: no further crossing, or one whose placing runs out.
    check(e.noReading == NoReading::OutOfBuffer, "fewer than seven crossings is out of buffer");
    const std::size_t next = r.detect(x, above);
    check(next >= r.buffer.size() || r.place(next, above) == 0, "the search really ran out");
}

void checkReading(const FrequencyEstimate& e)
{
    if (e.hz) {
        check(e.noReading == NoReading::None, "a reading has no reason");
        check(e.crossingsFound == kCrossings, "a reading has seven crossings");
        check(e.span != 0, "a reading has a span");
        check(frequencyFromSpan(e.span) == e.hz, "the reading is 1 / (span / 264600), truncated");
    } else {
        check(e.noReading != NoReading::None, "no reading has a reason");
        check(e.noReading != NoReading::ZeroSpan || e.span == 0, "zero span is zero");
    }
    if (e.crossingsFound == kCrossings)
        check(e.span ==
                  static_cast<std::int32_t>(e.marks[6]) - static_cast<std::int32_t>(e.marks[0]),
              "the span is mark 7 - mark 1");
}

} // namespace

void checkBuffer(AnalysisBuffer buffer)
{
    const FrequencyEstimate e = estimateFrequencyInDetail(buffer);
    check(estimateFrequency(buffer) == e.hz, "estimateFrequency agrees with the details");
    check(e.baseline == baselineOf(buffer) && e.baseline >= -128 && e.baseline <= 127, "baseline");
    check(e.pluckOffset == findPluck(buffer), "the pluck is findPluck's");
    check(e.crossingsFound >= 0 && e.crossingsFound <= kCrossings, "crossing count");
    if (!e.pluckOffset) {
        check(e.noReading == NoReading::NoPluck && !e.hz && e.crossingsFound == 0,
              "no pluck, no reading");
        return;
    }
    check(*e.pluckOffset % 2 == 1 && TriggerTest(buffer, *e.pluckOffset),
          "the pluck passes the test");
    checkCrossings(Replay{buffer, e.baseline}, e);
    checkReading(e);
}

std::vector<Input> seeds()
{
    std::vector<Input> all;
    for (const double hz : {60.0, 105.0, 140.0, 160.0, 210.0})
        for (const bool decaying : {true, false})
            all.push_back(test::toBytes(test::tone(hz, decaying)));
    all.push_back(test::plucked(60, 11000, 0.25, 0, 1)); // the slowest case: pluck at 22001
    all.push_back(test::plucked(15, 300, 1.0, 200, 2));
    all.push_back(test::plucked(2000, 5000, 0.05, 3000, 3));
    all.push_back(test::plucked(140, 21900, 0.3, 500, 4));
    all.push_back(Input(kAnalysisBufferBytes, 0));
    return all;
}

} // namespace tensikon::fuzz
