// The FFT library against the definition of the DFT (a naive double-precision
// sum written here), its round trips and the real pair's bin layout.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "dsp/DSPLib.h"
#include "dsp/FftVector.h"

namespace {

using dsp::Complex;
using Spectrum = std::vector<std::complex<double>>;

// X[k] = sum x[j] exp(-2 pi i jk / n), in double.
Spectrum NaiveDft(const std::vector<Complex>& x) {
    const size_t n = x.size();
    Spectrum out(n);
    for (size_t k = 0; k < n; ++k)
        for (size_t j = 0; j < n; ++j)
            out[k] += std::complex<double>(x[j].re, x[j].im) * std::polar(1.0, -2 * M_PI * double(j * k % n) / double(n));
    return out;
}

std::vector<Complex> RandomComplex(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<Complex> v(n);
    for (Complex& c : v) c = {u(gen), u(gen)};
    return v;
}

// Largest error relative to the spectrum's largest magnitude.
double WorstError(const std::vector<Complex>& got, const Spectrum& want) {
    double peak = 0, worst = 0;
    for (size_t k = 0; k < want.size(); ++k) {
        peak = std::max(peak, std::abs(want[k]));
        worst = std::max(worst, std::abs(std::complex<double>(got[k].re, got[k].im) - want[k]));
    }
    return worst / peak;
}

// ---- Every size against the definition.

class FftOracle : public ::testing::TestWithParam<int> {};

TEST_P(FftOracle, ComplexForwardMatchesTheDefinition) {
    const int n = GetParam();
    dsp::TwiddleCache cache;
    std::vector<Complex> x = RandomComplex(static_cast<size_t>(n), 7u + static_cast<unsigned>(n));
    const Spectrum want = NaiveDft(x);
    dsp::FftForward(x.data(), n, cache);
    EXPECT_LT(WorstError(x, want), 2e-6);
}

TEST_P(FftOracle, RealForwardMatchesTheDefinition) {
    const int n = GetParam();
    if (n < 4) GTEST_SKIP() << "real transforms start at 4 points";
    dsp::TwiddleCache cache;
    std::vector<Complex> asComplex = RandomComplex(static_cast<size_t>(n), 11u);
    std::vector<float> reals(static_cast<size_t>(n) + 2);
    for (int i = 0; i < n; ++i) {
        asComplex[i].im = 0;
        reals[i] = asComplex[i].re;
    }
    const Spectrum want = NaiveDft(asComplex);
    dsp::RealFftForward(reals.data(), n, cache);
    std::vector<Complex> bins(static_cast<size_t>(n / 2 + 1));
    for (size_t k = 0; k < bins.size(); ++k) bins[k] = {reals[2 * k], reals[2 * k + 1]};
    EXPECT_LT(WorstError(bins, Spectrum(want.begin(), want.begin() + n / 2 + 1)), 2e-6);
    EXPECT_EQ(reals[1], 0.0f);
    EXPECT_EQ(reals[static_cast<size_t>(n) + 1], 0.0f);
}

TEST_P(FftOracle, InverseUndoesForward) {
    const int n = GetParam();
    dsp::TwiddleCache cache;
    const std::vector<Complex> original = RandomComplex(static_cast<size_t>(n), 3u);
    std::vector<Complex> x = original;
    dsp::FftForward(x.data(), n, cache);
    dsp::FftInverse(x.data(), n, cache);
    for (int i = 0; i < n; ++i) {
        ASSERT_NEAR(x[i].re, original[i].re, 1e-5) << i;
        ASSERT_NEAR(x[i].im, original[i].im, 1e-5) << i;
    }
    if (n < 4) return;
    std::vector<float> reals(static_cast<size_t>(n) + 2);
    for (int i = 0; i < n; ++i) reals[i] = original[i].re;
    dsp::RealFftForward(reals.data(), n, cache);
    dsp::RealFftInverse(reals.data(), n, cache);
    for (int i = 0; i < n; ++i) ASSERT_NEAR(reals[i], original[i].re, 1e-5) << i;
}

INSTANTIATE_TEST_SUITE_P(Sizes, FftOracle, ::testing::Values(2, 4, 8, 16, 64, 512, 1024));

// ---- The vector butterflies against the one-at-a-time ones at the unit's
// sizes, beyond what the naive DFT can check quickly (on CPUs without them
// both runs take the same path).

// Largest difference relative to the largest magnitude.
double Apart(const float* x, const float* y, size_t count) {
    double peak = 0, worst = 0;
    for (size_t i = 0; i < count; ++i) {
        peak = std::max(peak, std::fabs(double{y[i]}));
        worst = std::max(worst, std::fabs(double{x[i]} - y[i]));
    }
    return worst / peak;
}

class VectorButterflies : public ::testing::TestWithParam<int> {};

TEST_P(VectorButterflies, AgreeWithThePlainOnesBothWays) {
    const int n = GetParam();
    dsp::TwiddleCache cache;
    const Complex* w = cache.Table(n).data();
    const Complex* spans = cache.SpanTable(n).data();
    for (bool inverse : {false, true}) {
        auto fast = RandomComplex(static_cast<size_t>(n), 5), plain = fast;
        dsp::FftKernel(fast.data(), n, w, inverse, spans);
        dsp::FftKernel(plain.data(), n, w, inverse);
        EXPECT_LT(Apart(&fast[0].re, &plain[0].re, 2 * plain.size()), 2e-6) << "inverse " << inverse;
    }
    // The real pair of size 2n runs the complex transform of size n.
    const Complex* w2 = cache.Table(2 * n).data();
    std::vector<float> fast(2 * n + 2), plain;
    std::mt19937 gen(6);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < 2 * n; ++i) fast[i] = u(gen);
    plain = fast;
    dsp::RealForwardKernel(fast.data(), 2 * n, w2, w, spans);
    dsp::RealForwardKernel(plain.data(), 2 * n, w2, w);
    EXPECT_LT(Apart(fast.data(), plain.data(), plain.size()), 2e-6);
    dsp::RealInverseKernel(fast.data(), 2 * n, w2, w, spans);
    dsp::RealInverseKernel(plain.data(), 2 * n, w2, w);
    EXPECT_LT(Apart(fast.data(), plain.data(), plain.size()), 2e-6);
}

