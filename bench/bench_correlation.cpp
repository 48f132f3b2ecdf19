// The correlation engines against two baselines at the unit's lag windows
// (L = 1088: 100 ms at 10 kHz; L = 20088: 2 s): the naive scalar loop, and
// the fastest plain int16 multiply-accumulate kernel this machine runs (one
// dot product per lag, four lags sharing each load of the Blue samples, 32-bit
// lanes, no partial-sum blocks). Items are samples correlated over all 2L + 1
// lags, so items per second read directly as the engines' capacity; a run
// needs 10000 per second.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "dsp/CorrelationKernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define BENCH_X86 1
#endif

namespace {

constexpr int32_t kBlock = 6016;  // samples per direct call, one FFT block at L = 1088

std::vector<int16_t> Noise12(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> u(-2048, 2047);
    std::vector<int16_t> v(n);
    for (int16_t& x : v) x = static_cast<int16_t>(u(gen));
    return v;
}

struct Inputs {
    int32_t lags, lagCount;
    std::vector<int16_t> red, blue;
    std::vector<int64_t> acc;
    explicit Inputs(int32_t l, int32_t n)
        : lags(l), lagCount(2 * l + 1), red(Noise12(static_cast<size_t>(n + 2 * l), 1)),
          blue(Noise12(static_cast<size_t>(n), 2)), acc(static_cast<size_t>(2 * l + 1), 0) {}
};

// (a) The definition as one would first write it.
void NaiveLoop(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    for (int32_t j = 0; j < lagCount; ++j) {
        int64_t sum = 0;
        for (int32_t i = 0; i < n; ++i) sum += int64_t{b[i]} * a[j + i];
        c[j] += sum;
    }
}

using MacFn = void (*)(const int16_t*, const int16_t*, int32_t, int32_t, int64_t*);

void PlainMacScalar(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    for (int32_t j = 0; j < lagCount; ++j) {
        int32_t sum = 0;
        for (int32_t i = 0; i < n; ++i) sum += b[i] * a[j + i];
        c[j] += sum;
    }
}

#ifdef BENCH_X86
__attribute__((target("avx512f,avx512bw,avx512vnni"))) int32_t Reduce512(__m512i v) {
    alignas(64) int32_t lanes[16];
    _mm512_store_si512(lanes, v);
    int32_t s = 0;
    for (int32_t x : lanes) s += x;
    return s;
}

// (b) Four lags at a time; n is a multiple of 32 in every call here.
__attribute__((target("avx512f,avx512bw,avx512vnni"))) void PlainMacAvx512(
    const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    int32_t j = 0;
    for (; j + 4 <= lagCount; j += 4) {
        __m512i s0 = _mm512_setzero_si512(), s1 = s0, s2 = s0, s3 = s0;
        for (int32_t i = 0; i < n; i += 32) {
            const __m512i bb = _mm512_loadu_si512(b + i);
            s0 = _mm512_dpwssd_epi32(s0, _mm512_loadu_si512(a + j + i), bb);
            s1 = _mm512_dpwssd_epi32(s1, _mm512_loadu_si512(a + j + 1 + i), bb);
            s2 = _mm512_dpwssd_epi32(s2, _mm512_loadu_si512(a + j + 2 + i), bb);
            s3 = _mm512_dpwssd_epi32(s3, _mm512_loadu_si512(a + j + 3 + i), bb);
        }
        c[j] += Reduce512(s0), c[j + 1] += Reduce512(s1), c[j + 2] += Reduce512(s2), c[j + 3] += Reduce512(s3);
    }
    PlainMacScalar(a + j, b, n, lagCount - j, c + j);
}

__attribute__((target("avx2"))) int32_t Reduce256(__m256i v) {
    alignas(32) int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    int32_t s = 0;
    for (int32_t x : lanes) s += x;
    return s;
}

__attribute__((target("avx2"))) inline __m256i Load256(const int16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) void PlainMacAvx2(const int16_t* a, const int16_t* b, int32_t n,
                                                  int32_t lagCount, int64_t* c) {
    int32_t j = 0;
    for (; j + 4 <= lagCount; j += 4) {
        __m256i s0 = _mm256_setzero_si256(), s1 = s0, s2 = s0, s3 = s0;
        for (int32_t i = 0; i < n; i += 16) {
            const __m256i bb = Load256(b + i);
            s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(Load256(a + j + i), bb));
            s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(Load256(a + j + 1 + i), bb));
            s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(Load256(a + j + 2 + i), bb));
            s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(Load256(a + j + 3 + i), bb));
        }
        c[j] += Reduce256(s0), c[j + 1] += Reduce256(s1), c[j + 2] += Reduce256(s2), c[j + 3] += Reduce256(s3);
    }
    PlainMacScalar(a + j, b, n, lagCount - j, c + j);
}
#endif

