// The correlation engines against four baselines at the unit's lag windows
// (L = 1088: 100 ms at 10 kHz; L = 20088: 2 s): the naive scalar loop; the
// fastest plain int16 multiply-accumulate kernel this machine runs (one dot
// product per lag, four lags sharing each load of the Blue samples, 32-bit
// lanes, no partial-sum blocks); the limit for this work, the fastest of
// several register-blocked kernels (below); and, where it is linked, the FFT
// engine's block on a mature FFT library. Items are samples correlated over
// all 2L + 1 lags, so items per second read directly as the engines'
// capacity; a run needs 10000 per second. After the runs a summary gives
// every engine's share of the limit and of the library's block, and the
// kernel the direct engine chose.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSummary.h"
#include "bench/FftwBlock.h"
#include "dsp/CorrelationKernel.h"
#include "dsp/TargetIsa.h"

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

// (c) The register-blocked limit: lags in the 32-bit lanes of vector
// registers, sample pairs multiplied and added by one instruction, a tile of
// accumulator registers held while Blue pairs, broadcast, meet Red vectors
// each loaded once per tile (LimitKernels.h: the loop orders and tile sizes
// tried). Every variant runs and is checked; the best measured is the limit.
// Partial sums are widened to 64 bits every kPairsPerFlush pairs, before
// 12-bit samples could overflow them (each pair adds at most 2^23).
constexpr int32_t kPairsPerFlush = 255;

struct Limit {
    std::vector<int16_t> pairs, blue;
    std::vector<int32_t> part;
    std::vector<int64_t> out;
    int32_t front = 0;
    // Work areas for n samples over lagCount lags in tiles of `tile` lags,
    // with `front` zeros before Blue and enough after it for any window.
    void Prepare(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int32_t tile, int32_t zeros) {
        constexpr int32_t kSpare = 512;  // beyond the widest tile and window
        const int32_t rounded = (lagCount + tile - 1) / tile * tile;
        const int32_t count = n + lagCount - 1;
        front = zeros;
        pairs.assign(2 * static_cast<size_t>(n + rounded + kSpare), 0);
        for (int32_t m = 0; m < count; ++m) {
            pairs[2 * m] = a[m];
            pairs[2 * m + 1] = m + 1 < count ? a[m + 1] : 0;
        }
        blue.assign(static_cast<size_t>(n + front + kSpare), 0);
        std::memcpy(blue.data() + front, b, sizeof(int16_t) * static_cast<size_t>(n));
        part.assign(static_cast<size_t>(rounded + tile), 0);
        out.assign(static_cast<size_t>(rounded + tile), 0);
    }
    const int16_t* Blue() const { return blue.data() + front; }
    void Finish(int32_t lagCount, int64_t* c) const {
        for (int32_t j = 0; j < lagCount; ++j) c[j] += out[j];
    }
};

using LimitFn = void (*)(const int16_t*, const int16_t*, int32_t, int32_t, int64_t*, Limit&);

#ifdef BENCH_X86
inline int32_t LoadPair(const int16_t* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

CORR_TARGET_BEGIN("avx2")
namespace avx2 {
struct Ops {
    static constexpr int32_t W = 8;
    using Acc = __m256i;
    static Acc Zero() { return _mm256_setzero_si256(); }
    static Acc Red(const int16_t* p) {  // volatile: see vnni::Ops::Red
        Acc v;
        asm volatile("vmovdqu %1, %0" : "=x"(v) : "m"(*reinterpret_cast<const Acc*>(p)));
        return v;
    }
    static Acc Spread(const int16_t* bp) { return _mm256_set1_epi32(LoadPair(bp)); }
    static Acc Dot(Acc acc, Acc r, Acc b) {
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(r, b));
        asm("" : "+v"(acc));  // as the AVX-512 Dot below
        return acc;
    }
    static Acc Get(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Put(int32_t* p, Acc acc) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), acc); }
    static void Widen(Acc acc, int64_t* out) {
        __m256i* o = reinterpret_cast<__m256i*>(out);
        const __m256i lo = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(acc));
        const __m256i hi = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(acc, 1));
        _mm256_storeu_si256(o, _mm256_add_epi64(_mm256_loadu_si256(o), lo));
        _mm256_storeu_si256(o + 1, _mm256_add_epi64(_mm256_loadu_si256(o + 1), hi));
    }
};
#include "bench/LimitKernels.h"
}  // namespace avx2
CORR_TARGET_END