// 8 and 16: one span alone and one pair; 2048: an odd count of spans from 8;
// 4096 and 32768: the correlation's sizes (8192 and 65536 real).
INSTANTIATE_TEST_SUITE_P(Sizes, VectorButterflies, ::testing::Values(8, 16, 2048, 4096, 32768));

// ---- The real pair in any order: where the vector butterflies reorder, slot
// p holds the natural pair's bin rev(p) (bins 0 and n/2 where they were),
// elsewhere every bin stays; either way the inverse takes it back.

uint32_t ReversedBits(uint32_t v, int bits) {
    uint32_t r = 0;
    for (int b = 0; b < bits; ++b) r |= ((v >> b) & 1u) << (bits - 1 - b);
    return r;
}

class AnyOrderPair : public ::testing::TestWithParam<int> {};

TEST_P(AnyOrderPair, HoldsTheNaturalBinsInItsOrderAndInvertsThem) {
    const int n = GetParam(), h = n / 2;
    std::vector<float> x(static_cast<size_t>(n) + 2, 0.0f);
    std::mt19937 gen(static_cast<unsigned>(n));
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < n; ++i) x[static_cast<size_t>(i)] = u(gen);
    std::vector<float> natural = x, any = x;
    dsp::RealFftForward(natural.data(), n);
    dsp::RealFftForwardAnyOrder(any.data(), n);
    const bool reorders = dsp::vec::ScramblesAt(h);
    std::vector<float> expected(natural.size());
    for (int p = 0; p <= h; ++p) {
        const int bin = p == h || !reorders ? p : static_cast<int>(ReversedBits(static_cast<uint32_t>(p), __builtin_ctz(h)));
        expected[2 * static_cast<size_t>(p)] = natural[2 * static_cast<size_t>(bin)];
        expected[2 * static_cast<size_t>(p) + 1] = natural[2 * static_cast<size_t>(bin) + 1];
    }
    EXPECT_LT(Apart(any.data(), expected.data(), expected.size()), 2e-6) << "reordered " << reorders;
    dsp::RealFftInverseAnyOrder(any.data(), n);
    for (int i = 0; i < n; ++i) ASSERT_NEAR(any[static_cast<size_t>(i)], x[static_cast<size_t>(i)], 1e-5) << i;
}

// 16: too small to reorder; 128 and 256: the smallest reordered sizes, with
// an even and an odd count of spans; 8192 and 65536: the correlation's.
INSTANTIATE_TEST_SUITE_P(Sizes, AnyOrderPair, ::testing::Values(16, 128, 256, 8192, 65536));

}  // namespace
