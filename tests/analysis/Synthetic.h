#pragma once
// Test signals with a known truth: white noise and its copy delayed by any
// fraction of a sample (a phase ramp over the whole, circular, record).

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/DSPLib.h"

constexpr double kRate = 10000;  // samples per second of the synthetic pairs

namespace synthetic {

inline std::vector<float> Noise(int32_t n, uint32_t seed, double rms = 0.1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, rms);
    std::vector<float> x(static_cast<size_t>(n));
    for (float& v : x) v = static_cast<float>(g(rng));
    return x;
}

// x (length a power of two) delayed circularly by d samples.
inline std::vector<float> Delayed(const std::vector<float>& x, double d) {
    const auto n = static_cast<int32_t>(x.size());
    std::vector<float> b(x.begin(), x.end());
    b.resize(static_cast<size_t>(n) + 2);
    dsp::RealFftForward(b.data(), n);
    for (int32_t k = 0; k <= n / 2; ++k) {
        const std::complex<double> z(b[2 * k], b[2 * k + 1]);
        const std::complex<double> shifted = z * std::polar(1.0, -2 * std::numbers::pi * k * d / n);
        b[2 * k] = static_cast<float>(shifted.real());
        b[2 * k + 1] = k == n / 2 ? 0.0f : static_cast<float>(shifted.imag());
    }
    dsp::RealFftInverse(b.data(), n);
    b.resize(static_cast<size_t>(n));
    return b;
}

inline void Add(std::vector<float>& to, const std::vector<float>& x, double gain = 1.0) {
    for (size_t i = 0; i < to.size(); ++i) to[i] += static_cast<float>(gain * x[i]);
}

}  // namespace synthetic
