// Why a capture shows "---", in the words the window and the analyzer both
// give the mechanic.
#pragma once

#include <cstdint>

#include "core/shown_reading.h"

namespace tensikon {

enum class NoReadingReason : std::uint8_t {
    None,           // there is a reading
    NoPluck,        // nothing in the capture passed the pluck test
    OnlyHum,        // the sound after the pluck is mains hum alone
    NotRingingDown, // a voice, a machine: the sound does not die away like a belt
    NoClearPitch,   // the sound after the pluck repeats at no clear pitch
    NotConfirmed,   // the crossing count and an unclear pitch disagree
};

NoReadingReason reasonFor(const Measurement& m);

// The reason in words, starting in lower case; empty for None.
const char* reasonText(NoReadingReason reason);

} // namespace tensikon
