#include "dsp/Fir.h"
#include "dsp/TargetIsa.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FIR_X86 1
#endif

namespace fir {
namespace {

constexpr float kPiF = 3.1415927f;
constexpr float kTwoPiF = 6.2831855f;

float Sinc(float x) { return x == 0.0f ? 1.0f : std::sin(x) / x; }

// 2 f sinc(2 pi k f): tap k of an ideal low-pass at f.
float LowPassTap(float f, int32_t k) { return 2.0f * f * Sinc(kTwoPiF * static_cast<float>(k) * f); }

// The window's factor at k taps from the centre.
float WindowFactor(int32_t window, int32_t k, int32_t length) {
    const int32_t m = length / 2;
    if (m == 0) return 1.0f;  // a single tap has nothing to taper
    const float fk = static_cast<float>(k);
    const float span = static_cast<float>(length - 1);
    switch (window) {
    case kWelch: {
        const float r = fk / static_cast<float>(m);
        return 1.0f - r * r;
    }
    case kBlackman:
        return 0.42f + 0.5f * std::cos(kTwoPiF * fk / span) + 0.08f * std::cos(2.0f * kTwoPiF * fk / span);
    case kHann: return 0.5f + 0.5f * std::cos(kTwoPiF * fk / span);
    case kCosine: return std::cos(kPiF * fk / span);
    case kGaussian: {
        const float r = fk / (0.3f * span);
        return std::exp(-0.5f * r * r);
    }
    default: return 1.0f;
    }
}

// h * 2^19 + 0.5 truncated toward zero. Settings read from a file may be
// anything: a value that is not a number becomes 0 and the rest saturates
// instead of overflowing the conversion.
int32_t ToQ19(float h) {
    const double v = static_cast<double>(h) * kOne + 0.5;
    if (!std::isfinite(v)) return 0;
    constexpr double kLimit = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(v, -kLimit, kLimit));
}

// Block kernels: for k = 0 ... n - 1, with the centre of output k at w[k + m],
//     acc[k] = c[0] w[k + m] + sum over i = 1 ... m of c[i] (w[k + m - i] + w[k + m + i])
// modulo 2^32, as State::Push sums. w holds n + 2m samples.
using BlockKernel = void (*)(const int32_t* c, int32_t m, const int32_t* w, int32_t n, uint32_t* acc);

// Tap by tap over the whole block, a loop any compiler vectorises.
void BlockPortable(const int32_t* c, int32_t m, const int32_t* w, int32_t n, uint32_t* acc) {
    const int32_t* centre = w + m;
    for (int32_t k = 0; k < n; ++k) acc[k] = static_cast<uint32_t>(c[0]) * static_cast<uint32_t>(centre[k]);
    for (int32_t i = 1; i <= m; ++i) {
        const auto ci = static_cast<uint32_t>(c[i]);
        const int32_t* early = centre - i;
        const int32_t* late = centre + i;
        for (int32_t k = 0; k < n; ++k)
            acc[k] += ci * (static_cast<uint32_t>(early[k]) + static_cast<uint32_t>(late[k]));
    }
}

#ifdef FIR_X86
CORR_TARGET_BEGIN("avx2")
inline __m256i Load(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline __m256i Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// c[i] (at[-i] + at[i]) for eight outputs, added to s.
inline __m256i AddTerm(__m256i s, __m256i ci, const int32_t* at, int32_t i) {
    return _mm256_add_epi32(s, _mm256_mullo_epi32(ci, _mm256_add_epi32(Load(at - i), Load(at + i))));
}

// 32 outputs per pass over the taps in four registers of eight 32-bit lanes;
// each tap is broadcast once per pass. vpmulld keeps the low 32 bits of each
// product, the same bits as the unsigned products of Push.
void BlockAvx2(const int32_t* c, int32_t m, const int32_t* w, int32_t n, uint32_t* acc) {
    const int32_t* centre = w + m;
    auto* out = reinterpret_cast<__m256i*>(acc);
    int32_t k = 0;
    for (; k + 32 <= n; k += 32) {
        const int32_t* at = centre + k;
        const __m256i c0 = _mm256_set1_epi32(c[0]);
        __m256i s0 = _mm256_mullo_epi32(c0, Load(at)), s1 = _mm256_mullo_epi32(c0, Load(at + 8));
        __m256i s2 = _mm256_mullo_epi32(c0, Load(at + 16)), s3 = _mm256_mullo_epi32(c0, Load(at + 24));
        for (int32_t i = 1; i <= m; ++i) {
            const __m256i ci = _mm256_set1_epi32(c[i]);
            s0 = AddTerm(s0, ci, at, i);
            s1 = AddTerm(s1, ci, at + 8, i);
            s2 = AddTerm(s2, ci, at + 16, i);
            s3 = AddTerm(s3, ci, at + 24, i);
        }
        _mm256_storeu_si256(out + k / 8, s0);
        _mm256_storeu_si256(out + k / 8 + 1, s1);
        _mm256_storeu_si256(out + k / 8 + 2, s2);
        _mm256_storeu_si256(out + k / 8 + 3, s3);
    }
    for (; k + 8 <= n; k += 8) {
        const int32_t* at = centre + k;
        __m256i s = _mm256_mullo_epi32(_mm256_set1_epi32(c[0]), Load(at));
        for (int32_t i = 1; i <= m; ++i) s = AddTerm(s, _mm256_set1_epi32(c[i]), at, i);
        _mm256_storeu_si256(out + k / 8, s);
    }
    if (k < n) BlockPortable(c, m, w + k, n - k, acc + k);
}

// The taps split for 16-bit multiplies: c = lo + 65536 hi modulo 2^32, with
// lo and hi signed 16-bit halves, so that the low 32 bits of
// sum c s = sum lo s + 65536 sum hi s. Taps i and i + 1 share a 32-bit word
// (tap i in the low half), as vpmaddwd pairs them; tap m + 1 is zero.
struct PairTaps {
    uint32_t centreLo, centreHi;              // the centre tap alone
    uint32_t lo[kMaxLength / 4 + 1], hi[kMaxLength / 4 + 1];
    int32_t pairs = 0;                        // pairs (1, 2), (3, 4) ... up to tap m
    int32_t hiPairs = 0;                      // from this pair on, every high half is zero
};

inline uint32_t Half16(int32_t c, bool high) {
    const auto u = static_cast<uint32_t>(c);
    const uint32_t lo = u & 0xFFFFu;
    const uint32_t signedLo = lo >= 0x8000u ? lo - 0x10000u : lo;  // modulo 2^32
    return high ? ((u - signedLo) >> 16) & 0xFFFFu : lo;
}

void SplitTaps(const int32_t* c, int32_t m, PairTaps& t) {
    t.centreLo = Half16(c[0], false);
    t.centreHi = Half16(c[0], true);
    t.pairs = (m + 1) / 2;
    t.hiPairs = 0;
    for (int32_t p = 0; p < t.pairs; ++p) {
        const int32_t i = 1 + 2 * p;
        const int32_t next = i + 1 <= m ? c[i + 1] : 0;
        t.lo[p] = Half16(c[i], false) | Half16(next, false) << 16;
        t.hi[p] = Half16(c[i], true) | Half16(next, true) << 16;
        if (t.hi[p] != 0) t.hiPairs = p + 1;
    }
}

// Eight words (w[j], w[j + 1]) for j = 0 ... 7, w[j] in the low half.
inline __m256i PairsAt(const int16_t* w) {
    const __m256i a = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
    const __m256i b = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 1)));
    return _mm256_or_si256(a, _mm256_slli_epi32(b, 16));
}

