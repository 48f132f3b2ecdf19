// CCorrelation's analysis: peak search, SNR and the display trace, on
// accumulators written by hand. Range 0 gives L = 88: 177 lags, index 88 =
// lag 0; over the window -88 ... 88, 176 columns show one lag each (column c
// shows lag c - 88).

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "dsp/Correlation.h"

namespace {

constexpr int32_t kL = 88;

// A one-trace run of 177 lags, all zero, window over every lag.
struct SmallRun {
    CCorrelation run;
    explicit SmallRun(const CorrelationOptions& o = {}, int32_t columns = 176)
        : run(columns, 100, 0.0f, 2, 10000.0f, o) {
        run.SetVisibleWindow(-kL, kL, 2);
    }
    std::vector<int64_t>& acc() { return run.Accumulator(0); }
};

CorrelationOptions BothPolarities() {
    CorrelationOptions o;
    o.bothPolarities = true;
    return o;
}

}  // namespace

// A plateau reports its middle, unless it runs to the end: then its first index.
TEST(PeakSearch, PlateauReportsItsMiddleOrItsFirstIndexAtTheEnd) {
    SmallRun inside, atEnd;
    inside.acc()[10] = inside.acc()[11] = inside.acc()[12] = 100;
    inside.acc()[13] = 50;
    atEnd.acc()[174] = atEnd.acc()[175] = atEnd.acc()[176] = 100;
    EXPECT_EQ(inside.run.FindPeak(0).maximumIndex, 11);
    EXPECT_EQ(atEnd.run.FindPeak(0).maximumIndex, 174);
}

TEST(PeakSearch, BothPolaritiesChooseTheDeeperNegativeExcursion) {
    SmallRun one, both(BothPolarities());
    for (SmallRun* r : {&one, &both}) {
        r->acc()[20] = 50;
        r->acc()[100] = -500;
    }
    EXPECT_EQ(one.run.FindPeak(0).peakIndex, 20);
    const PeakResult p = both.run.FindPeak(0);
    EXPECT_EQ(p.peakIndex, 100);
    EXPECT_EQ(p.height, p.mean + 500);
    // The trace shows |deviation|: the negative peak's column reaches the top.
    const auto& columns = both.run.DisplayTrace(0);
    EXPECT_EQ(std::max_element(columns.begin(), columns.end()) - columns.begin(), 100);
    EXPECT_EQ(columns[100], 100);
}

TEST(PeakSearch, SuppressedLagsAreLeftOut) {
    SmallRun r;
    r.acc()[kL - 10] = 1000;  // inside the zone
    r.acc()[kL + 30] = 100;
    r.run.SetSuppression(-20, 0, 2);
    EXPECT_EQ(r.run.FindPeak(0).peakIndex, kL + 30);
}

TEST(PeakSearch, PostFilterModeIgnoresTheGuardBands) {
    CCorrelation run(176, 100, 20.0f, 2, 10000.0f);  // L = 108: lags -20 ... 20 searched
    run.SetPostFilter(1);
    std::vector<int64_t>& acc = run.Accumulator(0);
    acc[87] = 1000;                // lag -21: inside the 88 outermost lags
    acc[acc.size() - 1] = 1000;    // lag +108
    acc[108 + 20] = 10;            // lag +20, the last one searched
    EXPECT_EQ(run.FindPeak(0).peakIndex, 108 + 20);
}

TEST(DisplayTrace, PeakColumnReachesTheDisplayHeight) {
    SmallRun r;
    r.acc()[kL + 40] = 1000;
    r.acc()[kL - 40] = 400;
    const auto& columns = r.run.DisplayTrace(0);
    EXPECT_EQ(columns[kL + 40], 100);
    EXPECT_EQ(columns[kL - 40], 39);  // (400 - mean 8) / (992 / 100)
    EXPECT_FLOAT_EQ(r.run.LastPeakHeight(), 992.0f);  // mean = (1400 + 88) / 177
}

