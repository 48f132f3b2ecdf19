// The correlation engines against three baselines at the unit's lag windows
// (L = 1088: 100 ms at 10 kHz; L = 20088: 2 s): the naive scalar loop; the
// fastest plain int16 multiply-accumulate kernel this machine runs (one dot
// product per lag, four lags sharing each load of the Blue samples, 32-bit
// lanes, no partial-sum blocks); and the limit for this work, a
// register-blocked kernel (a block of lags in 32-bit lanes of vector
// registers while Blue slides past, each Red vector loaded once per block,
// 16-bit pairs multiplied and added by one instruction where the CPU has it,
// no partial-sum blocks). Items are samples correlated over all 2L + 1 lags,
// so items per second read directly as the engines' capacity; a run needs
// 10000 per second.

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

// (c) The register-blocked limit. Lanes are lags: lane l of register t holds
// lag j + W t + l. A Red vector of sample pairs, P(q) = (a[j + q + l],
// a[j + q + l + 1]) over the lanes, serves register t with the Blue pair at
// q - W t, so each is loaded once while Blue's pairs, broadcast, slide past.
// Blue is padded with zeros so the ramps need no special case.
struct Limit {
    std::vector<int16_t> pairs, blue;
    std::vector<int64_t> out;
    int32_t pad = 0;
    // Work areas for n samples over lagCount lags, tiles of `lanes` lags.
    void Prepare(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int32_t tile, int32_t lanes) {
        const int32_t rounded = (lagCount + tile - 1) / tile * tile;
        pad = tile - lanes;
        const int32_t count = n + lagCount - 1;
        pairs.assign(2 * static_cast<size_t>(n + rounded + tile + 2), 0);
        for (int32_t m = 0; m < count; ++m) {
            pairs[2 * m] = a[m];
            pairs[2 * m + 1] = m + 1 < count ? a[m + 1] : 0;
        }
        blue.assign(static_cast<size_t>(n + 2 * pad + 2), 0);
        std::memcpy(blue.data() + pad, b, sizeof(int16_t) * static_cast<size_t>(n));
        out.assign(static_cast<size_t>(rounded), 0);
    }
    void Finish(int32_t lagCount, int64_t* c) const {
        for (int32_t j = 0; j < lagCount; ++j) c[j] += out[j];
    }
};

#ifdef BENCH_X86
inline int32_t LoadPair(const int16_t* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <int R>
__attribute__((target("avx2"))) void LimitAvx2(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount,
                                               int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, 8 * R, 8);
    const int16_t* bz = w.blue.data() + w.pad;
    for (int32_t j = 0; j < lagCount; j += 8 * R) {
        __m256i acc[R];
        for (int t = 0; t < R; ++t) acc[t] = _mm256_setzero_si256();
        for (int32_t q = 0; q < n + 8 * (R - 1); q += 2) {
            const __m256i red = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w.pairs.data() + 2 * (j + q)));
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t)
                acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(red, _mm256_set1_epi32(LoadPair(bz + q - 8 * t))));
        }
        for (int t = 0; t < R; ++t) {
            alignas(32) int32_t lanes[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc[t]);
            for (int l = 0; l < 8; ++l) w.out[j + 8 * t + l] += lanes[l];
        }
    }
    w.Finish(lagCount, c);
}

template <int R>
__attribute__((target("avx512f,avx512bw,avx512vnni"))) void LimitVnni(const int16_t* a, const int16_t* b, int32_t n,
                                                                      int32_t lagCount, int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, 16 * R, 16);
    const int16_t* bz = w.blue.data() + w.pad;
    for (int32_t j = 0; j < lagCount; j += 16 * R) {
        __m512i acc[R];
        for (int t = 0; t < R; ++t) acc[t] = _mm512_setzero_si512();
        for (int32_t q = 0; q < n + 16 * (R - 1); q += 2) {
            const __m512i red = _mm512_loadu_si512(w.pairs.data() + 2 * (j + q));
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t)
                acc[t] = _mm512_dpwssd_epi32(acc[t], red, _mm512_set1_epi32(LoadPair(bz + q - 16 * t)));
        }
        for (int t = 0; t < R; ++t) {
            alignas(64) int32_t lanes[16];
            _mm512_store_si512(lanes, acc[t]);
            for (int l = 0; l < 16; ++l) w.out[j + 16 * t + l] += lanes[l];
        }
    }
    w.Finish(lagCount, c);
}
#endif

// The limit kernel, its register count R chosen at compile time.
using LimitFn = void (*)(const int16_t*, const int16_t*, int32_t, int32_t, int64_t*, Limit&);

LimitFn BestLimit(int registers) {
#ifdef BENCH_X86
    if (__builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("avx512bw"))
        return registers == 8 ? LimitVnni<8> : registers == 12 ? LimitVnni<12> : LimitVnni<16>;
    if (__builtin_cpu_supports("avx2"))
        return registers == 8 ? LimitAvx2<8> : registers == 12 ? LimitAvx2<12> : registers == 6 ? LimitAvx2<6> : LimitAvx2<4>;
#endif
    (void)registers;
    return nullptr;
}

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

// The register-blocked limit with 8 or 12 accumulator registers (the better
// of the two is the limit).
void BM_RegisterBlocked(benchmark::State& state) {
    Inputs in(static_cast<int32_t>(state.range(0)), kBlock);
    const LimitFn limit = BestLimit(static_cast<int>(state.range(1)));
    if (!limit) {
        state.SkipWithError("no vector unit for the limit kernel");
        return;
    }
    Limit work;
    for (auto _ : state) {
        limit(in.red.data(), in.blue.data(), kBlock, in.lagCount, in.acc.data(), work);
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
void BM_DirectAvx2Slide(benchmark::State& state) { DirectKernel(state, "avx2-slide"); }
void BM_DirectSse2(benchmark::State& state) { DirectKernel(state, "sse2"); }
void BM_DirectNeon(benchmark::State& state) { DirectKernel(state, "neon"); }
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
BENCHMARK(BM_RegisterBlocked)->ArgsProduct({{1088, 20088}, {4, 6, 8, 12}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2Slide)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectSse2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectNeon)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectScalar)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FftEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