// The pairs without high halves added to R registers of outputs from `from`.
template <int R>
inline void LowPairs(const PairTaps& t, const uint32_t* after, const uint32_t* before, int32_t from, __m256i* out) {
    __m256i sum[R];
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) sum[r] = _mm256_loadu_si256(out + from / 8 + r);
    for (int32_t p = t.hiPairs; p < t.pairs; ++p) {
        const int32_t i = 1 + 2 * p;
        const __m256i tl = _mm256_set1_epi32(static_cast<int32_t>(t.lo[p]));
#pragma GCC unroll 8
        for (int r = 0; r < R; ++r) {
            const int32_t at = from + 8 * r;
            const __m256i s = _mm256_add_epi16(Load(after + at + i), Load(before + at - i - 1));
            sum[r] = _mm256_add_epi32(sum[r], _mm256_madd_epi16(s, tl));
        }
    }
#pragma GCC unroll 8
    for (int r = 0; r < R; ++r) _mm256_storeu_si256(out + from / 8 + r, sum[r]);
}

// The words after[j] = (w[j - 1], w[j]) and before[j] = (w[j], w[j - 1])
// for j < words.
void PairWords(const int16_t* w, int32_t words, uint32_t* after, uint32_t* before) {
    int32_t j = 0;
    for (; j + 8 <= words; j += 8) {
        const __m256i p = PairsAt(w - 1 + j);
        _mm256_store_si256(reinterpret_cast<__m256i*>(after + j), p);
        _mm256_store_si256(reinterpret_cast<__m256i*>(before + j),
                           _mm256_or_si256(_mm256_srli_epi32(p, 16), _mm256_slli_epi32(p, 16)));
    }
    for (; j < words; ++j) {
        const uint32_t a = static_cast<uint16_t>(w[j - 1]), b = static_cast<uint16_t>(w[j]);
        after[j] = a | b << 16;
        before[j] = b | a << 16;
    }
}

