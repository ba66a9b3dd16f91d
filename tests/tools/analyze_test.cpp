// tensikon-analyze run as a user runs it, on WAV files this test writes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/recording_scan.h"
#include "core/wav_file.h"
#include "tests/core/plucked.h"
#include "tests/tools/run_program.h"

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

    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::filesystem::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
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
// steady 60 Hz tone, which the crossing count reads as 72 Hz, shows its pitch.
TEST_F(Analyzer, WorkedExampleTonesGiveTheirResults)
{
    const ToneCase cases[] = {
        {true, 60, 60},   {true, 80, 80},  {true, 110, 110},  {true, 140, 140},  {true, 160, 159},
        {true, 210, 209}, {false, 80, 79}, {false, 105, 104}, {false, 140, 140}, {false, 60, 60}};
    for (const ToneCase& c : cases) {
        const std::string file = writeWav("tone.wav", test::tone(c.hz, c.decaying));
        const ProgramRun run = analyze({file});
        SCOPED_TRACE(testing::Message() << (c.decaying ? "decaying " : "steady ") << c.hz << " Hz");
        const bool steady60 = !c.decaying && c.hz == 60;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "pluck in block 0 at 0.00 s: " + std::to_string(c.result) + " Hz" +
                               (steady60 ? " (crossing count gave 72 Hz)" : "") + "\n");
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
    ProgramRun run = analyze({"--all", "--json", file});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(
        run.out,
        "[\n"
        "  {\"pluck_block\": 0, \"time_s\": 0.00, \"pluck_offset\": 101, \"frequency_hz\": 140, "
        "\"crossing_hz\": 140, \"pitch_hz\": 140.0, \"confidence\": 1.00, "
        "\"reading_from\": \"crossings\", \"reason\": null},\n"
        "  {\"pluck_block\": 3, \"time_s\": 0.75, \"pluck_offset\": null, \"frequency_hz\": null, "
        "\"crossing_hz\": null, \"pitch_hz\": null, \"confidence\": null, "
        "\"reading_from\": null, \"reason\": \"too close to the end\"}\n"
        "]\n");

    run = analyze({"--json", "--model", "Vialta 1000", "--cylinder", "vertical", file});
    EXPECT_EQ(
        run.out,
        "[\n"
        "  {\"pluck_block\": 0, \"time_s\": 0.00, \"pluck_offset\": 101, \"frequency_hz\": 140, "
        "\"crossing_hz\": 140, \"pitch_hz\": 140.0, \"confidence\": 1.00, "
        "\"reading_from\": \"crossings\", \"reason\": null, \"model\": \"Vialta 1000\", "
        "\"cylinder\": \"vertical\", \"target_hz\": "
        "140, \"verdict\": \"in specification\"}\n"
        "]\n");

    run = analyze({"--json", writeWav("quiet.wav", Samples(kBlockSamples, 0))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "[]\n");
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

    const std::string missing = (dir_ / "missing.wav").string();
    run = analyze({missing});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "tensikon-analyze: " + missing + ": cannot open: no such file\n");
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
                                                       {"--json=yes", file}};
    for (const auto& args : bad) {
        const ProgramRun run = analyze(args);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("tensikon-analyze: ")) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST_F(Analyzer, HelpDescribesTheOptionsOutputAndModels)
{
    const ProgramRun run = analyze({"--bogus", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* text :
         {"Usage: tensikon-analyze", "--model", "--cylinder horizontal|vertical", "--all", "--json",
          "frequency_hz", "crossing_hz", "pitch_hz", "confidence", "reading_from", "pluck_block",
          "\"too close to the end\"", "Exit status", "6013  Corvane 620", "6029  Corsalto 1000LX"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
    EXPECT_EQ(run.out.find("Corvane 695"), std::string::npos);
}

} // namespace
} // namespace tensikon