CORR_TARGET_BEGIN("avx512f,avx512bw,avx512vnni")
namespace vnni {
struct Ops {
    static constexpr int32_t W = 16;
    using Acc = __m512i;
    static Acc Zero() { return _mm512_setzero_si512(); }
    // A volatile load stays where the loop puts it: left free, the compiler
    // hoists a whole window's loads ahead and spills them.
    static Acc Red(const int16_t* p) {
        Acc v;
        asm volatile("vmovdqu64 %1, %0" : "=v"(v) : "m"(*reinterpret_cast<const Acc*>(p)));
        return v;
    }
    static Acc Spread(const int16_t* bp) { return _mm512_set1_epi32(LoadPair(bp)); }
    // The sum stays in its register: left free, GCC copies each VNNI sum
    // out and back at every step.
    static Acc Dot(Acc acc, Acc r, Acc b) {
        acc = _mm512_dpwssd_epi32(acc, r, b);
        asm("" : "+v"(acc));
        return acc;
    }
    static Acc Get(const int32_t* p) { return _mm512_loadu_si512(p); }
    static void Put(int32_t* p, Acc acc) { _mm512_storeu_si512(p, acc); }
    static void Widen(Acc acc, int64_t* out) {
        // Halves through memory and zero-masked widening: the plain forms
        // start from an undefined register, which the compiler reports.
        alignas(64) int32_t lanes[16];
        _mm512_store_si512(lanes, acc);
        const __m512i lo = _mm512_maskz_cvtepi32_epi64(0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes)));
        const __m512i hi =
            _mm512_maskz_cvtepi32_epi64(0xFF, _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes + 8)));
        _mm512_storeu_si512(out, _mm512_add_epi64(_mm512_loadu_si512(out), lo));
        _mm512_storeu_si512(out + 8, _mm512_add_epi64(_mm512_loadu_si512(out + 8), hi));
    }
};
#include "bench/LimitKernels.h"
}  // namespace vnni
CORR_TARGET_END
#endif

struct LimitVariant {
    const char* name;
    bool vnni;  // else AVX2
    LimitFn fn;
};

// The tile sizes fill the register file (16 registers with AVX2, 32 with
// AVX-512): R sums, B broadcast Blue pairs and the Red vector in flight.
const std::vector<LimitVariant>& LimitVariants() {
    static const std::vector<LimitVariant> variants = {
#ifdef BENCH_X86
        {"avx2-slide-4", false, avx2::SlideLimit<4>},         {"avx2-slide-6", false, avx2::SlideLimit<6>},
        {"avx2-slide-8", false, avx2::SlideLimit<8>},         {"avx2-tiles-4x8", false, avx2::TilesLimit<4, 8>},
        {"avx2-tiles-6x8", false, avx2::TilesLimit<6, 8>},    {"avx2-tiles-3x12", false, avx2::TilesLimit<3, 12>},
        {"avx2-sweep-4x8", false, avx2::SweepLimit<4, 8>},    {"avx2-sweep-6x8", false, avx2::SweepLimit<6, 8>},
        {"avx2-rows-8", false, avx2::RowsLimit<8>},           {"avx2-rows-12", false, avx2::RowsLimit<12>},
        {"vnni-rows-8", true, vnni::RowsLimit<8>},            {"vnni-rows-16", true, vnni::RowsLimit<16>},
        {"vnni-slide-8", true, vnni::SlideLimit<8>},          {"vnni-slide-12", true, vnni::SlideLimit<12>},
        {"vnni-slide-16", true, vnni::SlideLimit<16>},        {"vnni-tiles-8x16", true, vnni::TilesLimit<8, 16>},
        {"vnni-tiles-12x16", true, vnni::TilesLimit<12, 16>}, {"vnni-tiles-8x20", true, vnni::TilesLimit<8, 20>},
        {"vnni-tiles-6x24", true, vnni::TilesLimit<6, 24>},   {"vnni-tiles-16x12", true, vnni::TilesLimit<16, 12>},
        {"vnni-sweep-8x16", true, vnni::SweepLimit<8, 16>},   {"vnni-sweep-12x16", true, vnni::SweepLimit<12, 16>},
#endif
    };
    return variants;
}

