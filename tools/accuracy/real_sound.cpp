#include "tools/accuracy/real_sound.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "core/capture_format.h"
#include "tools/accuracy/accuracy_corpus.h"

namespace tensikon::bench {

namespace {

constexpr double kRate = kSampleRate;

struct Coefficients {
    double w0, cosw, alpha;
};

Coefficients coefficients(double hz, double q)
{
    const double w0 = 2 * std::numbers::pi * hz / kRate;
    return {w0, std::cos(w0), std::sin(w0) / (2 * q)};
}

// Level control with a fast attack and a slower release, on a peak follower.
void compress(Signal& x, double threshold, double ratio)
{
    const double attack = std::exp(-1.0 / (0.002 * kRate));
    const double release = std::exp(-1.0 / (0.080 * kRate));
    double envelope = 0;
    for (double& v : x) {
        const double level = std::fabs(v);
        const double a = level > envelope ? attack : release;
        envelope = a * envelope + (1 - a) * level;
        if (envelope > threshold) {
            v *= std::pow(envelope / threshold, 1.0 / ratio - 1.0);
        }
    }
}

// A feedback comb with a one-pole low-pass in its loop (walls absorb the
// highs first), and a Schroeder all-pass, the parts of a classic room.
class Comb {
  public:
    Comb(std::size_t delay, double feedback, double damping)
        : line_(delay, 0.0), feedback_(feedback), damping_(damping)
    {
    }
    double step(double in)
    {
        const double out = line_[at_];
        held_ = out * (1 - damping_) + held_ * damping_;
        line_[at_] = in + held_ * feedback_;
        at_ = (at_ + 1) % line_.size();
        return out;
    }

  private:
    std::vector<double> line_;
    double feedback_, damping_, held_ = 0;
    std::size_t at_ = 0;
};

class AllPass {
  public:
    explicit AllPass(std::size_t delay) : line_(delay, 0.0) {}
    double step(double in)
    {
        const double held = line_[at_];
        line_[at_] = in + held * 0.5;
        at_ = (at_ + 1) % line_.size();
        return held - in;
    }

  private:
    std::vector<double> line_;
    std::size_t at_ = 0;
};

void fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> turn =
            std::polar(1.0, -2 * std::numbers::pi / static_cast<double>(len));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < len / 2; ++k, w *= turn) {
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

constexpr std::size_t kSpectrumSize = 1 << 18; // 0.17 Hz a bin
constexpr double kBinHz = kRate / kSpectrumSize;

// Magnitudes of the Hann-windowed, zero-padded note.
std::vector<double> spectrum(std::span<const double> x)
{
    std::vector<std::complex<double>> a(kSpectrumSize);
    const std::size_t n = std::min(x.size(), kSpectrumSize);
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                              static_cast<double>(n));
        a[i] = x[i] * w;
    }
    fft(a);
    std::vector<double> magnitude(kSpectrumSize / 2);
    for (std::size_t i = 0; i < magnitude.size(); ++i) {
        magnitude[i] = std::abs(a[i]);
    }
    return magnitude;
}

double at(const std::vector<double>& m, double hz)
{
    const double bin = hz / kBinHz;
    const auto i = static_cast<std::size_t>(bin);
    if (i + 1 >= m.size()) {
        return 0;
    }
    const double f = bin - static_cast<double>(i);
    return m[i] * (1 - f) + m[i + 1] * f;
}

struct Peak {
    double hz = 0, amplitude = 0;
};

// The largest bin within `spread` hertz of hz, refined by a parabola
// through the logarithms of it and its neighbours.
Peak peakNear(const std::vector<double>& m, double hz, double spread)
{
    const auto low = static_cast<std::size_t>(std::max(1.0, (hz - spread) / kBinHz));
    const auto high = std::min(m.size() - 2, static_cast<std::size_t>((hz + spread) / kBinHz));
    std::size_t best = low;
    for (std::size_t i = low; i <= high; ++i) {
        best = m[i] > m[best] ? i : best;
    }
    const double l = std::log(m[best - 1] + 1e-300), c = std::log(m[best] + 1e-300),
                 r = std::log(m[best + 1] + 1e-300);
    const double denominator = l - 2 * c + r;
    const double shift = denominator < 0 ? 0.5 * (l - r) / denominator : 0.0;
    return {(static_cast<double>(best) + shift) * kBinHz, m[best]};
}

} // namespace

Biquad Biquad::highPass(double hz, double q)
{
    const auto [w0, c, alpha] = coefficients(hz, q);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0_ = (1 + c) / 2 / a0;
    f.b1_ = -(1 + c) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::lowPass(double hz, double q)
{
    const auto [w0, c, alpha] = coefficients(hz, q);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0_ = (1 - c) / 2 / a0;
    f.b1_ = (1 - c) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
}

Biquad Biquad::peak(double hz, double q, double gainDb)
{
    const auto [w0, c, alpha] = coefficients(hz, q);
    const double amp = std::pow(10.0, gainDb / 40);
    const double a0 = 1 + alpha / amp;
    Biquad f;
    f.b0_ = (1 + alpha * amp) / a0;
    f.b1_ = -2 * c / a0;
    f.b2_ = (1 - alpha * amp) / a0;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha / amp) / a0;
    return f;
}

void Biquad::run(Signal& x) const
{
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : x) {
        const double y = b0_ * v + b1_ * x1 + b2_ * x2 - a1_ * y1 - a2_ * y2;
        x2 = x1;
        x1 = v;
        y2 = y1;
        y1 = y;
        v = y;
    }
}

