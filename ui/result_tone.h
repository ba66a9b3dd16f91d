// Settings > "Sound on Result": a short high tone for a value within its
// target, a short low one for a value outside it, none for "---", so that
// the mechanic's eyes and hands can stay on the belt.
#pragma once

#include "core/readings_log.h"

namespace tensikon {

// Plays the verdict's tone through the default output device when the menu
// item is checked. Returns at once: the tone never delays the next capture.
void playResultTone(ReadingVerdict verdict);

} // namespace tensikon
