#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/shown_reading.h"
#include "tests/core/plucked.h"

namespace tensikon {
namespace {

// A note that holds its level rings down even when noise leaves its pitch
// only middling clear; a tone that swells and sinks by 5 dB four times a
// second, as a voice does with its syllables, and a noisy drone below every
// belt do not.
TEST(RingDown, HeldNotesRingSwellsAndLowDronesDoNot)
{
    const Measurement held = measureCapture(test::asBuffer(test::plucked(110, 3000, 3.0, 8000)));
    EXPECT_EQ(held.shape, SoundShape::RingsDown);
    EXPECT_NEAR(held.shown.hz.value_or(0), 110, 5);

    test::Samples swell(kAnalysisBufferBytes / 2, 0);
    for (std::size_t n = 3000; n < swell.size(); ++n) {
        const double t = static_cast<double>(n) / 44100.0, w = 2 * std::numbers::pi * t;
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::sin(150 * k * w) / k;
        swell[n] = static_cast<std::int16_t>(16000 * std::pow(10.0, std::sin(4 * w) / 4) * v);
    }
    EXPECT_EQ(measureCapture(test::asBuffer(test::toBytes(swell))).shape, SoundShape::NoRing);

    // Its noise may read it on the mains, as hum: no ring either way.
    const test::Bytes drone = test::plucked(49, 3000, 3.0, 6000);
    EXPECT_NE(measureCapture(test::asBuffer(drone)).shape, SoundShape::RingsDown);
}

} // namespace
} // namespace tensikon
