// One measurement's state: the only record of what phase a measurement is
// in, what the user has chosen (record mode, hold time, model, cylinder) and
// what each measured readout shows. The handlers of the windows only change
// it; syncMeasurementUi (ui/measurement_sync.h) sets every caption, timer,
// menu mark, readout text and colour from it. User-interface thread only.
//
// Everything here is plain data and pure functions of it, so that the rules
// (the target, the verdict, the caption and why) each live in one place.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/bike_catalogue.h"
#include "core/pluck_onset.h"
#include "resources/resource.h"
#include "ui/status_detail.h"

namespace tensikon {

enum class Phase : std::uint8_t {
    Idle,     // no recording runs and none is due
    Starting, // the recorder is opening the device
    Armed,    // the device records and the capture waits for the pluck
    Holding,  // Continuous mode: the next capture starts after the hold time
    Stopping, // the recorder is taking the device down
};

// Why the measurement is idle. It decides the record button's caption and
// whether the selected readout goes on flashing.
enum class IdleReason : std::uint8_t {
    Fresh,        // nothing started yet, or a stop by the user
    SingleResult, // Single mode showed its result
    StartFailed,  // a start failed: "Stop", and the flashing goes on
    HoldFailed,   // the hold timer could not be started: "Stop", nothing runs
};

enum class RecordMode : std::uint8_t { Continuous, Single };

// What a measured readout holds.
enum class Shown : std::uint8_t {
    NotMeasured, // "000"
    Value,       // a reading in hertz
    NoReading,   // "---": the capture gave no trustworthy reading
    Recording,   // "REC": a capture runs for this cylinder
    Stopped,     // "???": the capture was stopped before a result
};

struct ReadoutContent {
    Shown what = Shown::NotMeasured;
    std::int32_t hz = 0;
};

// The Hold Time commands and how long each lets Continuous mode wait, in
// menu order.
struct HoldTimeItem {
    unsigned command;
    int milliseconds;
};
inline constexpr std::array<HoldTimeItem, 4> kHoldTimes{{{IDM_HOLD_HALF_SECOND, 500},
                                                         {IDM_HOLD_ONE_SECOND, 1000},
                                                         {IDM_HOLD_TWO_SECONDS, 2000},
                                                         {IDM_HOLD_THREE_SECONDS, 3000}}};
inline constexpr int kDefaultHoldTimeMs = 1000;

struct MeasurementState {
    Phase phase = Phase::Idle;
    IdleReason idle = IdleReason::Fresh;
    RecordMode mode = RecordMode::Continuous;
    int holdTimeMs = kDefaultHoldTimeMs;
    const BikeModel* model = nullptr; // none until the user chooses one
    Cylinder cylinder = Cylinder::Horizontal;
    // Settings > "Sound on Result": a tone for each reading.
    bool soundOnResult = false;
    std::array<ReadoutContent, 2> readings{}; // by Cylinder
    // The selected readout is in the dark beat of its flashing.
    bool darkBeat = false;
    // Settings > Pluck Detection; the level test at every start.
    PluckTest pluckTest = PluckTest::Level;
    // What the status row's second field says.
    StatusDetail detail;
    // Continuous mode: the result the next capture's "REC" has replaced, kept
    // in sight in the status row while that capture runs.
    std::optional<ReadoutContent> lastResult;
};

// The one state of the process. Every start of the main window begins it
// afresh: nothing is stored.
MeasurementState& measurementState();
void resetMeasurementState();

const ReadoutContent& selectedReading(const MeasurementState& state);
// Puts `content` into the selected cylinder's measured readout, in its
// bright shade: a new content never starts in the dark beat of a flash.
void showOnSelected(MeasurementState& state, ReadoutContent content);

// The status row's second field: what `detail` says, after the last result
// while a capture of the continuous cycle runs ("Last: 141 Hz, in range"),
// judged against the target of now.
std::string statusRowDetail(const MeasurementState& state);

// A cylinder's target in hertz: the chosen model's, or 0 before any choice.
unsigned targetHz(const MeasurementState& state, Cylinder cylinder);

// The record button's caption. "Stop" while a capture runs, is due, or
// after a start or hold timer that failed (the next press starts afresh);
// "Start Record" after a result in Single mode; "Start Recording" before
// the first start and after a stop.
const char* recordCaption(const MeasurementState& state);

// Which of the panel's timers run in this state.
bool flashTimerRuns(const MeasurementState& state);
bool holdTimerRuns(const MeasurementState& state);
bool watchTimerRuns(const MeasurementState& state);
bool inputLevelTimerRuns(const MeasurementState& state);

// The cylinder can change unless a capture is under way.
bool cylinderMayChange(const MeasurementState& state);

// A measured readout's text (room for any signed 32-bit value).
struct ReadoutText {
    char text[16];
};
ReadoutText measuredText(const ReadoutContent& reading);

// Red: a reading outside `target`, no reading, or a capture running. Green:
// a reading within it, nothing measured yet, or a stopped capture.
bool measuredIsRed(const ReadoutContent& reading, unsigned target);

} // namespace tensikon
