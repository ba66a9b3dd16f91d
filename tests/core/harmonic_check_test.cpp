#include "core/harmonic_check.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <utility>
#include <vector>

namespace tensikon {
namespace {

// A third of a second of sound: harmonic tones, each its pitch and the
// amplitude of each of its harmonics, the fundamental first.
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

// A string's partials, its second the strongest.
const std::vector<double> kNote{900, 1000, 800, 600, 500, 400, 300, 200};

// The echo of a sharp attack is read, 3 to 6 % (more than 5 Hz) over the
// note it settled on; a pitch is never raised to a sharper one; and a lower
// tone that has the fundamental alone (a room's resonance) is no settled
// note.
TEST(SettledPitch, FallsOnlyToALowerNoteHeardOnMostHarmonics)
{
    const std::vector<double> echo{600, 700, 500, 400, 300, 200, 150, 100};
    for (const auto& [note, sharp] : {std::pair{100.0, 1.06}, {180.0, 1.03}, {240.0, 1.03}}) {
        const std::vector<float> settled = soundOf({{note, kNote}, {note * sharp, echo}});
        EXPECT_NEAR(settledPitch(settled, note * sharp), note, 0.003 * note) << note;
        const std::vector<float> sharper = soundOf({{note, echo}, {note * sharp, kNote}});
        EXPECT_EQ(settledPitch(sharper, note), note) << note;
        const std::vector<float> resonance = soundOf({{note, echo}, {note * 0.96, {2000}}});
        EXPECT_EQ(settledPitch(resonance, note), note) << note;
    }
}

// Odd harmonics of half the pitch, each of amplitude `a`, as a room or a
// second string can leave them.
Series oddOfHalf(double hz, double a)
{
    return {hz / 2, {a, 0, a, 0, a, 0, a, 0, a, 0, a, 0, a, 0, a, 0}};
}

// With 3 % of the power off the double's harmonics, a reading below the
// belts is doubled and one in them is not; with 8 % neither is.
TEST(PitchFromHarmonics, DoublesAReadingBelowTheBeltsOnWeakerEvidence)
{
    EXPECT_EQ(pitchFromHarmonics(soundOf({{90, kNote}, oddOfHalf(90, 112)}), 45), 90);
    EXPECT_EQ(pitchFromHarmonics(soundOf({{180, kNote}, oddOfHalf(180, 112)}), 90), 90);
    EXPECT_EQ(pitchFromHarmonics(soundOf({{90, kNote}, oddOfHalf(90, 183)}), 45), 45);
}

// Half the pitch, as filled as a room leaves it, doubts a reading whose
// half could be a belt's and leaves one whose half is below the belts.
TEST(Certainty, DoubtsNoReadingForAHalfBelowTheBelts)
{
    EXPECT_GT(certainty(soundOf({{90, kNote}, oddOfHalf(90, 400)}), 90, 1, false), 0.5);
    EXPECT_EQ(certainty(soundOf({{180, kNote}, oddOfHalf(180, 400)}), 180, 1, false), 0);
}

} // namespace
} // namespace tensikon
