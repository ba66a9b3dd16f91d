#include "core/no_reading_reason.h"

namespace tensikon {

NoReadingReason reasonFor(const Measurement& m)
{
    if (m.shown.hz)
        return NoReadingReason::None;
    if (!m.crossings.pluckOffset)
        return NoReadingReason::NoPluck;
    if (m.shape == SoundShape::Hum)
        return NoReadingReason::OnlyHum;
    if (m.shape == SoundShape::NoRing)
        return NoReadingReason::NotRingingDown;
    return m.crossings.hz && m.pitch ? NoReadingReason::NotConfirmed
                                     : NoReadingReason::NoClearPitch;
}

const char* reasonText(NoReadingReason reason)
{
    switch (reason) {
    case NoReadingReason::None:
        break;
    case NoReadingReason::NoPluck:
        return describe(NoReading::NoPluck);
    case NoReadingReason::OnlyHum:
        return "only mains hum, no ringing belt";
    case NoReadingReason::NotRingingDown:
        return "the sound does not die away like a plucked belt: a voice, a whistle or a "
               "machine";
    case NoReadingReason::NoClearPitch:
        return "the sound after the pluck has no clear pitch";
    case NoReadingReason::NotConfirmed:
        return "the crossing count disagrees with the pitch, and the pitch is not clear enough";
    }
    return "";
}

} // namespace tensikon