double rms(std::span<const double> x)
{
    double sum = 0;
    for (double v : x) {
        sum += v * v;
    }
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

void phoneMicrophone(Signal& x)
{
    Biquad::highPass(120, 0.707).run(x);
    Biquad::lowPass(7000, 0.707).run(x);
    Biquad::peak(2800, 2.0, 6.0).run(x);
    double largest = 0;
    for (double v : x) {
        largest = std::max(largest, std::fabs(v));
    }
    if (largest > 0) {
        compress(x, 0.25 * largest, 2.5);
    }
}

void laptopMicrophone(Signal& x)
{
    // Two sections make a fourth-order Butterworth high-pass.
    Biquad::highPass(150, 0.541).run(x);
    Biquad::highPass(150, 1.307).run(x);
    Biquad::peak(4200, 3.0, 5.0).run(x);
    Biquad::lowPass(9000, 0.707).run(x);
}

void room(Signal& x)
{
    // Mutually prime delays of 25 to 37 ms and short all-passes diffusing them.
    static constexpr std::size_t kCombs[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static constexpr std::size_t kAllPasses[] = {556, 441, 341, 225};
    std::vector<Comb> combs;
    for (std::size_t d : kCombs) {
        combs.emplace_back(d, 0.80, 0.3);
    }
    std::vector<AllPass> allPasses(std::begin(kAllPasses), std::end(kAllPasses));
    Signal wet(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        double sum = 0;
        for (Comb& c : combs) {
            sum += c.step(x[i]);
        }
        for (AllPass& a : allPasses) {
            sum = a.step(sum);
        }
        wet[i] = sum;
    }
    const double wetRms = rms(wet);
    const double scale = wetRms > 0 ? std::pow(10.0, -3.0 / 20) * rms(x) / wetRms : 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] += scale * wet[i];
    }
}

Signal hum(std::size_t samples, double mainsHz, double phase)
{
    static constexpr double kHarmonics[] = {1.0, 0.35, 0.6, 0.15, 0.3, 0.08, 0.12};
    Signal h(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double v = 0;
        for (std::size_t k = 0; k < std::size(kHarmonics); ++k) {
            const double n = static_cast<double>(k + 1);
            v += kHarmonics[k] * std::sin(2 * std::numbers::pi * mainsHz * n * t + phase * n);
        }
        h[i] = v;
    }
    return h;
}

void addAt(Signal& x, std::span<const double> noise, double referenceRms, double belowDb)
{
    const double level = rms(noise);
    if (noise.empty() || level <= 0) {
        return;
    }
    const double scale = referenceRms * std::pow(10.0, -belowDb / 20) / level;
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] += scale * noise[i % noise.size()];
    }
}

std::optional<double> truePitch(std::span<const double> note, double nominalHz)
{
    const std::vector<double> m = spectrum(note);
    const double spread = std::max(7.0, 0.04 * nominalHz);
    double best = 0, bestScore = -1;
    for (double f = nominalHz - spread; f <= nominalHz + spread; f += 0.05) {
        double score = 0;
        for (int h = 1; h <= 6 && h * f < 8000; ++h) {
            score += at(m, h * f);
        }
        if (score > bestScore) {
            bestScore = score;
            best = f;
        }
    }
    // Each partial's own peak, close to where the harmonic sum puts it:
    // ensembles and pianos have neighbouring peaks that are not the note.
    Peak partials[5];
    double strongest = 0;
    for (int h = 1; h <= 5; ++h) {
        partials[h - 1] = peakNear(m, h * best, 1.0 + 0.004 * h * best);
        strongest = std::max(strongest, partials[h - 1].amplitude);
    }
    const double odd =
        std::max({partials[0].amplitude, partials[2].amplitude, partials[4].amplitude});
    if (strongest <= 0 || odd < 0.2 * strongest) {
        return std::nullopt;
    }
    // The median of the strong partials' own estimates: an attack transient
    // or a differently tuned attack sample can pull a single one aside.
    std::vector<double> estimates;
    for (int h = 1; h <= 5; ++h) {
        if (partials[h - 1].amplitude >= 0.1 * strongest) {
            estimates.push_back(partials[h - 1].hz / h);
        }
    }
    std::sort(estimates.begin(), estimates.end());
    const std::size_t mid = estimates.size() / 2;
    return estimates.size() % 2 ? estimates[mid] : (estimates[mid - 1] + estimates[mid]) / 2;
}

std::vector<std::int16_t> quantise(std::span<const double> x, double gain)
{
    std::vector<std::int16_t> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::clamp(std::round(x[i] * gain), -32768.0, 32767.0));
    }
    return out;
}

bool fires(std::span<const double> x, double gain)
{
    return captureOf(quantise(x, gain)).has_value();
}

double volumeUp(std::span<const double> x, double fullGain)
{
    double lowest = fullGain;
    if (!fires(x, lowest)) {
        return fullGain;
    }
    while (lowest > 1e-12 && fires(x, lowest / 2)) {
        lowest /= 2;
    }
    return lowest == fullGain ? fullGain : 2 * lowest;
}

double volumeAtPeak(std::span<const double> x, double peakDb)
{
    double largest = 0;
    for (double v : x) {
        largest = std::max(largest, std::fabs(v));
    }
    return largest > 0 ? std::pow(10.0, peakDb / 20) * 32767.0 / largest : 1.0;
}

} // namespace tensikon::bench
