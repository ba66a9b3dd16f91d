// A plucked belt rings down: its sound is loudest just after the pluck and
// dies away smoothly. Speech, machines and hum fire the pluck test too (a
// word starts sharply, a machine is loud), and their pitch is no belt's:
// such a capture gives no reading, whichever pluck test fired.
#pragma once

#include <cstddef>
#include <optional>

#include "core/capture_format.h"
#include "core/pitch_estimator.h"

namespace tensikon {

enum class SoundShape {
    RingsDown, // loudest after the pluck, dying away
    NoRing,    // held without a clear pitch, stops dead, starts anew, swells like a voice,
               // or drones below any belt
    Hum,       // holds its level and repeats with the mains: hum alone
};

// The shape of the sound from the pluck at the odd offset `pluckOffset` (in
// the buffer's first half) to the buffer's end, given its pitch.
SoundShape soundShape(AnalysisBuffer buffer, std::size_t pluckOffset,
                      const std::optional<PitchEstimate>& pitch);

} // namespace tensikon
