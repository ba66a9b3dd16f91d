#include "core/readings_log.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

namespace tensikon {

namespace {

constexpr std::string_view kCsvHeader = "time,model,cylinder,value_hz,target_hz,verdict,source";

// A field quoted only where it has to be, with its quotes doubled.
void appendCsvField(std::string& out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvRow(std::string& out, const Reading& r)
{
    const std::string fields[] = {isoTime(r.time),
                                  r.model,
                                  std::string(cylinderName(r.cylinder)),
                                  valueText(r),
                                  std::to_string(r.targetHz),
                                  std::string(verdictText(verdictOf(r))),
                                  std::string(readingSourceName(r.from))};
    bool first = true;
    for (const std::string& field : fields) {
        if (!first)
            out += ',';
        first = false;
        appendCsvField(out, field);
    }
    out += "\r\n";
}

} // namespace

ReadingVerdict verdictOf(const Reading& reading)
{
    if (!reading.hz)
        return ReadingVerdict::NoReading;
    return isWithinTarget(*reading.hz, reading.targetHz) ? ReadingVerdict::InRange
                                                         : ReadingVerdict::OutOfRange;
}

std::string_view verdictText(ReadingVerdict verdict)
{
    constexpr std::string_view kTexts[] = {"in range", "out of range", "no reading"};
    return kTexts[static_cast<std::size_t>(verdict)];
}

std::string valueText(const Reading& reading)
{
    return reading.hz ? std::to_string(*reading.hz) : std::string("---");
}

std::string isoTime(const LocalTime& t)
{
    const int offset = std::abs(t.utcOffsetMinutes);
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year,
                  t.month, t.day, t.hour, t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+',
                  offset / 60, offset % 60);
    return text.data();
}

std::string agreementText(const Agreement& a)
{
    if (a.values < kAgreementPlucks)
        return "Last 3: " + std::to_string(a.values) + " of 3 values so far";
    return "Last 3: " + std::to_string(a.medianHz) + " Hz, spread " + std::to_string(a.spreadHz) +
           " Hz";
}

void ReadingsLog::select(std::string_view model, Cylinder cylinder)
{
    if (model == model_ && cylinder == cylinder_)
        return;
    model_ = model;
    cylinder_ = cylinder;
    ++series_;
}

void ReadingsLog::add(Reading reading)
{
    select(reading.model, reading.cylinder);
    rows_.push_front({std::move(reading), series_});
    ++added_;
    if (rows_.size() > kMostReadings)
        rows_.pop_back();
}

Agreement ReadingsLog::agreement() const
{
    std::array<std::int32_t, kAgreementPlucks> values{};
    int count = 0;
    for (const Row& row : rows_) {
        if (row.series != series_ || count == kAgreementPlucks)
            break;
        if (row.reading.hz)
            values[static_cast<std::size_t>(count++)] = *row.reading.hz;
    }
    if (count < kAgreementPlucks)
        return {count, 0, 0};
    std::sort(values.begin(), values.end());
    // Widened: readings of any int32 must not overflow the difference.
    const auto spread = static_cast<std::int64_t>(values.back()) - values.front();
    return {count, values[kAgreementPlucks / 2],
            static_cast<std::int32_t>(
                std::min<std::int64_t>(spread, std::numeric_limits<std::int32_t>::max()))};
}

std::string readingsCsv(const ReadingsLog& log)
{
    std::string out(kCsvHeader);
    out += "\r\n";
    for (std::size_t i = 0; i < log.size(); ++i)
        appendCsvRow(out, log.at(i));
    return out;
}

} // namespace tensikon