TEST(DisplayTrace, FlatAccumulatorGivesZerosHeightZeroAndSnrZero) {
    SmallRun r;
    std::fill(r.acc().begin(), r.acc().end(), 12345);
    for (int16_t v : r.run.DisplayTrace(0)) ASSERT_EQ(v, 0);
    EXPECT_EQ(r.run.LastPeakHeight(), 0.0f);
    EXPECT_EQ(r.run.Snr(), 0.0f);
    std::fill(r.acc().begin(), r.acc().end(), -7);
    EXPECT_EQ(r.run.Snr(), 0.0f);
}

// Regression: a rounded mean equal to the maximum left a height of 0 under a
// non-flat accumulator, and the columns divided by it.
TEST(DisplayTrace, ZeroHeightOverNonFlatAccumulatorGivesZeros) {
    SmallRun r;
    std::fill(r.acc().begin(), r.acc().end(), 1);
    r.acc()[50] = 0;  // mean (176 + 88) / 177 rounds to 1 = the maximum
    const PeakResult p = r.run.FindPeak(0);
    ASSERT_NE(p.maximum, p.minimum);
    ASSERT_EQ(p.height, 0);
    for (int16_t v : r.run.DisplayTrace(0)) ASSERT_EQ(v, 0);
}

TEST(DisplayTrace, SuppressionCoveringTheWindowMarksEveryColumn) {
    SmallRun r({}, 50);
    r.run.SetVisibleWindow(-50, 50, 2);
    r.acc()[kL] = 1000;       // hidden
    r.acc()[kL + 70] = 10;    // outside the zone: the only peak searched
    r.run.SetSuppression(-50, 50, 2);
    EXPECT_EQ(r.run.FindPeak(0).peakIndex, kL + 70);
    for (int16_t v : r.run.DisplayTrace(0)) ASSERT_EQ(v, -1);
}

TEST(DisplayTrace, ColumnsAfterTheZoneStartBehindIt) {
    SmallRun r;
    r.acc()[kL + 5] = 1000;   // suppressed
    r.acc()[kL + 11] = 300;   // first lag after the zone's limit lag
    r.run.SetSuppression(0, 9, 2);  // first lag 0, limit lag 10
    const auto& columns = r.run.DisplayTrace(0);
    EXPECT_EQ(columns[kL - 2], 0);
    // The column whose successor starts in the zone is marked too.
    for (int32_t c = kL - 1; c <= kL + 10; ++c) EXPECT_EQ(columns[c], -1) << c;
    EXPECT_EQ(columns[kL + 11], 100);
}

// However many lags a column spans, none after the zone reaches back into it.
TEST(DisplayTrace, NoColumnShowsALagOfTheZone) {
    for (int32_t columns = 20; columns <= 60; ++columns) {
        SmallRun r({}, columns);
        r.acc()[kL + 10] = 1000;  // the zone's limit lag
        r.acc()[kL + 40] = 300;   // the peak searched
        r.run.SetSuppression(0, 9, 2);
        for (int16_t v : r.run.DisplayTrace(0)) ASSERT_LE(v, 100) << columns << " columns";
    }
}

// Regression: a column suppressed by the second rule alone left the next
// column starting inside the zone, so the hidden peak leaked into it.
TEST(DisplayTrace, WindowStartingInsideTheZoneHidesTheZoneFromLaterColumns) {
    SmallRun r;
    r.acc()[0] = 100000;      // lag -88: suppressed, the end of column 0
    r.acc()[kL + 10] = 300;
    r.run.SetSuppression(-100, -89, 2);  // first lag -100, limit lag -88
    const auto& columns = r.run.DisplayTrace(0);
    EXPECT_EQ(columns[0], -1);
    EXPECT_EQ(columns[1], 0);
    EXPECT_EQ(columns[kL + 10], 100);
}

TEST(DisplayTrace, SharpeningKeepsTheTopAndLowersTheRest) {
    CorrelationOptions o;
    o.peakSharpenOther = 2;  // e = 1.516^2
    SmallRun r(o);
    r.acc()[kL] = 1000;
    r.acc()[kL + 50] = 503;
    const auto& columns = r.run.DisplayTrace(0);
    EXPECT_EQ(columns[kL], 100);
    EXPECT_EQ(columns[kL + 50], 19);  // 49 before: 100 * (49 / 100)^2.298
}

