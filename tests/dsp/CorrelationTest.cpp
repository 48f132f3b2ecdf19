// CCorrelation's inputs and engines: what a run absorbs, in which order, and
// where the peak lands. (Here rather than under tests/dsp because the run
// object owns a CPipe, which the dsp test program does not link.)

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "dsp/CorrTestSupport.h"

namespace {

CorrelationOptions Engine(bool fft) {
    CorrelationOptions o;
    o.useFftEngine = fft;
    return o;
}

// Red is Blue delayed by d samples (d > 0: Red arrives later), from one source.
void FeedDelayed(CCorrelation& run, int32_t n, int32_t d, uint32_t seed = 1) {
    const int32_t pad = 3000;
    const auto source = Noise(static_cast<size_t>(n + 2 * pad), seed);
    std::vector<int16_t> red(n), blue(n);
    for (int32_t i = 0; i < n; ++i) {
        red[i] = source[static_cast<size_t>(pad + i - d)];
        blue[i] = source[static_cast<size_t>(pad + i)];
    }
    run.AddRedSamples(red.data(), n);
    run.AddBlueSamples(blue.data(), n);
}

// Sum of blue[p + i] * red[p + i + lag] for i < n: the direct definition.
int64_t Expected(const std::vector<int16_t>& red, const std::vector<int16_t>& blue, int32_t p, int32_t n,
                 int32_t lag) {
    int64_t s = 0;
    for (int32_t i = 0; i < n; ++i) s += int64_t{blue[p + i]} * red[p + i + lag];
    return s;
}

}  // namespace

TEST(CorrelationLags, HundredMillisecondsAtTenKilohertzGives1088) {
    CCorrelation run;
    EXPECT_EQ(run.MaxLag(), 1088);
    EXPECT_EQ(run.Accumulator(0).size(), 2177u);
    EXPECT_EQ(run.LeftLag(), -1000);
    EXPECT_EQ(run.RightLag(), 1000);
    run.SetRange(0.25f, 0);  // seconds
    EXPECT_EQ(run.MaxLag(), 2588);
    EXPECT_EQ(run.Accumulator(2).size(), 5177u);
}

// A range that is no number used to pass the clamp and become a negative lag
// count; the accumulators then could not be sized.
TEST(CorrelationLags, RangesThatAreNoNumberGiveTheGuardBandAndInfinityTheLargestRun) {
    CCorrelation run;
    run.SetRange(std::numeric_limits<float>::quiet_NaN(), 1);
    EXPECT_EQ(run.MaxLag(), CCorrelation::kGuardLags);
    run.SetRange(std::numeric_limits<float>::infinity(), 1);
    EXPECT_EQ(run.MaxLag(), CCorrelation::kMaxLag);
    EXPECT_EQ(run.Accumulator(0).size(), 2 * size_t{CCorrelation::kMaxLag} + 1);
}

// Positive lag: Red arrives after Blue. Both engines, both signs.
class CorrelationSign : public ::testing::TestWithParam<std::tuple<bool, int32_t>> {};

TEST_P(CorrelationSign, KnownDelayPeaksAtThatLag) {
    const auto [fft, d] = GetParam();
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f, Engine(fft));
    FeedDelayed(run, 9000, d);
    ASSERT_GT(run.Correlate(4000), 0);
    EXPECT_EQ(run.FindPeak(0).peakIndex - run.MaxLag(), d);
    EXPECT_FLOAT_EQ(run.PeakDelay(2), static_cast<float>(d));
}

INSTANTIATE_TEST_SUITE_P(Engines, CorrelationSign,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(37, -37, 900)));

TEST(CorrelationInput, WaitsUntilBothStoresHoldTheLagsBeyondThePosition) {
    CCorrelation run;
    // Stores sized for the longest run hold memory only for what arrives
    // (every new run, a reopened one too, used to zero 5 MB first).
    EXPECT_EQ(run.RedRaw().SlotsAllocated() + run.BlueRaw().SlotsAllocated() +
                  run.RedFiltered(0).SlotsAllocated() + run.BlueFiltered(2).SlotsAllocated(), 0);
    const auto red = Noise(2200, 2), blue = Noise(2200, 3);
    run.AddRedSamples(red.data(), 2176);  // position L + L: not one sample more
    run.AddBlueSamples(blue.data(), 2200);
    EXPECT_EQ(run.Correlate(100), 0);
    EXPECT_EQ(run.Position(0), 1088);
    EXPECT_EQ(run.SamplesCorrelated(), 0);
    for (int64_t v : run.Accumulator(0)) ASSERT_EQ(v, 0);
    run.AddRedSample(red[2176]);
    EXPECT_EQ(run.Correlate(100), 1);
    EXPECT_EQ(run.Accumulator(0)[0], Expected(red, blue, 1088, 1, -1088));
}

