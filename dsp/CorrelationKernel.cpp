#include "dsp/CorrelationKernel.h"
#include "dsp/DirectBlocks.h"
#include "dsp/TargetIsa.h"

#include <algorithm>
#include <atomic>
#include <cstring>


#if defined(__x86_64__)
#include <immintrin.h>
#define CORR_HAVE_X86 1
#elif defined(__aarch64__)
#include <arm_neon.h>
#define CORR_HAVE_NEON 1
#endif

namespace corr {
namespace {

using namespace direct;

int32_t RoundUp(int32_t v, int32_t step) noexcept { return (v + step - 1) / step * step; }

// One 32-bit partial sum, wrapping as the unit's integer unit does.
inline int32_t PartialSum(const int16_t* a, const int16_t* b, int32_t len) noexcept {
    uint32_t s = 0;
    for (int32_t k = 0; k < len; ++k)
        s += static_cast<uint32_t>(int32_t{b[k]} * int32_t{a[k]});
    return static_cast<int32_t>(s);
}

// red : the paired work area, or for an unpaired kernel the samples a themselves.
using KernelFn = void (*)(const int16_t* red, const int16_t* b, int32_t n, int32_t lagCount,
                          int64_t* c);

#ifdef CORR_HAVE_X86

// 8 T consecutive lags over one partial-sum block of len products. pairs
// points at the pair of the tile's first lag and the block's first product;
// out receives the block's sums.
template <int T>
__attribute__((target("avx2"))) inline void TileAvx2(const int16_t* pairs, const int16_t* b,
                                                     int32_t len, int64_t* out) noexcept {
    __m256i acc[T];
#pragma GCC unroll 16
    for (int t = 0; t < T; ++t) acc[t] = _mm256_setzero_si256();
    int32_t k = 0;
    for (; k + 1 < len; k += 2) {
        const __m256i bb = _mm256_set1_epi32(LoadPair(b + k));
        const int16_t* p = pairs + 2 * k;
#pragma GCC unroll 16
        for (int t = 0; t < T; ++t) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16 * t));
            acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(x, bb));
            asm("" : "+v"(acc[t]));  // the sum stays in its register (see InPlace below)
        }
    }
    if (k < len) {  // an odd block ends with one product, paired with zero
        const __m256i bb = _mm256_set1_epi32(static_cast<uint16_t>(b[k]));
        const int16_t* p = pairs + 2 * k;
#pragma GCC unroll 16
        for (int t = 0; t < T; ++t) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16 * t));
            acc[t] = _mm256_add_epi32(acc[t], _mm256_madd_epi16(x, bb));
        }
    }
#pragma GCC unroll 16
    for (int t = 0; t < T; ++t) {
        __m256i* o = reinterpret_cast<__m256i*>(out + 8 * t);
        const __m256i lo = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(acc[t]));
        const __m256i hi = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(acc[t], 1));
        _mm256_storeu_si256(o, _mm256_add_epi64(_mm256_loadu_si256(o), lo));
        _mm256_storeu_si256(o + 1, _mm256_add_epi64(_mm256_loadu_si256(o + 1), hi));
    }
}

__attribute__((target("avx2"))) void KernelAvx2(const int16_t* pairs, const int16_t* b, int32_t n,
                                                int32_t lagCount, int64_t* c) {
    for (int32_t s = 0, len = 0; s < n; s += len) {
        len = BlockLength(n - s);
        int32_t j = 0;
        for (; j + 64 <= lagCount; j += 64) TileAvx2<8>(pairs + 2 * (j + s), b + s, len, c + j);
        for (; j + 8 <= lagCount; j += 8) TileAvx2<1>(pairs + 2 * (j + s), b + s, len, c + j);
        if (j < lagCount) {
            alignas(32) int64_t tail[8] = {};
            TileAvx2<1>(pairs + 2 * (j + s), b + s, len, tail);
            for (int32_t q = 0; q < lagCount - j; ++q) c[j + q] += tail[q];
        }
    }
}

// Baseline x86-64 (SSE2): 4 lags per register, widened through memory. Here
// each register loads its own Red pairs and one broadcast Blue pair serves
// the tile: SSE2 has no broadcast from memory, and its 16-byte loads seldom
// straddle cache lines, so this measures faster than sliding Blue past.
template <int T>
inline void TileSse2(const int16_t* pairs, const int16_t* b, int32_t len, int64_t* out) noexcept {
    __m128i acc[T];
#pragma GCC unroll 16
    for (int t = 0; t < T; ++t) acc[t] = _mm_setzero_si128();
    for (int32_t k = 0; k < len; k += 2) {
        // An odd block ends with one product, paired with zero.
        const int32_t pair = k + 1 < len ? LoadPair(b + k) : static_cast<uint16_t>(b[k]);
        const __m128i bb = _mm_set1_epi32(pair);
        const int16_t* p = pairs + 2 * k;
#pragma GCC unroll 16
        for (int t = 0; t < T; ++t) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * t));
            acc[t] = _mm_add_epi32(acc[t], _mm_madd_epi16(x, bb));
        }
    }
