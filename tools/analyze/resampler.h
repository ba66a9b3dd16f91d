// A band-limited sample-rate converter for recordings made at other rates
// than the capture's 44 100 Hz.
//
// Each output sample is the input under a windowed-sinc low-pass filter
// (a Kaiser window over 16 zero crossings), centred on the output's exact
// time, so the output is the sound the input describes, without the images
// and the high-frequency loss of interpolating between samples. The filter
// passes everything below 91 % of the lower of the two Nyquist frequencies,
// far above any belt's note. Output sample k lies at input time
// k * from / to: the two start together, so a pluck keeps its time.
//
// The filter's coefficients are computed once for each fractional position
// an output can have (to / gcd(from, to) of them, at most 2 048, beyond which
// an output's position is rounded to the nearest 1/2 048 of an input
// sample; every common rate needs 441 or fewer). The input is pushed piece by
// piece, so a long recording is never held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tensikon::analyze {

class Resampler {
  public:
    Resampler(std::uint32_t fromRate, std::uint32_t toRate);

    // Appends to `out` every output sample that the input so far fixes.
    void push(std::span<const float> in, std::vector<float>& out);
    // The input has ended: appends the rest, as if silence followed it.
    void finish(std::vector<float>& out);

    // Input samples on either side of an output's time that weigh on it.
    std::size_t reach() const { return reach_; }

  private:
    void produce(std::vector<float>& out, bool ended);

    std::uint64_t from_;   // input samples per second, over their common divisor
    std::uint64_t to_;     // output samples per second, likewise
    std::uint64_t phases_; // rows of coefficients
    std::size_t reach_;
    std::vector<float> coefficients_; // phases_ rows of 2 * reach_ taps
    std::vector<float> history_;      // input samples from index base_ on
    std::uint64_t base_ = 0;          // the history index of history_[0]
    std::uint64_t consumed_ = 0;      // input samples pushed
    std::uint64_t produced_ = 0;      // output samples appended
    std::uint64_t index_ = 0;         // the next output's time: whole input samples
    std::uint64_t offset_ = 0;        // and the fraction, in units of 1 / to_
};

} // namespace tensikon::analyze
