// The status row's second field: while a capture runs, the input's level
// beside what the pluck test needs; afterwards, why a capture gave no
// reading. Plain data and its text, set from the measurement's state.
#pragma once

#include <cstdint>
#include <string>

#include "core/no_reading_reason.h"
#include "core/pluck_onset.h"

namespace tensikon {

enum class DetailKind : std::uint8_t {
    None,            // empty
    InputLevel,      // the loudest sample of the last block, in dB under full scale
    PluckBelowLevel, // Level mode: a block rose like a pluck, the test did not fire
    NoReading,       // the capture shows "---": why
};

struct StatusDetail {
    DetailKind kind = DetailKind::None;
    int peak = 0; // InputLevel: in 16-bit units; 0 before any sound
    NoReadingReason reason = NoReadingReason::None;
};

std::string statusDetailText(const StatusDetail& detail, PluckTest test);

} // namespace tensikon
