// The AVX-512 VNNI direct kernels, their own lanes and loops, run over a
// portable model of the instructions they use, so that every machine checks
// them bit for bit against the definition; a CPU with AVX-512 VNNI also runs
// the kernels themselves through DirectEngine (CorrelationKernelTest.cpp).
// Built alone, outside unity builds: the model's names stand in for the
// compiler's own instruction names in this file only.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "dsp/DirectBlocks.h"

#ifdef CORR_HAVE_SIMDE
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/avx512.h>

namespace vnni {
using namespace corr::direct;
using corr::kPartialProducts;

// Missing from the model: vpmovsxdq under a mask, as the instruction set
// reference defines it (lanes whose mask bit is clear are zero).
inline simde__m512i _mm512_maskz_cvtepi32_epi64(simde__mmask8 k, simde__m256i a) {
    alignas(32) int32_t in[8];
    simde_mm256_store_si256(reinterpret_cast<simde__m256i*>(in), a);
    alignas(64) int64_t out[8];
    for (int i = 0; i < 8; ++i) out[i] = (k >> i) & 1 ? int64_t{in[i]} : 0;
    return simde_mm512_load_si512(out);
}

inline simde__m512i InPlace(simde__m512i v) noexcept { return v; }  // a hint to the compiler alone

#include "dsp/DirectOpsAvx512.h"
#include "dsp/DirectSlide.h"
#include "dsp/DirectSweep.h"
}  // namespace vnni
#endif

namespace {

using namespace corr::direct;

std::vector<int16_t> Random(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> u(-32768, 32767);
    std::vector<int16_t> v(n);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

// Sliding: tiles of 8 registers of 16 lags, then registers, then a part of
// one; sweeping: tiles of 12 registers by windows of 16 Blue pairs. Blocks of
// every partial-sum length, odd and even, and partial sums that wrap.
TEST(DirectAvx512, SlidingAndSweepingTilesMatchTheDefinition) {
#ifndef CORR_HAVE_SIMDE
    GTEST_SKIP() << "no portable model of AVX-512 (libsimde-dev) in this build";
#else
    const int32_t shapes[][2] = {{1, 1}, {2, 17}, {33, 129}, {511 + 256 + 17, 2 * 192 + 35}, {1533, 128}};
    uint32_t seed = 13;
    for (const auto& [n, lagCount] : shapes) {
        auto a = Random(static_cast<size_t>(n + lagCount - 1), seed++);
        const auto b = Random(static_cast<size_t>(n), seed++);
        std::fill(a.begin(), a.begin() + std::min<size_t>(a.size(), 300), int16_t{-32768});
        const int32_t count = n + lagCount - 1;
        std::vector<int16_t> pairs(2 * static_cast<size_t>(count + lagCount + kLagPad + kSweepPad + 1), 0);
        BuildPairs(a.data(), count, pairs.data(), pairs.data() + pairs.size());
        std::vector<int32_t> part(static_cast<size_t>(lagCount + kLagPad));
        std::vector<int64_t> expected(static_cast<size_t>(lagCount), 7), slid = expected, swept = expected;
        corr::DirectBlockScalar(a.data(), b.data(), n, lagCount, expected.data());
        vnni::SlideKernel<8>(pairs.data(), b.data(), n, lagCount, slid.data());
        vnni::SweepKernel<12, 16>(pairs.data(), b.data(), n, lagCount, swept.data(), part.data());
        EXPECT_EQ(slid, expected) << "n " << n << ", lags " << lagCount;
        EXPECT_EQ(swept, expected) << "n " << n << ", lags " << lagCount;
    }
#endif
}

}  // namespace
