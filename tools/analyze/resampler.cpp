#include "tools/analyze/resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tensikon::analyze {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kZeroCrossings = 16;
constexpr double kKaiserBeta = 8.0;    // side lobes near -80 dB
constexpr double kPassFraction = 0.91; // of the lower Nyquist frequency
constexpr std::uint64_t kMaxPhases = 2048;

// The modified Bessel function of order 0, by its power series.
double besselI0(double x)
{
    double sum = 1;
    double term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

double kaiser(double x) // x in [-1, 1]
{
    static const double atCentre = besselI0(kKaiserBeta);
    return besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1 - x * x))) / atCentre;
}

// The low-pass filter at distance d (in input samples) from an output's
// time, for a cut-off of `cutoff` times the input's Nyquist frequency.
double kernel(double d, double cutoff)
{
    const double half = kZeroCrossings / cutoff;
    if (std::abs(d) >= half)
        return 0;
    const double x = cutoff * d;
    const double sinc = x == 0 ? 1 : std::sin(kPi * x) / (kPi * x);
    return cutoff * sinc * kaiser(d / half);
}

// Four running sums, so that the compiler can keep the multiplications in
// flight without reordering a floating-point sum by itself.
float dot(const float* a, const float* b, std::size_t n)
{
    float s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i)
        s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

} // namespace

Resampler::Resampler(std::uint32_t fromRate, std::uint32_t toRate)
{
    const std::uint64_t common = std::gcd(fromRate, toRate);
    from_ = fromRate / common;
    to_ = toRate / common;
    phases_ = std::min(to_, kMaxPhases);
    const double cutoff = kPassFraction * std::min(1.0, double(toRate) / double(fromRate));
    reach_ = static_cast<std::size_t>(std::ceil(kZeroCrossings / cutoff));
    const std::size_t taps = 2 * reach_;
    coefficients_.resize(phases_ * taps);
    for (std::uint64_t p = 0; p < phases_; ++p) {
        const double phase = double(p) / double(phases_);
        std::vector<double> row(taps);
        for (std::size_t m = 0; m < taps; ++m)
            row[m] = kernel(double(m) - double(reach_ - 1) - phase, cutoff);
        // Each row passes a constant level unchanged, whatever its phase.
        const double sum = std::accumulate(row.begin(), row.end(), 0.0);
        for (std::size_t m = 0; m < taps; ++m)
            coefficients_[p * taps + m] = static_cast<float>(row[m] / sum);
    }
    // Input before the first sample is silence: reach_ zeros, so that the
    // history is indexed by input index + reach_.
    history_.assign(reach_, 0.0f);
}

void Resampler::push(std::span<const float> in, std::vector<float>& out)
{
    history_.insert(history_.end(), in.begin(), in.end());
    consumed_ += in.size();
    produce(out, false);
}

void Resampler::finish(std::vector<float>& out)
{
    produce(out, true);
}

// Output k lies at input time k * from_ / to_ = index_ + offset_ / to_; its
// taps are the inputs index_ - reach_ + 1 .. index_ + reach_, which are
// history entries index_ + 1 .. index_ + 2 reach_. The time advances by
// whole and fractional steps, without a division per output.
void Resampler::produce(std::vector<float>& out, bool ended)
{
    const std::size_t taps = 2 * reach_;
    const std::uint64_t wholeStep = from_ / to_;
    const std::uint64_t partStep = from_ % to_;
    for (;; ++produced_) {
        if (ended && index_ >= consumed_)
            break; // past the last input sample
        std::uint64_t i = index_;
        std::uint64_t phase = offset_ * phases_ / to_;
        if (phases_ != to_ && (offset_ * phases_ % to_) * 2 >= to_ && ++phase == phases_) {
            ++i; // rounded up to the next whole input sample
            phase = 0;
        }
        if (!ended && i + reach_ >= consumed_)
            break;
        const std::size_t at = i + 1 - base_;
        if (history_.size() < at + taps)
            history_.resize(at + taps, 0.0f); // silence after the end
        out.push_back(dot(&coefficients_[phase * taps], &history_[at], taps));
        index_ += wholeStep;
        offset_ += partStep;
        if (offset_ >= to_) {
            offset_ -= to_;
            ++index_;
        }
    }
    // Inputs before the next output's first tap are no longer needed.
    const auto drop =
        static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(index_ + 1 - base_, history_.size()));
    history_.erase(history_.begin(), history_.begin() + drop);
    base_ += static_cast<std::uint64_t>(drop);
}

} // namespace tensikon::analyze
