#include "core/mains_hum.h"

#include <algorithm>
#include <cmath>

namespace tensikon {

namespace {

// An attack that much louder than the hum (in power, 20 dB) was a note of
// its own.
constexpr double kAttackOverHum = 100.0;
// A sound whose second half after the attack keeps this share of the first
// half's power (within 1 dB) holds its level, as hum does. A plucked note
// dies away faster, even one ringing with a time constant of a quarter
// second read over the shortest stretch, 0.15 s.
constexpr double kHeldLevel = 0.8;
// Share of the sound after the attack that must be left once the hum is
// taken out for the rest to be read on its own.
constexpr double kNotOnlyHum = 0.1;
// A pitch within this share of 50 or 60 Hz is the mains' own.
constexpr double kOnMains = 0.01;

} // namespace

bool onHumPeriod(double lag)
{
    return std::any_of(kHumPeriods.begin(), kHumPeriods.end(),
                       [lag](double hum) { return std::abs(lag - hum) <= kHumSpread * hum; });
}

bool onMains(double hz)
{
    return std::any_of(kMainsPeriods.begin(), kMainsPeriods.end(), [hz](std::size_t period) {
        return std::abs(hz * static_cast<double>(period) / kSampleRate - 1.0) <= kOnMains;
    });
}

double energyFrom(const Samples& x, std::size_t first)
{
    double e = 0;
    for (std::size_t k = first; k < x.size(); ++k)
        e += static_cast<double>(x[k]) * x[k];
    return e;
}

// The median over the periods, not their mean: the
// few loud periods of the pluck would otherwise leave their mark in it.
Samples withoutRepeating(const Samples& all, std::size_t period)
{
    const std::size_t periods = all.size() / period;
    Samples rest(all);
    std::vector<float> same(periods);
    for (std::size_t k = 0; k < period; ++k) {
        for (std::size_t j = 0; j < periods; ++j)
            same[j] = all[j * period + k];
        const auto middle = same.begin() + static_cast<std::ptrdiff_t>(periods / 2);
        std::nth_element(same.begin(), middle, same.end());
        for (std::size_t n = k; n < rest.size(); n += period)
            rest[n] -= *middle;
    }
    return rest;
}

bool mostlyHum(const Samples& all, const Samples& rest, std::size_t first)
{
    return energyFrom(rest, first) < kNotOnlyHum * energyFrom(all, first);
}

// True when the sound after the attack is hum alone and there was no note
// to read: one died in the attack (which, with the hum taken out, was much
// louder than the hum), or there was none, and the hum itself fired the
// pluck test with the microphone turned up (the sound holds its level where
// a plucked note dies away). A steady tone right on the mains frequency
// cannot be told from hum; a plucked belt never is one.
bool onlyHum(const Samples& all, const Samples& rest, std::size_t pluck, std::size_t first)
{
    double attack = 0;
    for (std::size_t k = pluck; k < first; ++k)
        attack += static_cast<double>(rest[k]) * rest[k];
    double hum = 0;
    for (std::size_t k = first; k < all.size(); ++k) {
        const double h = static_cast<double>(all[k]) - rest[k];
        hum += h * h;
    }
    const auto perSample = [](double e, std::size_t n) { return e / static_cast<double>(n); };
    if (perSample(attack, first - pluck) > kAttackOverHum * perSample(hum, all.size() - first))
        return true;
    const std::size_t middle = first + (all.size() - first) / 2;
    const double later = energyFrom(all, middle);
    return later >= kHeldLevel * (energyFrom(all, first) - later);
}

Hum humIn(const Samples& all, std::size_t first)
{
    Hum most;
    const double total = energyFrom(all, first);
    for (const double period : kHumPeriods) {
        Samples rest = withoutRepeating(all, static_cast<std::size_t>(period));
        const double share = total > 0 ? 1.0 - energyFrom(rest, first) / total : 0.0;
        if (share > most.share)
            most = {share, std::move(rest)};
    }
    return most;
}
} // namespace tensikon
