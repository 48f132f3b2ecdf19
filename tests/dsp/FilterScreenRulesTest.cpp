// The filter screen's rules without a window: the frequency axis and its
// inverse, the live spectrum and its dominant frequency, and the editing of
// the filter sets by presets and touches.

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>
#include <vector>

#include "dsp/Correlation.h"
#include "dsp/FilterSetEditor.h"
#include "dsp/Spectrum.h"

namespace {

using spectrum::FrequencyAxis;
using spectrum::LiveSpectrum;

constexpr double kPi = 3.14159265358979323846;

// n samples of a sum of tones (Hz, amplitude) plus a constant offset.
std::vector<int16_t> Tones(std::initializer_list<std::pair<double, double>> tones, float rate, double offset = 0,
                           int32_t n = LiveSpectrum::kPoints) {
    std::vector<int16_t> x(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        double v = offset;
        for (const auto& [hz, amplitude] : tones) v += amplitude * std::sin(2 * kPi * hz * i / rate + 0.3);
        x[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(v));
    }
    return x;
}

}  // namespace

// ---- the frequency axis ----------------------------------------------------------

TEST(FrequencyAxis, LogarithmicFrom20HzToHalfTheRateAndBack) {
    const FrequencyAxis axis{10000.0f, false};
    for (const auto& [column, hz, within] : {std::tuple{0, 20.0f, 1e-3f}, {240, 316.2278f, 1e-2f}, {480, 5000.0f, 0.05f}}) {
        EXPECT_NEAR(axis.FrequencyAt(static_cast<float>(column)), hz, within) << column;  // 240: sqrt(20 * 5000)
        EXPECT_EQ(axis.ColumnOf(hz), column) << hz;
    }
    // Nearest column: 240.4 and 240.6 columns' frequencies.
    EXPECT_EQ(axis.ColumnOf(axis.FrequencyAt(240.4f)), 240);
    EXPECT_EQ(axis.ColumnOf(axis.FrequencyAt(240.6f)), 241);
    // A decimated run's axis ends at its own half rate.
    EXPECT_NEAR((FrequencyAxis{1000.0f, false}.FrequencyAt(480)), 500.0f, 0.01);
    // Markers only for set cut-offs, and never off the graph.
    EXPECT_EQ(axis.MarkerColumn(0.0f), -1);
    EXPECT_EQ(axis.MarkerColumn(10.0f), 0);
    EXPECT_EQ(axis.MarkerColumn(9000.0f), 480);
}

TEST(FrequencyAxis, LinearFromZeroAndBack) {
    const FrequencyAxis axis{10000.0f, true};
    for (const auto& [column, hz] : {std::pair{0, 0.0f}, {240, 2500.0f}, {480, 5000.0f}}) {
        EXPECT_FLOAT_EQ(axis.FrequencyAt(static_cast<float>(column)), hz) << column;
        EXPECT_EQ(axis.ColumnOf(hz), column) << hz;
    }
    EXPECT_EQ(axis.ColumnOf(5.1f), 0);  // 0.4896 columns
    EXPECT_EQ(axis.ColumnOf(5.3f), 1);  // 0.5088 columns
}

// Linear ticks: the smallest step that puts at most ten labels on the axis,
// a tick between labels; past the widest axis the largest step holds.
TEST(FrequencyAxis, LinearTicksLabelAtMostTenSteps) {
    for (const auto& [rate, step, count] : {std::tuple{10000.0f, 500.0f, 21}, std::tuple{400000.0f, 10000.0f, 41}}) {
        const std::vector<spectrum::AxisTick> ticks = spectrum::AxisTicks(FrequencyAxis{rate, true});
        ASSERT_EQ(static_cast<int>(ticks.size()), count) << rate;
        EXPECT_FLOAT_EQ(ticks[2].hz, step) << rate;
        EXPECT_TRUE(ticks[2].labelled && !ticks[1].labelled) << rate;
        EXPECT_EQ(ticks.back().column, spectrum::kAxisColumns) << rate;
    }
}

// ---- the spectrum ------------------------------------------------------------------

// A tone off any bin centre still lands within one bin (2.44 Hz at 10 kHz).
TEST(LiveSpectrum, DominantFrequencyOfAPureToneWithinOneBin) {
    for (const bool linear : {false, true})
        for (const double hz : {437.3, 1250.0, 83.9}) {
            const FrequencyAxis axis{10000.0f, linear};
            const auto x = Tones({{hz, 900}}, axis.rate);
            LiveSpectrum s;
            s.ComputeFromBlocks(x, x, axis);
            EXPECT_NEAR(s.DominantHz(), hz, 10000.0 / LiveSpectrum::kPoints) << hz << (linear ? " linear" : " log");
        }
}

