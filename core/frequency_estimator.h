// The resonant frequency of one capture, in whole hertz.
//
// A baseline is taken from the quiet end of the capture; seven crossings of
// it, in alternating directions, are found from 250 samples after the pluck
// and placed with a sliding mean of 17 levels. From the first to the seventh
// crossing are three periods of the belt's tone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/capture_format.h"

namespace tensikon {

// Why a capture gave no reading. A belt that rings after the pluck never
// produces one of these; a buffer of noise, a cut-off recording or a
// synthetic signal can.
enum class NoReading : std::uint8_t {
    None,        // there is a reading
    NoPluck,     // findPluck found nothing in the buffer
    OutOfBuffer, // the seven crossings, or a window placing one, need bytes past 44099
    ZeroSpan,    // the first and seventh marks coincide: no period to divide by
};

const char* describe(NoReading reason);

inline constexpr int kCrossings = 7;

// Everything the estimator worked out, for the analyzer and for tests.
struct FrequencyEstimate {
    std::optional<std::int32_t> hz;
    NoReading noReading = NoReading::None;
    std::int32_t baseline = 0;
    std::optional<std::size_t> pluckOffset;
    int crossingsFound = 0;
    std::array<std::size_t, kCrossings> detections{}; // where each crossing was seen
    std::array<std::size_t, kCrossings> marks{};      // where each one was placed
    std::int32_t span = 0;                            // mark 7 - mark 1, in bytes
};

FrequencyEstimate estimateFrequencyInDetail(AnalysisBuffer buffer);

// The same count from a pluck found otherwise (the automatic pluck test):
// `pluckOffset` is odd and lies in the buffer's first half; nothing is a
// buffer without a pluck.
FrequencyEstimate estimateFrequencyFrom(AnalysisBuffer buffer,
                                        std::optional<std::size_t> pluckOffset);

// The reading the panel shows, or nothing when the capture gave none.
std::optional<std::int32_t> estimateFrequency(AnalysisBuffer buffer);

// Floor of the mean level of samples 17952..22047 (the capture's tail).
std::int32_t baselineOf(AnalysisBuffer buffer);

// 1 / (span / 264600) in binary64, truncated toward zero. The order of the two
// divisions is part of the result: 264600 / span would read one hertz higher
// for the nine spans that divide 264600 evenly (2520 gives 104, not 105).
// A span of 0 gives no reading instead of a division by zero.
std::optional<std::int32_t> frequencyFromSpan(std::int32_t span);

} // namespace tensikon