TEST(CorrelationInput, FftEngineWaitsForAWholeBlockOf6016) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f, Engine(true));
    const auto x = Noise(1088 + 6016 + 1088, 4);
    run.AddRedSamples(x.data(), static_cast<int32_t>(x.size()) - 1);
    run.AddBlueSamples(x.data(), static_cast<int32_t>(x.size()));
    EXPECT_EQ(run.Correlate(1), 0);
    run.AddRedSample(x.back());
    EXPECT_EQ(run.Correlate(1), 6016);
    EXPECT_EQ(run.Position(0), 1088 + 6016);
}

TEST(CorrelationInput, BlockInputEqualsSampleBySampleInput) {
    CorrelationOptions three;
    three.multiFilter = true;
    CCorrelation bySample(500, 100, 100.0f, 1, 10000.0f, three), byBlock(500, 100, 100.0f, 1, 10000.0f, three);
    FilterBand band;
    band.lowCut = 0.02f;
    band.highCut = 0.2f;
    for (CCorrelation* run : {&bySample, &byBlock}) run->RedFilter(1).SetBand(band);
    const auto x = Noise(5000, 5);
    for (int16_t v : x) bySample.AddRedSample(v);
    byBlock.AddRedSamples(x.data(), 2500);
    byBlock.AddRedSamples(x.data() + 2500, 2500);
    for (int32_t k = 0; k < 3; ++k) {
        const CWave &a = bySample.RedFiltered(k), &b = byBlock.RedFiltered(k);
        ASSERT_EQ(a.SampleTotal(), 5000);
        std::stringstream sa, sb;
        a.Write(sa);
        b.Write(sb);
        EXPECT_EQ(sa.str(), sb.str()) << "trace " << k;
    }
    EXPECT_EQ(byBlock.RedSamplesReceived(), 5000);
}

// The FFT engine over many blocks, one of them round the end of the stores'
// ring, at full sample width: every block adds its exact sums over 65536,
// rounded (within a count of rounding each block).
TEST(CorrelationFftBlocks, EachBlockAddsItsOwnSamplesRoundTheRing) {
    const int32_t total = CCorrelation::kFilteredCapacity + 12000, fresh = 6016;
    const auto red = Noise(total, 8), blue = Noise(total, 9);
    // Blocks are absorbed as the samples arrive, while the stores hold them.
    CCorrelation live(500, 100, 100.0f, 1, 10000.0f, Engine(true));
    int32_t blocks = 0;
    for (int32_t fed = 0; fed < total; fed += 4000) {
        const int32_t n = std::min(4000, total - fed);
        live.AddRedSamples(red.data() + fed, n);
        live.AddBlueSamples(blue.data() + fed, n);
        while (live.Correlate(1) == fresh) ++blocks;
    }
    ASSERT_GT(int64_t{blocks} * fresh, CCorrelation::kFilteredCapacity);  // some block went round the ring
    for (int32_t lag : {-1088, -700, -1, 0, 1, 333, 1088}) {
        double expected = 0;
        for (int32_t b = 0; b < blocks; ++b)
            expected += std::floor(static_cast<double>(Expected(red, blue, 1088 + b * fresh, fresh, lag)) / 65536.0 + 0.5);
        EXPECT_NEAR(static_cast<double>(live.Accumulator(0)[static_cast<size_t>(lag + 1088)]), expected, 3.0) << lag;
    }
}

