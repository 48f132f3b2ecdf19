// The FFT engine's overlap-save block: the samples to floats, two real
// transforms, the product of the spectra, one inverse, scaled and rounded into
// the accumulators. The steps around the transforms run eight values per
// register on CPUs with AVX2, four with NEON on 64-bit ARM, and give the same
// values as the plain loops.

#include <algorithm>
#include <cmath>

#include "dsp/CorrelationKernel.h"
#include "dsp/DSPLib.h"
#include "dsp/FftVector.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define CORR_HAVE_X86 1
#elif defined(__aarch64__)
#include <arm_neon.h>
#define CORR_HAVE_NEON 1
#endif

namespace corr {
namespace {

// Rounds v * 2^-16 to the nearest integer, halves up, as the plain path does.
inline int64_t Rounded(float v) noexcept { return static_cast<int64_t>(std::floor(v * kFftScale + 0.5f)); }

void ToFloatsPlain(const int16_t* in, int32_t n, float* out) noexcept {
    for (int32_t i = 0; i < n; ++i) out[i] = in[i];
}

// out[-j] = in[j] for j < n: out points at the last value written.
void ReversedPlain(const int16_t* in, int32_t n, float* out) noexcept {
    for (int32_t j = 0; j < n; ++j) out[-j] = in[j];
}

// a = a * b over `bins` interleaved complex values.
void MultiplyPlain(float* a, const float* b, int32_t bins) noexcept {
    for (int32_t k = 0; k < bins; ++k) {
        const float re = a[2 * k] * b[2 * k] - a[2 * k + 1] * b[2 * k + 1];
        const float im = a[2 * k] * b[2 * k + 1] + a[2 * k + 1] * b[2 * k];
        a[2 * k] = re;
        a[2 * k + 1] = im;
    }
}

void RoundIntoPlain(const float* v, int32_t n, int64_t* c) noexcept {
    for (int32_t i = 0; i < n; ++i) c[i] += Rounded(v[i]);
}

#ifdef CORR_HAVE_X86
#define CORR_VECTOR __attribute__((target("avx2")))

CORR_VECTOR void ToFloatsAvx2(const int16_t* in, int32_t n, float* out) noexcept {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm256_storeu_ps(out + i, _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(s)));
    }
    ToFloatsPlain(in + i, n - i, out + i);
}

CORR_VECTOR void ReversedAvx2(const int16_t* in, int32_t n, float* out) noexcept {
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + j));
        const __m256 f = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(s));
        _mm256_storeu_ps(out - j - 7, _mm256_permutevar8x32_ps(f, reverse));
    }
    ReversedPlain(in + j, n - j, out - j);
}

// Products without fused multiply-adds, so that they round as the plain loop.
CORR_VECTOR void MultiplyAvx2(float* a, const float* b, int32_t bins) noexcept {
    int32_t k = 0;
    for (; k + 4 <= bins; k += 4) {
        const __m256 x = _mm256_loadu_ps(a + 2 * k), y = _mm256_loadu_ps(b + 2 * k);
        const __m256 straight = _mm256_mul_ps(x, _mm256_moveldup_ps(y));                     // (ar br, ai br)
        const __m256 cross = _mm256_mul_ps(_mm256_permute_ps(x, 0xB1), _mm256_movehdup_ps(y));  // (ai bi, ar bi)
        _mm256_storeu_ps(a + 2 * k, _mm256_addsub_ps(straight, cross));
    }
    MultiplyPlain(a + 2 * k, b + 2 * k, bins - k);
}

// Eight at a time while every value fits 32 bits (always, for the unit's
// sample widths and block sizes); a wider group takes the plain path.
CORR_VECTOR void RoundIntoAvx2(const float* v, int32_t n, int64_t* c) noexcept {
    const __m256 scale = _mm256_set1_ps(kFftScale), half = _mm256_set1_ps(0.5f);
    const __m256 limit = _mm256_set1_ps(2147483648.0f);
    const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 r = _mm256_floor_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_loadu_ps(v + i), scale), half));
        if (_mm256_movemask_ps(_mm256_cmp_ps(_mm256_and_ps(r, magnitude), limit, _CMP_NLT_UQ))) {
            RoundIntoPlain(v + i, 8, c + i);
            continue;
        }
        const __m256i w = _mm256_cvtps_epi32(r);
        __m256i* o = reinterpret_cast<__m256i*>(c + i);
        const __m256i lo = _mm256_cvtepi32_epi64(_mm256_castsi256_si128(w));
        const __m256i hi = _mm256_cvtepi32_epi64(_mm256_extracti128_si256(w, 1));
        _mm256_storeu_si256(o, _mm256_add_epi64(_mm256_loadu_si256(o), lo));
        _mm256_storeu_si256(o + 1, _mm256_add_epi64(_mm256_loadu_si256(o + 1), hi));
    }
    RoundIntoPlain(v + i, n - i, c + i);
}
#endif

