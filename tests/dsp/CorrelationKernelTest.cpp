// The correlation engines' inner loops against the plain definition.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "dsp/CorrelationKernel.h"
#include "dsp/FftVector.h"

namespace {

std::vector<int16_t> Random(size_t n, int lo, int hi, uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> u(lo, hi);
    std::vector<int16_t> v(n);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

std::vector<int16_t> Random12(size_t n, uint32_t seed) { return Random(n, -2048, 2047, seed); }

// c[j] = sum of b[i] a[j + i], exact in 64 bits.
std::vector<int64_t> TripleLoop(const std::vector<int16_t>& a, const std::vector<int16_t>& b, int32_t n,
                                int32_t lagCount) {
    std::vector<int64_t> c(static_cast<size_t>(lagCount), 0);
    for (int32_t j = 0; j < lagCount; ++j)
        for (int32_t i = 0; i < n; ++i) c[j] += int64_t{b[i]} * a[j + i];
    return c;
}

// Runs the direct block with one chosen kernel, then restores the best.
std::vector<int64_t> WithKernel(const std::string& kernel, const std::vector<int16_t>& a,
                                const std::vector<int16_t>& b, int32_t n, int32_t lagCount, int64_t start) {
    EXPECT_TRUE(corr::DirectEngine::SelectKernel(kernel));
    std::vector<int64_t> c(static_cast<size_t>(lagCount), start);
    corr::DirectEngine engine;
    engine.Reserve(n, lagCount);
    engine.Accumulate(a.data(), b.data(), n, lagCount, c.data());
    corr::DirectEngine::SelectKernel("");
    return c;
}

}  // namespace

// The best kernel runs, the definition is always there to choose, and on
// 64-bit ARM the best, and the FFT's butterflies, are NEON. Prints the
// kernels for the build's log.
TEST(DirectKernels, TheBestRunsAndTheDefinitionIsAlwaysThere) {
    const auto kernels = corr::DirectEngine::AvailableKernels();
    std::string names;
    for (const std::string& k : kernels) names += ' ' + k;
    std::cout << "[ kernels  ] direct:" << names << "; runs " << corr::DirectEngine::KernelName()
              << "; FFT butterflies " << dsp::vec::Name() << '\n';
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels.front(), corr::DirectEngine::KernelName());
    EXPECT_EQ(kernels.back(), "scalar");
#if defined(__aarch64__)
    EXPECT_EQ(kernels.front(), "neon");
    EXPECT_STREQ(dsp::vec::Name(), "neon");
#endif
}

// The fast direct block equals the plain triple loop on 12-bit samples, for
// counts that end inside every size of partial-sum block (and two 511-blocks,
// the second starting at an odd product) and lag counts below, at and just
// past one register and one tile of registers of every kernel (4, 8 and 16
// lags per register; tiles of 32, 48 and 64 lags).
class DirectOracle : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {};

