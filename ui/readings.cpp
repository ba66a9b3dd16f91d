#include "ui/readings.h"

#include <string>
#include <utility>

#include "ui/measurement_state.h"
#include "ui/readings_window.h"
#include "ui/result_tone.h"

namespace tensikon {

namespace {

// User-interface thread only.
ReadingsLog runLog;

// The model as the menu names it ("Corvane 1000i").
std::string chosenModelName()
{
    const BikeModel* model = measurementState().model;
    return model == nullptr ? "No bike" : modelName(*model);
}

// The computer's clock as the user's own time, with its offset from UTC.
LocalTime localTimeNow()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    TIME_ZONE_INFORMATION zone{};
    LONG bias = 0;
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_DAYLIGHT:
        bias = zone.Bias + zone.DaylightBias;
        break;
    case TIME_ZONE_ID_INVALID:
        break;
    default:
        bias = zone.Bias + zone.StandardBias;
        break;
    }
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(-bias)};
}

} // namespace

const ReadingsLog& readingsLog()
{
    return runLog;
}

void resetReadings()
{
    runLog = ReadingsLog{};
}

void recordReading(const ShownReading& shown, unsigned targetHz)
{
    Reading reading{localTimeNow(), chosenModelName(), measurementState().cylinder,
                    shown.hz,       targetHz,          shown.from};
    playResultTone(verdictOf(reading));
    runLog.add(std::move(reading));
    showReadings();
}

void noteSelection()
{
    runLog.select(chosenModelName(), measurementState().cylinder);
    showReadings();
}

} // namespace tensikon
