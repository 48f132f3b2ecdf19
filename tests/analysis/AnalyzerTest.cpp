// A pair analysed on a described pipe: distances, candidates and the
// interval against a world whose leak positions are known.

#include <gtest/gtest.h>

#include <cmath>

#include "Synthetic.h"
#include "analysis/Analyzer.h"
#include "analysis/Confidence.h"
#include "analysis/WavInput.h"

namespace {

using namespace analysis;

constexpr double kVelocity = 1000;

CPipe PipeOf(double length) {
    CPipe pipe(static_cast<float>(kRate));
    PipeSegment s;
    s.SetLength(static_cast<float>(length), LengthUnit::Metres);
    s.SetVelocity(static_cast<float>(kVelocity));
    pipe.AddSection(s);
    return pipe;
}

// Red hears a source at distanceA m from it after distanceA / v, Blue after
// (length - distanceA) / v.
void AddSource(std::vector<float>& red, std::vector<float>& blue, const std::vector<float>& x, double distanceA,
               double length, double gain = 1.0) {
    synthetic::Add(red, synthetic::Delayed(x, distanceA / kVelocity * kRate), gain);
    synthetic::Add(blue, synthetic::Delayed(x, (length - distanceA) / kVelocity * kRate), gain);
}

TEST(LeakInterval, HalfWidthsFromDelayAndVelocityAddInQuadrature) {
    const CPipe pipe = PipeOf(200);
    // Red 60 ms before Blue: the leak is 70 m from Red.
    EXPECT_NEAR(DistanceFromA(pipe, -0.06), 70.0, 1e-4);
    // Velocity alone: 30 m of path difference / 2 x 1.96 x 2 %.
    Interval ci = LeakInterval(pipe, -0.06, 0, 7, 0.02);
    EXPECT_NEAR(ci.low, 70 - 1.17598, 1e-3);
    EXPECT_NEAR(ci.high, 70 + 1.17598, 1e-3);
    // Delay: v / 2 x t(7) x 0.1 ms = 0.11825 m, in quadrature.
    ci = LeakInterval(pipe, -0.06, 1e-4, 7, 0.02);
    EXPECT_NEAR(ci.high - 70, std::hypot(1.17598, 0.11825), 1e-3);
    // Never beyond the pipe's ends.
    ci = LeakInterval(pipe, -0.199, 1e-3, 7, 0.02);
    EXPECT_EQ(ci.low, 0.0);
}

TEST(LeakInterval, StandardErrorAndStudentT) {
    EXPECT_NEAR(StandardError({1, 2, 3, 4}), std::sqrt(5.0 / 3 / 4), 1e-12);
    EXPECT_TRUE(std::isnan(StandardError({1})));
    EXPECT_NEAR(StudentT975(7), 2.365, 1e-3);
    EXPECT_NEAR(StudentT975(30), 2.042, 1e-3);
    EXPECT_NEAR(StudentT975(21), 2.080, 1e-3);
}

// y = 0.95 x + 0.1 through (1, 1), (2, 2.1), (3, 2.9): residuals -0.05,
// 0.1, -0.05, s^2 = 0.015, se = sqrt(0.015 / 2) = 0.0866 of 0.95; an
// excluded point changes nothing; two points give no error.
TEST(LeakInterval, VelocityErrorFromAComputationsResiduals) {
    LinearRegression fit;
    fit.Append(1, 1);
    fit.Append(2, 2.1f);
    fit.Append(3, 2.9f);
    fit.Append(4, 40, false);
    EXPECT_NEAR(RelativeSlopeError(fit), std::sqrt(0.015 / 2) / 0.95, 1e-5);
    fit.ToggleIncluded(2);
    EXPECT_TRUE(std::isnan(RelativeSlopeError(fit)));
}

// A leak 71.23 m from Red and a weaker second leak at 150 m on a 200 m pipe:
// the best peak is the first, to 0.1 m, inside its interval; the second is a
// candidate of its own; --peaks 1 keeps the best alone.
TEST(AnalyzePair, TwoLeaksFoundBestFirstInsideItsInterval) {
    constexpr int32_t n = 1 << 18;
    std::vector<float> red(n), blue(n);
    AddSource(red, blue, synthetic::Noise(n, 11), 71.23, 200);
    AddSource(red, blue, synthetic::Noise(n, 12), 150, 200, 0.6);
    synthetic::Add(red, synthetic::Noise(n, 13, 0.05));
    synthetic::Add(blue, synthetic::Noise(n, 14, 0.05));
    AnalysisRequest request;
    request.pipe = PipeOf(200);
    request.bandHz = {{100, 2000}};
    for (Weighting w : {Weighting::Phat, Weighting::Scot, Weighting::Ml}) {
        SCOPED_TRACE(WeightingName(w));
        request.weighting = w;
        const AnalysisResult r = Analyze(red, blue, kRate, request);
        ASSERT_GE(r.peaks.size(), 2u);
        EXPECT_NEAR(r.peaks[0].distanceA, 71.23, 0.1);
        EXPECT_NEAR(r.peaks[0].distanceB, 200 - 71.23, 0.1);
        EXPECT_NEAR(r.peaks[1].distanceA, 150, 0.1);
        EXPECT_LT(r.peaks[1].relative, 1.0);
        EXPECT_LT(r.ciLowA, 71.23);
        EXPECT_GT(r.ciHighA, 71.23);
        // 57.54 m of path difference at 2 % velocity error: 2.255 m wide, the
        // delay's share small.
        EXPECT_GT(r.ciHighA - r.ciLowA, 2.255);
        EXPECT_LT(r.ciHighA - r.ciLowA, 2.4);
        EXPECT_GT(r.snr, 5);
        EXPECT_GT(r.coherence, 0.3);
    }
    request.peaks = 1;
    EXPECT_EQ(Analyze(red, blue, kRate, request).peaks.size(), 1u);
}

TEST(AnalyzePair, TooShortForThePipeRefused) {
    const std::vector<float> x(3000);
    AnalysisRequest request;
    request.pipe = PipeOf(200);  // 2200 lags need 4401 frames at least
    EXPECT_THROW(Analyze(x, x, kRate, request), InputError);
}

}  // namespace
