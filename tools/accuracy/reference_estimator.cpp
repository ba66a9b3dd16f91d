#include "tools/accuracy/reference_estimator.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <utility>
#include <vector>

namespace tensikon::bench {

namespace {

// 22 050 samples zero-padded to 65 536: bins 0.67 Hz apart. The samples are
// not tapered: the pluck may sit at the very start of the buffer, where a
// tapering window would all but hide a short one.
constexpr std::size_t kFftSize = 65536;

void fftInPlace(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * 3.14159265358979323846 / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < length / 2; ++k) {
                const std::complex<double> u = a[start + k];
                const std::complex<double> v = a[start + k + length / 2] * w;
                a[start + k] = u + v;
                a[start + k + length / 2] = u - v;
                w *= step;
            }
        }
    }
}

double sampleAt(AnalysisBuffer buffer, std::size_t k)
{
    const auto u = static_cast<std::uint16_t>(buffer[2 * k] | (buffer[2 * k + 1] << 8));
    return static_cast<std::int16_t>(u);
}

} // namespace

std::optional<double> fftPeakFrequency(AnalysisBuffer buffer)
{
    std::vector<std::complex<double>> spectrum(kFftSize);
    for (std::size_t k = 0; k < buffer.size() / 2; ++k) {
        spectrum[k] = sampleAt(buffer, k);
    }
    fftInPlace(spectrum);
    const double binHz = static_cast<double>(kSampleRate) / kFftSize;
    const auto low = static_cast<std::size_t>(kReferenceLowHz / binHz);
    const auto high = static_cast<std::size_t>(kReferenceHighHz / binHz);
    std::size_t peak = low;
    for (std::size_t k = low; k <= high; ++k) {
        if (std::abs(spectrum[k]) > std::abs(spectrum[peak])) {
            peak = k;
        }
    }
    const double a = std::log(std::abs(spectrum[peak - 1]));
    const double b = std::log(std::abs(spectrum[peak]));
    const double c = std::log(std::abs(spectrum[peak + 1]));
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || a - 2 * b + c >= 0) {
        return std::nullopt; // silence, or no peak to refine
    }
    const double shift = 0.5 * (a - c) / (a - 2 * b + c);
    return (static_cast<double>(peak) + shift) * binHz;
}

} // namespace tensikon::bench
