// Reading a whole file into memory in one go: a ten-minute recording is
// about 53 MB, read with one call and analysed in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tensikon::analyze {

// The file's bytes, or false with a one-line reason in `error`.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

} // namespace tensikon::analyze