// The centre and the pairs with high halves for the 32 outputs from k.
inline void CentreAndHighPairs(const PairTaps& t, const uint32_t* after, const uint32_t* before, int32_t k,
                               __m256i* out) {
    const __m256i centreLo = _mm256_set1_epi32(static_cast<int32_t>(t.centreLo));
    const __m256i centreHi = _mm256_set1_epi32(static_cast<int32_t>(t.centreHi));
    __m256i lo[4], hi[4];
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        const __m256i centre = Load(after + k + 8 * r);  // (w[k + m], w[k + m + 1]) against (c0, 0)
        lo[r] = _mm256_madd_epi16(centre, centreLo);
        hi[r] = _mm256_madd_epi16(centre, centreHi);
    }
    for (int32_t p = 0; p < t.hiPairs; ++p) {
        const int32_t i = 1 + 2 * p;
        const __m256i tl = _mm256_set1_epi32(static_cast<int32_t>(t.lo[p]));
        const __m256i th = _mm256_set1_epi32(static_cast<int32_t>(t.hi[p]));
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r) {
            const int32_t at = k + 8 * r;
            const __m256i s = _mm256_add_epi16(Load(after + at + i), Load(before + at - i - 1));
            lo[r] = _mm256_add_epi32(lo[r], _mm256_madd_epi16(s, tl));
            hi[r] = _mm256_add_epi32(hi[r], _mm256_madd_epi16(s, th));
        }
    }
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r)
        _mm256_storeu_si256(out + k / 8 + r, _mm256_add_epi32(lo[r], _mm256_slli_epi32(hi[r], 16)));
}

// Output k alone, from the same words.
uint32_t OnePairsOutput(const PairTaps& t, const uint32_t* after, const uint32_t* before, int32_t k) {
    const auto madd = [](uint32_t s, uint32_t c) {
        const auto part = [](uint32_t v, int shift) { return static_cast<int32_t>(static_cast<int16_t>(v >> shift)); };
        return static_cast<uint32_t>(part(s, 0) * part(c, 0)) + static_cast<uint32_t>(part(s, 16) * part(c, 16));
    };
    uint32_t lo = madd(after[k], t.centreLo), hi = madd(after[k], t.centreHi);
    for (int32_t p = 0; p < t.pairs; ++p) {
        const int32_t i = 1 + 2 * p;
        const uint32_t a = after[k + i], b = before[k - i - 1];
        const uint32_t s = ((a + b) & 0xFFFFu) | ((a >> 16) + (b >> 16)) << 16;
        lo += madd(s, t.lo[p]);
        hi += madd(s, t.hi[p]);
    }
    return lo + (hi << 16);
}

// Blocks on 16-bit samples of at most 15 bits, so that the sum of the two
// samples a symmetric pair of taps shares still fits 16 bits. After = words
// (w[j], w[j + 1]), before = (w[j + 1], w[j]): for taps i, i + 1 the late
// samples are after[k + m + i] and the early ones before[k + m - i - 1], in
// the same order, so one 16-bit add and one vpmaddwd per half do two taps.
// w holds n + 2m samples and one readable sample on either side.
void BlockPairsAvx2(const PairTaps& t, int32_t m, const int16_t* w, int32_t n, uint32_t* acc) {
    alignas(32) uint32_t afterBuf[kMaxLength + State::kBlock + 8], beforeBuf[kMaxLength + State::kBlock + 8];
    PairWords(w, n + 2 * m + 1, afterBuf, beforeBuf);  // j = -1 ... n + 2m - 1
    const uint32_t* after = afterBuf + 1 + m;    // after[k + i]: the late pair of output k
    const uint32_t* before = beforeBuf + 1 + m;  // before[k - i - 1]: the early pair
    auto* out = reinterpret_cast<__m256i*>(acc);
    const int32_t whole = n / 32 * 32;
    for (int32_t k = 0; k < whole; k += 32) CentreAndHighPairs(t, after, before, k, out);
    // The other pairs eight registers at a time (four at the end).
    int32_t k = 0;
    for (; k + 64 <= whole; k += 64) LowPairs<8>(t, after, before, k, out);
    for (; k < whole; k += 32) LowPairs<4>(t, after, before, k, out);
    for (; k < n; ++k) acc[k] = OnePairsOutput(t, after, before, k);
}

