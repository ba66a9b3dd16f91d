// A WAV file opened for its headers and for streaming its sound. A
// ten-minute recording is about 53 MB: reading it in 1 MB pieces into one
// reused buffer costs a fraction of holding it whole (whose fresh pages the
// system has to clear and map one by one).
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/analyze/wav_file.h"

namespace tensikon::analyze {

class WavFileSource : public WavSource {
  public:
    // False, with a one-line reason, when the file cannot be read at all.
    // `path` is UTF-8.
    bool open(const std::string& path, std::string& error);

    std::uint64_t size() const override { return size_; }
    // Served from a window of the file, so walking the chunk headers does not
    // cost one system call each.
    bool read(std::uint64_t offset, std::span<std::uint8_t> out) override;

    // Hands [offset, offset + length) to `take` piece by piece, in order,
    // until it is all read or `take` returns false; each piece holds whole
    // frames of `frameBytes` when the length does. False when the file
    // gives fewer bytes than it held when opened.
    bool stream(std::uint64_t offset, std::uint64_t length, std::size_t frameBytes,
                const std::function<bool(std::span<const std::uint8_t>)>& take);

  private:
    bool fill(std::vector<std::uint8_t>& into, std::uint64_t offset, std::size_t n);

    std::ifstream in_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
    std::vector<std::uint8_t> piece_;
};

} // namespace tensikon::analyze