#ifdef CORR_HAVE_NEON
void ToFloatsNeon(const int16_t* in, int32_t n, float* out) noexcept {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const int16x8_t s = vld1q_s16(in + i);
        vst1q_f32(out + i, vcvtq_f32_s32(vmovl_s16(vget_low_s16(s))));
        vst1q_f32(out + i + 4, vcvtq_f32_s32(vmovl_high_s16(s)));
    }
    ToFloatsPlain(in + i, n - i, out + i);
}

// Four floats in reverse order.
inline float32x4_t Reverse4(float32x4_t v) noexcept {
    const float32x4_t pairs = vrev64q_f32(v);
    return vextq_f32(pairs, pairs, 2);
}

void ReversedNeon(const int16_t* in, int32_t n, float* out) noexcept {
    int32_t j = 0;
    for (; j + 8 <= n; j += 8) {
        const int16x8_t s = vld1q_s16(in + j);
        vst1q_f32(out - j - 3, Reverse4(vcvtq_f32_s32(vmovl_s16(vget_low_s16(s)))));
        vst1q_f32(out - j - 7, Reverse4(vcvtq_f32_s32(vmovl_high_s16(s))));
    }
    ReversedPlain(in + j, n - j, out - j);
}

// Separate multiplies and adds (the build contracts none), so that the
// products round as the plain loop's.
void MultiplyNeon(float* a, const float* b, int32_t bins) noexcept {
    int32_t k = 0;
    for (; k + 4 <= bins; k += 4) {
        const float32x4x2_t x = vld2q_f32(a + 2 * k), y = vld2q_f32(b + 2 * k);
        float32x4x2_t p;
        p.val[0] = vsubq_f32(vmulq_f32(x.val[0], y.val[0]), vmulq_f32(x.val[1], y.val[1]));
        p.val[1] = vaddq_f32(vmulq_f32(x.val[0], y.val[1]), vmulq_f32(x.val[1], y.val[0]));
        vst2q_f32(a + 2 * k, p);
    }
    MultiplyPlain(a + 2 * k, b + 2 * k, bins - k);
}

// Whole values through doubles into 64 bits, so no width needs a check.
void RoundIntoNeon(const float* v, int32_t n, int64_t* c) noexcept {
    const float32x4_t scale = vdupq_n_f32(kFftScale), half = vdupq_n_f32(0.5f);
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const float32x4_t r = vrndmq_f32(vaddq_f32(vmulq_f32(vld1q_f32(v + i), scale), half));
        vst1q_s64(c + i, vaddq_s64(vld1q_s64(c + i), vcvtq_s64_f64(vcvt_f64_f32(vget_low_f32(r)))));
        vst1q_s64(c + i + 2, vaddq_s64(vld1q_s64(c + i + 2), vcvtq_s64_f64(vcvt_high_f64_f32(r))));
    }
    RoundIntoPlain(v + i, n - i, c + i);
}
#endif

struct BlockSteps {
    void (*toFloats)(const int16_t*, int32_t, float*) noexcept;
    void (*reversed)(const int16_t*, int32_t, float*) noexcept;
    void (*multiply)(float*, const float*, int32_t) noexcept;
    void (*roundInto)(const float*, int32_t, int64_t*) noexcept;
};

const BlockSteps& Steps() {
    static const BlockSteps steps = [] {
#ifdef CORR_HAVE_X86
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2"))
            return BlockSteps{ToFloatsAvx2, ReversedAvx2, MultiplyAvx2, RoundIntoAvx2};
#endif
#ifdef CORR_HAVE_NEON
        return BlockSteps{ToFloatsNeon, ReversedNeon, MultiplyNeon, RoundIntoNeon};
#endif
        return BlockSteps{ToFloatsPlain, ReversedPlain, MultiplyPlain, RoundIntoPlain};
    }();
    return steps;
}

}  // namespace

void FftBlock(const int16_t* red, const int16_t* blue, int32_t lags, int32_t fftSize, float* a,
              float* b, int64_t* c) {
    const BlockSteps& steps = Steps();
    const int32_t newSamples = fftSize - 2 * lags;
    steps.toFloats(red, fftSize, a);
    a[fftSize] = a[fftSize + 1] = 0.0f;
    // Blue reversed into b[L + 1 ... N - L], so that the product of the
    // spectra is a correlation; zeros around it.
    std::fill(b, b + lags + 1, 0.0f);
    steps.reversed(blue, newSamples, b + fftSize - lags);
    std::fill(b + fftSize - lags + 1, b + fftSize + 2, 0.0f);
    // The product treats every bin alike, so the spectra may come in any order.
    dsp::RealFftForwardAnyOrder(a, fftSize);
    dsp::RealFftForwardAnyOrder(b, fftSize);
    steps.multiply(a, b, fftSize / 2 + 1);
    dsp::RealFftInverseAnyOrder(a, fftSize);
    steps.roundInto(a, lags + 1, c + lags);              // lags 0 ... +L
    steps.roundInto(a + fftSize - lags, lags, c);        // lags -L ... -1
}

}  // namespace corr
