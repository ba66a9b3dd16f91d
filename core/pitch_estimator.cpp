#include "core/pitch_estimator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tensikon {

namespace {

// Periods in samples for 1000 Hz down to 40 Hz.
constexpr std::size_t kShortestLag = static_cast<std::size_t>(kSampleRate / kHighestPitchHz);
constexpr std::size_t kLongestLag = static_cast<std::size_t>(kSampleRate / kLowestPitchHz) + 1;
// The first 250 samples after the pluck are the attack: clipped, noisy and
// not yet periodic. The crossing count skips the same stretch.
constexpr std::size_t kSkipSamples = 250;
// 46 ms of sound compared with itself: long enough for two periods at
// 40 Hz, short enough that a decaying pluck stays near one loudness over it.
constexpr std::size_t kWindowSamples = 2048;
// The shortest window still worth reading, for a pluck found late.
constexpr std::size_t kShortestWindow = 2 * kLongestLag;
// A period whose normalised difference falls below this is taken as the
// fundamental even when a longer multiple of it dips lower still.
constexpr double kDipThreshold = 0.15;

// Full 16-bit samples from `first` to the buffer's end.
std::vector<float> samplesFrom(AnalysisBuffer buffer, std::size_t first)
{
    std::vector<float> x;
    x.reserve(kAnalysisBufferBytes / 2 - first);
    for (std::size_t k = first; k < kAnalysisBufferBytes / 2; ++k) {
        const auto low = static_cast<std::uint8_t>(buffer[2 * k]);
        const auto value = static_cast<std::int16_t>(
            static_cast<std::uint16_t>(low | (static_cast<unsigned>(buffer[2 * k + 1]) << 8)));
        x.push_back(static_cast<float>(value));
    }
    return x;
}

// d(t) = sum over the window of (x[j] - x[j + t])^2 for t = 0..kLongestLag + 1.
// The loop over t is innermost so that each d(t) is its own accumulator:
// no reordered sums, and a compiler can still run several lags at once.
std::vector<float> differences(const std::vector<float>& x, std::size_t window)
{
    std::vector<float> d(kLongestLag + 2, 0.0f);
    for (std::size_t j = 0; j < window; ++j) {
        const float xj = x[j];
        const float* shifted = x.data() + j;
        for (std::size_t t = 1; t < d.size(); ++t) {
            const float diff = xj - shifted[t];
            d[t] += diff * diff;
        }
    }
    return d;
}

// d'(t) = d(t) / (mean of d(1..t)), with d'(0) = 1: near 0 where the sound
// repeats, near 1 where it is unrelated to itself.
std::vector<double> normalised(const std::vector<float>& d)
{
    std::vector<double> n(d.size(), 1.0);
    double running = 0;
    for (std::size_t t = 1; t < d.size(); ++t) {
        running += d[t];
        n[t] = running > 0 ? d[t] * static_cast<double>(t) / running : 1.0;
    }
    return n;
}

// The first dip below the threshold, followed down to its bottom; without
// one, the deepest point of the whole range.
std::size_t chooseLag(const std::vector<double>& n)
{
    for (std::size_t t = kShortestLag; t <= kLongestLag; ++t) {
        if (n[t] < kDipThreshold) {
            while (t + 1 <= kLongestLag && n[t + 1] < n[t])
                ++t;
            return t;
        }
    }
    const auto first = n.begin() + static_cast<std::ptrdiff_t>(kShortestLag);
    const auto last = n.begin() + static_cast<std::ptrdiff_t>(kLongestLag + 1);
    return static_cast<std::size_t>(std::min_element(first, last) - n.begin());
}

// The bottom of the parabola through the three points around lag t.
double refine(const std::vector<double>& n, std::size_t t)
{
    const double a = n[t - 1];
    const double b = n[t];
    const double c = n[t + 1];
    const double curvature = a - 2 * b + c;
    if (curvature <= 0)
        return static_cast<double>(t);
    const double shift = 0.5 * (a - c) / curvature;
    return static_cast<double>(t) + std::clamp(shift, -0.5, 0.5);
}

} // namespace

std::optional<PitchEstimate> estimatePitchAfter(AnalysisBuffer buffer, std::size_t pluckOffset)
{
    const std::size_t first = pluckOffset / 2 + kSkipSamples;
    if (first >= kAnalysisBufferBytes / 2)
        return std::nullopt;
    const std::vector<float> x = samplesFrom(buffer, first);
    if (x.size() < kShortestWindow + kLongestLag + 2)
        return std::nullopt;
    const std::size_t window = std::min(kWindowSamples, x.size() - kLongestLag - 2);
    const std::vector<double> n = normalised(differences(x, window));
    const std::size_t lag = chooseLag(n);
    if (n[lag] >= 1.0)
        return std::nullopt; // nothing in range repeats better than noise
    const double period = refine(n, lag);
    return PitchEstimate{kSampleRate / period, std::clamp(1.0 - n[lag], 0.0, 1.0)};
}

std::optional<PitchEstimate> estimatePitch(AnalysisBuffer buffer)
{
    const std::optional<std::size_t> pluck = findPluck(buffer);
    if (!pluck)
        return std::nullopt;
    return estimatePitchAfter(buffer, *pluck);
}

} // namespace tensikon
