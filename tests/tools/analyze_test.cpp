// tensikon-analyze run as a user runs it, on WAV files this test writes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "tests/core/plucked.h"
#include "tests/core/signals.h"
#include "tests/tools/any_wav.h"
#include "tests/tools/run_program.h"
#include "tools/analyze/recording_scan.h"
#include "tools/analyze/report.h"
#include "tools/analyze/wav_file.h"

namespace tensikon {
namespace {

using test::Bytes;
using test::ProgramRun;
using test::Samples;

constexpr std::size_t kBlockSamples = kCaptureBlockBytes / 2;

class Analyzer : public testing::Test {
  protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("tensikon-analyze-" + std::string(info->name()) + "-" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    // `name` and the path returned are UTF-8, whatever the system's code page.
    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::filesystem::path path = dir_ / std::u8string(name.begin(), name.end());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
    }
    std::string writeWav(const std::string& name, const Samples& samples)
    {
        return write(name, makeWav(test::toBytes(samples)));
    }

    static ProgramRun analyze(std::vector<std::string> args)
    {
        return test::runProgram(test::besideThisProgram(TENSIKON_ANALYZER_FROM_TEST), args);
    }

    std::filesystem::path dir_;
};

struct ToneCase {
    bool decaying;
    double hz;
    int result;
};

// The estimator's example tones, each a file of exactly one capture. The
// steady 60 Hz tone, which the crossing count reads as 72 Hz, cannot be told
// from mains hum and shows no reading.
TEST_F(Analyzer, WorkedExampleTonesGiveTheirResults)
{
    const ToneCase cases[] = {
        {true, 60, 60},   {true, 80, 80},  {true, 110, 110},  {true, 140, 140},  {true, 160, 159},
        {true, 210, 209}, {false, 80, 79}, {false, 105, 104}, {false, 140, 140}, {false, 60, -1}};
    for (const ToneCase& c : cases) {
        const std::string file = writeWav("tone.wav", test::tone(c.hz, c.decaying));
        const ProgramRun run = analyze({file});
        SCOPED_TRACE(testing::Message() << (c.decaying ? "decaying " : "steady ") << c.hz << " Hz");
        const bool steady60 = !c.decaying && c.hz == 60;
        EXPECT_EQ(run.exitCode, steady60 ? 1 : 0) << run.err;
        EXPECT_EQ(run.out, "pluck in block 0 at 0.00 s: " +
                               (steady60 ? "no reading: " + std::string(reasonText(NoReadingReason::OnlyHum))
                                         : std::to_string(c.result) + " Hz") +
                               "\n");
        EXPECT_EQ(run.err, "");
    }
}

// A plucked sound whose waveform crosses its resting level several times per
// period: the count reads an overtone and the pitch is shown, with a note.
TEST_F(Analyzer, APitchReadingSaysWhatTheCrossingCountGave)
{
    test::Ringing r;
    r.hz = 140.5;
    r.pluckSample = 0;
    const Bytes bytes = test::ringing(r);
    Samples s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), bytes.size());
    const std::string file = writeWav("ringing.wav", s);
    const auto expected = scanRecording(bytes, false);
    ASSERT_EQ(expected.size(), 1u);
    const int count = expected[0].estimate.hz.value_or(-1);
    ASSERT_GT(count, 200);

    ProgramRun run = analyze({"--model", "6017", file});
    EXPECT_EQ(run.out, "Corvane 1000i, horizontal cylinder: target 140 Hz\n"
                       "pluck in block 0 at 0.00 s: 140 Hz (crossing count gave " +
                           std::to_string(count) + " Hz), in specification\n");
    run = analyze({"--json", file});
    const std::string fields =
        "\"frequency_hz\": 140, \"crossing_hz\": " + std::to_string(count) + ", \"pitch_hz\": 140.";
    EXPECT_NE(run.out.find(fields), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"reading_from\": \"pitch\", \"reason\": null}"), std::string::npos)
        << run.out;
}

TEST_F(Analyzer, ModelAndCylinderGiveTargetAndVerdict)
{
    const std::string file = writeWav("140.wav", test::tone(140, true));
    struct Case {
        std::vector<std::string> options;
        const char* header;
        const char* verdict;
    };
    const Case cases[] = {
        {{"--model", "Corvane 620"},
         "Corvane 620, horizontal cylinder: target 124 Hz",
         "out of specification"},
        {{"--model=6013", "--cylinder", "vertical"},
         "Corvane 620, vertical cylinder: target 112 Hz",
         "out of specification"},
        {{"--model", "corvane  1000I"},
         "Corvane 1000i, horizontal cylinder: target 140 Hz",
         "in specification"},
        {{"--model", "Tourenza TR3", "--cylinder=vertical"},
         "Tourenza TR3, vertical cylinder: target 142 Hz",
         "in specification"},
        {{"--cylinder", "vertical", "--model", "Corvane X 800"},
         "Corvane X 800, vertical cylinder: target 160 Hz",
         "out of specification"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(file);
        const ProgramRun run = analyze(args);
        SCOPED_TRACE(c.header);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::string(c.header) + "\npluck in block 0 at 0.00 s: 140 Hz, " +
                               c.verdict + "\n");
    }
}

