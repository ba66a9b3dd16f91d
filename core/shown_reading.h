// The one rule for the value a capture shows, used by the program and the
// analyzer alike.
//
// The crossing count is kept as the reading whenever the pitch of the sound
// confirms it, so a belt that rings cleanly shows exactly the crossing
// count's number. When the two disagree, the crossing count has most likely
// counted an overtone's crossings; a confident pitch is shown instead, and
// without one there is no reading rather than a wrong one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/frequency_estimator.h"
#include "core/pitch_estimator.h"
#include "core/ring_down.h"

namespace tensikon {

enum class ReadingSource : std::uint8_t {
    None,      // no reading: "---"
    Crossings, // the crossing count, confirmed by the pitch
    Pitch,     // the pitch, truncated to whole hertz
};

struct ShownReading {
    std::optional<std::int32_t> hz;
    ReadingSource from = ReadingSource::None;
};

// "crossings", "pitch" or "none".
std::string_view readingSourceName(ReadingSource from);

// True when a crossing count of `crossingHz` is what a tone of `pitchHz`
// gives: the count truncates and places its marks on whole samples, so it
// lies up to about a hertz below the pitch, more at high pitches.
bool readingsAgree(std::int32_t crossingHz, double pitchHz);

// True when the pitch is trusted on its own.
bool pitchIsConfident(const PitchEstimate& pitch);

ShownReading chooseShownReading(std::optional<std::int32_t> crossingHz,
                                const std::optional<PitchEstimate>& pitch);

// Both estimates of one capture and the value it shows.
struct Measurement {
    FrequencyEstimate crossings;
    std::optional<PitchEstimate> pitch;
    ShownReading shown;
    // A sound that does not ring down gives no reading.
    SoundShape shape = SoundShape::RingsDown;
};

Measurement measureCapture(AnalysisBuffer buffer);
// The same from a pluck the automatic pluck test found at `pluckOffset`.
Measurement measureCaptureFrom(AnalysisBuffer buffer, std::optional<std::size_t> pluckOffset);

} // namespace tensikon
