// The speed of sound from a known leak position, and the figures a velocity
// table entry accepts.

#include <gtest/gtest.h>

#include <limits>

#include "pipe/SpeedOfSound.h"

namespace {

struct SpeedCase {
    const char* name;
    float length, delay;
    std::optional<float> distance;
    bool defined;
    float velocity;      // m/s when defined
    float accuracy;      // m/s; < 0: not defined
};

class SpeedFromLeak : public ::testing::TestWithParam<SpeedCase> {};

TEST_P(SpeedFromLeak, GivesTheVelocityAndItsOneSampleAccuracy) {
    const SpeedCase& c = GetParam();
    const SpeedOfSound r = ComputeSpeedOfSound(c.length, c.distance, c.delay);
    ASSERT_EQ(r.defined, c.defined);
    if (!c.defined) {
        EXPECT_EQ(r.velocity, 0.0f);
        EXPECT_FALSE(r.accuracyDefined);
        return;
    }
    EXPECT_NEAR(r.velocity, c.velocity, c.velocity * 1e-6f);
    EXPECT_EQ(r.accuracyDefined, c.accuracy >= 0);
    if (c.accuracy >= 0) {
        EXPECT_NEAR(r.accuracy, c.accuracy, 0.01f);
    }
}

// 200 m, 20 ms: a leak 60 m from a sensor lies 40 m from the midpoint, so
// v = 80 / 0.02; the accuracy is the larger change, 80 / 0.0199 - 4000.
INSTANTIATE_TEST_SUITE_P(
    Cases, SpeedFromLeak,
    ::testing::Values(SpeedCase{"BetweenSensors", 200, 0.02f, 60.0f, true, 4000, 20.1005f},
                      SpeedCase{"FromTheOtherSensor", 200, 0.02f, 140.0f, true, 4000, 20.1005f},
                      SpeedCase{"OutOfBracketEntersZero", 200, 0.02f, 0.0f, true, 10000, 50.2513f},
                      // The sign says which station heard it first, not how fast it travelled.
                      SpeedCase{"NegativeDelay", 200, -0.02f, 60.0f, true, 4000, 20.1005f},
                      SpeedCase{"NoDelay", 200, 0.0f, 60.0f, false, 0, -1},
                      SpeedCase{"InvalidEntry", 200, 0.02f, std::nullopt, false, 0, -1},
                      SpeedCase{"LeakAtTheMidpoint", 200, 0.02f, 100.0f, false, 0, -1},
                      // 1 mm from the midpoint: 0.1 m/s is no pipe's speed of sound.
                      SpeedCase{"NextToTheMidpoint", 200, 0.02f, 99.999f, false, 0, -1},
                      SpeedCase{"DelayNotFinite", 200, std::numeric_limits<float>::infinity(), 60.0f, false, 0, -1},
                      // One sample of delay: the shorter delay would be 0.
                      SpeedCase{"OneSampleDelay", 200, 0.0001f, 60.0f, true, 800000, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpeedEntry, OnlyAWholeNumberIsADistance) {
    EXPECT_EQ(ParseDistanceEntry("60"), 60.0f);
    EXPECT_EQ(ParseDistanceEntry("12."), 12.0f);
    EXPECT_EQ(ParseDistanceEntry(".5"), 0.5f);
    for (const char* bad : {"", ".", "1.2.3", "6 0"}) EXPECT_FALSE(ParseDistanceEntry(bad)) << bad;
}

TEST(BandEntry, FieldsReadAsPercentFAndNeverGiveAnInfiniteOrMissingNumber) {
    EXPECT_EQ(ParseBandField("1250"), 1250.0f);
    EXPECT_EQ(ParseBandField("12.5x"), 12.5f);
    for (const char* bad : {"", ".", "nan", "inf", "1e60"}) EXPECT_FALSE(ParseBandField(bad)) << bad;
}

TEST(BandEntry, RefusesWhatCannotBeABand) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Row { float lo, hi, v; BandEntryFault fault; };
    const Row rows[] = {
        {0, 99, 1320, BandEntryFault::None},         // a first band
        {1000, 0, 1030, BandEntryFault::None},       // no upper limit
        {0, 0, 1000, BandEntryFault::EmptyRange},    // would read as an unused slot
        {-1, 99, 1320, BandEntryFault::Diameter},
        {0, inf, 1320, BandEntryFault::Diameter},
        {nan, 99, 1320, BandEntryFault::Diameter},
        {0, 99, 0, BandEntryFault::Velocity},
        {0, 99, -5, BandEntryFault::Velocity},
        {0, 99, nan, BandEntryFault::Velocity},
        {0, 99, inf, BandEntryFault::Velocity},
    };
    for (const Row& r : rows) EXPECT_EQ(CheckBandEntry(r.lo, r.hi, r.v), r.fault) << r.lo << " " << r.hi << " " << r.v;
}

}  // namespace