// The direct engine with its blocks shared among threads adds each lag's exact
// sum in both modes, over many feeds, some round the end of the stores' ring:
// a post-filter run's raw samples against the definition, and each of three
// filtered traces against a one-trace run of its band on one thread.
TEST(CorrelationDirectThreads, SharedBlocksAddTheExactSumsRoundTheRing) {
    const int32_t total = CCorrelation::kFilteredCapacity + 12000, feed = 9000;
    const auto red = Noise(total, 8), blue = Noise(total, 9);
    const auto replay = [&](int32_t postFilter, int32_t traces, int32_t firstBand, int32_t threads) {
        CCorrelation run(500, 100, 100.0f, 1, 10000.0f, Engine(false));
        run.SetTraceCount(traces);
        run.SetPostFilter(postFilter);
        run.SetDirectThreads(threads);
        for (int32_t k = 0; k < traces; ++k) {
            FilterBand band;
            band.lowCut = 0.02f * static_cast<float>(firstBand + k + 1);
            band.highCut = 0.35f;
            run.RedFilter(k).SetBand(band);
            run.BlueFilter(k).SetBand(band);
        }
        for (int32_t fed = 0; fed < total; fed += feed) {
            const int32_t n = std::min(feed, total - fed);
            run.AddRedSamples(red.data() + fed, n);
            run.AddBlueSamples(blue.data() + fed, n);
            while (run.Correlate(std::numeric_limits<int32_t>::max()) > 0) {
            }
        }
        EXPECT_EQ((postFilter ? run.RawPosition() : run.Position(0)) - 1088, total - 2 * 1088);
        std::vector<std::vector<int64_t>> sums;
        if (postFilter) sums.push_back(run.UnfilteredAccumulator());
        else for (int32_t k = 0; k < traces; ++k) sums.push_back(run.Accumulator(k));
        return sums;
    };
    const auto raw = replay(1, 3, 0, 3)[0];
    for (int32_t lag : {-1088, -700, -1, 0, 1, 333, 1088})
        EXPECT_EQ(raw[static_cast<size_t>(lag + 1088)], Expected(red, blue, 1088, total - 2 * 1088, lag)) << lag;
    const auto shared = replay(0, 3, 0, 3);
    for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(shared[k], replay(0, 1, k, 1)[0]) << k;
}

// After a filtered-store overrun the trace continues from the oldest sample
// still held (+ L); the sums come from real samples, never from stale slots.
class CorrelationOverrun : public ::testing::TestWithParam<bool> {};

TEST_P(CorrelationOverrun, PositionSkipsToOldestStoredSamplePlusL) {
    const bool fft = GetParam();
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f, Engine(fft));
    const int32_t total = 215000;
    const auto red = Noise(total, 6, 100), blue = Noise(total, 7, 100);
    run.AddRedSamples(red.data(), total);
    run.AddBlueSamples(blue.data(), total);
    const int32_t first = total - (CCorrelation::kFilteredCapacity + 1);
    const int32_t p = first + 1088;
    const int32_t n = run.Correlate(10);
    ASSERT_EQ(n, fft ? 6016 : 10);
    EXPECT_EQ(run.Position(0), p + n);
    for (int32_t lag : {-1088, -1, 0, 500, 1088}) {
        const int64_t direct = Expected(red, blue, p, n, lag);
        const int64_t got = run.Accumulator(0)[static_cast<size_t>(lag + 1088)];
        if (fft) EXPECT_NEAR(static_cast<double>(got), std::floor(direct / 65536.0 + 0.5), 1.0) << lag;
        else EXPECT_EQ(got, direct) << lag;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, CorrelationOverrun, ::testing::Bool());

TEST(CorrelationPostFilter, DirectEngineCorrelatesRawSamplesOnly) {
    CCorrelation run;
    run.SetPostFilter(1);
    run.Reset();
    FeedDelayed(run, 4000, 25);
    EXPECT_EQ(run.Correlate(1000), 1000);
    EXPECT_EQ(run.RawPosition(), 1088 + 1000);
    for (int32_t k = 0; k < 3; ++k) EXPECT_EQ(run.RedFiltered(k).SampleTotal(), 0);
    EXPECT_EQ(run.BlueFiltered(0).SampleTotal(), 0);
    for (int64_t v : run.Accumulator(0)) ASSERT_EQ(v, 0);
    const auto& u = run.UnfilteredAccumulator();
    EXPECT_EQ(std::max_element(u.begin(), u.end()) - u.begin(), 1088 + 25);
    // No band set yet: the post-filter passes the lags through as they are.
    run.DisplayTrace(0);
    EXPECT_EQ(run.FindPeak(0).peakIndex, 1088 + 25);
}

