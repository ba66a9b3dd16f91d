#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/shown_reading.h"
#include "tests/core/plucked.h"

namespace tensikon {
namespace {

Measurement measured(const test::Bytes& b)
{
    return measureCapture(test::asBuffer(b));
}

// A steady tone from sample 3000 whose level swells and sinks by `swellDb`
// four times a second, as a voice does with its syllables.
test::Bytes swelling(double hz, double swellDb)
{
    test::Samples s(kAnalysisBufferBytes / 2, 0);
    for (std::size_t n = 3000; n < s.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0;
        const double level = std::pow(10.0, swellDb * std::sin(2 * std::numbers::pi * 4 * t) / 20);
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::sin(2 * std::numbers::pi * k * hz * t) / k;
        s[n] = static_cast<std::int16_t>(std::clamp(16000 * level * v, -32768.0, 32767.0));
    }
    return test::toBytes(s);
}

// A note that holds its level rings down even when noise leaves its pitch
// only middling clear; a swell of the level, or a noisy drone below every
// belt, does not.
TEST(RingDown, HeldNotesRingSwellsAndLowDronesDoNot)
{
    const Measurement held = measured(test::plucked(110, 3000, 3.0, 8000));
    ASSERT_TRUE(held.pitch);
    EXPECT_LT(held.pitch->confidence, 0.9);
    EXPECT_EQ(held.shape, SoundShape::RingsDown);
    ASSERT_TRUE(held.shown.hz);
    EXPECT_NEAR(*held.shown.hz, 110, 5);

    EXPECT_EQ(measured(swelling(150, 5)).shape, SoundShape::NoRing);

    const Measurement drone = measured(test::plucked(49, 3000, 3.0, 6000));
    EXPECT_EQ(drone.shape, SoundShape::NoRing);
    EXPECT_TRUE(measured(test::plucked(49, 3000, 3.0)).shown.hz); // a pure tone is read
}

} // namespace
} // namespace tensikon