#pragma GCC unroll 16
    for (int t = 0; t < T; ++t) {
        alignas(16) int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc[t]);
        for (int q = 0; q < 4; ++q) out[4 * t + q] += lanes[q];
    }
}

void KernelSse2(const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    for (int32_t s = 0, len = 0; s < n; s += len) {
        len = BlockLength(n - s);
        int32_t j = 0;
        for (; j + 32 <= lagCount; j += 32) TileSse2<8>(pairs + 2 * (j + s), b + s, len, c + j);
        for (; j + 4 <= lagCount; j += 4) TileSse2<1>(pairs + 2 * (j + s), b + s, len, c + j);
        if (j < lagCount) {
            int64_t tail[4] = {};
            TileSse2<1>(pairs + 2 * (j + s), b + s, len, tail);
            for (int32_t q = 0; q < lagCount - j; ++q) c[j + q] += tail[q];
        }
    }
}

CORR_TARGET_BEGIN("avx2")
// Blue sliding past 8 lags per register, 6 registers per tile: for CPUs
// where a load that straddles cache lines costs more than the ramps' extra
// products (the plain AVX2 tile's loads straddle almost half the time).
namespace avx2 {
struct Ops {
    static constexpr int32_t W = 8;
    using Acc = __m256i;
    static Acc Zero() noexcept { return _mm256_setzero_si256(); }
    static Acc Red(const int16_t* p) noexcept { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    using Blue = __m256i;
    static Blue Spread(const int16_t* bp) noexcept { return _mm256_set1_epi32(LoadPair(bp)); }
    static Acc Dot(Acc acc, Acc red, Blue b) noexcept {
        acc = _mm256_add_epi32(acc, _mm256_madd_epi16(red, b));
        asm("" : "+v"(acc));  // the sum stays in its register (see InPlace below)
        return acc;
    }
    static void Flush(Acc acc, int64_t* out) noexcept {
        __m256i* o = reinterpret_cast<__m256i*>(out);
        const __m256i lo = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(acc));
        const __m256i hi = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(acc, 1));
        _mm256_storeu_si256(o, _mm256_add_epi64(_mm256_loadu_si256(o), lo));
        _mm256_storeu_si256(o + 1, _mm256_add_epi64(_mm256_loadu_si256(o + 1), hi));
    }
    // The windowed loop's (DirectSweep.h).
    static Acc Pair(const int16_t* bp) noexcept { return _mm256_set1_epi32(LoadPair(bp)); }
    static Acc DotPair(Acc acc, Acc red, Acc bb) noexcept { return _mm256_add_epi32(acc, _mm256_madd_epi16(red, bb)); }
    static Acc Get(const int32_t* p) noexcept { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Put(int32_t* p, Acc acc) noexcept { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), acc); }
};
#include "dsp/DirectSlide.h"
#include "dsp/DirectSweep.h"
}  // namespace avx2
CORR_TARGET_END

CORR_TARGET_BEGIN("avx512f,avx512bw,avx512vnni")
// 16 lags per register, 8 registers per tile (enough chains to cover the
// fused multiply-add's latency); VNNI fuses the multiply and the add, and the
// Red pairs, a cache line per load, are loaded once per tile and step.
namespace avx512 {
// An accumulator stays in the register its multiply-add wrote: left free,
// GCC copies every VNNI sum out and back at each step, which doubles the
// work of the vector ports the multiply-adds need (scripts/kernel-model
// shows the copies; the AVX2 loops keep their sums the same way).
inline __m512i InPlace(__m512i v) noexcept {
    asm("" : "+v"(v));
    return v;
}
#include "dsp/DirectOpsAvx512.h"
#include "dsp/DirectSlide.h"
#include "dsp/DirectSweep.h"
}  // namespace avx512
CORR_TARGET_END

__attribute__((target("avx2"))) void KernelAvx2Slide(const int16_t* pairs, const int16_t* b, int32_t n,
                                                     int32_t lagCount, int64_t* c) {
    avx2::SlideKernel<6>(pairs, b, n, lagCount, c);
}

