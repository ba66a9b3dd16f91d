// The fuzz targets that read one analysis buffer share its entry point: an
// input is cut to 44 100 bytes, or padded with silence, and handed to the
// target's checkBuffer.
#pragma once

#include "core/capture_format.h"
#include "tests/fuzz/fuzz_target.h"

namespace tensikon::fuzz {

// Each such target defines this: every property it holds on `buffer`.
void checkBuffer(AnalysisBuffer buffer);

} // namespace tensikon::fuzz
