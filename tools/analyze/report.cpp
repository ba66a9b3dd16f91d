#include "tools/analyze/report.h"

#include <cmath>
#include <cstdio>

namespace tensikon::analyze {

namespace {

// Two decimals: seconds (blocks start on whole quarter seconds, so they are
// exact) and the pitch's confidence.
std::string hundredthsText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

const char* reasonOf(const RecordingCapture& capture)
{
    if (capture.tooCloseToEnd)
        return kTooCloseToEnd;
    if (capture.shown.hz)
        return nullptr;
    return reasonText(capture.reason);
}

// Tenths of a hertz, cut rather than rounded so that they never show a
// whole hertz above the shown value.
std::string tenthsText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::floor(value * 10.0) / 10.0);
    return text;
}

const char* verdictOf(std::int32_t hz, const Options& options)
{
    return isWithinTarget(hz, targetHz(*options.model, options.cylinder)) ? "in specification"
                                                                          : "out of specification";
}

std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

template <typename T> std::string jsonOrNull(const std::optional<T>& value)
{
    return value ? std::to_string(*value) : "null";
}

void printCaptureText(std::ostream& out, const RecordingCapture& c, const Options& options)
{
    out << "pluck in block " << c.pluckBlock << " at " << hundredthsText(c.seconds) << " s: ";
    if (c.tooCloseToEnd)
        out << "no reading: " << kTooCloseToEnd << " (a full 0.25 s block must follow the pluck's)";
    else if (!c.shown.hz)
        out << "no reading: " << reasonOf(c);
    else
        out << *c.shown.hz << " Hz";
    if (c.shown.from == ReadingSource::Pitch) {
        out << " (crossing count gave ";
        if (c.estimate.hz)
            out << *c.estimate.hz << " Hz)";
        else
            out << "no reading)";
    }
    if (c.shown.hz && options.model)
        out << ", " << verdictOf(*c.shown.hz, options);
    out << '\n';
}

void printCaptureJson(std::ostream& out, const RecordingCapture& c, const Options& options)
{
    const char* reason = reasonOf(c);
    out << "{\"pluck_block\": " << c.pluckBlock << ", \"time_s\": " << hundredthsText(c.seconds)
        << ", \"pluck_offset\": " << jsonOrNull(c.estimate.pluckOffset)
        << ", \"frequency_hz\": " << jsonOrNull(c.shown.hz)
        << ", \"crossing_hz\": " << jsonOrNull(c.estimate.hz)
        << ", \"pitch_hz\": " << (c.pitch ? tenthsText(c.pitch->hz) : "null")
        << ", \"confidence\": " << (c.pitch ? hundredthsText(c.pitch->confidence) : "null")
        << ", \"reading_from\": "
        << (c.shown.from == ReadingSource::None ? "null"
                                                : jsonString(readingSourceName(c.shown.from)))
        << ", \"reason\": " << (reason ? jsonString(reason) : "null");
    if (options.model) {
        out << ", \"model\": " << jsonString(modelName(*options.model))
            << ", \"cylinder\": " << jsonString(cylinderName(options.cylinder))
            << ", \"target_hz\": " << targetHz(*options.model, options.cylinder)
            << ", \"verdict\": "
            << (c.shown.hz ? jsonString(verdictOf(*c.shown.hz, options)) : "null");
    }
    out << '}';
}

} // namespace

void printText(std::ostream& out, const std::vector<RecordingCapture>& captures,
               const Options& options, std::size_t pcmBytes)
{
    if (options.model)
        out << modelName(*options.model) << ", " << cylinderName(options.cylinder)
            << " cylinder: target " << targetHz(*options.model, options.cylinder) << " Hz\n";
    for (const RecordingCapture& c : captures)
        printCaptureText(out, c, options);
    if (captures.empty())
        out << "no pluck found in " << hundredthsText(secondsOf(pcmBytes)) << " s of sound\n";
}

void printJson(std::ostream& out, const std::vector<RecordingCapture>& captures,
               const Options& options, const std::vector<std::string>& warnings)
{
    out << "{\n  \"warnings\": [";
    for (std::size_t i = 0; i < warnings.size(); ++i)
        out << (i == 0 ? "" : ", ") << jsonString(warnings[i]);
    out << "],\n  \"captures\": [";
    for (std::size_t i = 0; i < captures.size(); ++i) {
        out << (i == 0 ? "\n    " : ",\n    ");
        printCaptureJson(out, captures[i], options);
    }
    out << (captures.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

int exitStatusFor(const std::vector<RecordingCapture>& captures)
{
    for (const RecordingCapture& c : captures) {
        if (c.shown.hz)
            return 0;
    }
    return 1;
}

} // namespace tensikon::analyze