// Each channel's loudest tone is its own; the one they share wins the product.
TEST(LiveSpectrum, DominantFrequencyIsTheStrongestCommonTone) {
    const FrequencyAxis axis{5000.0f, false};
    const auto red = Tones({{300, 300}, {1200, 900}}, axis.rate);
    const auto blue = Tones({{300, 300}, {2000, 900}}, axis.rate);
    LiveSpectrum s;
    s.ComputeFromBlocks(red, blue, axis);
    EXPECT_NEAR(s.DominantHz(), 300.0, 5000.0 / LiveSpectrum::kPoints);
    // Each curve reaches 70 pixels exactly at its own maximum.
    int16_t redTop = 0, productTop = 0;
    for (const spectrum::CurvePoint& p : s.Curves(axis)) {
        redTop = std::max(redTop, p.red);
        productTop = std::max(productTop, p.product);
    }
    EXPECT_EQ(redTop, LiveSpectrum::kCurveHeight);
    EXPECT_EQ(productTop, LiveSpectrum::kCurveHeight);
}

// A huge offset sits in the bins below 10 Hz, which do not count.
TEST(LiveSpectrum, BinsBelowTenHertzNeverWin) {
    const FrequencyAxis axis{10000.0f, true};  // the linear axis searches from bin 0
    const auto x = Tones({{100, 40}}, axis.rate, 1500.0);
    LiveSpectrum s;
    s.ComputeFromBlocks(x, x, axis);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(s.RedMagnitudes()[static_cast<size_t>(k)], 0.0f) << k;
    EXPECT_NEAR(s.DominantHz(), 100.0, 10000.0 / LiveSpectrum::kPoints);
}

// Silence and short stores draw flat curves with no dominant frequency rather
// than dividing by a zero maximum.
TEST(LiveSpectrum, SilenceAndShortStoresAreFlatWithoutDominantFrequency) {
    const FrequencyAxis axis{10000.0f, false};
    CWave red(10000), blue(10000);
    const std::vector<int16_t> zeros(5000, 0);
    red.WriteSamples(5000, zeros.data());
    blue.WriteSamples(5000, zeros.data());
    LiveSpectrum s;
    EXPECT_TRUE(s.Compute(red, blue, axis));
    EXPECT_EQ(s.DominantHz(), 0.0f);
    const auto curves = s.Curves(axis);
    ASSERT_FALSE(curves.empty());
    for (const spectrum::CurvePoint& p : curves) EXPECT_EQ(p.red + p.blue + p.product, 0);

    const auto tone = Tones({{500, 900}}, axis.rate, 0, 3000);
    CWave shortRed(10000), shortBlue(10000);
    shortRed.WriteSamples(3000, tone.data());
    shortBlue.WriteSamples(3000, tone.data());
    EXPECT_FALSE(s.Compute(shortRed, shortBlue, axis));
    EXPECT_EQ(s.DominantHz(), 0.0f);
    EXPECT_EQ(s.RedMaximum(), 0.0f);
}

// The newest 4096 samples are read and the stores' readers find them unread afterwards.
TEST(LiveSpectrum, ReadsTheNewestSamplesWithoutConsumingThem) {
    const FrequencyAxis axis{10000.0f, false};
    CWave red(20000), blue(20000);
    const auto old = Tones({{2000, 900}}, axis.rate, 0, 8000);
    const auto recent = Tones({{700, 900}}, axis.rate);
    for (CWave* w : {&red, &blue}) {
        w->WriteSamples(8000, old.data());
        w->WriteSamples(LiveSpectrum::kPoints, recent.data());
        w->SetPos(1234);
    }
    LiveSpectrum s;
    ASSERT_TRUE(s.Compute(red, blue, axis));
    EXPECT_NEAR(s.DominantHz(), 700.0, 10000.0 / LiveSpectrum::kPoints);
    EXPECT_EQ(red.GetPos(), 1234);
    EXPECT_EQ(blue.UnreadCount(), 8000 + LiveSpectrum::kPoints - 1234);
}

// ---- the filter sets -----------------------------------------------------------------

class FilterSets : public ::testing::Test {
protected:
    // One trace at 10 kHz on the logarithmic axis unless a test loads otherwise.
    void SetUp() override { editor.Load({}, 1, 10000.0f, false); }
    void LoadLow(float low, float high = 0, float notchLow = 0, float notchHigh = 0) {
        editor.Load({FilterSetHz{low, high, notchLow, notchHigh}, {}, {}}, 1, 10000.0f, false);
    }
    float F(int column) const { return editor.Axis().FrequencyAt(static_cast<float>(column)); }
    FilterSetEditor editor;
};

