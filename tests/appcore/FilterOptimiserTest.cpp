// Filter optimisation: where the frequency list comes from, and which band
// it keeps.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "app/FilterOptimiser.h"
#include "dsp/Correlation.h"

namespace {

void FillTone(CWave& store, int32_t n, double hz, double rate) {
    for (int32_t i = 0; i < n; ++i)
        store.WriteSample(static_cast<int16_t>(std::lround(800.0 * std::sin(2 * std::numbers::pi * hz * i / rate))));
}

}  // namespace

// Areas worked out by hand on the trapezoid rule.
TEST(BinPosition, SplitsTheAreaUnderThePiecewiseLinearSpectrum) {
    const std::vector<float> flat{1, 1, 1, 1, 1};  // area 4, one per bin step
    EXPECT_FLOAT_EQ(FilterOptimiser::BinPosition(flat, 50), 2.0f);
    EXPECT_FLOAT_EQ(FilterOptimiser::BinPosition(flat, 10), 0.4f);
    const std::vector<float> ramp{0, 2};  // density 2x: area x^2, so half lies below sqrt(0.5)
    EXPECT_NEAR(FilterOptimiser::BinPosition(ramp, 50), std::sqrt(0.5f), 1e-6);
    const std::vector<float> falling{2, 0};  // area 2x - x^2 = 0.25 at 1 - sqrt(0.75)
    EXPECT_NEAR(FilterOptimiser::BinPosition(falling, 25), 1 - std::sqrt(0.75f), 1e-6);
    const std::vector<float> late{0, 0, 3, 3};
    EXPECT_FLOAT_EQ(FilterOptimiser::BinPosition(late, 0), 2.0f);
}

// Silence gives d = 0 with s[k] = 0 in the solution: no division by zero,
// the caller is told there is no area.
TEST(BinPosition, SilentSpectrumHasNoPosition) {
    const std::vector<float> silent(513, 0.0f);
    EXPECT_LT(FilterOptimiser::BinPosition(silent, 10), 0.0f);
    EXPECT_FLOAT_EQ(FilterOptimiser::BinPosition(silent, 0), 513.0f);
}

// One spike in an otherwise flat accumulator: the centre penalty reaches
// lag +-5 and no further, and a negative peak counts only when both
// polarities do.
TEST(BandScore, CentrePenaltyAndPolarity) {
    constexpr int32_t kLags = 200;
    const auto score = [](int32_t lag, int64_t height, bool bothPolarities) {
        std::vector<int64_t> acc(2 * kLags + 1, 0);
        acc[static_cast<size_t>(kLags + lag)] = height;
        return FilterOptimiser::Score(CFilter(), acc, bothPolarities);
    };
    const double plain = score(50, 1000, false);
    struct Row { int32_t lag; int64_t height; bool both; double times; };
    for (const Row& r : {Row{0, 1000, false, 5}, Row{5, 1000, false, 5}, Row{-5, 1000, false, 5},
                         Row{6, 1000, false, 1}, Row{-6, 1000, false, 1}, Row{50, -1000, true, 1}})
        EXPECT_NEAR(score(r.lag, r.height, r.both) / plain, r.times, 1e-9) << r.lag << " " << r.height;
    EXPECT_GT(score(50, -1000, false), 1000 * plain);
}

TEST(FrequencyList, ShortOrSilentRecordingsGiveTheDefaultList) {
    FilterOptimiser optimiser;
    CWave red(4000), blue(4000);
    FillTone(red, 1023, 700, 10000);
    FillTone(blue, 1023, 700, 10000);
    EXPECT_EQ(optimiser.BuildList(red, blue, 10000), FilterOptimiser::kDefaultList);
    CWave quietRed(4000), quietBlue(4000);
    const std::vector<int16_t> zeros(2048, 0);
    quietRed.WriteSamples(2048, zeros.data());
    quietBlue.WriteSamples(2048, zeros.data());
    EXPECT_EQ(optimiser.BuildList(quietRed, quietBlue, 10000), FilterOptimiser::kDefaultList);
}

// A tone holds all the cross spectrum: every decile lies at its frequency.
// Reading the newest samples must not consume them.
TEST(FrequencyList, ToneOnBothChannelsPutsEveryStepAtTheTone) {
    for (const float rate : {10000.0f, 2000.0f}) {
        FilterOptimiser optimiser;
        CWave red(8000), blue(8000);
        FillTone(red, 3000, 400, rate);
        FillTone(blue, 3000, 400, rate);
        red.SetPos(1000);
        const std::array<float, 11> list = optimiser.BuildList(red, blue, rate);
        EXPECT_EQ(std::pair(list[0], list[10]), std::pair(0.0f, 0.0f));
        for (int m = 1; m <= 9; ++m) EXPECT_NEAR(list[static_cast<size_t>(m)], 400.0f, 2 * rate / 1024) << m << " at " << rate;
        EXPECT_EQ(std::pair(red.GetPos(), blue.GetPos()), std::pair(1000, 0));
    }
}

