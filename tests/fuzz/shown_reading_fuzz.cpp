// Fuzz target: the pitch and the shown value on any 44 100 bytes (shorter
// inputs are padded with silence, longer ones cut). The pitch stays in range
// with a confidence of 0..1, and the value shown is the crossing count only
// when the pitch confirms it, else a confident pitch cut to whole hertz, else
// nothing.
#include <algorithm>
#include <cmath>

#include "core/shown_reading.h"
#include "tests/core/plucked.h"
#include "tests/fuzz/buffer_target.h"

namespace tensikon::fuzz {

void checkBuffer(AnalysisBuffer buffer)
{
    const Measurement m = measureCapture(buffer);
    check(m.crossings.hz == estimateFrequency(buffer), "the count is estimateFrequency's");
    check(!m.pitch || m.crossings.pluckOffset, "no pitch without a pluck");
    if (m.pitch) {
        check(m.pitch->hz >= kLowestPitchHz - 1 && m.pitch->hz <= kHighestPitchHz + 25,
              "the pitch lies in 40..1000 Hz");
        check(m.pitch->confidence >= 0 && m.pitch->confidence <= 1, "confidence 0..1");
    }
    switch (m.shown.from) {
    case ReadingSource::Crossings:
        check(m.pitch && m.crossings.hz && m.shown.hz == m.crossings.hz &&
                  readingsAgree(*m.crossings.hz, m.pitch->hz),
              "the count is shown when the pitch confirms it");
        break;
    case ReadingSource::Pitch:
        check(m.pitch && pitchIsConfident(*m.pitch) &&
                  m.shown.hz == static_cast<std::int32_t>(std::trunc(m.pitch->hz)) &&
                  !(m.crossings.hz && readingsAgree(*m.crossings.hz, m.pitch->hz)),
              "a confident pitch, cut, is shown when the count disagrees");
        break;
    case ReadingSource::None:
        check(!m.shown.hz, "no source, no value");
        break;
    }
}

std::vector<Input> seeds()
{
    std::vector<Input> all;
    for (const double hz : {60.0, 140.0, 210.0})
        all.push_back(test::toBytes(test::tone(hz, true)));
    for (const double hz : {45.0, 98.0, 247.0, 900.0}) {
        test::Ringing r;
        r.hz = hz;
        r.hum = 0.05;
        all.push_back(test::ringing(r));
    }
    all.push_back(test::plucked(140, 21900, 0.3, 500, 4));
    all.push_back(Input(kAnalysisBufferBytes, 0));
    return all;
}

} // namespace tensikon::fuzz