// With no high marker, a touch beside the low marker (inside its zone) moves it.
TEST_F(FilterSets, TouchOnTheHighSideOfTheLowMarkerMovesTheLowCutoff) {
    LoadLow(F(100));
    ASSERT_EQ(editor.Markers().low, 100);
    EXPECT_TRUE(editor.PenDown(115));
    EXPECT_EQ(editor.Mode(), TouchMode::SetLow);
    EXPECT_EQ(editor.PressedSetButton(), 1);
    EXPECT_EQ(editor.Markers().low, 115);
    EXPECT_NEAR(editor.Set(0).low, F(115), 1e-3);
    editor.PenUp(115);
    EXPECT_EQ(editor.Mode(), TouchMode::None);
    EXPECT_EQ(editor.PressedSetButton(), 0);
    // Outside every zone nothing happens.
    EXPECT_FALSE(editor.PenDown(300));
    EXPECT_EQ(editor.Markers().low, 115);
}

// Low at 100 and high at 130: their zones overlap and split at 115.
TEST_F(FilterSets, OverlappingMarkerZonesSplitAtTheMidpoint) {
    for (const auto& [touch, mode] : {std::pair{114, TouchMode::SetLow}, std::pair{116, TouchMode::SetHigh},
                                      std::pair{81, TouchMode::SetLow}, std::pair{150, TouchMode::SetHigh}}) {
        LoadLow(F(100), F(130));
        ASSERT_TRUE(editor.PenDown(touch)) << touch;
        EXPECT_EQ(editor.Mode(), mode) << touch;
    }
    // With a notch between them the low zone ends halfway to the first notch limit.
    LoadLow(F(100), F(200), F(110), F(112));
    editor.PenDown(104);
    EXPECT_EQ(editor.Mode(), TouchMode::SetLow);
    LoadLow(F(100), F(200), F(110), F(112));
    editor.PenDown(106);
    EXPECT_EQ(editor.Mode(), TouchMode::SecondNotch);
}

TEST_F(FilterSets, CutoffsNeverCrossEachOther) {
    LoadLow(F(100), F(200));
    editor.BeginSetLow();
    EXPECT_FALSE(editor.PenMove(200));  // on the high marker
    EXPECT_FALSE(editor.PenMove(250));
    EXPECT_EQ(editor.Markers().low, 100);
    editor.BeginSetHigh();
    EXPECT_FALSE(editor.PenMove(90));
    EXPECT_TRUE(editor.PenMove(101));
    EXPECT_EQ(editor.Markers().high, 101);
}

// SET NOTCH: the first touch places both limits, then the second is dragged;
// the nearer limit follows the stylus, the second at equal distance. Lifting
// the stylus, or CLEAR ALL, ends the prompt.
TEST_F(FilterSets, NotchIsPlacedThenItsNearerLimitFollowsTheStylus) {
    LoadLow(F(50), F(400), F(10), F(20));
    editor.BeginSetNotch();
    EXPECT_EQ(editor.Labels().notch, u"NOTCH: SET LIMIT 1");
    EXPECT_EQ(editor.Set(0).notchLow, 0.0f);
    EXPECT_FALSE(editor.PenDown(40));  // below the low cut-off
    EXPECT_TRUE(editor.PenDown(200));
    EXPECT_EQ(editor.Labels().notch, u"NOTCH: SET LIMIT 2");
    editor.PenUp(200);
    EXPECT_EQ(editor.Mode(), TouchMode::SecondNotch);
    editor.PenDown(240);                 // above both: the second limit
    EXPECT_EQ(editor.Markers().notchHigh, 240);
    EXPECT_EQ(editor.Markers().notchLow, 200);
    editor.PenMove(215);                 // nearer the first
    EXPECT_EQ(editor.Markers().notchLow, 215);
    EXPECT_EQ(editor.Markers().notchHigh, 240);
    editor.PenMove(230);                 // nearer the second
    EXPECT_EQ(editor.Markers().notchHigh, 230);
    editor.PenMove(231);
    editor.PenMove(223);                 // 8 from each: the second moves
    EXPECT_EQ(editor.Markers().notchLow, 215);
    EXPECT_EQ(editor.Markers().notchHigh, 223);
    editor.PenUp(223);
    EXPECT_EQ(editor.Mode(), TouchMode::None);
    EXPECT_EQ(editor.Labels().notch, u"NOTCH: 237-260Hz");  // the prompt gives way to the limits
    editor.BeginSetNotch();
    editor.ClearAll();  // CLEAR ALL while a limit is awaited ends the prompt too
    EXPECT_EQ(editor.Labels().notch, u"NOTCH: None");
}

