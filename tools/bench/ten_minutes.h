// A ten-minute recording for the throughput benchmark: faint room noise
// with a belt plucked every few seconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tensikon::bench {

// The whole WAV file of 16-bit samples: at 44 100 Hz mono, as the capture
// records, about 53 MB; at other rates and channel counts (the same sound
// in each channel) as phones record.
std::vector<std::uint8_t> tenMinuteRecording(std::uint32_t rate = 44100,
                                             std::uint16_t channels = 1);

// Writes each into the system's temporary folder once and returns the path.
const std::string& tenMinuteFile();
const std::string& tenMinuteFile48kStereo();

// Removes the files written.
void removeTenMinuteFiles();

} // namespace tensikon::bench