TEST(CorrelationPostFilter, FftEngineFiltersBeforeCorrelating) {
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f, Engine(true));
    run.SetPostFilter(1);
    EXPECT_TRUE(run.FilterBeforeCorrelating());
    FeedDelayed(run, 100, 0);
    EXPECT_EQ(run.RedFiltered(0).SampleTotal(), 100);
}

TEST(CorrelationPostFilter, RestartKeepingRawReCorrelatesTheStoredSamples) {
    CCorrelation run;
    run.SetPostFilter(1);
    run.Reset();
    FeedDelayed(run, 5000, -40);
    while (run.Correlate(100000) > 0) {}
    const std::vector<int64_t> first = run.UnfilteredAccumulator();
    run.RestartKeepingRaw();
    EXPECT_EQ(run.RedRaw().SampleTotal(), 5000);
    while (run.Correlate(700) > 0) {}  // other slices, same sums
    EXPECT_EQ(run.UnfilteredAccumulator(), first);
}

// Five entries: a fifth push drops the oldest; an external snapshot goes
// behind the current result.
TEST(CorrelationHistory, FifthPushDropsTheOldestAndExternalGoesBehindTheCurrent) {
    CCorrelation run;
    for (int64_t marker = 1; marker <= 5; ++marker) {
        run.Accumulator(0).assign(3, marker);
        run.PushSnapshot();
    }
    EXPECT_EQ(run.ValidCount(), 5);
    for (int32_t i = 1; i <= 4; ++i) EXPECT_EQ(run.Accumulator(i)[0], 6 - i) << "entry " << i;
    CCorrelation other;
    other.Accumulator(0).assign(3, 9);
    other.PushSnapshot();                    // entry 1 = 9
    other.PushExternalSnapshot({7, 7, 7});   // entry 1 = 7, entry 2 = 9
    EXPECT_EQ(other.ValidCount(), 3);
    EXPECT_EQ(other.Accumulator(0)[0], 9);
    EXPECT_EQ(other.Accumulator(1)[0], 7);
    EXPECT_EQ(other.Accumulator(2)[0], 9);

    // A saved run that cannot be read is never taken as an empty snapshot.
    std::stringstream junk("not a run");
    EXPECT_FALSE(PushSavedRunAsSnapshot(other, &junk, other.Options()));
    EXPECT_FALSE(PushSavedRunAsSnapshot(other, nullptr, other.Options()));
    EXPECT_EQ(other.ValidCount(), 3);
    other.DropSnapshots();
    EXPECT_EQ(other.ValidCount(), 1);
}

TEST(CorrelationPlayback, FeedsFramesDividedBySixteenTowardZero) {
    const std::vector<int16_t> frames = {-17, 15, 33, -1, -32768, 32767};
    auto reader = std::make_unique<CWaveReader>();
    ASSERT_TRUE(reader->Open(std::make_unique<std::stringstream>(WavBytes(frames))));
    CCorrelation run;
    run.AttachRecording(std::move(reader));
    EXPECT_EQ(run.FeedFromWav(10), 3);
    auto read3 = [](CWave& w) {
        std::vector<int16_t> got(3);
        w.SetPos(0);
        w.ReadSamples(3, got.data());
        return got;
    };
    EXPECT_EQ(read3(run.RedRaw()), (std::vector<int16_t>{-1, 2, -2048}));
    EXPECT_EQ(read3(run.BlueRaw()), (std::vector<int16_t>{0, 0, 2047}));
}

TEST(CorrelationCopy, OneTraceRunFromTraceTwo) {
    CorrelationOptions three;
    three.multiFilter = true;
    CCorrelation source(500, 100, 250.0f, 1, 10000.0f, three), copy;
    FeedDelayed(source, 6000, 12);
    source.Correlate(500);
    copy.CopyTrace(source, 2);
    EXPECT_EQ(copy.TraceCount(), 1);
    EXPECT_EQ(copy.MaxLag(), source.MaxLag());
    EXPECT_EQ(copy.Accumulator(0), source.Accumulator(2));
    EXPECT_EQ(copy.Position(0), source.Position(2));
    EXPECT_EQ(copy.RedFiltered(0).SampleTotal(), 6000);
    EXPECT_EQ(copy.FilterDescription(), source.RedFilter(2).Description(10000.0f));
    FilterWords german;
    german.multiple = u"MEHRERE";  // a language pack's string 186
    EXPECT_EQ(source.FilterDescription(german), u"MEHRERE");
}
