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
CORR_TARGET_END

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

struct Path {
    const char* name;
    BlockKernel kernel;  // null: single pushes
};

Path BestPath() {
#ifdef FIR_X86
    // SSE2 has no 32-bit multiply: there the blocks are slower than single pushes.
    return HasAvx2() ? Path{"avx2", BlockAvx2} : Path{"scalar", nullptr};
#else
    return {"blocks", BlockPortable};
#endif
}

// The path every State uses; chosen once, changed only by SelectPath.
std::atomic<int> g_selected{-1};  // -1 best, 0 scalar, 1 blocks, 2 avx2

Path CurrentPath() {
    switch (g_selected.load(std::memory_order_relaxed)) {
    case 0: return {"scalar", nullptr};
    case 1: return {"blocks", BlockPortable};
#ifdef FIR_X86
    case 2: return {"avx2", BlockAvx2};
#endif
    default: {
        static const Path best = BestPath();
        return best;
    }
    }
}

}  // namespace

const char* PathName() noexcept { return CurrentPath().name; }

bool SelectPath(std::string_view name) {
    int code = -1;
    if (name == "scalar") code = 0;
    else if (name == "blocks") code = 1;
#ifdef FIR_X86
    else if (name == "avx2" && HasAvx2()) code = 2;
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
    const int32_t length = m_length, history = length - 1;
    // The last L - 1 samples, then the new ones: 20 KiB at the longest, on
    // the stack so that a state costs nothing until it filters a block.
    int32_t line[kMaxLength - 1 + kBlock];
    int32_t* delay = m_delay.data();
    // The last L samples start at m_pos; the oldest of them is not needed.
    std::copy(delay + m_pos + 1, delay + m_pos + length, line);
    std::copy(in, in + n, line + history);
    uint32_t acc[kBlock];
    CurrentPath().kernel(taps.half.data(), length / 2, line, n, acc);
    for (int32_t k = 0; k < n; ++k) out[k] = Output(static_cast<int32_t>(acc[k]));
    // The delay line continues with the last L samples, oldest at slot 0.
    std::copy(line + n - 1, line + n - 1 + length, delay);
    std::copy(line + n - 1, line + n - 1 + length, delay + length);
    m_pos = 0;
}

}  // namespace fir
