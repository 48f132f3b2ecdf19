// The weighted correlation's maths against signals whose delay is known.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Synthetic.h"
#include "analysis/Gcc.h"
#include "analysis/Peaks.h"
#include "analysis/Welch.h"

namespace {

using namespace analysis;

constexpr int32_t kN = 1 << 17;
constexpr int32_t kSegment = 4096;
constexpr int32_t kMaxLag = 200;

CrossSpectra SpectraOf(const std::vector<float>& red, const std::vector<float>& blue, bool gate = false) {
    return Welch(red, blue, {kSegment, gate, 8, {}});
}

std::vector<float> CurveOf(const CrossSpectra& s, Weighting w, double low = 0, double high = 0, bool notch = false) {
    const std::vector<double> mask = BandMask(s.n, kRate, low, high);
    const std::vector<bool> notched = notch ? CommonTones(s) : std::vector<bool>(mask.size(), false);
    return Correlate(s.rb, Weights(s, w, mask, notched), s.n, kMaxLag);
}

int32_t ArgMax(const std::vector<float>& c) {
    return static_cast<int32_t>(std::max_element(c.begin(), c.end()) - c.begin()) - kMaxLag;
}

// Red later than Blue gives a positive lag, earlier a negative one, for every
// weighting; PHAT's peak is one sample wide (its neighbours under a third).
TEST(WeightedCorrelation, PureDelayPeaksAtTheDelayForBothSigns) {
    const std::vector<float> x = synthetic::Noise(kN, 1);
    for (const int32_t d : {37, -123}) {
        const std::vector<float> red = synthetic::Delayed(x, d);
        const CrossSpectra s = SpectraOf(red, x);
        for (Weighting w : {Weighting::None, Weighting::Phat, Weighting::Scot, Weighting::Ml}) {
            SCOPED_TRACE(std::string(WeightingName(w)) + " d=" + std::to_string(d));
            const std::vector<float> c = CurveOf(s, w);
            EXPECT_EQ(ArgMax(c), d);
            if (w == Weighting::Phat) {
                const auto at = static_cast<size_t>(d + kMaxLag);
                EXPECT_LT(std::max(c[at - 1], c[at + 1]), c[at] / 3);
            }
        }
    }
}

// A fractional delay in band-limited noise comes back within 0.1 sample.
TEST(WeightedCorrelation, ParabolicRefinementRecoversFractionalDelay) {
    const std::vector<float> x = synthetic::Noise(kN, 2);
    for (const double d : {12.3, -40.5, 7.8}) {
        SCOPED_TRACE(d);
        const CrossSpectra s = SpectraOf(synthetic::Delayed(x, d), x);
        const std::vector<float> c = CurveOf(s, Weighting::None, 100, 1500);
        const std::vector<Candidate> peaks = FindPeaks(c, 1, 3);
        ASSERT_EQ(peaks.size(), 1u);
        EXPECT_NEAR(peaks[0].lag, d, 0.1);
    }
}

TEST(WeightedCorrelation, ParabolaVertexOfThreeSamples) {
    const auto f = [](double x) { return 5 - (x - 0.3) * (x - 0.3); };
    EXPECT_NEAR(ParabolicOffset(f(-1), f(0), f(1)), 0.3, 1e-12);
    EXPECT_EQ(ParabolicOffset(1, 0, 1), 0.0);  // a minimum is not refined
}

// A strong 50 Hz line in both channels (mains hum picked up at both
// stations) swamps the basic correlation; notched, the leak's delay wins. A
// line in one channel only is left alone.
TEST(WeightedCorrelation, CommonToneNotchedOneSidedToneKept) {
    std::vector<float> x = synthetic::Noise(kN, 3, 0.02);
    std::vector<float> red = synthetic::Delayed(x, 60), blue = x;
    for (int32_t i = 0; i < kN; ++i) {
        red[i] += static_cast<float>(std::sin(2 * std::numbers::pi * 50.0 * i / kRate));
        blue[i] += static_cast<float>(std::sin(2 * std::numbers::pi * 50.0 * i / kRate + 1.0));
        red[i] += static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 1234.5 * i / kRate));
    }
    const CrossSpectra s = SpectraOf(red, blue);
    const std::vector<bool> notched = CommonTones(s);
    const auto bin = [&](double hz) { return static_cast<size_t>(std::lround(hz * s.n / kRate)); };
    EXPECT_TRUE(notched[bin(50)]);
    EXPECT_FALSE(notched[bin(1234.5)]);
    EXPECT_FALSE(notched[bin(600)]);
    EXPECT_NE(ArgMax(CurveOf(s, Weighting::None, 0, 0, false)), 60);
    EXPECT_EQ(ArgMax(CurveOf(s, Weighting::None, 0, 0, true)), 60);
}

// A burst on one channel (a vehicle over the pipe) is left out of the
// averages with the gate on; every quiet segment is kept.
TEST(WelchGate, BurstSegmentsLeftOutQuietOnesKept) {
    std::vector<float> red = synthetic::Noise(kN, 4), blue = synthetic::Noise(kN, 5);
    for (int32_t i = 50000; i < 51000; ++i) blue[i] *= 20;  // inside segments 23 and 24 (of 2048-point steps)
    const CrossSpectra off = SpectraOf(red, blue, false), on = SpectraOf(red, blue, true);
    EXPECT_EQ(off.segments, kN / (kSegment / 2) - 1);
    EXPECT_EQ(off.kept, off.segments);
    EXPECT_EQ(on.kept, on.segments - 2);
}

struct LengthRow {
    int32_t maxLag;
    int64_t frames;
    int32_t segment;
};

TEST(WelchSegment, LengthForLagsAndRecording) {
    const LengthRow rows[] = {
        {100, 600000, 4096},   // at least 4096
        {1760, 600000, 8192},  // 4 x lags, a power of two
        {1760, 20000, 4096},   // halved for 8 segments, still >= 2L + 1
        {1760, 3600, 0},       // not one segment
        {3000, 30000, 8192},   // cannot halve below 2L + 1 = 6001
    };
    for (const LengthRow& r : rows) {
        SCOPED_TRACE(r.maxLag);
        EXPECT_EQ(SegmentLength(r.maxLag, r.frames), r.segment);
    }
}

}  // namespace

namespace {

struct CandidateRow {
    const char* what;
    std::vector<float> curve;  // lags -L ... L
    int32_t guard;
    std::vector<int32_t> lags;  // expected candidates, strongest first
};

// Candidates: strongest first, a main lobe apart, above a fifth of the best;
// the window's ends and guard lags never count.
TEST(CandidatePeaks, StrongestFirstApartAndInsideTheWindow) {
    const CandidateRow rows[] = {
        {"two sources", {0, 0, 5, 0, 0, 0, 0, 3, 0, 0, 0}, 0, {-3, 2}},
        {"too close to the best", {0, 0, 5, 0, 3, 0, 0, 0, 0, 0, 0}, 0, {-3}},
        {"ringing under a fifth", {0, 0, 5, 0, 0, 0, 0, 0.9f, 0, 0, 0}, 0, {-3}},
        {"rising edge at the end", {9, 0, 5, 0, 0, 0, 0, 0, 0, 0, 8}, 0, {-3}},
        {"inside the guard", {0, 7, 3, 5, 0, 0, 0, 3, 0, 0, 0}, 2, {-2, 2}},
    };
    for (const CandidateRow& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<int32_t> got;
        for (const Candidate& c : FindPeaks(row.curve, 3, 3, row.guard)) got.push_back(static_cast<int32_t>(std::lround(c.lag)));
        EXPECT_EQ(got, row.lags);
    }
}

}  // namespace