// A leak heard around 550 Hz (Red 37 samples first) under independent
// broadband noise, with or without a 60 Hz tone both stations pick up, ten
// times the leak's level, or each station's own rumble below 80 Hz. Without
// the tone a band round the leak beats the open band in force (above the
// rumble when there is one); with it, every candidate the list offers lets
// the tone in, so the leak band in force must stay. Either way the peak stays
// at the leak's delay and the SNR does not fall.
struct ToneRow {
    const char* name;
    double toneAmplitude;      // counts, 60 Hz, Blue's phase 0.7 rad behind Red's
    float inForceLow, inForceHigh;  // Hz, 0 = no cut-off
    bool keepsBandInForce;
    double rumble = 0;         // each station's own noise below about 80 Hz, counts
};

void PrintTo(const ToneRow& row, std::ostream* os) { *os << row.name; }

class OptimisedBand : public ::testing::TestWithParam<ToneRow> {};

TEST_P(OptimisedBand, NeverMakesTheRunWorse) {
    const ToneRow& row = GetParam();
    constexpr int32_t kSamples = 40000, kDelay = 37;
    constexpr double kRate = 10000;
    CCorrelation run(500, 100, 100.0f, 1, static_cast<float>(kRate));
    run.SetPostFilter(1);
    run.SetRange(100.0f, 1);  // sizes the unfiltered accumulator
    FilterBand inForce;
    inForce.lowCut = row.inForceLow / static_cast<float>(kRate);
    inForce.highCut = row.inForceHigh / static_cast<float>(kRate);
    run.RedFilter(0).SetBand(inForce, fir::kRectangular);
    run.BlueFilter(0).SetBand(inForce, fir::kRectangular);
    run.PostFilterOf(0).SetBand(inForce, fir::kWelch, CCorrelation::kPostFilterTaps);

    std::vector<int16_t> red(kSamples), blue(kSamples);
    uint32_t seed = 7;
    const auto noise = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 2001) - 1000.0;
    };
    // A resonator at 550 Hz (pole radius 0.97) shapes the leak's noise.
    std::vector<double> leak(kSamples + kDelay, 0.0);
    const double c = 2 * 0.97 * std::cos(2 * std::numbers::pi * 550 / kRate), r2 = 0.97 * 0.97;
    for (size_t i = 2; i < leak.size(); ++i) leak[i] = 0.05 * noise() + c * leak[i - 1] - r2 * leak[i - 2];
    const double w = 2 * std::numbers::pi * 60 / kRate;
    double redRumble = 0, blueRumble = 0;
    for (int32_t i = 0; i < kSamples; ++i) {
        const auto at = static_cast<size_t>(i);
        redRumble = 0.95 * redRumble + row.rumble * noise() / 1000;
        blueRumble = 0.95 * blueRumble + row.rumble * noise() / 1000;
        red[at] = static_cast<int16_t>(std::lround(leak[at + kDelay] + 0.3 * noise() + redRumble + row.toneAmplitude * std::sin(w * i)));
        blue[at] = static_cast<int16_t>(std::lround(leak[at] + 0.3 * noise() + blueRumble + row.toneAmplitude * std::sin(w * i - 0.7)));
    }
    run.AddRedSamples(red.data(), kSamples);
    run.AddBlueSamples(blue.data(), kSamples);
    while (run.Correlate(1 << 20) > 0) {
    }
    run.DisplayTrace(0);
    ASSERT_EQ(run.FindPeak(0).peakIndex - run.MaxLag(), -kDelay) << "the band in force finds the leak";
    const float snrBefore = run.Snr();

    FilterOptimiser optimiser;
    optimiser.Start(run);
    while (optimiser.Step(run) != FilterOptimiser::Outcome::Applied) {
    }
    const FilterBand& applied = run.PostFilterOf(0).Band();
    EXPECT_EQ(optimiser.BestIsInForce(), row.keepsBandInForce);
    if (row.keepsBandInForce) {
        EXPECT_EQ(std::pair(applied.lowCut, applied.highCut), std::pair(inForce.lowCut, inForce.highCut));
    } else {
        EXPECT_EQ(std::pair(run.RedFilter(0).Band().lowCut, run.BlueFilter(0).Band().highCut), std::pair(applied.lowCut, applied.highCut));
        EXPECT_EQ(applied.lowCut > 0, row.rumble > 0);  // the rumble is cut off
        EXPECT_GT(run.Snr(), snrBefore);  // the trace shows the new band
    }
    EXPECT_EQ(run.FindPeak(0).peakIndex - run.MaxLag(), -kDelay);
    EXPECT_GE(run.Snr(), snrBefore);
}
INSTANTIATE_TEST_SUITE_P(
    Worlds, OptimisedBand,
    ::testing::Values(ToneRow{"QuietOpenBand", 0.0, 0.0f, 0.0f, false},
                      ToneRow{"CommonToneLeakBand", 1400.0, 300.0f, 900.0f, true},
                      ToneRow{"OwnRumble", 0.0, 0.0f, 0.0f, false, 250.0}),
    [](const ::testing::TestParamInfo<ToneRow>& info) { return std::string(info.param.name); });
