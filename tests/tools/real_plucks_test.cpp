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

struct Clip {
    std::string file;
    double trueHz = 0;
    RecordingCapture capture;
};

// The clips a list names, each read as the analyzer reads it.
std::vector<Clip> clipsOf(const std::string& list)
{
    std::ifstream in(kFolder + "/" + list);
    EXPECT_TRUE(in) << kFolder << "/" << list;
    std::string line;
    std::getline(in, line); // the header
    std::vector<Clip> clips;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, instrument, trueHz;
        std::getline(fields, file, ',');
        std::getline(fields, instrument, ',');
        std::getline(fields, trueHz, ',');
        const std::vector<std::uint8_t> wav = fileBytes(kFolder + "/" + file);
        const WavParseResult parsed = parseWav(wav);
        EXPECT_TRUE(parsed.sound) << file;
        if (!parsed.sound)
            continue;
        const auto captures = scanRecording(parsed.sound->pcm, false);
        EXPECT_EQ(captures.size(), 1u) << file;
        if (captures.size() == 1)
            clips.push_back({file, std::stod(trueHz), captures[0]});
    }
    return clips;
}

TEST(RealPlucks, ShowTheirTruePitch)
{
    int fromPitch = 0;
    const std::vector<Clip> clips = clipsOf("plucks.csv");
    for (const Clip& clip : clips) {
        const RecordingCapture& c = clip.capture;
        ASSERT_TRUE(c.shown.hz) << clip.file;
        EXPECT_NEAR(*c.shown.hz, clip.trueHz, 5.0) << clip.file;
        const bool countIsOff = !c.estimate.hz || std::abs(*c.estimate.hz - clip.trueHz) > 5;
        EXPECT_EQ(c.shown.from, countIsOff ? ReadingSource::Pitch : ReadingSource::Crossings)
            << clip.file;
        fromPitch += c.shown.from == ReadingSource::Pitch;
    }
    EXPECT_GE(clips.size(), 8u);
    EXPECT_GE(fromPitch, 4); // most of them read an overtone by counting crossings
}

// Clips whose pitch a multiple or a fraction of it rivals: whatever the sound's
// shape, the two estimates give no value, rather than a wrong one.
TEST(RealPlucks, ShowNoWrongValueWhereAMultipleRivalsThePitch)
{
    const std::vector<Clip> clips = clipsOf("doubtful.csv");
    EXPECT_EQ(clips.size(), 2u);
    for (const Clip& clip : clips) {
        const ShownReading r = chooseShownReading(clip.capture.estimate.hz, clip.capture.pitch);
        EXPECT_NEAR(r.hz.value_or(clip.trueHz), clip.trueHz, 5.0) << clip.file;
    }
}

} // namespace
} // namespace tensikon
