#pragma once
// dsp/CorrelationKernel.h — the correlation engines' inner loops, apart from
// the run object so that they can be checked and measured alone.
//
// Direct block: for every lag index j = 0 ... lagCount - 1,
//     c[j] += sum over i = 0 ... n - 1 of b[i] * a[j + i]
// with 16-bit operands, 32-bit partial sums and 64-bit accumulators. The
// products are split into consecutive blocks of 511, then at most one each of
// 256, 128, 64, 32 and 16, then single products; each block's sum is taken
// modulo 2^32 and added, sign-extended, into the 64-bit accumulator. For
// 12-bit samples no partial sum can overflow, so the result is the exact sum;
// for wider samples every path still wraps identically.
//
// FFT block: the same sums for n = S = N - 2L new samples and 2L + 1 lags,
// through one N-point real transform pair, scaled by 2^-16 and rounded.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corr {

constexpr int32_t kPartialProducts = 511;  // longest 32-bit partial sum
constexpr float kFftScale = 1.5258789e-5f; // 2^-16

// The definition, one lag at a time (the portable path and the tests' oracle).
//  a : n + lagCount - 1 samples; b : n samples; c : lagCount accumulators
void DirectBlockScalar(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount,
                       int64_t* c) noexcept;

// The vectorised direct block: the best kernel this CPU runs (chosen once, at
// first use), results identical to DirectBlockScalar. Holds a work area of
// paired samples; Reserve sizes it, so Accumulate never allocates.
class DirectEngine {
public:
    // Sizes the work area for blocks of up to n samples over lagCount lags.
    //  n >= 0, lagCount >= 1
    void Reserve(int32_t n, int32_t lagCount);
    // As DirectBlockScalar; n and lagCount within the last Reserve.
    void Accumulate(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount,
                    int64_t* c) noexcept;

    // The kernel Accumulate runs: on x86-64 "avx512" (with VNNI), "avx2",
    // "avx2-slide" (the AVX-512 kernel's loop on AVX2, chosen only by name) or
    // "sse2"; on 64-bit ARM "neon"; or "scalar" (the definition, on any CPU).
    // "avx512-sweep" and "avx2-sweep" (windows of Blue pairs swept over the
    // lags) are chosen only by name.
    static const char* KernelName() noexcept;
    // Kernels this CPU runs, best first; the best is chosen at first use.
    static std::vector<std::string> AvailableKernels();
    // Selects a kernel by name (tests and benchmarks); an empty name restores
    // the best. False, and no change, when this CPU cannot run it.
    static bool SelectKernel(std::string_view name);

private:
    // Entry 2m holds a[m] and entry 2m + 1 holds a[m + 1], so that a run of
    // consecutive lags reads its sample pairs with one contiguous load.
    std::vector<int16_t> m_pairs;
    // 32-bit sums of every lag within one partial-sum block (windowed kernels).
    std::vector<int32_t> m_part;
};

// Direct blocks of several traces at once, each block's lags shared among
// threads: the calling one and up to Threads() - 1 helpers, started at the
// first block big enough to share and kept until the team goes or its count
// changes. Every lag is one DirectEngine's sum, so the results are identical
// to DirectEngine::Accumulate on each block, whatever the count of threads.
class DirectTeam {
public:
    static constexpr int32_t kMaxThreads = 64;
    // Blocks of fewer products than this run on the calling thread alone:
    // waking a helper would cost more than it saves.
    static constexpr int64_t kSharedProducts = int64_t{1} << 24;

    struct Block {
        const int16_t* a;  // n + lagCount - 1 samples
        const int16_t* b;  // n samples
        int64_t* c;        // lagCount accumulators
    };

    DirectTeam();
    ~DirectTeam();
    DirectTeam(const DirectTeam&) = delete;
    DirectTeam& operator=(const DirectTeam&) = delete;

    // 1 (the default: the calling thread alone) ... kMaxThreads, and at most
    // the cores the system reports.
    void SetThreads(int32_t threads);
    int32_t Threads() const noexcept { return m_threads; }
    // DirectEngine::Accumulate on every block. Where a helper cannot be
    // started, the threads there are share its part.
    void Accumulate(std::span<const Block> blocks, int32_t n, int32_t lagCount);

private:
    struct Crew;
    void StopCrew() noexcept;

    int32_t m_threads = 1;
    DirectEngine m_engine;         // the calling thread's
    std::unique_ptr<Crew> m_crew;  // the helpers, once started
};

// The FFT block for one trace.
//  red   : n samples from position - L, n = fftSize
//  blue  : fftSize - 2L samples from position
//  lags  : L >= 0, 2 (L + 1) < fftSize
//  fftSize : a power of two >= 8
//  a, b  : work buffers of fftSize + 2 floats (contents overwritten)
//  c     : 2L + 1 accumulators, index L + d for lag d
void FftBlock(const int16_t* red, const int16_t* blue, int32_t lags, int32_t fftSize, float* a,
              float* b, int64_t* c);

// Transform size for a maximum lag L: 8192, doubled until it exceeds
// 2 (L + 2500), so that at least 2500 samples of margin lie beyond the lag
// window on each side.
int32_t FftSizeForLag(int32_t lags) noexcept;

}  // namespace corr