// Half a minute of faint noise with four plucks of different belts.
Samples longRecording()
{
    Samples s(120 * kBlockSamples, 0);
    std::uint32_t noise = 7;
    for (std::int16_t& v : s) {
        noise = noise * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>(static_cast<int>(noise >> 24) - 128);
    }
    const std::pair<double, std::size_t> plucks[] = {
        {140, 88200}, {110, 410000}, {80, 777777}, {210, 1100000}};
    for (const auto& [hz, at] : plucks) {
        const Samples t = test::tone(hz, true);
        for (std::size_t n = 0; n < t.size(); ++n)
            s[at + n] = static_cast<std::int16_t>(std::clamp(s[at + n] + t[n], -32768, 32767));
    }
    return s;
}

TEST_F(Analyzer, AllMeasuresEveryPluckOfALongRecording)
{
    const Samples samples = longRecording();
    const std::string file = writeWav("long.wav", samples);
    const Bytes pcm = test::toBytes(samples);
    const auto expected = scanRecording(pcm, true);
    ASSERT_EQ(expected.size(), 4u);
    std::string lines;
    for (const RecordingCapture& c : expected) {
        char line[80];
        std::snprintf(line, sizeof line, "pluck in block %zu at %.2f s: %d Hz\n", c.pluckBlock,
                      c.seconds, c.shown.hz.value_or(-1));
        lines += line;
    }
    EXPECT_EQ(expected[0].pluckBlock, 8u); // sample 88200 is in block 8, 2.00 s
    EXPECT_EQ(expected[1].pluckBlock, 410000 / kBlockSamples);
    for (const auto& [c, hz] :
         {std::pair{expected[0], 140}, {expected[1], 110}, {expected[2], 80}, {expected[3], 209}})
        EXPECT_NEAR(c.estimate.hz.value_or(0), hz, 2) << "block " << c.pluckBlock;

    const ProgramRun all = analyze({"--all", file});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, lines);
    const ProgramRun first = analyze({file});
    EXPECT_EQ(first.out, lines.substr(0, lines.find('\n') + 1));
}

TEST_F(Analyzer, JsonHasOneObjectPerCapture)
{
    // A pluck at the start, another in the last block: the second is too
    // close to the end.
    Samples s = test::tone(140, true);
    s.resize(4 * kBlockSamples, 0);
    for (std::size_t k = 3 * kBlockSamples; k < 3 * kBlockSamples + 30; ++k)
        s[k] = -30000;
    const std::string file = writeWav("two.wav", s);
    ProgramRun run = analyze({"--all", "--hold-time", "0", "--json", file});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "{\n  \"warnings\": [],\n  \"captures\": [\n"
        "    {\"pluck_block\": 0, \"time_s\": 0.00, \"pluck_offset\": 101, \"frequency_hz\": 140, "
        "\"crossing_hz\": 140, \"pitch_hz\": 140.0, \"confidence\": 1.00, "
        "\"reading_from\": \"crossings\", \"reason\": null},\n"
        "    {\"pluck_block\": 3, \"time_s\": 0.75, \"pluck_offset\": null, \"frequency_hz\": "
        "null, "
        "\"crossing_hz\": null, \"pitch_hz\": null, \"confidence\": null, "
        "\"reading_from\": null, \"reason\": \"too close to the end\"}\n"
        "  ]\n}\n");

    run = analyze({"--json", "--model", "Vialta 1000", "--cylinder", "vertical", file});
    EXPECT_EQ(
        run.out,
        "{\n  \"warnings\": [],\n  \"captures\": [\n"
        "    {\"pluck_block\": 0, \"time_s\": 0.00, \"pluck_offset\": 101, \"frequency_hz\": 140, "
        "\"crossing_hz\": 140, \"pitch_hz\": 140.0, \"confidence\": 1.00, "
        "\"reading_from\": \"crossings\", \"reason\": null, \"model\": \"Vialta 1000\", "
        "\"cylinder\": \"vertical\", \"target_hz\": "
        "140, \"verdict\": \"in specification\"}\n"
        "  ]\n}\n");

    run = analyze({"--json", writeWav("quiet.wav", Samples(kBlockSamples, 0))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "{\n  \"warnings\": [],\n  \"captures\": []\n}\n");
}

