#include "core/harmonic_check.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <utility>
#include <vector>

namespace tensikon {
namespace {

// A third of a second of sound: `series` harmonic tones, each its pitch
// and the amplitude of each of its first eight harmonics.
struct Series {
    double hz;
    std::vector<double> amplitudes;
};

std::vector<float> soundOf(const std::vector<Series>& series)
{
    std::vector<float> x(14700);
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        for (const Series& s : series)
            for (std::size_t k = 1; k <= s.amplitudes.size(); ++k)
                x[n] += static_cast<float>(
                    s.amplitudes[k - 1] *
                    std::sin(2 * std::numbers::pi * s.hz * static_cast<double>(k) * t + k));
    }
    return x;
}

// The echo of a sharp attack is read, 3 to 6 % (more than 5 Hz) over the
// note it settled on; a pitch is never raised to a sharper one; and a lower
// tone that has the fundamental alone (a room's resonance) is no settled
// note.
TEST(SettledPitch, FallsOnlyToALowerNoteHeardOnMostHarmonics)
{
    const std::vector<double> loud{900, 1000, 800, 600, 500, 400, 300, 200};
    const std::vector<double> echo{600, 700, 500, 400, 300, 200, 150, 100};
    for (const auto& [note, sharp] : {std::pair{100.0, 1.06}, {180.0, 1.03}, {240.0, 1.03}}) {
        const std::vector<float> settled = soundOf({{note, loud}, {note * sharp, echo}});
        EXPECT_NEAR(settledPitch(settled, note * sharp), note, 0.003 * note) << note;
        const std::vector<float> sharper = soundOf({{note, echo}, {note * sharp, loud}});
        EXPECT_EQ(settledPitch(sharper, note), note) << note;
        const std::vector<float> resonance = soundOf({{note, echo}, {note * 0.96, {2000}}});
        EXPECT_EQ(settledPitch(resonance, note), note) << note;
    }
}

} // namespace
} // namespace tensikon
