// The readings of this run: every capture's result with the model, cylinder
// and target it was judged against, newest first, so that a mechanic can
// compare plucks, keep them as CSV and see whether the last ones agree.
//
// Nothing here is stored by itself: the log lives as long as the program
// and is written out only when the user asks for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "core/bike_catalogue.h"
#include "core/shown_reading.h"

namespace tensikon {

// The oldest reading is dropped once the log holds more than this.
inline constexpr std::size_t kMostReadings = 1000;
// How many of the last values the agreement looks at.
inline constexpr int kAgreementPlucks = 3;

// A moment on the computer's clock, as the user's own time.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    // Local time minus UTC.
    int utcOffsetMinutes = 0;
};

struct Reading {
    LocalTime time;
    std::string model;
    Cylinder cylinder = Cylinder::Horizontal;
    // No value: the capture gave no trustworthy reading ("---").
    std::optional<std::int32_t> hz;
    std::uint32_t targetHz = 0;
    ReadingSource from = ReadingSource::None;
};

enum class ReadingVerdict : std::uint8_t { InRange, OutOfRange, NoReading };

// The verdict by the target check; a reading without value has none.
ReadingVerdict verdictOf(const Reading& reading);

// "in range", "out of range" or "no reading".
std::string_view verdictText(ReadingVerdict verdict);
// The value as shown: decimal hertz, or "---".
std::string valueText(const Reading& reading);
// "2026-12-07T14:03:09+01:00"
std::string isoTime(const LocalTime& time);

// How well the last values of one model and cylinder agree.
struct Agreement {
    int values = 0; // 0 to kAgreementPlucks
    std::int32_t medianHz = 0;
    std::int32_t spreadHz = 0; // largest minus smallest
};

// "Last 3: 141 Hz, spread 1 Hz" once three values are in, else how many are.
std::string agreementText(const Agreement& agreement);

class ReadingsLog {
  public:
    // The model and cylinder that the next readings are taken with. A change
    // starts the agreement again; the same choice again does not.
    void select(std::string_view model, Cylinder cylinder);

    // Adds a reading at the top, dropping the oldest beyond kMostReadings.
    // A reading taken with another model or cylinder than the selected one
    // selects them.
    void add(Reading reading);

    std::size_t size() const { return rows_.size(); }
    // Readings ever added, the dropped ones included.
    std::uint64_t added() const { return added_; }
    // 0 is the newest.
    const Reading& at(std::size_t index) const { return rows_[index].reading; }

    // The values of the selected model and cylinder since it was selected,
    // the last kAgreementPlucks of them; readings without value are passed.
    Agreement agreement() const;

  private:
    struct Row {
        Reading reading;
        std::uint64_t series;
    };
    std::deque<Row> rows_;
    std::uint64_t added_ = 0;
    std::string model_;
    Cylinder cylinder_ = Cylinder::Horizontal;
    // Grows at every change of model or cylinder.
    std::uint64_t series_ = 0;
};

// The whole log as CSV (RFC 4180: comma-separated, CRLF, quoted where a
// field holds a comma, quote or line break), UTF-8, with a header row and
// one row per reading, newest first.
std::string readingsCsv(const ReadingsLog& log);

} // namespace tensikon
