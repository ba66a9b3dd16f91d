// tensikon-analyze: the measurement of Tensikon run on a WAV recording.
// Everything it knows about plucks and frequencies comes from core/; this
// file only wires the command line, the file and the output together.
#include <iostream>
#include <string_view>
#include <vector>

#include "core/recording_scan.h"
#include "core/wav_file.h"
#include "tools/analyze/options.h"
#include "tools/analyze/read_file.h"
#include "tools/analyze/report.h"

namespace {

constexpr int kExitBadInput = 2;

int fail(const std::string& message)
{
    std::cerr << "tensikon-analyze: " << message << '\n';
    return kExitBadInput;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tensikon;
    using namespace tensikon::analyze;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParsedOptions parsed = parseOptions(args);
    if (parsed.options.help) {
        std::cout << helpText();
        return 0;
    }
    if (!parsed.error.empty())
        return fail(parsed.error);
    const Options& options = parsed.options;

    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!readWholeFile(options.file, bytes, error))
        return fail(options.file + ": " + error);
    const WavParseResult wav = parseWav(bytes);
    if (!wav.sound)
        return fail(options.file + ": " + wav.error);

    const std::vector<RecordingCapture> captures = scanRecording(wav.sound->pcm, options.all);
    if (options.json)
        printJson(std::cout, captures, options);
    else
        printText(std::cout, captures, options, wav.sound->pcm.size());
    std::cout.flush();
    return exitStatusFor(captures);
}
