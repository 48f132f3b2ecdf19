// The FFT library against a straightforward recursive radix-2 transform
// (std::complex, temporaries per level, twiddles computed on the way), over
// the unit's sizes. Items are points transformed, so the rates read as a ratio.

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "dsp/DSPLib.h"

namespace {

using Cf = std::complex<float>;

void RecursiveFft(std::vector<Cf>& x) {
    const size_t n = x.size();
    if (n < 2) return;
    std::vector<Cf> even(n / 2), odd(n / 2);
    for (size_t i = 0; i < n / 2; ++i) {
        even[i] = x[2 * i];
        odd[i] = x[2 * i + 1];
    }
    RecursiveFft(even);
    RecursiveFft(odd);
    for (size_t k = 0; k < n / 2; ++k) {
        const Cf t = std::polar(1.0f, -2.0f * float(M_PI) * float(k) / float(n)) * odd[k];
        x[k] = even[k] + t;
        x[k + n / 2] = even[k] - t;
    }
}

std::vector<float> Signal(int64_t n) {
    std::mt19937 gen(42);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> v(static_cast<size_t>(n));
    for (float& x : v) x = u(gen);
    return v;
}

// Baseline for the real transform: the real samples as a complex sequence.
void BM_RealFftBaseline(benchmark::State& state) {
    const std::vector<float> signal = Signal(state.range(0));
    std::vector<Cf> x(signal.size());
    for (auto _ : state) {
        for (size_t i = 0; i < signal.size(); ++i) x[i] = {signal[i], 0.0f};
        RecursiveFft(x);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RealFftOurs(benchmark::State& state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const std::vector<float> signal = Signal(n);
    std::vector<float> x(static_cast<size_t>(n) + 2);
    dsp::RealFftForward(x.data(), n);  // tables built outside the timing
    for (auto _ : state) {
        std::copy(signal.begin(), signal.end(), x.begin());
        dsp::RealFftForward(x.data(), n);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_ComplexFftBaseline(benchmark::State& state) {
    const std::vector<float> signal = Signal(2 * state.range(0));
    std::vector<Cf> x(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (size_t i = 0; i < x.size(); ++i) x[i] = {signal[2 * i], signal[2 * i + 1]};
        RecursiveFft(x);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ComplexFftOurs(benchmark::State& state) {
    const int32_t n = static_cast<int32_t>(state.range(0));
    const std::vector<float> signal = Signal(2 * n);
    std::vector<dsp::Complex> x(static_cast<size_t>(n));
    dsp::FftForward(x.data(), n);
    for (auto _ : state) {
        for (size_t i = 0; i < x.size(); ++i) x[i] = {signal[2 * i], signal[2 * i + 1]};
        dsp::FftForward(x.data(), n);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_RealFftBaseline)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_RealFftOurs)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_ComplexFftBaseline)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_ComplexFftOurs)->Arg(1024)->Arg(4096)->Arg(8192);

BENCHMARK_MAIN();
