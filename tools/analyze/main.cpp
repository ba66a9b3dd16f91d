// tensikon-analyze: the measurement of Tensikon run on a WAV recording.
// Everything it knows about plucks and frequencies comes from core/; this
// file only wires the command line, the file and the output together.
#include <iostream>
#include <string_view>
#include <vector>

#include "core/recording_scan.h"
#include "core/wav_file.h"
#include "tools/analyze/options.h"
#include "tools/analyze/report.h"
#include "tools/analyze/wav_input.h"

namespace {

constexpr int kExitBadInput = 2;

int fail(const std::string& message)
{
    std::cerr << "tensikon-analyze: " << message << '\n';
    return kExitBadInput;
}

// The measurement of one file: its header first, then its sound, streamed
// until the scan needs no more.
int analyzeFile(const tensikon::analyze::Options& options)
{
    using namespace tensikon;
    analyze::WavFileSource file;
    std::string error;
    if (!file.open(options.file, error))
        return fail(options.file + ": " + error);
    const WavHeader header = readWavLayout(file);
    if (!header.layout)
        return fail(options.file + ": " + header.error);
    if (!header.layout->format.isCaptureFormat())
        return fail(options.file + ": unsupported format: 16-bit mono 44100 Hz is needed");
    for (const std::string& warning : header.warnings)
        std::cerr << "tensikon-analyze: " << options.file << ": warning: " << warning << '\n';

    RecordingScanner scanner(options.all);
    const bool read = file.stream(header.layout->dataOffset, header.layout->dataBytes,
                                  [&scanner](std::span<const std::uint8_t> piece) {
                                      scanner.feed(piece);
                                      return !scanner.done();
                                  });
    if (!read)
        return fail(options.file +
                    ": cannot read the sound: the file ended early or a read failed");
    scanner.finish();
    if (options.json)
        analyze::printJson(std::cout, scanner.captures(), options);
    else
        analyze::printText(std::cout, scanner.captures(), options, header.layout->dataBytes);
    std::cout.flush();
    return analyze::exitStatusFor(scanner.captures());
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tensikon::analyze;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedOptions parsed = parseOptions(args);
    if (parsed.options.help) {
        std::cout << helpText();
        return 0;
    }
    if (!parsed.error.empty())
        return fail(parsed.error);
    return analyzeFile(parsed.options);
}