__attribute__((target("avx512f,avx512bw,avx512vnni"))) void KernelAvx512(
    const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    avx512::SlideKernel<8>(pairs, b, n, lagCount, c);
}

// Windows of Blue pairs swept over every lag, no ramps: 4 registers and 8
// pairs with AVX2, 12 registers and 16 pairs with AVX-512 (of 16 and 32).
__attribute__((target("avx2"))) void KernelAvx2Sweep(const int16_t* pairs, const int16_t* b, int32_t n,
                                                     int32_t lagCount, int64_t* c, int32_t* part) {
    avx2::SweepKernel<4, 8>(pairs, b, n, lagCount, c, part);
}

__attribute__((target("avx512f,avx512bw,avx512vnni"))) void KernelAvx512Sweep(
    const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c, int32_t* part) {
    avx512::SweepKernel<12, 16>(pairs, b, n, lagCount, c, part);
}

#endif  // CORR_HAVE_X86

#ifdef CORR_HAVE_NEON

// AArch64: Advanced SIMD is part of the base architecture, so this kernel
// needs no check at run time. It reads the Red samples where they are: each
// Blue sample multiplies a register of 8 consecutive Red samples into two
// registers of 4 lags, widening each product to 32 bits and adding modulo
// 2^32 (SMLAL), which is how the definition's partial sums wrap.

// Product Lane of eight, over the R + 1 consecutive Red registers v: the
// register of lags 8 t ... 8 t + 7 gains bb[Lane] times the 8 Red samples
// Lane places on from v[t] (v[t + 1] supplies those past its end).
template <int R, int Lane>
inline void MacLane(int32x4_t* acc, const int16x8_t* v, int16x8_t bb) noexcept {
#pragma GCC unroll 16
    for (int t = 0; t < R; ++t) {
        const int16x8_t x = vextq_s16(v[t], v[t + 1], Lane);
        acc[2 * t] = vmlal_laneq_s16(acc[2 * t], vget_low_s16(x), bb, Lane);
        acc[2 * t + 1] = vmlal_high_laneq_s16(acc[2 * t + 1], x, bb, Lane);
    }
}

// 8 R consecutive lags over one partial-sum block of len products. a points at
// the Red sample of the tile's first lag and the block's first product; out
// receives the block's sums. Reads no Red sample beyond the tile's last
// product at its last lag.
template <int R>
inline void TileNeon(const int16_t* a, const int16_t* b, int32_t len, int64_t* out) noexcept {
    int32x4_t acc[2 * R];
#pragma GCC unroll 16
    for (int t = 0; t < 2 * R; ++t) acc[t] = vdupq_n_s32(0);
    int32_t k = 0;
    for (; k + 8 <= len; k += 8) {
        int16x8_t v[R + 1];
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) v[t] = vld1q_s16(a + k + 8 * t);
        // The last register's 7 samples beyond, loaded one early so that
        // the load ends at the last sample used; its lane 7 is never read.
        const int16x8_t end = vld1q_s16(a + k + 8 * R - 1);
        v[R] = vextq_s16(end, end, 1);
        const int16x8_t bb = vld1q_s16(b + k);
        MacLane<R, 0>(acc, v, bb);
        MacLane<R, 1>(acc, v, bb);
        MacLane<R, 2>(acc, v, bb);
        MacLane<R, 3>(acc, v, bb);
        MacLane<R, 4>(acc, v, bb);
        MacLane<R, 5>(acc, v, bb);
        MacLane<R, 6>(acc, v, bb);
        MacLane<R, 7>(acc, v, bb);
    }
    for (; k < len; ++k) {  // the 511-block's last 7, and blocks of one
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) {
            const int16x8_t x = vld1q_s16(a + k + 8 * t);
            acc[2 * t] = vmlal_n_s16(acc[2 * t], vget_low_s16(x), b[k]);
            acc[2 * t + 1] = vmlal_high_n_s16(acc[2 * t + 1], x, b[k]);
        }
    }
#pragma GCC unroll 16
    for (int t = 0; t < 2 * R; ++t) {
        int64_t* o = out + 4 * t;
        vst1q_s64(o, vaddw_s32(vld1q_s64(o), vget_low_s32(acc[t])));
        vst1q_s64(o + 2, vaddw_high_s32(vld1q_s64(o + 2), acc[t]));
    }
}

