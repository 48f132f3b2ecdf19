// The FFT library against the definition of the DFT (a naive double-precision
// sum written here), its round trips, the real pair's bin layout and the
// twiddle cache.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "dsp/DSPLib.h"

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

TEST(DSPLibSelfTest, Passes) { EXPECT_EQ(dsp::DSPLibSelfTest(), ""); }

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

// ---- Properties at the unit's sizes.

TEST(FftProperties, UnitImpulseGivesEveryBinOne) {
    std::vector<float> x(1026, 0.0f);
    x[0] = 1.0f;
    dsp::RealFftForward(x.data(), 1024);
    for (size_t k = 0; k <= 512; ++k) {
        ASSERT_EQ(x[2 * k], 1.0f) << k;
        ASSERT_EQ(x[2 * k + 1], 0.0f) << k;
    }
}

// The real pair's bin layout and conjugation carry a circular cross-
// correlation: a signal against its copy delayed by d peaks at lag d.
TEST(FftProperties, DelayedCopyPeaksAtItsDelayForBothSigns) {
    constexpr int kN = 4096;
    std::mt19937 gen(9);
    std::normal_distribution<float> noise;
    std::vector<float> a(kN);
    for (float& v : a) v = noise(gen);
    for (int delay : {37, -250}) {
        std::vector<float> fa(kN + 2), fb(kN + 2);
        for (int i = 0; i < kN; ++i) {
            fa[i] = a[i];
            fb[i] = a[((i - delay) % kN + kN) % kN];  // b[i] = a[i - delay]
        }
        dsp::RealFftForward(fa.data(), kN);
        dsp::RealFftForward(fb.data(), kN);
        for (int k = 0; k <= kN / 2; ++k) {  // B * conj(A)
            const std::complex<float> p =
                std::complex<float>(fb[2 * k], fb[2 * k + 1]) * std::conj(std::complex<float>(fa[2 * k], fa[2 * k + 1]));
            fb[2 * k] = p.real();
            fb[2 * k + 1] = p.imag();
        }
        dsp::RealFftInverse(fb.data(), kN);
        const int peak = static_cast<int>(std::max_element(fb.begin(), fb.begin() + kN) - fb.begin());
        EXPECT_EQ(peak, (delay + kN) % kN) << "delay " << delay;
    }
}

// ---- The twiddle cache (the tables themselves are checked by the oracle).

TEST(TwiddleCache, HoldsOneTablePerSizeReusesItAndRealTransformsKeepBothSizes) {
    dsp::TwiddleCache cache;
    std::vector<Complex> x(256);
    dsp::FftForward(x.data(), 128, cache);
    const Complex* first = cache.Table(128).data();
    dsp::FftForward(x.data(), 256, cache);
    dsp::FftInverse(x.data(), 128, cache);
    EXPECT_EQ(cache.Count(), 2u);
    EXPECT_EQ(cache.Table(128).data(), first);
    dsp::TwiddleCache real;
    std::vector<float> r(1026);
    dsp::RealFftForward(r.data(), 1024, real);
    dsp::RealFftInverse(r.data(), 1024, real);
    EXPECT_TRUE(real.Holds(1024));
    EXPECT_TRUE(real.Holds(512));
    EXPECT_EQ(real.Count(), 2u);
}

}  // namespace
