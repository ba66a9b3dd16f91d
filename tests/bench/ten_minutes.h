// A ten-minute recording for the throughput benchmark: faint room noise
// with a belt plucked every few seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tensikon::bench {

// The whole WAV file, about 53 MB.
std::vector<std::uint8_t> tenMinuteRecording();

// Writes it into the system's temporary folder once and returns the path.
const std::string& tenMinuteFile();

} // namespace tensikon::bench