TEST_F(Analyzer, ExitStatusTellsReadingNoReadingAndBadInput)
{
    ProgramRun run = analyze({writeWav("quiet.wav", Samples(4 * kBlockSamples, 0))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "no pluck found in 1.00 s of sound\n");

    Samples late(2 * kBlockSamples, 0);
    late[kBlockSamples] = late[kBlockSamples + 10] = late[kBlockSamples + 20] = 30000;
    run = analyze({writeWav("late.wav", late)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "pluck in block 1 at 0.25 s: no reading: too close to the end "
                       "(a full 0.25 s block must follow the pluck's)\n");

    const std::string stereo =
        write("stereo.wav", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    run = analyze({stereo});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tensikon-analyze: " + stereo +
                           ": no fmt chunk: the file does not say how its sound is stored\n");
    // Files that cannot hold sound stay refused, however lenient the reading.
    for (const Bytes& bad :
         {test::riff({test::fmtChunk({.tag = 0x55}), test::chunk("data", {1, 2})}),
          test::riff({test::fmtChunk()}), Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}}) {
        run = analyze({write("bad.wav", bad)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
    }

    const std::string missing = (dir_ / "missing.wav").string();
    run = analyze({missing});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "tensikon-analyze: " + missing + ": cannot open: no such file\n");
}

// A pluck peaking 20 dB under full scale after a second of hiss: the level
// test never fires on it, the automatic one reads it.
TEST_F(Analyzer, TheAutomaticPluckTestHearsAQuietPluck)
{
    Samples s(2 * kBlockSamples, 0);
    for (std::size_t n = 0; n < s.size(); ++n)
        s[n] = static_cast<std::int16_t>(static_cast<int>(n * 7919 % 61) - 30);
    for (const std::int16_t v : test::tone(140, true))
        s.push_back(static_cast<std::int16_t>(v / 10));
    const std::string file = writeWav("quiet-pluck.wav", s);
    ProgramRun run = analyze({file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "no pluck found in 1.00 s of sound\n");
    run = analyze({"--pluck-test", "automatic", file});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "pluck in block 2 at 0.50 s: 140 Hz\n");
}

TEST_F(Analyzer, BadOptionsAreRefusedOnOneLine)
{
    const std::string file = writeWav("140.wav", test::tone(140, true));
    const std::vector<std::vector<std::string>> bad = {{},
                                                       {"--model", "Corvane 695", file},
                                                       {"--model", "Saltaro 1100", file},
                                                       {"--model", "6031", file},
                                                       {"--cylinder", "diagonal", file},
                                                       {"--frequency", file},
                                                       {"-x", file},
                                                       {file, file},
                                                       {file, "--model"},
                                                       {"--json=yes", file},
                                                       {"--hold-time", "1.5", file},
                                                       {"--pluck-test", "loud", file},
                                                       {"--hold-time", file},
                                                       {"--channel", "0", file},
                                                       {"--channel", "left", file},
                                                       {"--channel", "2", file},
                                                       {"--all", "--json", "--all", file},
                                                       {"--model=6013", "--model", "6014", file}};
    for (const auto& args : bad) {
        const ProgramRun run = analyze(args);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("tensikon-analyze: ")) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    // A repeated option is named, whichever way it was written.
    EXPECT_EQ(analyze({"--cylinder=vertical", "--cylinder", "vertical", file}).err,
              "tensikon-analyze: --cylinder is given twice; give it once\n");
    EXPECT_EQ(analyze({"--channel", "2", file}).err,
              "tensikon-analyze: " + file + ": --channel 2 is not there: the file has 1 channel\n");
}

TEST_F(Analyzer, HelpDescribesTheOptionsOutputAndModels)
{
    const ProgramRun run = analyze({"--bogus", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text : {"Usage: tensikon-analyze",
                             "--model",
                             "--cylinder horizontal|vertical",
                             "--all",
                             "--json",
                             "--channel N",
                             "--hold-time 0.5|1|2|3",
                             "\n  --  ",
                             "8, 16, 24 or 32 bits",
                             "IEEE float",
                             "8000 to 192000",
                             "\"warnings\"",
                             "frequency_hz",
                             "crossing_hz",
                             "pitch_hz",
                             "confidence",
                             "reading_from",
                             "pluck_block",
                             "\"too close to the end\"",
                             "Exit status",
                             "6013  Corvane 620",
                             "6029  Corsalto 1000LX"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    EXPECT_EQ(run.out.find("Corvane 695"), std::string::npos);
}

// Files that recorders leave with wrong sizes, or that tools append to: each
// is read, with one warning line, and gives the reading.
TEST_F(Analyzer, HostileButValidFilesGiveTheirReadingWithOneWarning)
{
    const Bytes good = makeWav(test::toBytes(test::tone(140, true)));
    const auto patched = [&good](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        test::setLe32(b, at, value);
        return b;
    };
    Bytes trailing = good;
    trailing.insert(trailing.end(), {'J', 'U', 'N', 'K', 1, 2, 3});
    Bytes odd = patched(40, static_cast<std::uint32_t>(good.size() - 44 + 1));
    odd.push_back(0x55);
    test::fixRiffSize(odd);
    const std::pair<const char*, Bytes> files[] = {{"riff-zero.wav", patched(4, 0)},
                                                   {"riff-unset.wav", patched(4, 0xFFFFFFFF)},
                                                   {"riff-large.wav", patched(4, 1u << 30)},
                                                   {"data-unset.wav", patched(40, 0xFFFFFFFF)},
                                                   {"data-large.wav", patched(40, 1u << 30)},
                                                   {"trailing.wav", trailing},
                                                   {"odd-data.wav", odd}};
    for (const auto& [name, bytes] : files) {
        const std::string file = write(name, bytes);
        const ProgramRun run = analyze({file});
        SCOPED_TRACE(name);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "pluck in block 0 at 0.00 s: 140 Hz\n");
        EXPECT_TRUE(run.err.starts_with("tensikon-analyze: " + file + ": warning: ")) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    const ProgramRun json = analyze({"--json", write("t.wav", trailing)});
    EXPECT_EQ(json.err, "");
    EXPECT_TRUE(json.out.starts_with(
        "{\n  \"warnings\": [\"7 bytes after the RIFF chunk at byte 44144 are ignored\"],\n"))
        << json.out;
}

// Through the program, a few formats phones and recorders write (the whole
// matrix is checked on the conversion itself, in capture_stream_test).
TEST_F(Analyzer, OtherFormatsGiveTheReadingOfThe16BitOriginal)
{
    const test::WavSpec specs[] = {{SampleType::Integer, 24, 2, 48000, true},
                                   {SampleType::Float, 32, 1, 96000, false},
                                   {SampleType::Integer, 8, 2, 8000, false}};
    for (const test::WavSpec& spec : specs) {
        test::Signal pluck(spec.rate, 0.0);
        for (std::size_t n = spec.rate / 4; n < pluck.size(); ++n) {
            const double t = static_cast<double>(n) / spec.rate - 0.25;
            pluck[n] = 0.92 * std::exp(-t / 0.25) * std::sin(2 * std::numbers::pi * 140 * t);
        }
        const ProgramRun run = analyze({write("format.wav", test::anyWav(spec, pluck))});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "pluck in block 1 at 0.25 s: 140 Hz\n") << spec.rate;
        EXPECT_EQ(run.err, "");
    }
}

// A belt that rings for seconds (time constant 2 s) is still above the
// trigger half a second after its pluck; the hold time keeps --all from
// measuring that ring again, as the live program's Continuous mode does.
TEST_F(Analyzer, AllWaitsTheHoldTimeAfterEachCapture)
{
    Samples s(16 * kBlockSamples, 0);
    for (std::size_t n = kSampleRate / 5; n < s.size(); ++n) { // plucked 0.2 s in
        const double t = static_cast<double>(n) / kSampleRate - 0.2;
        s[n] = static_cast<std::int16_t>(32000 * std::exp(-t / 2) *
                                         std::sin(2 * std::numbers::pi * 140 * t));
    }
    const std::string file = writeWav("ringing.wav", s);
    const auto lines = [](const std::string& out) {
        return std::count(out.begin(), out.end(), '\n');
    };
    const ProgramRun held = analyze({"--all", file});
    EXPECT_EQ(held.exitCode, 0) << held.err;
    EXPECT_EQ(held.out, "pluck in block 0 at 0.00 s: 140 Hz\n");
    EXPECT_EQ(lines(analyze({"--all", "--hold-time", "0.5", file}).out), 1);
    const ProgramRun unheld = analyze({"--all", "--hold-time=0", file});
    EXPECT_EQ(lines(unheld.out), 2) << unheld.out;
    EXPECT_TRUE(unheld.out.find("pluck in block 2 at 0.50 s") != std::string::npos) << unheld.out;
}

// Names outside the system's code page reach the file: the Windows build
// takes its arguments as UTF-16 and opens files by their UTF-16 name.
TEST_F(Analyzer, FilesNamedInAnyScriptAreOpened)
{
    for (const char* name : {"\xE7\x9A\xAE\xE5\xB8\xA6-140.wav",                        // Chinese
                             "\xD1\x80\xD0\xB5\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x8C.wav"}) { // Cyrillic
        const std::string file = write(name, makeWav(test::toBytes(test::tone(140, true))));
        const ProgramRun run = analyze({file});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "pluck in block 0 at 0.00 s: 140 Hz\n") << name;
        const std::string missing = file + ".missing";
        EXPECT_EQ(analyze({missing}).err,
                  "tensikon-analyze: " + missing + ": cannot open: no such file\n");
    }
}

} // namespace
} // namespace tensikon
