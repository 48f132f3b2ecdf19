// Recordings faster than the analysis rate reach it with the delay between
// their channels kept; slower ones stay as they are.

#include <gtest/gtest.h>

#include "Synthetic.h"
#include "analysis/Gcc.h"
#include "analysis/Peaks.h"
#include "analysis/Resample.h"
#include "analysis/Welch.h"

namespace {

using namespace analysis;

TEST(ResampleToAnalysisRate, DelayBetweenChannelsKeptInTheNewRate) {
    if (!CanResample()) GTEST_SKIP() << "built without soxr";
    constexpr int32_t n = 1 << 18;
    Audio a;
    a.rate = 48000;
    const std::vector<float> x = synthetic::Noise(n, 21);
    a.channels = {synthetic::Delayed(x, 60.0), x};  // Red 1.25 ms later
    const Audio b = ToAnalysisRate(a);
    EXPECT_EQ(b.rate, kAnalysisRate);
    EXPECT_NEAR(static_cast<double>(b.Frames()), n * kAnalysisRate / 48000, 1.0);
    const CrossSpectra s = Welch(b.channels[0], b.channels[1], {4096, false, 8, {}});
    const std::vector<float> c =
        Correlate(s.rb, Weights(s, Weighting::Phat, BandMask(s.n, kAnalysisRate, 100, 4000), std::vector<bool>(s.rr.size())),
                  s.n, 100);
    const std::vector<Candidate> peaks = FindPeaks(c, 1, 3);
    ASSERT_EQ(peaks.size(), 1u);
    EXPECT_NEAR(peaks[0].lag, 12.5, 0.1);
}

TEST(ResampleToAnalysisRate, SlowerRecordingsKeepTheirRate) {
    Audio a;
    a.rate = 8000;
    a.channels = {{1, 2, 3}};
    const Audio b = ToAnalysisRate(a);
    EXPECT_EQ(b.rate, 8000);
    EXPECT_EQ(b.channels, a.channels);
}

}  // namespace