// Whether every sample lies in -16384 ... 16383; count is a multiple of 16.
bool FitsPairs(const int16_t* w, int32_t count) {
    const __m256i low = _mm256_set1_epi16(-16384), high = _mm256_set1_epi16(16383);
    __m256i outside = _mm256_setzero_si256();
    for (int32_t i = 0; i < count; i += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + i));
        outside = _mm256_or_si256(outside, _mm256_or_si256(_mm256_cmpgt_epi16(low, v), _mm256_cmpgt_epi16(v, high)));
    }
    return _mm256_testz_si256(outside, outside);
}

// Output(acc[k]) for k < n, eight at a time.
void OutputsAvx2(const uint32_t* acc, int32_t n, int16_t* out) {
    const __m256i round = _mm256_set1_epi32(kRound), low16 = _mm256_set1_epi32(0xFFFF);
    int32_t k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m256i a = _mm256_and_si256(_mm256_srai_epi32(_mm256_add_epi32(Load(acc + k), round), kFracBits), low16);
        const __m256i b = _mm256_and_si256(_mm256_srai_epi32(_mm256_add_epi32(Load(acc + k + 8), round), kFracBits), low16);
        // Values below 65536 pack without saturating; the pack works per half.
        const __m256i packed = _mm256_packus_epi32(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    for (; k < n; ++k) out[k] = Output(static_cast<int32_t>(acc[k]));
}
CORR_TARGET_END

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

struct Path {
    const char* name;
    BlockKernel kernel;  // null: single pushes
    bool pairs = false;  // 16-bit pairs where the samples allow, else kernel
};

Path BestPath() {
#ifdef FIR_X86
    // SSE2 has no 32-bit multiply: there the blocks are slower than single pushes.
    return HasAvx2() ? Path{"avx2-pairs", BlockAvx2, true} : Path{"scalar", nullptr};
#else
    return {"blocks", BlockPortable};
#endif
}

// The path every State uses; chosen once, changed only by SelectPath.
std::atomic<int> g_selected{-1};  // -1 best, 0 scalar, 1 blocks, 2 avx2, 3 avx2-pairs

Path CurrentPath() {
    switch (g_selected.load(std::memory_order_relaxed)) {
    case 0: return {"scalar", nullptr};
    case 1: return {"blocks", BlockPortable};
#ifdef FIR_X86
    case 2: return {"avx2", BlockAvx2};
    case 3: return {"avx2-pairs", BlockAvx2, true};
#endif
    default: {
        static const Path best = BestPath();
        return best;
    }
    }
}

// The next multiple of 16 above count: the zeros after a block's samples.
int32_t RoundUp16(int32_t count) { return (count + 16) & ~15; }

// The block's accumulators (see BlockKernel) from its 16-bit samples, which
// have a readable spare on either side and zeros up to RoundUp16.
void Accumulate(const Path& path, const Taps& taps, const int16_t* line, int32_t n, uint32_t* acc) {
    const int32_t m = taps.length / 2, count = taps.length - 1 + n;
#ifdef FIR_X86
    if (path.pairs && FitsPairs(line, RoundUp16(count))) {
        PairTaps split;
        SplitTaps(taps.half.data(), m, split);
        BlockPairsAvx2(split, m, line, n, acc);
        return;
    }
#endif
    int32_t wide[kMaxLength - 1 + State::kBlock];
    std::copy(line, line + count, wide);
    path.kernel(taps.half.data(), m, wide, n, acc);
}

void Outputs([[maybe_unused]] const Path& path, const uint32_t* acc, int32_t n, int16_t* out) {
#ifdef FIR_X86
    if (path.kernel == BlockAvx2) return OutputsAvx2(acc, n, out);
#endif
    for (int32_t k = 0; k < n; ++k) out[k] = Output(static_cast<int32_t>(acc[k]));
}

}  // namespace

const char* PathName() noexcept { return CurrentPath().name; }

