// The rules behind the unit-care screens: listen blinking, keypad limits,
// clock steps, reception limits and the status texts.

#include <gtest/gtest.h>

#include <vector>

#include "CommaLocale.h"
#include "hardware/UnitCare.h"

using namespace unitcare;
using platform::SystemTime;

// With 0 bars a station blinks: after each refresh the ticks at 900 ... 500
// show the bars, those at 400 ... 0 the no-reception picture; the refresh
// falls on the tick at 0 once a second.
TEST(ListenRhythm, ZeroBarsBlinkEveryHalfSecondAndRefreshOnceASecond) {
    ListenCountdown c;
    std::vector<int> seen;
    std::vector<bool> bars, refreshed;
    for (int tick = 0; tick < 21; ++tick) {
        seen.push_back(c.value);
        bars.push_back(ShowsBarsPicture(c.value, 0));
        refreshed.push_back(c.Tick());
        EXPECT_TRUE(ShowsBarsPicture(seen.back(), 1));  // any reception shows steadily
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 900, 800, 700, 600, 500, 400, 300, 200, 100, 0, 900, 800, 700, 600, 500,
                                      400, 300, 200, 100, 0}));
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(bars[i], seen[i] >= 500) << "tick " << i;
        EXPECT_EQ(refreshed[i], seen[i] == 0) << "tick " << i;
    }
}

// Regression: the keypads once let the typed numbers wrap past 32 bits.
TEST(RadioKeypad, ADigitThatWouldOverflowIsIgnored) {
    uint32_t v = 0;
    for (char d : std::string("4294967295")) ASSERT_TRUE(AppendDigit(v, static_cast<uint32_t>(d - '0')));
    EXPECT_EQ(v, 4294967295u);
    EXPECT_FALSE(AppendDigit(v, 0));
    EXPECT_EQ(v, 4294967295u);
    v = 429496729;
    EXPECT_FALSE(AppendDigit(v, 6));
    EXPECT_EQ(v, 429496729u);
    v = 9999999;
    EXPECT_TRUE(AppendDigit(v, 9));
    EXPECT_TRUE(AppendDigit(v, 9));
    EXPECT_FALSE(AppendDigit(v, 9));  // 9 999 999 999 does not fit
}

TEST(ClockSteps, LimitsPerFieldAndTheDayIsNotRechecked) {
    SystemTime t{2012, 1, 0, 31, 23, 58, 0, 0};
    t = SteppedClock(t, ClockField::Month, +1);
    t = SteppedClock(t, ClockField::Month, +1);
    t = SteppedClock(t, ClockField::Month, +1);
    EXPECT_EQ(t.month, 4);
    EXPECT_EQ(t.day, 31);  // kept as the operator left it
    t = SteppedClock(t, ClockField::Day, +1);
    EXPECT_EQ(t.day, 30);  // a day step applies the month's length
    t = SteppedClock(t, ClockField::Minute, +10);
    t = SteppedClock(t, ClockField::Hour, +10);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.hour, 23);
    t = SteppedClock(t, ClockField::Month, -10);
    EXPECT_EQ(t.month, 1);
    SystemTime y{5, 1, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(SteppedClock(y, ClockField::Year, -10).year, 0);  // no wrap to 65531
}

TEST(ClockSteps, FebruaryFollowsTheLeapYearRule) {
    for (const auto& [year, days] : {std::pair{2024, 29}, {2023, 28}, {2000, 29}, {2100, 28}}) {
        SystemTime t{static_cast<uint16_t>(year), 2, 0, 1, 0, 0, 0, 0};
        for (int i = 0; i < 4; ++i) t = SteppedClock(t, ClockField::Day, +10);
        EXPECT_EQ(t.day, days) << year;
    }
}

TEST(ReceptionLimits, FloorAndSpanWrapRound) {
    std::vector<float> floors{-40.0f};
    while (floors.size() < 16) floors.push_back(NextRssiFloor(floors.back()));
    EXPECT_EQ(floors[14], -110.0f);
    EXPECT_EQ(floors[15], -40.0f);
    std::vector<float> spans{15.0f};
    while (spans.size() < 9) spans.push_back(NextRssiSpan(spans.back()));
    EXPECT_EQ(spans[7], 50.0f);
    EXPECT_EQ(spans[8], 15.0f);
}

TEST(ServiceRules, OutsideTestModeBothCorrelationOptionsAreForced) {
    ConfigurationRecord c{};
    c.testMode = 1;
    c.bothPolarities = 2;
    c.postFilter = 0;
    EXPECT_FALSE(ForceCorrelationOptions(c));
    EXPECT_EQ(c.postFilter, 0);
    c.testMode = 0;
    EXPECT_TRUE(ForceCorrelationOptions(c));
    EXPECT_EQ(c.bothPolarities, 3);  // other bits kept
    EXPECT_EQ(c.postFilter, 1);
    EXPECT_FALSE(PasswordMatches(u"vortelums"));
    EXPECT_FALSE(PasswordMatches(u"VORTELUMS "));
    EXPECT_TRUE(PasswordMatches(u"VORTELUMS"));
}

TEST(StatusTexts, NumbersKeepTheirPointInACommaLocale) {
    CommaLocale comma;
    EXPECT_EQ(FrequencyText(447162500, 1), "447.1625MHz C1");
    EXPECT_EQ(BatteryText(7.2f), "7.20V");
    EXPECT_EQ(RssiText(-61.96f, -70.04f), "-62.0dBm  (-70.0dBm)");
    EXPECT_EQ(Range7Text(467925000), "Range 7 Base 467.9250MHz");
    EXPECT_EQ(AdcText(512, 3.0), "512 (1.500V)");
}

// Regression: a battery port that did not open read as "0.00V", a flat pack.
TEST(StatusTexts, UnreadableValuesShowAsUnavailable) {
    EXPECT_EQ(BatteryText(std::nullopt), "---");
    EXPECT_EQ(AdcText(-1, 3.0), "---");
    EXPECT_EQ(MinutesText(0), "---");
    EXPECT_EQ(MinutesText(6), "30");
}
