// The band filter's block path against the textbook FIR (delay line shifted
// by one each sample, every tap multiplied) and against its own definition,
// single pushes on the doubled delay line, at the unit's lengths. Items are
// samples; at 10 kHz, filters per core = items per second / 10000.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "dsp/Filter.h"

namespace {

constexpr int32_t kBlock = 4096;

std::vector<int16_t> Noise12() {
    std::mt19937 gen(42);
    std::uniform_int_distribution<int> u(-2048, 2047);
    std::vector<int16_t> v(kBlock);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

CFilter BandPass(int32_t taps) {
    FilterBand band;
    band.lowCut = 0.02f;
    band.highCut = 0.15f;
    band.notchOn = true;
    band.notchLow = 0.049f;
    band.notchHigh = 0.051f;
    CFilter f;
    f.SetBand(band, fir::kBlackman, taps);
    return f;
}

void BM_FirBaseline(benchmark::State& state) {
    const int32_t length = static_cast<int32_t>(state.range(0));
    const CFilter designed = BandPass(length);
    const int32_t m = length / 2;
    std::vector<int32_t> h(static_cast<size_t>(length)), delay(static_cast<size_t>(length), 0);
    for (int32_t j = 0; j < length; ++j) h[j] = designed.FirTaps().half[static_cast<size_t>(std::abs(j - m))];
    const std::vector<int16_t> x = Noise12();
    std::vector<int16_t> y(kBlock);
    for (auto _ : state) {
        for (int32_t n = 0; n < kBlock; ++n) {
            std::copy_backward(delay.begin(), delay.end() - 1, delay.end());
            delay[0] = x[n];
            uint32_t acc = 0;
            for (int32_t j = 0; j < length; ++j) acc += static_cast<uint32_t>(h[j]) * static_cast<uint32_t>(delay[j]);
            y[n] = fir::Output(static_cast<int32_t>(acc));
        }
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_FirOurs(benchmark::State& state, const char* path) {
    if (!fir::SelectPath(path)) return state.SkipWithError("this CPU cannot run the path");
    state.SetLabel(fir::PathName());
    CFilter filter = BandPass(static_cast<int32_t>(state.range(0)));
    const std::vector<int16_t> x = Noise12();
    std::vector<int16_t> y(kBlock);
    for (auto _ : state) {
        filter.ExecuteBlock(x.data(), y.data(), kBlock);
        benchmark::DoNotOptimize(y.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    fir::SelectPath("");
}

}  // namespace

BENCHMARK(BM_FirBaseline)->Arg(89)->Arg(177);
BENCHMARK_CAPTURE(BM_FirOurs, single_pushes, "scalar")->Arg(89)->Arg(177);
BENCHMARK_CAPTURE(BM_FirOurs, blocks, "blocks")->Arg(89)->Arg(177);
BENCHMARK_CAPTURE(BM_FirOurs, avx2, "avx2")->Arg(89)->Arg(177);
BENCHMARK_CAPTURE(BM_FirOurs, best, "")->Arg(89)->Arg(177);

BENCHMARK_MAIN();
