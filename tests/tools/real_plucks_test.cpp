// Real sampled plucks (tests/data/real-plucks): the shown value lies within
// 5 Hz of the note's true pitch, and where the crossing count reads an
// overtone the value is the pitch.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tests/tools/wav_in_memory.h"
#include "tools/analyze/recording_scan.h"
#include "tools/analyze/wav_file.h"

namespace tensikon {
namespace {

const std::string kFolder = TENSIKON_REAL_PLUCKS;

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(RealPlucks, ShowTheirTruePitch)
{
    std::ifstream list(kFolder + "/plucks.csv");
    ASSERT_TRUE(list) << kFolder;
    std::string line;
    std::getline(list, line); // the header
    int clips = 0;
    int fromPitch = 0;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        std::string file, instrument, trueHz;
        std::getline(fields, file, ',');
        std::getline(fields, instrument, ',');
        std::getline(fields, trueHz, ',');
        const std::vector<std::uint8_t> wav = fileBytes(kFolder + "/" + file);
        const WavParseResult parsed = parseWav(wav);
        ASSERT_TRUE(parsed.sound) << file;
        const auto captures = scanRecording(parsed.sound->pcm, false);
        ASSERT_EQ(captures.size(), 1u) << file;
        const RecordingCapture& c = captures[0];
        const double truth = std::stod(trueHz);
        ASSERT_TRUE(c.shown.hz) << file;
        EXPECT_NEAR(*c.shown.hz, truth, 5.0) << file;
        const bool countIsOff = !c.estimate.hz || std::abs(*c.estimate.hz - truth) > 5;
        EXPECT_EQ(c.shown.from, countIsOff ? ReadingSource::Pitch : ReadingSource::Crossings)
            << file;
        ++clips;
        fromPitch += c.shown.from == ReadingSource::Pitch;
    }
    EXPECT_GE(clips, 8);
    EXPECT_GE(fromPitch, 4); // most of them read an overtone by counting crossings
}

} // namespace
} // namespace tensikon