// ACCEPT always switches the notch on; an empty notch changes nothing.
TEST_F(FilterSets, AcceptSwitchesTheNotchOnAndAnEmptyNotchLeavesTheResponse) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f);
    LoadLow(300.0f, 1500.0f);
    editor.Apply(run);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(run.RedFilter(k).Band().notchOn);
        EXPECT_TRUE(run.PostFilterOf(k).Band().notchOn);
    }
    FilterBand plain = run.RedFilter(0).Band();
    plain.notchOn = false;
    CFilter without;
    without.SetBand(plain, fir::kRectangular, run.RedFilter(0).Taps());
    EXPECT_EQ(run.RedFilter(0).FirTaps().half, without.FirTaps().half);
    // An open set with an empty notch is the plain centre tap: every sample
    // comes through unchanged, only delayed like any band of that length.
    const std::vector<int32_t>& open = run.RedFilter(1).FirTaps().half;
    EXPECT_EQ(open[0], fir::kOne);
    for (size_t k = 1; k < open.size(); ++k) EXPECT_EQ(open[k], 0) << k;
}

// A cut-off above half the rate is shown and designed at half the rate.
TEST_F(FilterSets, CutoffsAboveHalfTheRateAreClamped) {
    editor.Load({}, 3, 1000.0f, false);
    editor.QuickMetallic();  // 300-500, 500-800, 800+
    editor.SelectSet(1);
    EXPECT_EQ(editor.Labels().high, u"HIGH CUTOFF: 500Hz");
    EXPECT_EQ(editor.Set(2).low, 500.0f);
    CCorrelation run(500, 100, 100.0f, 1, 1000.0f);
    run.SetTraceCount(3);
    editor.Apply(run);
    EXPECT_FLOAT_EQ(run.RedFilter(1).Band().highCut, 0.5f);
    EXPECT_FLOAT_EQ(run.RedFilter(2).Band().lowCut, 0.5f);
}

// Automatic settings follow the dominant frequency; without one the band
// opens and the labels say so.
TEST_F(FilterSets, AutomaticSettingsFollowTheDominantFrequencyOrOpenTheBand) {
    LoadLow(100.0f, 300.0f, 150.0f, 160.0f);
    editor.SetDominantHz(800.0f);
    editor.ToggleAutomatic();
    EXPECT_EQ(editor.Set(0), (FilterSetHz{200.0f, 3200.0f, 0, 0}));
    EXPECT_EQ(editor.Labels().low, u"LOW CUTOFF: Auto");
    editor.SetDominantHz(2000.0f);
    EXPECT_EQ(editor.Set(0), (FilterSetHz{500.0f, 5000.0f, 0, 0}));  // 8000 capped at half the rate
    editor.SetDominantHz(0.0f);
    EXPECT_EQ(editor.Set(0), FilterSetHz{});
    EXPECT_EQ(editor.Labels().low, u"LOW CUTOFF: None");
    EXPECT_EQ(editor.Labels().high, u"HIGH CUTOFF: None");
    // A SET command leaves automatic with the band it showed.
    editor.SetDominantHz(400.0f);
    editor.BeginSetHigh();
    EXPECT_FALSE(editor.Automatic());
    EXPECT_EQ(editor.Set(0), (FilterSetHz{100.0f, 1600.0f, 0, 0}));
    EXPECT_EQ(editor.Labels().low, u"LOW CUTOFF: 100Hz");
}

// The material defaults hold until any other change of a band.
TEST_F(FilterSets, MaterialDefaultsFlagHoldsUntilTheBandIsChanged) {
    CPipe pipe(10000.0f);  // no sections: 0 to 5000 Hz
    editor.ApplyMaterialDefaults(pipe);
    EXPECT_TRUE(editor.MaterialDefaults());
    EXPECT_EQ(editor.Set(0), (FilterSetHz{0, 5000.0f, 0, 0}));
    editor.PenDown(200);  // the high marker's column is 480: nothing picked
    EXPECT_TRUE(editor.MaterialDefaults());
    editor.PenDown(editor.Markers().high);
    EXPECT_FALSE(editor.MaterialDefaults());
    editor.SetMaterialDefaults(true);
    editor.QuickPlastic();
    EXPECT_FALSE(editor.MaterialDefaults());
}
