#include "core/shown_reading.h"

#include <algorithm>
#include <cmath>

namespace tensikon {

namespace {

// How far the crossing count's span may stray from three true periods, in
// bytes, for a tone it reads correctly: its marks are placed on whole
// samples and shift with the tone's phase against the sample grid.
constexpr double kSpanSlackBytes = 4.0;
// Above about 400 Hz that slack would pass a count 6 to 15 Hz off the
// pitch, which is no reading of the tone: the pitch is shown there instead.
constexpr double kMostSpanSlackHz = 2.5;
// Truncation puts the count up to 1 Hz below; the pitch itself may lie a
// little either side of the truth.
constexpr double kTruncation = 1.0;
constexpr double kPitchSlackHz = 0.5;

} // namespace

std::string_view readingSourceName(ReadingSource from)
{
    constexpr std::string_view kNames[] = {"none", "crossings", "pitch"};
    return kNames[static_cast<std::size_t>(from)];
}

bool readingsAgree(std::int32_t crossingHz, double pitchHz)
{
    // One byte of span moves the count by pitch^2 / 264600 Hz.
    const double spanSlackHz =
        std::min(kSpanSlackBytes * pitchHz * pitchHz / kBytesInThreePeriodsOf1Hz, kMostSpanSlackHz);
    const double below = pitchHz - static_cast<double>(crossingHz);
    return below >= -(kPitchSlackHz + spanSlackHz) &&
           below <= kTruncation + kPitchSlackHz + spanSlackHz;
}

bool pitchIsConfident(const PitchEstimate& pitch)
{
    return pitch.confidence >= (pitch.hz < kLowestBeltHz ? kSureBelowBelts : kConfidentFrom);
}

ShownReading chooseShownReading(std::optional<std::int32_t> crossingHz,
                                const std::optional<PitchEstimate>& pitch)
{
    if (!pitch)
        return {};
    if (crossingHz && readingsAgree(*crossingHz, pitch->hz))
        return {crossingHz, ReadingSource::Crossings};
    // Above the range read the pitch is the edge of the search (its periods
    // are looked for up to 2000 Hz only to tell such a sound out of range).
    if (!pitchIsConfident(*pitch) || pitch->hz > kHighestPitchHz)
        return {};
    return {static_cast<std::int32_t>(std::trunc(pitch->hz)), ReadingSource::Pitch};
}

Measurement measureCapture(AnalysisBuffer buffer)
{
    return measureCaptureFrom(buffer, findPluck(buffer));
}

Measurement measureCaptureFrom(AnalysisBuffer buffer, std::optional<std::size_t> pluckOffset)
{
    Measurement m;
    m.crossings = estimateFrequencyFrom(buffer, pluckOffset);
    if (m.crossings.pluckOffset) {
        m.pitch = estimatePitchAfter(buffer, *m.crossings.pluckOffset);
        m.shape = soundShape(buffer, *m.crossings.pluckOffset, m.pitch);
    }
    if (m.shape == SoundShape::RingsDown)
        m.shown = chooseShownReading(m.crossings.hz, m.pitch);
    return m;
}

} // namespace tensikon