bool CpuRuns(const LimitVariant& v) {
#ifdef BENCH_X86
    __builtin_cpu_init();
    if (v.vnni)
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vnni");
    return __builtin_cpu_supports("avx2");
#else
    (void)v;
    return false;
#endif
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

// One limit variant, its sums checked against the direct engine first (a
// kernel that computes something else is no limit).
void LimitKernel(benchmark::State& state, const LimitVariant& variant) {
    if (!CpuRuns(variant)) {
        state.SkipWithError("this CPU cannot run the kernel");
        return;
    }
    Inputs in(static_cast<int32_t>(state.range(0)), kBlock);
    Limit work;
    std::vector<int64_t> expected(in.acc.size(), 0), got(in.acc.size(), 0);
    corr::DirectEngine engine;
    engine.Reserve(kBlock, in.lagCount);
    engine.Accumulate(in.red.data(), in.blue.data(), kBlock, in.lagCount, expected.data());
    variant.fn(in.red.data(), in.blue.data(), kBlock, in.lagCount, got.data(), work);
    if (got != expected) {
        state.SkipWithError("the kernel's sums are wrong");
        return;
    }
    for (auto _ : state) {
        variant.fn(in.red.data(), in.blue.data(), kBlock, in.lagCount, in.acc.data(), work);
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
void BM_DirectAvx512(benchmark::State& state) { DirectKernel(state, "avx512"); }
void BM_DirectAvx512Sweep(benchmark::State& state) { DirectKernel(state, "avx512-sweep"); }
void BM_DirectAvx2(benchmark::State& state) { DirectKernel(state, "avx2"); }
void BM_DirectAvx2Sweep(benchmark::State& state) { DirectKernel(state, "avx2-sweep"); }
void BM_DirectAvx2Slide(benchmark::State& state) { DirectKernel(state, "avx2-slide"); }
void BM_DirectSse2(benchmark::State& state) { DirectKernel(state, "sse2"); }
void BM_DirectNeon(benchmark::State& state) { DirectKernel(state, "neon"); }
void BM_DirectScalar(benchmark::State& state) { DirectKernel(state, "scalar"); }

// One feed of a run, each of range(2) traces' lags shared among range(1)
// threads, in wall-clock time; one thread is the baseline. A post-filter run
// correlates one trace whatever it shows, a pre-filter run three.
void BM_DirectTeam(benchmark::State& state) {
    constexpr int32_t kFeed = 10000;  // samples a replay's feed brings each trace
    const auto lags = static_cast<int32_t>(state.range(0));
    std::vector<Inputs> traces;
    std::vector<corr::DirectTeam::Block> blocks;
    for (int64_t k = 0; k < state.range(2); ++k) traces.emplace_back(lags, kFeed);
    for (Inputs& in : traces) blocks.push_back({in.red.data(), in.blue.data(), in.acc.data()});
    corr::DirectTeam team;
    team.SetThreads(static_cast<int32_t>(state.range(1)));
    for (auto _ : state) {
        team.Accumulate(blocks, kFeed, 2 * lags + 1);
        benchmark::DoNotOptimize(traces[0].acc.data());
    }
    state.SetItemsProcessed(state.iterations() * kFeed);
}

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

#ifdef BENCH_HAVE_FFTW
void BM_FftwBlock(benchmark::State& state) {
    const int32_t lags = static_cast<int32_t>(state.range(0));
    const int32_t size = corr::FftSizeForLag(lags), fresh = size - 2 * lags;
    const auto red = Noise12(static_cast<size_t>(size), 1), blue = Noise12(static_cast<size_t>(fresh), 2);
    std::vector<int64_t> acc(static_cast<size_t>(2 * lags + 1), 0);
    FftwBlock fftw(size);
    for (auto _ : state) {
        fftw.Run(red.data(), blue.data(), lags, acc.data());
        benchmark::DoNotOptimize(acc.data());
    }
    state.SetItemsProcessed(state.iterations() * fresh);
}
#endif

constexpr int kLags[] = {1088, 20088};

void RegisterLimits() {
    for (const LimitVariant& v : LimitVariants()) {
        auto* b = benchmark::RegisterBenchmark((std::string("BM_Limit/") + v.name).c_str(),
                                               [&v](benchmark::State& state) { LimitKernel(state, v); });
        for (int lags : kLags) b->Arg(lags);
        b->Unit(benchmark::kMillisecond);
    }
}

// The best limit variant that ran at `lags`, by name; "" when none ran.
std::string BestLimit(const RateReporter& rates, int lags) {
    std::string best;
    for (const LimitVariant& v : LimitVariants()) {
        const std::string name = std::string("BM_Limit/") + v.name + "/" + std::to_string(lags);
        if (rates.Rate(name) > 0.0 && (best.empty() || rates.Rate(name) > rates.Rate(best))) best = name;
    }
    return best;
}

// After the runs: the limit at each lag window and every engine's share of it
// and of the FFT library's block, with the kernel each one ran.
void PrintSummary(const RateReporter& rates) {
    const struct {
        const char* bench;
        std::string kernel;
    } engines[] = {
        {"BM_DirectEngine", std::string("direct engine (") + corr::DirectEngine::KernelName() + ")"},
        {"BM_DirectAvx512", "direct avx512"},
        {"BM_DirectAvx512Sweep", "direct avx512-sweep"},
        {"BM_DirectAvx2", "direct avx2"},
        {"BM_DirectAvx2Sweep", "direct avx2-sweep"},
        {"BM_DirectAvx2Slide", "direct avx2-slide"},
        {"BM_DirectSse2", "direct sse2"},
        {"BM_DirectScalar", "direct scalar"},
        {"BM_PlainMac", "plain multiply-accumulate"},
        {"BM_FftEngine", "FFT engine"},
    };
    std::printf("\nSamples per second over all 2L + 1 lags; ratios to the limit and to the FFT library's block\n");
    for (int lags : kLags) {
        const std::string at = "/" + std::to_string(lags), limit = BestLimit(rates, lags);
        const double limitRate = rates.Rate(limit), fftw = rates.Rate("BM_FftwBlock" + at);
        std::printf("L = %d: limit %s %.3g, FFT library %.3g\n", lags,
                    limit.empty() ? "(none ran)" : limit.substr(9, limit.size() - 9 - at.size()).c_str(), limitRate,
                    fftw);
        for (const auto& e : engines) {
            const double rate = rates.Rate(e.bench + at);
            if (rate > 0.0)
                std::printf("  %-34s %10.3g  %6s of the limit  %6s of the FFT library\n", e.kernel.c_str(), rate,
                            Ratio(rate, limitRate).c_str(), Ratio(rate, fftw).c_str());
        }
        for (const std::string traces : {"1", "3"}) {
            const auto team = [&](const char* threads) {
                return rates.Rate("BM_DirectTeam" + at + "/" + threads + "/" + traces + "/real_time");
            };
            const double one = team("1"), two = team("2");
            if (two > 0.0)
                std::printf("  direct, %s trace(s) on 2 threads      %10.3g  %6s of one thread (%.3g), wall clock\n",
                            traces.c_str(), two, Ratio(two, one).c_str(), one);
        }
    }
}

}  // namespace

BENCHMARK(BM_NaiveScalar)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainMac)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx512)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx512Sweep)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2Sweep)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectAvx2Slide)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectSse2)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectNeon)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectScalar)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectTeam)
    ->ArgsProduct({{1088, 20088}, {1, 2}, {1, 3}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FftEngine)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
#ifdef BENCH_HAVE_FFTW
BENCHMARK(BM_FftwBlock)->Arg(1088)->Arg(20088)->Unit(benchmark::kMillisecond);
#endif

int main(int argc, char** argv) {
    RegisterLimits();
    RateReporter reporter;
    if (!RunBenchmarks(argc, argv, reporter)) return 1;
    PrintSummary(reporter);
    return 0;
}
