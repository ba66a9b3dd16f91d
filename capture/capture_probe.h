// What tests observe of the recorder and the program itself never asks.
// Kept apart from capture.h so that no window comes to depend on it.
#pragma once

#include "capture/capture.h"

namespace tensikon {

RecorderState recorderState();

// Recordings whose memory was kept because a block never came back.
int abandonedRecordings();

} // namespace tensikon