// Tiles of 32 lags, then of 8; the last lags of all, fewer than 8, take the
// definition's sums, so that no load reaches past the caller's samples.
void KernelNeon(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) {
    for (int32_t s = 0, len = 0; s < n; s += len) {
        len = BlockLength(n - s);
        int32_t j = 0;
        for (; j + 32 <= lagCount; j += 32) TileNeon<4>(a + j + s, b + s, len, c + j);
        for (; j + 8 <= lagCount; j += 8) TileNeon<1>(a + j + s, b + s, len, c + j);
        for (; j < lagCount; ++j) c[j] += PartialSum(a + j + s, b + s, len);
    }
}

#endif  // CORR_HAVE_NEON

// A kernel that keeps 32-bit sums for every lag between steps (the work area's part).
using PartKernelFn = void (*)(const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c,
                              int32_t* part);

struct Kernel {
    KernelFn fn;  // null: the definition itself (or partFn)
    const char* name;
    bool paired;  // reads the paired work area; else the samples where they are
    PartKernelFn partFn = nullptr;
};

// Every kernel this CPU runs, best first; the definition itself comes last.
std::vector<Kernel> SupportedKernels() {
    std::vector<Kernel> kernels;
#ifdef CORR_HAVE_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vnni"))
        kernels.push_back({KernelAvx512, "avx512", true});
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vnni"))
        kernels.push_back({nullptr, "avx512-sweep", true, KernelAvx512Sweep});
    if (__builtin_cpu_supports("avx2")) {
        kernels.push_back({KernelAvx2, "avx2", true});
        kernels.push_back({KernelAvx2Slide, "avx2-slide", true});
        kernels.push_back({nullptr, "avx2-sweep", true, KernelAvx2Sweep});
    }
    kernels.push_back({KernelSse2, "sse2", true});
#endif
#ifdef CORR_HAVE_NEON
    kernels.push_back({KernelNeon, "neon", false});
#endif
    kernels.push_back({nullptr, "scalar", false});
    return kernels;
}

const std::vector<Kernel>& Kernels() {
    static const std::vector<Kernel> kernels = SupportedKernels();
    return kernels;
}

std::atomic<size_t> g_selected{0};

const Kernel& Chosen() noexcept { return Kernels()[g_selected.load(std::memory_order_relaxed)]; }

}  // namespace

void DirectBlockScalar(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount,
                       int64_t* c) noexcept {
    for (int32_t j = 0; j < lagCount; ++j) {
        int64_t sum = 0;
        for (int32_t s = 0, len = 0; s < n; s += len) {
            len = BlockLength(n - s);
            sum += PartialSum(a + j + s, b + s, len);
        }
        c[j] += sum;
    }
}

void DirectEngine::Reserve(int32_t n, int32_t lagCount) {
    const int32_t lags = RoundUp(std::max(lagCount, 1), kLagPad);
    const size_t need = 2 * static_cast<size_t>(std::max(n, 0) + lags + 1 + kSweepPad);
    if (m_pairs.size() < need) m_pairs.assign(need, 0);
    if (m_part.size() < static_cast<size_t>(lags)) m_part.assign(static_cast<size_t>(lags), 0);
}

void DirectEngine::Accumulate(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount,
                              int64_t* c) noexcept {
    if (n <= 0 || lagCount <= 0) return;
    const Kernel& kernel = Chosen();
    if (!kernel.fn && !kernel.partFn) {  // the portable path reads the samples as they are
        DirectBlockScalar(a, b, n, lagCount, c);
        return;
    }
    if (!kernel.paired) {
        kernel.fn(a, b, n, lagCount, c);
        return;
    }
    int16_t* p = m_pairs.data();
    BuildPairs(a, n + lagCount - 1, p, p + m_pairs.size());
    if (kernel.partFn)
        kernel.partFn(p, b, n, lagCount, c, m_part.data());
    else
        kernel.fn(p, b, n, lagCount, c);
}

const char* DirectEngine::KernelName() noexcept { return Chosen().name; }

std::vector<std::string> DirectEngine::AvailableKernels() {
    std::vector<std::string> names;
    for (const Kernel& k : Kernels()) names.emplace_back(k.name);
    return names;
}

bool DirectEngine::SelectKernel(std::string_view name) {
    if (name.empty()) {
        g_selected.store(0, std::memory_order_relaxed);
        return true;
    }
    for (size_t i = 0; i < Kernels().size(); ++i) {
        if (name == Kernels()[i].name) {
            g_selected.store(i, std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

int32_t FftSizeForLag(int32_t lags) noexcept {
    int32_t n = 8192;
    const int64_t need = 2 * (int64_t{lags} + 2500);
    while (n <= need && n < (1 << 30)) n *= 2;
    return n;
}

}  // namespace corr
