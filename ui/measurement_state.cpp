#include "ui/measurement_state.h"

#include "core/readings_log.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace tensikon {

namespace {

MeasurementState state;

} // namespace

MeasurementState& measurementState()
{
    return state;
}

void resetMeasurementState()
{
    state = MeasurementState{};
}

const ReadoutContent& selectedReading(const MeasurementState& s)
{
    return s.readings[static_cast<std::size_t>(s.cylinder)];
}

void showOnSelected(MeasurementState& s, ReadoutContent content)
{
    s.readings[static_cast<std::size_t>(s.cylinder)] = content;
    s.darkBeat = false;
}

std::string statusRowDetail(const MeasurementState& s)
{
    std::string text = statusDetailText(s.detail, s.pluckTest);
    const bool showLast =
        s.lastResult && s.phase == Phase::Armed && s.detail.kind != DetailKind::PluckBelowLevel;
    if (!showLast)
        return text;
    std::string last = "Last: ";
    if (s.lastResult->what == Shown::Value) {
        const bool in = isWithinTarget(s.lastResult->hz, targetHz(s, s.cylinder));
        last += std::to_string(s.lastResult->hz) + " Hz, " +
                std::string(verdictText(in ? ReadingVerdict::InRange : ReadingVerdict::OutOfRange));
    } else {
        last += "---";
    }
    return text.empty() ? last : last + ". " + text;
}

unsigned targetHz(const MeasurementState& s, Cylinder cylinder)
{
    return s.model == nullptr ? 0 : targetHz(*s.model, cylinder);
}

const char* recordCaption(const MeasurementState& s)
{
    if (s.phase != Phase::Idle)
        return "Stop";
    switch (s.idle) {
    case IdleReason::SingleResult:
        return "Start Record";
    case IdleReason::StartFailed:
    case IdleReason::HoldFailed:
        return "Stop";
    case IdleReason::Fresh:
        break;
    }
    return "Start Recording";
}

bool flashTimerRuns(const MeasurementState& s)
{
    return s.phase == Phase::Armed || (s.phase == Phase::Idle && s.idle == IdleReason::StartFailed);
}

bool holdTimerRuns(const MeasurementState& s)
{
    return s.phase == Phase::Holding;
}

bool watchTimerRuns(const MeasurementState& s)
{
    return s.phase == Phase::Armed;
}

bool inputLevelTimerRuns(const MeasurementState& s)
{
    return s.phase == Phase::Armed;
}

bool cylinderMayChange(const MeasurementState& s)
{
    return s.phase == Phase::Idle || s.phase == Phase::Holding;
}

ReadoutText measuredText(const ReadoutContent& reading)
{
    ReadoutText out{};
    const char* fixed = "000";
    switch (reading.what) {
    case Shown::Value:
        std::to_chars(out.text, out.text + sizeof out.text - 1, reading.hz);
        return out;
    case Shown::NoReading:
        fixed = "---";
        break;
    case Shown::Recording:
        fixed = "REC";
        break;
    case Shown::Stopped:
        fixed = "???";
        break;
    case Shown::NotMeasured:
        break;
    }
    std::copy(fixed, fixed + 3, out.text);
    return out;
}

bool measuredIsRed(const ReadoutContent& reading, unsigned target)
{
    switch (reading.what) {
    case Shown::Value:
        return !isWithinTarget(reading.hz, target);
    case Shown::NoReading:
    case Shown::Recording:
        return true;
    case Shown::NotMeasured:
    case Shown::Stopped:
        break;
    }
    return false;
}

} // namespace tensikon