TEST_P(DirectOracle, MatchesTripleLoopAtEveryLag) {
    const auto [n, lagCount] = GetParam();
    const auto a = Random12(static_cast<size_t>(n + lagCount - 1), 11);
    const auto b = Random12(static_cast<size_t>(n), 12);
    const auto expected = TripleLoop(a, b, n, lagCount);
    for (const std::string& kernel : corr::DirectEngine::AvailableKernels()) {
        const auto c = WithKernel(kernel, a, b, n, lagCount, 5);  // adds onto what is there
        for (int32_t j = 0; j < lagCount; ++j) ASSERT_EQ(c[j], expected[j] + 5) << kernel << " lag index " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(BlocksAndTiles, DirectOracle,
                         ::testing::Combine(::testing::Values(1, 2, 15, 17, 511, 512, 1000, 1022, 1533, 2047),
                                            ::testing::Values(1, 9, 47, 48, 65, 177, 2177)));

// Samples beyond 12 bits overflow the 32-bit partial sums; every kernel must
// wrap exactly where the definition does, so results never depend on the CPU.
TEST(DirectWrapping, FullRangeSamplesMatchTheBlockedDefinition) {
    const int32_t n = 511 * 2 + 256 + 64 + 16 + 5, lagCount = 131;
    auto a = Random(static_cast<size_t>(n + lagCount - 1), -32768, 32767, 3);
    auto b = Random(static_cast<size_t>(n), -32768, 32767, 4);
    for (int32_t i = 0; i < 600; ++i) a[i] = b[i] = -32768;  // the largest products
    std::vector<int64_t> expected(lagCount, 0);
    corr::DirectBlockScalar(a.data(), b.data(), n, lagCount, expected.data());
    // Shows that the partial sums do wrap here, so the check has teeth.
    ASSERT_NE(expected, TripleLoop(a, b, n, lagCount));
    for (const std::string& kernel : corr::DirectEngine::AvailableKernels())
        EXPECT_EQ(WithKernel(kernel, a, b, n, lagCount, 0), expected) << kernel;
}

// A short block after a long one: the work area is not re-read stale.
TEST(DirectWrapping, ShorterBlockAfterLongerGivesTheSameSums) {
    corr::DirectEngine engine;
    engine.Reserve(4000, 177);
    const auto a1 = Random12(4000 + 176, 5), b1 = Random12(4000, 6);
    std::vector<int64_t> scratch(177, 0);
    engine.Accumulate(a1.data(), b1.data(), 4000, 177, scratch.data());
    const auto a = Random12(20 + 176, 7), b = Random12(20, 8);
    std::vector<int64_t> c(177, 0);
    engine.Accumulate(a.data(), b.data(), 20, 177, c.data());
    EXPECT_EQ(c, TripleLoop(a, b, 20, 177));
}

// Blocks shared among threads give every lag the definition's sum, wrapping
// included: one block and several, ragged last slices, and counts changed
// between calls (as many as the machine has cores).
TEST(DirectTeam, SharedBlocksEqualTheDefinitionForAnyThreadCount) {
    const int32_t n = 2100, lagCount = 8011;  // n lagCount is just over the shared minimum
    ASSERT_GE(int64_t{n} * lagCount, corr::DirectTeam::kSharedProducts);
    std::vector<std::vector<int16_t>> a, b;
    std::vector<std::vector<int64_t>> expected;
    for (uint32_t k = 0; k < 3; ++k) {
        a.push_back(Random(static_cast<size_t>(n + lagCount - 1), -32768, 32767, 20 + k));
        b.push_back(Random(static_cast<size_t>(n), -32768, 32767, 30 + k));
        std::fill_n(a[k].begin(), 700, int16_t{-32768});  // partial sums that wrap
        expected.emplace_back(static_cast<size_t>(lagCount), 5 - int64_t{k});
        corr::DirectBlockScalar(a[k].data(), b[k].data(), n, lagCount, expected[k].data());
    }
    corr::DirectTeam team;
    for (int32_t threads : {2, 3, 1, 2}) {
        team.SetThreads(threads);
        for (size_t blocks : {size_t{1}, size_t{3}}) {
            std::vector<std::vector<int64_t>> c;
            std::vector<corr::DirectTeam::Block> shared;
            for (size_t k = 0; k < blocks; ++k) {
                c.emplace_back(static_cast<size_t>(lagCount), 5 - static_cast<int64_t>(k));
                c[k].resize(c[k].size() + 128, 99);  // beyond the lags: never written
                shared.push_back({a[k].data(), b[k].data(), c[k].data()});
            }
            team.Accumulate(shared, n, lagCount);
            for (size_t k = 0; k < blocks; ++k) {
                auto lags = expected[k];
                lags.resize(lags.size() + 128, 99);
                EXPECT_EQ(c[k], lags) << threads << ' ' << blocks << ' ' << k;
            }
        }
    }
}

// The same at every transform size the program uses (L from 88 to 200088):
// the least and the greatest L of each size, so the fewest and the most new
// samples per block. A correlated pair makes sums up to millions of counts.
// The oracle runs at the 100 lags nearest each end and zero and at every
// 997th lag between, which keeps the test short at the largest sizes.
class FftBlockSizes : public ::testing::TestWithParam<int32_t> {};

TEST_P(FftBlockSizes, EqualsDirectSumsOver65536WithinOneCount) {
    const int32_t lags = GetParam(), size = corr::FftSizeForLag(lags), fresh = size - 2 * lags;
    const auto red = Random12(static_cast<size_t>(size), 31);
    auto blue = Random12(static_cast<size_t>(fresh), 32);
    for (int32_t i = 0; i < fresh; ++i) blue[i] = static_cast<int16_t>(red[lags + 40 + i] / 2 + blue[i] / 2);
    std::vector<float> a(size + 2), b(size + 2);
    std::vector<int64_t> fft(2 * lags + 1, 0);
    corr::FftBlock(red.data(), blue.data(), lags, size, a.data(), b.data(), fft.data());
    const auto near = [lags](int32_t j) { return j < 100 || j > 2 * lags - 100 || std::abs(j - lags) < 100; };
    for (int32_t j = 0; j <= 2 * lags; j += near(j) ? 1 : 997) {
        int64_t sum = 0;
        for (int32_t i = 0; i < fresh; ++i) sum += int64_t{blue[i]} * red[j + i];
        ASSERT_NEAR(static_cast<double>(fft[j]), std::floor(sum / 65536.0 + 0.5), 1.0) << "lag " << j - lags;
    }
}

INSTANTIATE_TEST_SUITE_P(LeastAndGreatestLagOfEachSize, FftBlockSizes,
                         ::testing::Values(88, 1595, 1596, 5691, 5692, 13883, 13884, 30267, 30268, 63035, 63036,
                                           128571, 128572, 200088));

// Full-scale 16-bit samples at the most new samples per block give scaled
// sums beyond 32 bits; they must arrive whole, not wrapped or clipped.
TEST(FftBlock, ScaledSumsBeyond32BitsArriveWhole) {
    const int32_t lags = 128572, size = corr::FftSizeForLag(lags), fresh = size - 2 * lags;
    const std::vector<int16_t> red(static_cast<size_t>(size), 32767), blue(static_cast<size_t>(fresh), -32767);
    std::vector<float> a(size + 2), b(size + 2);
    std::vector<int64_t> fft(2 * lags + 1, 0);
    corr::FftBlock(red.data(), blue.data(), lags, size, a.data(), b.data(), fft.data());
    const double expected = -32767.0 * 32767.0 * fresh / 65536.0;  // every lag sees the same sum
    ASSERT_LT(expected, -4e9);
    for (int32_t j : {0, lags - 1, lags, lags + 1, 2 * lags})
        EXPECT_NEAR(static_cast<double>(fft[j]), expected, 1e-5 * -expected) << "lag " << j - lags;
}

// Every lag's sum scaled by 2^-16 is rounded to the nearest count, halves
// up, on every path. Small samples keep the transforms' error far below the
// distance of any checked sum from a half, so the check can be exact.
TEST(FftBlock, RoundsEverySumToTheNearestCount) {
    const int32_t lags = 88, size = corr::FftSizeForLag(lags), fresh = size - 2 * lags;
    const auto red = Random(static_cast<size_t>(size), -60, 60, 41);
    const auto blue = Random(static_cast<size_t>(fresh), -60, 60, 42);
    std::vector<float> a(size + 2), b(size + 2);
    std::vector<int64_t> fft(2 * lags + 1, 0);
    corr::FftBlock(red.data(), blue.data(), lags, size, a.data(), b.data(), fft.data());
    int32_t checked = 0;
    for (int32_t j = 0; j <= 2 * lags; ++j) {
        int64_t sum = 0;
        for (int32_t i = 0; i < fresh; ++i) sum += int64_t{blue[i]} * red[j + i];
        const double scaled = sum / 65536.0;
        if (std::abs(scaled - std::floor(scaled) - 0.5) < 0.05) continue;
        ++checked;
        ASSERT_EQ(fft[j], static_cast<int64_t>(std::floor(scaled + 0.5))) << "lag " << j - lags;
    }
    EXPECT_GT(checked, lags);
}

TEST(FftBlock, SizeKeepsTheMarginBeyondTheLags) {
    EXPECT_EQ(corr::FftSizeForLag(1595), 8192);   // 2 (1595 + 2500) = 8190
    EXPECT_EQ(corr::FftSizeForLag(1596), 16384);  // 8192 would leave no room
    EXPECT_EQ(corr::FftSizeForLag(20088), 65536);
}