TEST(DisplayTrace, PostFilterDerivationKeepsThePeakAtItsLag) {
    CCorrelation run(200, 100, 100.0f, 1, 10000.0f);
    run.SetPostFilter(1);
    run.Reset();
    FilterBand band;
    band.lowCut = 0.01f;
    band.highCut = 0.2f;
    run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    std::vector<int64_t>& u = const_cast<std::vector<int64_t>&>(run.UnfilteredAccumulator());
    u[static_cast<size_t>(run.MaxLag() + 300)] = int64_t{1} << 40;
    run.DisplayTrace(0);
    EXPECT_EQ(run.FindPeak(0).peakIndex - run.MaxLag(), 300);
    // The derived accumulator's outer 88 lags are cleared.
    EXPECT_EQ(run.Accumulator(0)[0], 0);
    EXPECT_EQ(run.Accumulator(0).back(), 0);
}

// The rightward lobe walk starts where the leftward one stopped and takes the
// lobe's left side off twice; the optimisation threshold of 9.0 rests on this
// scale. By hand: mean = 500/177, spread left = 174 mean over 174 lags, so
// SNR = (300 - mean) / mean = 300 * 177 / 500 - 1 = 105.2.
TEST(Snr, MainLobeWalkKeepsTheEstablishedScale) {
    SmallRun r;
    r.acc()[kL - 1] = 100;
    r.acc()[kL] = 300;
    r.acc()[kL + 1] = 100;
    EXPECT_NEAR(r.run.Snr(), 105.2f, 0.01f);
}

// Regression: the lobe walk could leave a negative spread or count and so a
// negative SNR. Whatever the walk takes off, the SNR is 0 or more.
TEST(Snr, LobeWalkThatTakesOffTooMuchGivesZero) {
    SmallRun broad, intoZone;
    // A single lobe over 141 of 177 lags: the walks take off more lags than
    // there are (the count ends at -33).
    for (int32_t i = kL - 70; i <= kL + 70; ++i) broad.acc()[i] = 1000;
    broad.acc()[kL] = 1001;
    // The rightward walk runs through 30 suppressed lags it never added.
    intoZone.acc()[kL] = 300;
    for (int32_t i = kL + 1; i <= kL + 30; ++i) intoZone.acc()[i] = 10000;
    intoZone.run.SetSuppression(1, 30, 2);
    EXPECT_EQ(broad.run.Snr(), 0.0f);
    EXPECT_EQ(intoZone.run.Snr(), 0.0f);
}

TEST(Snr, AllPlasticPipeUsesThePlasticSharpening) {
    CorrelationOptions o;
    o.peakSharpenPlastic = 2;
    SmallRun plain, plastic(o);
    for (SmallRun* r : {&plain, &plastic}) {
        r->acc()[kL - 1] = 100;
        r->acc()[kL] = 300;
        r->acc()[kL + 1] = 100;
    }
    PipeSegment section;
    section.SetMaterialGroup(1);
    section.SetLength(100, LengthUnit::Metres);
    section.SetVelocity(400);
    plastic.run.Pipe().AddSection(section);
    EXPECT_NEAR(plastic.run.Snr() / plain.run.Snr(), 1.516f, 1e-4f);
    section.SetMaterialGroup(0);
    plastic.run.Pipe().AddSection(section);  // no longer all plastic
    EXPECT_NEAR(plastic.run.Snr(), plain.run.Snr(), 1e-4f);
}

TEST(GraphMapping, ColumnsAndDelaysMapBothWays) {
    CCorrelation run;  // window -1000 ... 1000 lags over 500 columns
    EXPECT_EQ(run.ColumnOfDelay(0.0f, 2), 249);  // floor(1000 / 2001 * 500)
    EXPECT_FLOAT_EQ(run.DelayOfColumn(250, 2), 0.0f);
    EXPECT_FLOAT_EQ(run.DelayOfColumn(0, 1), -100.0f);
    run.SetVisibleWindow(-2.5f, 30.9f, 1);  // ms
    EXPECT_EQ(run.LeftLag(), -25);
    EXPECT_EQ(run.RightLag(), 309);
    run.SetVisibleWindow(-500.0f, 500.0f, 1);
    EXPECT_EQ(run.LeftLag(), -1088);
    EXPECT_EQ(run.RightLag(), 1088);
}
