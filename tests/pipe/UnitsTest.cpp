// Unit conversions and the number formats screens and descriptions use.

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "CommaLocale.h"

#include "pipe/DiameterBand.h"
#include "pipe/Units.h"

TEST(UnitConversion, LengthGoesThroughMetresWithTheFixedFactors) {
    EXPECT_FLOAT_EQ(ConvertLength(10.0f, LengthUnit::Feet, LengthUnit::Metres), 3.048f);
    EXPECT_FLOAT_EQ(ConvertLength(1.0f, LengthUnit::Metres, LengthUnit::Inches), 39.37008f);
    EXPECT_FLOAT_EQ(ConvertLength(2.0f, LengthUnit::Feet, LengthUnit::Millimetres), 609.6f);
    // An unknown code converts as metres.
    EXPECT_EQ(ConvertLength(5.0f, static_cast<LengthUnit>(9), LengthUnit::Metres), 5.0f);
    EXPECT_EQ(ConvertLength(5.0f, LengthUnit::Metres, static_cast<LengthUnit>(-1)), 5.0f);
}

TEST(UnitConversion, FeetPerSecondUseTheFactorOneFloatStepBelowTheLengthOne) {
    // 1 ft/s is 0.30479997 m/s, not the 0.3048 of lengths: stored velocities depend on it.
    EXPECT_EQ(ConvertVelocity(1.0f, VelocityUnit::FeetPerSecond, VelocityUnit::MetresPerSecond), 0.30479997f);
    EXPECT_NE(ConvertVelocity(1.0f, VelocityUnit::FeetPerSecond, VelocityUnit::MetresPerSecond), 0.3048f);
    EXPECT_FLOAT_EQ(ConvertVelocity(1.25f, VelocityUnit::MetresPerMs, VelocityUnit::MetresPerSecond), 1250.0f);
    EXPECT_FLOAT_EQ(ConvertVelocity(1.0f, VelocityUnit::FeetPerMs, VelocityUnit::MetresPerSecond), 304.8f);
}

TEST(UnitConversion, DelaysGoThroughSamplesAtTheRate) {
    EXPECT_FLOAT_EQ(ConvertDelay(0.1f, DelayUnit::Seconds, DelayUnit::Samples, 10000.0f), 1000.0f);
    EXPECT_FLOAT_EQ(ConvertDelay(500.0f, DelayUnit::Samples, DelayUnit::Milliseconds, 5000.0f), 100.0f);
    EXPECT_FLOAT_EQ(ConvertDelay(20.0f, DelayUnit::Milliseconds, DelayUnit::Seconds, 10000.0f), 0.02f);
    EXPECT_FLOAT_EQ(ConvertTime(1500.0f, TimeUnit::Milliseconds, TimeUnit::Seconds), 1.5f);
}

// Regression: an unknown delay code from a file converted as samples.
TEST(UnitConversion, UnknownDelayCodeConvertsAsSeconds) {
    const auto unknown = static_cast<DelayUnit>(9);
    EXPECT_FLOAT_EQ(ConvertDelay(0.1f, unknown, DelayUnit::Samples, 10000.0f), 1000.0f);
    EXPECT_FLOAT_EQ(ConvertDelay(1000.0f, DelayUnit::Samples, unknown, 10000.0f), 0.1f);
}

TEST(UnitRate, OnlyWholeDecimationsOfTheUnitRateCount) {
    for (float rate : {10000.0f, 5000.0f, 3333.0f, 3333.3333f, 2000.0f, 1000.0f}) EXPECT_TRUE(IsUnitRate(rate)) << rate;
    for (float rate : {0.0f, -2000.0f, 3000.0f, 999.0f, 20000.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_FALSE(IsUnitRate(rate)) << rate;
}

TEST(RangeIndex, ThresholdsBelongToTheNextIndex) {
    for (auto [ms, index] : {std::pair{10.0f, 0}, {29.65f, 1}, {224.0f, 1}, {500.0f, 2}, {1558.65f, 4}, {3795.45f, 5}})
        EXPECT_EQ(RangeIndexForTime(ms, TimeUnit::Milliseconds), index) << ms;
    EXPECT_EQ(RangeIndexForTime(0.5f, TimeUnit::Seconds), 2);
}

TEST(NumberFormat, InchesKeepOneDecimalBelowTenAndMillimetresNone) {
    EXPECT_EQ(FormatLength(ConvertLength(9.96f, LengthUnit::Inches, LengthUnit::Metres), LengthUnit::Inches), u"10.0");
    EXPECT_EQ(FormatLength(ConvertLength(10.4f, LengthUnit::Inches, LengthUnit::Metres), LengthUnit::Inches), u"10");
    EXPECT_EQ(FormatLength(0.0005f, LengthUnit::Millimetres), u"1");
    EXPECT_EQ(FormatLengthWithUnit(12.5f, LengthUnit::Metres), u"12.5m");
    EXPECT_EQ(FormatLengthWithUnit(12.5f, static_cast<LengthUnit>(7)), u"12.5?unit?");
}

TEST(NumberFormat, VelocityAndTimeUseTheirUnitsPrecision) {
    CommaLocale comma;  // the texts keep their point under any locale
    EXPECT_EQ(FormatVelocityWithUnit(1250.0f, VelocityUnit::MetresPerMs), u"1.2500m/ms");
    EXPECT_EQ(FormatVelocityWithUnit(1250.0f, VelocityUnit::MetresPerSecond), u"1250.0m/s");
    EXPECT_EQ(FormatTime(0.05f, TimeUnit::Seconds), u"0.0500s");
    EXPECT_EQ(FormatTime(0.05f, TimeUnit::Milliseconds), u"50.0ms");
}

TEST(NumberFormat, DiameterRangeIsEmptyOpenEndedOrBounded) {
    DiameterBand band{};
    EXPECT_EQ(FormatDiameterRange(band, LengthUnit::Millimetres), u"");
    band.minDiameter = 1000.0f;
    EXPECT_EQ(FormatDiameterRange(band, LengthUnit::Millimetres), u"1000mm +");
    band = DiameterBand{100.0f, 199.0f, 1250.0f, {}, {}};
    EXPECT_EQ(FormatDiameterRange(band, LengthUnit::Millimetres), u"100 - 199mm");
    EXPECT_EQ(FormatDiameterRange(band, LengthUnit::Inches), u"3.9 - 7.8in");
}

// Unit system 0 metric, 1 imperial; scale 1 per millisecond; out of range: metres per second.
TEST(DisplayVelocity, FollowsUnitSystemAndScale) {
    using V = VelocityUnit;
    const std::tuple<int, int, V> rows[] = {{0, 1, V::MetresPerMs}, {0, 0, V::MetresPerSecond}, {1, 0, V::FeetPerSecond},
                                            {1, 1, V::FeetPerMs},   {1, 2, V::MetresPerSecond}, {3, 1, V::MetresPerSecond}};
    for (const auto& [system, scale, unit] : rows) EXPECT_EQ(DisplayVelocityUnit(system, scale), unit) << system << scale;
}
