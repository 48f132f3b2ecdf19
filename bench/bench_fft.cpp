// The FFT library against a straightforward recursive radix-2 transform
// (std::complex, temporaries per level, twiddles computed on the way), over
// the unit's sizes. Items are points transformed, so the rates read as a ratio.
//
// The FFT engine's overlap-save block against the same block on a mature FFT
// library (single precision, patiently planned), at the unit's lag windows
// L = 1088 and L = 20088. Items are samples correlated over all 2L + 1 lags.
// The library is linked into the benchmarks only. A summary after the runs
// gives the engine's share of the library's block.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <complex>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "bench/FftwBlock.h"
#include "dsp/CorrelationKernel.h"
#include "dsp/DSPLib.h"
#include "dsp/FftVector.h"

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
    state.SetLabel(dsp::vec::Name());
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
    state.SetLabel(dsp::vec::Name());
}

std::vector<int16_t> Noise12(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> u(-2048, 2047);
    std::vector<int16_t> v(n);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

struct Block {
    int32_t lags, size, fresh;
    std::vector<int16_t> red, blue;
    std::vector<int64_t> acc;
    explicit Block(int64_t l)
        : lags(static_cast<int32_t>(l)), size(corr::FftSizeForLag(lags)), fresh(size - 2 * lags),
          red(Noise12(static_cast<size_t>(size), 1)), blue(Noise12(static_cast<size_t>(fresh), 2)),
          acc(static_cast<size_t>(2 * lags + 1), 0) {}
};

void BM_FftEngineBlock(benchmark::State& state) {
    Block in(state.range(0));
    std::vector<float> a(static_cast<size_t>(in.size) + 2), b(a.size());
    for (auto _ : state) {
        corr::FftBlock(in.red.data(), in.blue.data(), in.lags, in.size, a.data(), b.data(), in.acc.data());
        benchmark::DoNotOptimize(in.acc.data());
    }
    state.SetItemsProcessed(state.iterations() * in.fresh);
}

#ifdef BENCH_HAVE_FFTW
void BM_FftwBlock(benchmark::State& state) {
    Block in(state.range(0));
    FftwBlock fftw(in.size);
    for (auto _ : state) {
        fftw.Run(in.red.data(), in.blue.data(), in.lags, in.acc.data());
        benchmark::DoNotOptimize(in.acc.data());
    }
    state.SetItemsProcessed(state.iterations() * in.fresh);
}
#endif

// After the runs: the engine's block against the library's at each lag
// window, and which butterflies ran.
void PrintSummary(const RateReporter& rates) {
    std::printf("\nFFT engine block (%s butterflies) against the FFT library's block, samples per second\n",
                dsp::vec::Available() ? "avx2-fma" : "scalar");
    for (const char* lags : {"1088", "20088"}) {
        const double ours = rates.Rate(std::string("BM_FftEngineBlock/") + lags);
        const double fftw = rates.Rate(std::string("BM_FftwBlock/") + lags);
        std::printf("L = %s: engine %.3g, library %.3g, %s of the library\n", lags, ours, fftw,
                    Ratio(ours, fftw).c_str());
    }
}

}  // namespace

BENCHMARK(BM_FftEngineBlock)->Arg(1088)->Arg(20088)->Unit(benchmark::kMicrosecond);
#ifdef BENCH_HAVE_FFTW
BENCHMARK(BM_FftwBlock)->Arg(1088)->Arg(20088)->Unit(benchmark::kMicrosecond);
#endif
BENCHMARK(BM_RealFftBaseline)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_RealFftOurs)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_ComplexFftBaseline)->Arg(1024)->Arg(4096)->Arg(8192);
BENCHMARK(BM_ComplexFftOurs)->Arg(1024)->Arg(4096)->Arg(8192);

int main(int argc, char** argv) {
    RateReporter reporter;
    if (!RunBenchmarks(argc, argv, reporter)) return 1;
    PrintSummary(reporter);
    return 0;
}
