#include <gtest/gtest.h>

#include "core/shown_reading.h"
#include "tests/core/plucked.h"

namespace tensikon {
namespace {

// A note that holds its level rings down even when noise leaves its pitch
// only middling clear; a tone that swells and sinks by 5 dB four times a
// second, as a voice does with its syllables, does too while its pitch
// holds, but not while it glides as a voice's does; a noisy drone below
// every belt does not.
TEST(RingDown, HeldNotesRingGlidingSwellsAndLowDronesDoNot)
{
    const Measurement held = measureCapture(test::asBuffer(test::plucked(110, 3000, 3.0, 8000)));
    EXPECT_EQ(held.shape, SoundShape::RingsDown);
    EXPECT_NEAR(held.shown.hz.value_or(0), 110, 5);

    // A voice glides with its words; a string holds its pitch, however its
    // level swells and sinks in a room.
    const auto swelling = [](double glide) {
        return measureCapture(test::asBuffer(test::swelling(glide)));
    };
    EXPECT_EQ(swelling(0.2).shape, SoundShape::NoRing);
    const Measurement steady = swelling(0);
    EXPECT_EQ(steady.shape, SoundShape::RingsDown);
    EXPECT_NEAR(steady.shown.hz.value_or(0), 150, 5);

    // Its noise may read it on the mains, as hum: no ring either way.
    const test::Bytes drone = test::plucked(49, 3000, 3.0, 6000);
    EXPECT_NE(measureCapture(test::asBuffer(drone)).shape, SoundShape::RingsDown);
}

} // namespace
} // namespace tensikon
