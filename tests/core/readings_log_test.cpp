#include "core/readings_log.h"

#include <gtest/gtest.h>

namespace tensikon {
namespace {

Reading reading(std::optional<std::int32_t> hz, std::string model = "Corvane 1000i",
                Cylinder cylinder = Cylinder::Horizontal)
{
    return {{2026, 12, 7, 9, 5, 3, 60},
            std::move(model),
            cylinder,
            hz,
            140,
            hz ? ReadingSource::Crossings : ReadingSource::None};
}

TEST(ReadingsLog, AgreementIsMedianAndSpreadOfTheLastThreeValuesOfOneSelection)
{
    ReadingsLog log;
    for (const auto hz : {150, 142, 140, 139})
        log.add(reading(hz));
    log.add(reading(std::nullopt)); // "---" is passed over
    EXPECT_EQ(agreementText(log.agreement()), "Last 3: 140 Hz, spread 3 Hz");

    log.select("Corvane 1000i", Cylinder::Vertical);
    EXPECT_EQ(agreementText(log.agreement()), "Last 3: 0 of 3 values so far");
    log.add(reading(141, "Corvane 1000i", Cylinder::Vertical));
    log.select("Corvane 1000i", Cylinder::Vertical); // the same choice again
    EXPECT_EQ(log.agreement().values, 1);
    // Back to the horizontal cylinder: its earlier plucks no longer count.
    log.add(reading(150));
    log.add(reading(151));
    EXPECT_EQ(log.agreement().values, 2);
}

TEST(ReadingsLog, KeepsTheNewestThousandNewestFirst)
{
    ReadingsLog log;
    for (int hz = 1; hz <= 1002; ++hz)
        log.add(reading(hz));
    ASSERT_EQ(log.size(), kMostReadings);
    EXPECT_EQ(log.at(0).hz, 1002);
    EXPECT_EQ(log.at(kMostReadings - 1).hz, 3);
}

TEST(ReadingsLog, CsvQuotesWhatNeedsItAndWritesEveryColumn)
{
    ReadingsLog log;
    log.add(reading(141));
    log.add(reading(std::nullopt, "Shop \"A\", bench 2", Cylinder::Vertical));
    Reading far = reading(-12);
    far.time.utcOffsetMinutes = -570;
    far.from = ReadingSource::Pitch;
    log.add(far);
    EXPECT_EQ(readingsCsv(log),
              "time,model,cylinder,value_hz,target_hz,verdict,source\r\n"
              "2026-12-07T09:05:03-09:30,Corvane 1000i,horizontal,-12,140,out of range,pitch\r\n"
              "2026-12-07T09:05:03+01:00,\"Shop \"\"A\"\", bench 2\",vertical,---,140,"
              "no reading,none\r\n"
              "2026-12-07T09:05:03+01:00,Corvane 1000i,horizontal,141,140,in range,crossings\r\n");
}

} // namespace
} // namespace tensikon