MacFn BestPlainMac() {
#ifdef BENCH_X86
    if (__builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("avx512bw")) return PlainMacAvx512;
    if (__builtin_cpu_supports("avx2")) return PlainMacAvx2;
#endif
    return PlainMacScalar;
}

void BM_NaiveScalar(benchmark::State& state) {
    Inputs in(static_cast<int32_t>(state.range(0)), kBlock);
    for (auto _ : state) {
        NaiveLoop(in.red.data(), in.blue.data(), kBlock, in.lagCount, in.acc.data());
        benchmark::DoNotOptimize(in.acc.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_PlainMac(benchmark::State& state) {
    Inputs in(static_cast<int32_t>(state.range(0)), kBlock);
    const MacFn mac = BestPlainMac();
    for (auto _ : state) {
        mac(in.red.data(), in.blue.data(), kBlock, in.lagCount, in.acc.data());
        benchmark::DoNotOptimize(in.acc.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

// One direct kernel by name; the best is what the program runs.
void DirectKernel(benchmark::State& state, const char* kernel) {
    if (!corr::DirectEngine::SelectKernel(kernel)) {
        state.SkipWithError("this CPU cannot run the kernel");
        return;
    }
    Inputs in(static_cast<int32_t>(state.range(0)), kBlock);
    corr::DirectEngine engine;
    engine.Reserve(kBlock, in.lagCount);
    for (auto _ : state) {
        engine.Accumulate(in.red.data(), in.blue.data(), kBlock, in.lagCount, in.acc.data());
        benchmark::DoNotOptimize(in.acc.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.SetLabel(corr::DirectEngine::KernelName());
    corr::DirectEngine::SelectKernel("");
}

void BM_DirectEngine(benchmark::State& state) { DirectKernel(state, ""); }
void BM_DirectAvx2(benchmark::State& state) { DirectKernel(state, "avx2"); }
void BM_DirectSse2(benchmark::State& state) { DirectKernel(state, "sse2"); }
void BM_DirectScalar(benchmark::State& state) { DirectKernel(state, "scalar"); }

void BM_FftEngine(benchmark::State& state) {
    const int32_t lags = static_cast<int32_t>(state.range(0));
    const int32_t size = corr::FftSizeForLag(lags), fresh = size - 2 * lags;
    const auto red = Noise12(static_cast<size_t>(size), 1), blue = Noise12(static_cast<size_t>(fresh), 2);
    std::vector<float> a(static_cast<size_t>(size) + 2), b(static_cast<size_t>(size) + 2);
    std::vector<int64_t> acc(static_cast<size_t>(2 * lags + 1), 0);
    for (auto _ : state) {
        corr::FftBlock(red.data(), blue.data(), lags, size, a.data(), b.data(), acc.data());
        benchmark::DoNotOptimize(acc.data());
    }
    state.SetItemsProcessed(state.iterations() * fresh);
}

}  // namespace

BENCHMARK(BM_NaiveScalar)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainMac)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectSse2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectScalar)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FftEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