bool SelectPath(std::string_view name) {
    int code = -1;
    if (name == "scalar") code = 0;
    else if (name == "blocks") code = 1;
#ifdef FIR_X86
    else if (name == "avx2" && HasAvx2()) code = 2;
    else if (name == "avx2-pairs" && HasAvx2()) code = 3;
#endif
    else if (!name.empty()) return false;
    g_selected.store(code, std::memory_order_relaxed);
    return true;
}

int32_t ValidLength(int32_t taps) noexcept { return std::clamp(taps | 1, 1, kMaxLength); }

Taps DesignBandTaps(const FilterBand& band, int32_t window, int32_t length) {
    Taps taps;
    taps.length = ValidLength(length);
    const int32_t m = taps.length / 2;
    taps.half.assign(static_cast<size_t>(m + 1), 0);
    for (int32_t k = 0; k <= m; ++k) {
        float h = band.highCut != 0.0f ? LowPassTap(band.highCut, k) : (k == 0 ? 1.0f : 0.0f);
        if (band.notchOn) h = h - LowPassTap(band.notchHigh, k) + LowPassTap(band.notchLow, k);
        if (band.lowCut != 0.0f) h -= LowPassTap(band.lowCut, k);
        h *= WindowFactor(window, k, taps.length);
        taps.half[static_cast<size_t>(k)] = ToQ19(h);
    }
    return taps;
}

State::State(int32_t length) : m_length(ValidLength(length)) { Reset(); }

void State::Reset() noexcept {
    // Sized once here; assign on the same size never allocates.
    m_delay.assign(2 * static_cast<size_t>(m_length), 0);
    m_pos = m_length - 1;
}

int32_t State::Push(const Taps& taps, int16_t x) noexcept {
    const int32_t n = m_length, m = n / 2;
    int32_t* delay = m_delay.data();
    delay[m_pos] = x;
    delay[m_pos + n] = x;
    if (++m_pos == n) m_pos = 0;
    // window[0] is the oldest of the last L samples, window[m] the centre.
    // The products are summed as unsigned 32-bit values: the same bits as the
    // two's-complement accumulator, without signed overflow.
    // Four running sums let the compiler keep four lanes busy.
    const int32_t* centre = delay + m_pos + m;
    const int32_t* c = taps.half.data();
    const auto term = [centre, c](int32_t i) {
        return static_cast<uint32_t>(c[i]) * static_cast<uint32_t>(centre[-i] + centre[i]);
    };
    uint32_t acc0 = static_cast<uint32_t>(c[0]) * static_cast<uint32_t>(centre[0]), acc1 = 0, acc2 = 0, acc3 = 0;
    int32_t i = 1;
    for (; i + 3 <= m; i += 4) {
        acc0 += term(i);
        acc1 += term(i + 1);
        acc2 += term(i + 2);
        acc3 += term(i + 3);
    }
    for (; i <= m; ++i) acc0 += term(i);
    return static_cast<int32_t>(acc0 + acc1 + acc2 + acc3);
}

void State::Filter(const Taps& taps, const int16_t* in, int16_t* out, int32_t n) noexcept {
    if (CurrentPath().kernel == nullptr) {
        for (int32_t i = 0; i < n; ++i) out[i] = Output(Push(taps, in[i]));
        return;
    }
    for (int32_t done = 0; done < n; done += kBlock) FilterBlock(taps, in + done, out + done, std::min(kBlock, n - done));
}

void State::FilterBlock(const Taps& taps, const int16_t* in, int16_t* out, int32_t n) noexcept {
    const Path path = CurrentPath();
    const int32_t length = m_length, history = length - 1;
    // The last L - 1 samples, then the new ones, with a spare sample on
    // either side for the pairs: on the stack, so that a state costs nothing
    // until it filters a block.
    int16_t samples[1 + kMaxLength - 1 + kBlock + 16];
    int16_t* line = samples + 1;
    samples[0] = 0;
    std::fill(line + history + n, line + RoundUp16(history + n), int16_t{0});
    int32_t* delay = m_delay.data();
    // The last L samples start at m_pos; the oldest of them is not needed.
    std::copy(delay + m_pos + 1, delay + m_pos + length, line);
    std::copy(in, in + n, line + history);
    uint32_t acc[kBlock];
    Accumulate(path, taps, line, n, acc);
    Outputs(path, acc, n, out);
    // The delay line continues with the last L samples, oldest at slot 0.
    std::copy(line + n - 1, line + n - 1 + length, delay);
    std::copy(line + n - 1, line + n - 1 + length, delay + length);
    m_pos = 0;
}

}  // namespace fir
