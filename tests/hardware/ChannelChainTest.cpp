// The channel chain stage by stage: what each stage does to samples.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hardware/ChannelChain.h"
#include "hardware/DriverRecords.h"

using namespace hw;

TEST(RawWordDecoding, RailsAndMidScale) {
    EXPECT_EQ(DecodeRaw(0x0000), -2048);  // 0x800F as int16 is -32753; >> 4 gives -2048
    EXPECT_EQ(DecodeRaw(0xFFF0), 2047);   // 0x7FFF >> 4
    EXPECT_EQ(DecodeRaw(0x8000), 0);      // 0x000F >> 4
    EXPECT_EQ(DecodeRaw(0x8010), 1);
    EXPECT_EQ(DecodeRaw(0x7FF0), -1);
}

// A clip value zeroes itself and the two samples either side on the way out;
// values inside the rails, however near, pass delayed by five.
TEST(ClipBlanking, RailValuesBlankFiveSamplesAroundThem) {
    for (const uint16_t rail : {uint16_t{0x0000}, uint16_t{0xFFF0}}) {
        ClipBlanker clip;
        std::vector<int16_t> in = {-2047, 2046, 12, 13, 14, 15, 16, DecodeRaw(rail), 18, 19, 20, 21, 22, 23, 0, 0, 0, 0, 0};
        std::vector<int16_t> out;
        for (int16_t x : in) out.push_back(clip.Push(x));
        const std::vector<int16_t> expected = {0, 0, 0, 0, 0, -2047, 2046, 12, 13, 14, 0, 0, 0, 0, 0, 20, 21, 22, 23};
        EXPECT_EQ(out, expected) << "rail word " << rail;
    }
}

TEST(DcRemoval, ConstantInputSettlesToZeroAfterTheWindowAndTheMeanTruncates) {
    DcRemover dc;
    int16_t y = 0;
    EXPECT_EQ(dc.Push(300), 300 - 300 / 1024);  // the ring starts as zeros
    for (int i = 1; i < 1024; ++i) y = dc.Push(300);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(dc.Push(310), 310 - (1023 * 300 + 310) / 1024);
    DcRemover negative;  // the mean's division truncates toward zero
    EXPECT_EQ(negative.Push(-1023), -1023);  // sum / 1024 = 0, not -1
    EXPECT_EQ(negative.Push(-2), -1);        // -1025 / 1024 = -1
}

class DecimationFactor : public ::testing::TestWithParam<int32_t> {};

// Every design is symmetric, Q15, of the stated length, with exact unity DC gain.
TEST_P(DecimationFactor, DesignIsSymmetricWithUnityGainAtDc) {
    const int32_t d = GetParam();
    const AntiAliasTaps& t = AntiAliasFor(d);
    EXPECT_EQ(t.length, kAntiAliasTaps[static_cast<size_t>(d)]);
    ASSERT_EQ(static_cast<int32_t>(t.half.size()), t.length / 2 + 1);
    int64_t sum = t.half.back();
    for (size_t k = 0; k + 1 < t.half.size(); ++k) sum += 2 * t.half[k];
    EXPECT_EQ(sum, kQ15One);
}

// One output in D and a constant passing exactly follow from the unity gain
// above and the naive convolution below; Acquisition.DecimatedRateDeliversOneSampleInD counts them.

// A tone above the output band is attenuated; one inside it passes.
TEST_P(DecimationFactor, LowPassesBeforeDecimating) {
    const int32_t d = GetParam();
    if (d == 1) GTEST_SKIP() << "pass-through";
    auto rms = [&](double cyclesPerSample) {
        Decimator dec;
        dec.SetFactor(d);
        double sum = 0;
        int n = 0;
        for (int i = 0; i < 20000; ++i) {
            int16_t y;
            const auto x = static_cast<int16_t>(1000 * std::sin(2 * 3.141592653589793 * cyclesPerSample * i));
            if (dec.Push(x, y) && i > 2000) sum += double(y) * y, ++n;
        }
        return std::sqrt(sum / n);
    };
    EXPECT_GT(rms(0.2 / d), 600);   // inside the kept band
    EXPECT_LT(rms(0.75 / d), 40);   // would alias onto the band
}

INSTANTIATE_TEST_SUITE_P(AllFactors, DecimationFactor, ::testing::Range(1, kMaxDecimation + 1));

// The folded, doubled-history filter equals the plain convolution at every output.
TEST(Decimation, MatchesNaiveConvolution) {
    for (int32_t d : {2, 7, 10}) {
        const AntiAliasTaps& t = AntiAliasFor(d);
        std::vector<int32_t> h(static_cast<size_t>(t.length));
        for (int32_t k = 0; k < t.length; ++k) h[static_cast<size_t>(k)] = t.half[static_cast<size_t>(std::min(k, t.length - 1 - k))];
        std::vector<int16_t> x(3000);
        uint32_t seed = 7;
        for (int16_t& v : x) seed = seed * 1664525 + 1013904223, v = static_cast<int16_t>(static_cast<int32_t>(seed >> 20) - 2048);
        Decimator dec;
        dec.SetFactor(d);
        for (size_t i = 0; i < x.size(); ++i) {
            int16_t y;
            if (!dec.Push(x[i], y)) continue;
            int32_t acc = 0;
            for (int32_t k = 0; k < t.length; ++k)
                if (i >= static_cast<size_t>(k)) acc += h[static_cast<size_t>(k)] * x[i - static_cast<size_t>(k)];
            ASSERT_EQ(y, static_cast<int16_t>(acc / kQ15One)) << "D " << d << " sample " << i;
        }
    }
}
