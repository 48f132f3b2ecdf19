#include "dsp/FftVector.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define DSP_HAVE_X86 1
#elif defined(__aarch64__)
#include <arm_neon.h>
#define DSP_HAVE_NEON 1
#endif

namespace dsp::vec {

std::vector<Complex> LaySpanTwiddles(const Complex* w, int32_t n) {
#ifdef DSP_HAVE_X86
    std::vector<Complex> spans(2 * static_cast<size_t>(n - 4));
    for (int32_t m = 8; m <= n; m <<= 1) {
        Complex* run = spans.data() + (m - 8);
        for (int32_t k = 0; k < m / 2; ++k) {
            const Complex t = w[static_cast<size_t>(k * (n / m))];
            run[2 * (k & ~3) + (k & 3)] = {t.re, t.re};
            run[2 * (k & ~3) + 4 + (k & 3)] = {t.im, t.im};
        }
    }
#else
    std::vector<Complex> spans(static_cast<size_t>(n - 4));
    for (int32_t m = 8; m <= n; m <<= 1)
        for (int32_t k = 0; k < m / 2; ++k) spans[static_cast<size_t>(m / 2 - 4 + k)] = w[static_cast<size_t>(k * (n / m))];
#endif
    return spans;
}

#ifdef DSP_HAVE_X86
namespace {

#define DSP_VECTOR __attribute__((target("avx2,fma")))

DSP_VECTOR inline __m256 Load(const Complex* p) noexcept {
    return _mm256_loadu_ps(reinterpret_cast<const float*>(p));
}
DSP_VECTOR inline void Store(Complex* p, __m256 v) noexcept {
    _mm256_storeu_ps(reinterpret_cast<float*>(p), v);
}
// Four complex values in reverse order.
DSP_VECTOR inline __m256 Reverse(__m256 v) noexcept {
    const __m256 swapped = _mm256_permute_ps(v, 0x4E);  // the two values of each half
    return _mm256_permute2f128_ps(swapped, swapped, 0x01);
}
// (re, im) -> (im, re) in every value.
DSP_VECTOR inline __m256 SwapParts(__m256 v) noexcept { return _mm256_permute_ps(v, 0xB1); }
DSP_VECTOR inline __m256 Conj(__m256 v) noexcept {
    return _mm256_xor_ps(v, _mm256_setr_ps(0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f));
}
// x * w, or x * conj(w) for the inverse.
template <bool Inverse>
DSP_VECTOR inline __m256 Mul(__m256 x, __m256 w) noexcept {
    const __m256 cross = _mm256_mul_ps(SwapParts(x), _mm256_movehdup_ps(w));
    const __m256 re = _mm256_moveldup_ps(w);
    return Inverse ? _mm256_fmsubadd_ps(x, re, cross) : _mm256_fmaddsub_ps(x, re, cross);
}
// The same product from a span table's twiddles: re = (wr, wr, ...) and
// im = (wi, wi, ...) as Mul would duplicate them, without the shuffles.
template <bool Inverse>
DSP_VECTOR inline __m256 Mul(__m256 x, __m256 re, __m256 im) noexcept {
    const __m256 cross = _mm256_mul_ps(SwapParts(x), im);
    return Inverse ? _mm256_fmsubadd_ps(x, re, cross) : _mm256_fmaddsub_ps(x, re, cross);
}
// Twiddles k ... k + 3 of a span's run in the table (see LaySpanTwiddles).
struct Twiddles {
    __m256 re, im;
};
DSP_VECTOR inline Twiddles TwiddlesAt(const Complex* run, int32_t k) noexcept {
    return {Load(run + 2 * k), Load(run + 2 * k + 4)};
}
template <bool Inverse>
DSP_VECTOR inline __m256 Mul(__m256 x, Twiddles w) noexcept {
    return Mul<Inverse>(x, w.re, w.im);
}

// -i x, or +i x for the inverse.
template <bool Inverse>
DSP_VECTOR inline __m256 Rotate(__m256 x) noexcept {
    const __m256 sign = Inverse ? _mm256_setr_ps(-0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f)
                                : _mm256_setr_ps(0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f, 0.0f, -0.0f);
    return _mm256_xor_ps(SwapParts(x), sign);
}

// Spans 2 and 4 inside one group of four values: no multiplies.
template <bool Inverse>
DSP_VECTOR inline __m256 FirstTwoSpansOf(__m256 v) noexcept {
    const __m256 sign2 = _mm256_setr_ps(1, 1, -1, -1, 1, 1, -1, -1);
    const __m256 sign4 = _mm256_setr_ps(1, 1, 1, 1, -1, -1, -1, -1);
    const __m256 rot = Inverse ? _mm256_setr_ps(1, 1, -1, 1, 1, 1, -1, 1) : _mm256_setr_ps(1, 1, 1, -1, 1, 1, 1, -1);
    // (v0 + v1, v0 - v1, v2 + v3, v2 - v3)
    const __m256 y = _mm256_add_ps(_mm256_permute_ps(v, 0x44), _mm256_mul_ps(_mm256_permute_ps(v, 0xEE), sign2));
    const __m256 lo = _mm256_permute2f128_ps(y, y, 0x00), hi = _mm256_permute2f128_ps(y, y, 0x11);
    const __m256 t = _mm256_mul_ps(_mm256_permute_ps(hi, 0xB4), rot);  // (y2, -+i y3)
    return _mm256_add_ps(lo, _mm256_mul_ps(t, sign4));
}

// Four values as a pass loads them: with spans 2 and 4 applied first when
// the pass is span 8's and takes them over (First).
template <bool Inverse, bool First>
DSP_VECTOR inline __m256 LoadGroup(const Complex* p) noexcept {
    return First ? FirstTwoSpansOf<Inverse>(Load(p)) : Load(p);
}

// One radix-2 span m over the whole transform.
template <bool Inverse, bool First = false>
DSP_VECTOR void Span(Complex* x, int32_t n, int32_t m, const Complex* w) noexcept {
    const int32_t half = m / 2;
    for (int32_t j = 0; j < n; j += m) {
        for (int32_t k = 0; k < half; k += 4) {
            const __m256 a = LoadGroup<Inverse, First>(x + j + k);
            const __m256 t = Mul<Inverse>(LoadGroup<Inverse, First>(x + j + k + half), TwiddlesAt(w, k));
            Store(x + j + k, _mm256_add_ps(a, t));
            Store(x + j + k + half, _mm256_sub_ps(a, t));
        }
    }
}

// Spans m and 2m in one pass: each value is loaded and stored once for both.
// Scaled: every result times `scale` as it is stored (the inverse's last pass).
template <bool Inverse, bool Scaled = false, bool First = false>
DSP_VECTOR void SpanPair(Complex* x, int32_t n, int32_t m, const Complex* w, const Complex* w2,
                         float scale = 1.0f) noexcept {
    const __m256 factor = _mm256_set1_ps(scale);
    const auto put = [factor](Complex* p, __m256 v) DSP_VECTOR { Store(p, Scaled ? _mm256_mul_ps(v, factor) : v); };
    const int32_t q = m / 2;
    for (int32_t j = 0; j < n; j += 2 * m) {
        Complex* g = x + j;
        for (int32_t k = 0; k < q; k += 4) {
            const Twiddles wm = TwiddlesAt(w, k);
            const __m256 x0 = LoadGroup<Inverse, First>(g + k), x1 = LoadGroup<Inverse, First>(g + k + q);
            const __m256 x2 = LoadGroup<Inverse, First>(g + k + 2 * q), x3 = LoadGroup<Inverse, First>(g + k + 3 * q);
            const __m256 t0 = Mul<Inverse>(x1, wm), t1 = Mul<Inverse>(x3, wm);
            const __m256 a0 = _mm256_add_ps(x0, t0), a1 = _mm256_sub_ps(x0, t0);
            const __m256 a2 = _mm256_add_ps(x2, t1), a3 = _mm256_sub_ps(x2, t1);
            const __m256 u = Mul<Inverse>(a2, TwiddlesAt(w2, k)), v = Mul<Inverse>(a3, TwiddlesAt(w2, k + q));
            put(g + k, _mm256_add_ps(a0, u));
            put(g + k + 2 * q, _mm256_sub_ps(a0, u));
            put(g + k + q, _mm256_add_ps(a1, v));
            put(g + k + 3 * q, _mm256_sub_ps(a1, v));
        }
    }
}

// Spans 8 ... n, and the inverse's scale; First: spans 2 and 4 as well,
// applied as the first pass loads its values.
template <bool Inverse, bool First = false>
DSP_VECTOR void LaterSpans(Complex* x, int32_t n, const Complex* spans) noexcept {
    int32_t stages = 0;
    for (int32_t s = 8; s <= n; s <<= 1) ++stages;
    const float scale = 1.0f / static_cast<float>(n);  // exact: a power of two
    int32_t m = 8;
    if (stages % 2) {  // an odd count starts with one span alone
        Span<Inverse, First>(x, n, m, spans);
        m <<= 1;
    } else if (n == 16) {  // one pair, the first and the last
        SpanPair<Inverse, Inverse, First>(x, n, m, spans, spans + 8, scale);
        return;
    } else {
        SpanPair<Inverse, false, First>(x, n, m, spans, spans + 8);
        m <<= 2;
    }
    for (; m < n / 4; m <<= 2) SpanPair<Inverse>(x, n, m, spans + m - 8, spans + 2 * m - 8);
    if (m < n)  // the last pass scales the inverse as it stores
        SpanPair<Inverse, Inverse>(x, n, m, spans + m - 8, spans + 2 * m - 8, scale);
    else if (Inverse)
        for (int32_t i = 0; i < n; i += 4) Store(x + i, _mm256_mul_ps(Load(x + i), _mm256_set1_ps(scale)));
}

// Every span of a transform whose input is in bit-reversed order.
template <bool Inverse>
DSP_VECTOR void Transform(Complex* x, int32_t n, const Complex* spans) noexcept {
    LaterSpans<Inverse, true>(x, n, spans);
}

// Bit reversal by tiles. An index of n >= 64 points splits into a top and a
// bottom of three bits each around a middle m; reversal maps row a, column c
// of the 8 x 8 tile of m (rows n/8 apart, columns neighbours) to row
// reversed c, column reversed a of the tile of reversed m. So a tile is
// transposed with its rows taken in reversed order and its rows stored in
// reversed order: whole registers, no single values. The first two spans
// work within groups of four neighbours, so they are applied to the rows as
// they are stored, sparing a pass over the transform.
constexpr int32_t kReversed3[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Four complex values (as doubles) of four rows to four columns.
DSP_VECTOR inline void Transpose4(__m256d& r0, __m256d& r1, __m256d& r2, __m256d& r3) noexcept {
    const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
    const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
    r0 = _mm256_permute2f128_pd(t0, t2, 0x20);
    r1 = _mm256_permute2f128_pd(t1, t3, 0x20);
    r2 = _mm256_permute2f128_pd(t0, t2, 0x31);
    r3 = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Four values as they are stored: with the first two spans applied (Spans
// = 0 or 1, the forward or the inverse's) or as they are (-1).
template <int Spans>
DSP_VECTOR inline void Put(Complex* p, __m256d v) noexcept {
    if constexpr (Spans < 0)
        _mm256_storeu_pd(reinterpret_cast<double*>(p), v);
    else
        Store(p, FirstTwoSpansOf<Spans == 1>(_mm256_castpd_ps(v)));
}

// The tile at `from`, reordered, into the tile at `to` (rows the strides apart).
template <int Spans>
DSP_VECTOR inline void ReverseTile(const Complex* from, int32_t fromStride, Complex* to, int32_t toStride) noexcept {
    __m256d lo[8], hi[8];  // register p: row reversed p, columns 0-3 and 4-7
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p) {
        const double* row = reinterpret_cast<const double*>(from + kReversed3[p] * fromStride);
        lo[p] = _mm256_loadu_pd(row);
        hi[p] = _mm256_loadu_pd(row + 4);
    }
    Transpose4(lo[0], lo[1], lo[2], lo[3]);
    Transpose4(lo[4], lo[5], lo[6], lo[7]);
    Transpose4(hi[0], hi[1], hi[2], hi[3]);
    Transpose4(hi[4], hi[5], hi[6], hi[7]);
    // Column c now lies in lo[c] (rows 0-3), lo[c + 4] (rows 4-7), or for c >= 4 in hi.
#pragma GCC unroll 8
    for (int c = 0; c < 8; ++c) {
        Complex* row = to + kReversed3[c] * toStride;
        Put<Spans>(row, c < 4 ? lo[c] : hi[c - 4]);
        Put<Spans>(row + 4, c < 4 ? lo[c + 4] : hi[c]);
    }
}

// The last `bits` bits of v in reverse order.
inline uint32_t ReversedBits(uint32_t v, int bits) noexcept {
    uint32_t r = 0;
    for (int k = 0; k < bits; ++k, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

// The bit reversal with the first two spans (n >= 64).
template <bool Inverse>
DSP_VECTOR void ReverseWithFirstSpans(Complex* x, int32_t n) noexcept {
    constexpr int Spans = Inverse ? 1 : 0;
    const int bits = __builtin_ctz(static_cast<uint32_t>(n)), middleBits = bits - 6;
    const int32_t stride = n / 8;
    alignas(32) Complex held[64];
    for (uint32_t m = 0; m < (1u << middleBits); ++m) {
        const uint32_t mr = ReversedBits(m, middleBits);
        if (mr < m) continue;  // that pair of tiles was exchanged from the other side
        Complex* tile = x + (m << 3);
        Complex* mirror = x + (mr << 3);
        ReverseTile<-1>(tile, stride, held, 8);
        if (mr != m) ReverseTile<Spans>(mirror, stride, tile, stride);
        for (int a = 0; a < 8; ++a) {
            Store(mirror + a * stride, FirstTwoSpansOf<Inverse>(Load(held + 8 * a)));
            Store(mirror + a * stride + 4, FirstTwoSpansOf<Inverse>(Load(held + 8 * a + 4)));
        }
    }
}

// ---- The forward transform by decimation in frequency: natural order in,
// bit-reversed order out, so that a spectrum the inverse (by decimation in
// time) takes as it is needs no reordering pass either way.

// Spans 4 and 2 inside one group of four values, forward: with
// a0 = v0 + v2, a2 = v0 - v2, a1 = v1 + v3, a3 = -i (v1 - v3), the group
// becomes (a0 + a1, a0 - a1, a2 + a3, a2 - a3).
DSP_VECTOR inline __m256 LastTwoSpansOf(__m256 v) noexcept {
    const __m128 lo = _mm256_castps256_ps128(v), hi = _mm256_extractf128_ps(v, 1);
    const __m128 sum = _mm_add_ps(lo, hi), difference = _mm_sub_ps(lo, hi);
    // -i (x + iy) = y - ix: the second value's parts swapped, the new imaginary part negated.
    const __m128 turned = _mm_xor_ps(_mm_permute_ps(difference, 0xB4), _mm_setr_ps(0.0f, 0.0f, 0.0f, -0.0f));
    const __m256 a = _mm256_insertf128_ps(_mm256_castps128_ps256(sum), turned, 1);  // (a0, a1, a2, a3)
    const __m256 sign2 = _mm256_setr_ps(1, 1, -1, -1, 1, 1, -1, -1);
    return _mm256_add_ps(_mm256_permute_ps(a, 0x44), _mm256_mul_ps(_mm256_permute_ps(a, 0xEE), sign2));
}

// Spans 2m and then m in one pass: for each pair of values a span apart,
// (a + b, (a - b) w^k). Last: the pass ends at span 8, and spans 4 and 2
// are applied to every group of four as it is stored.
template <bool Last>
DSP_VECTOR void DifPair(Complex* x, int32_t n, int32_t m, const Complex* w2m, const Complex* wm) noexcept {
    const auto put = [](Complex* p, __m256 v) DSP_VECTOR { Store(p, Last ? LastTwoSpansOf(v) : v); };
    const int32_t q = m / 2;
    for (int32_t j = 0; j < n; j += 2 * m) {
        Complex* g = x + j;
        for (int32_t k = 0; k < q; k += 4) {
            const __m256 x0 = Load(g + k), x1 = Load(g + k + q), x2 = Load(g + k + 2 * q), x3 = Load(g + k + 3 * q);
            const __m256 y0 = _mm256_add_ps(x0, x2), y1 = _mm256_add_ps(x1, x3);
            const __m256 y2 = Mul<false>(_mm256_sub_ps(x0, x2), TwiddlesAt(w2m, k));
            const __m256 y3 = Mul<false>(_mm256_sub_ps(x1, x3), TwiddlesAt(w2m, k + q));
            const Twiddles t = TwiddlesAt(wm, k);
            put(g + k, _mm256_add_ps(y0, y1));
            put(g + k + q, Mul<false>(_mm256_sub_ps(y0, y1), t));
            put(g + k + 2 * q, _mm256_add_ps(y2, y3));
            put(g + k + 3 * q, Mul<false>(_mm256_sub_ps(y2, y3), t));
        }
    }
}

// Span 8 alone (an odd count of spans from 8), then spans 4 and 2.
DSP_VECTOR void DifEight(Complex* x, int32_t n, const Complex* w8) noexcept {
    const Twiddles t = TwiddlesAt(w8, 0);
    for (int32_t j = 0; j < n; j += 8) {
        const __m256 a = Load(x + j), b = Load(x + j + 4);
        Store(x + j, LastTwoSpansOf(_mm256_add_ps(a, b)));
        Store(x + j + 4, LastTwoSpansOf(Mul<false>(_mm256_sub_ps(a, b), t)));
    }
}

// The whole forward transform of n >= 64 points, bit-reversed out.
DSP_VECTOR void DifTransform(Complex* x, int32_t n, const Complex* spans) noexcept {
    const auto run = [spans](int32_t m) { return spans + (m - 8); };  // span m's twiddles
    int32_t m = n / 2;  // the pair (2m, m) in hand
    int32_t stages = 0;
    for (int32_t s = 8; s <= n; s <<= 1) ++stages;
    const int32_t lowest = stages % 2 ? 16 : 8;  // where the pairs end
    for (; m > lowest; m >>= 2) DifPair<false>(x, n, m, run(2 * m), run(m));
    if (stages % 2) {
        DifPair<false>(x, n, 16, run(32), run(16));
        DifEight(x, n, run(8));
    } else {
        DifPair<true>(x, n, 8, run(16), run(8));
    }
}

DSP_VECTOR inline __m256 Halve(__m256 v) noexcept { return _mm256_mul_ps(v, _mm256_set1_ps(0.5f)); }

}  // namespace

const char* Name() noexcept { return Available() ? "avx2" : "plain"; }

bool Available() noexcept {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return available;
}

void Butterflies(Complex* x, int32_t n, const Complex* spans, bool inverse) noexcept {
    if (inverse)
        Transform<true>(x, n, spans);
    else
        Transform<false>(x, n, spans);
}

bool ReversedTransform(Complex* x, int32_t n, const Complex* spans, bool inverse) noexcept {
    if (inverse) {
        ReverseWithFirstSpans<true>(x, n);
        LaterSpans<true>(x, n, spans);
    } else {
        ReverseWithFirstSpans<false>(x, n);
        LaterSpans<false>(x, n, spans);
    }
    return true;
}

namespace {

// The split (Inverse false) or the merge of one pair of bins: with a = z[p],
// b = z[mirror] (bins k and h - k), d = a - conj(b), e = a + conj(b):
//   split: z[p] = (e - i d w[k]) / 2, z[mirror] = conj(e + i d w[k]) / 2,
//   merge: z[p] = (e + i d conj(w[k])) / 2, z[mirror] = conj(e - i d conj(w[k])) / 2,
// since w[h - k] = -conj(w[k]). At p = mirror the second value stays.
template <bool Inverse>
DSP_VECTOR void SplitPair(Complex* z, int32_t p, int32_t mirror, Complex wk) noexcept {
    const Complex a = z[p], b = z[mirror];
    const Complex e{a.re + b.re, a.im - b.im}, d{a.re - b.re, a.im + b.im};
    const Complex t = Inverse ? Complex{d.re * wk.re + d.im * wk.im, d.im * wk.re - d.re * wk.im}
                              : Complex{d.re * wk.re - d.im * wk.im, d.re * wk.im + d.im * wk.re};
    const Complex o = Inverse ? Complex{-t.im, t.re} : Complex{t.im, -t.re};
    z[p] = {0.5f * (e.re + o.re), 0.5f * (e.im + o.im)};
    z[mirror] = {0.5f * (e.re - o.re), -0.5f * (e.im - o.im)};
}

// The same for four pairs: low holds the four bins from k, high their
// partners in reverse order, w their twiddles.
template <bool Inverse>
DSP_VECTOR inline void SplitFour(Complex* low, Complex* high, __m256 w) noexcept {
    const __m256 a = Load(low), bc = Conj(Reverse(Load(high)));
    const __m256 e = _mm256_add_ps(a, bc), d = _mm256_sub_ps(a, bc);
    const __m256 o = Rotate<Inverse>(Mul<Inverse>(d, w));
    Store(low, Halve(_mm256_add_ps(e, o)));
    Store(high, Halve(Conj(Reverse(_mm256_sub_ps(e, o)))));
}

// Bins 1 ... n/4 and their partners, four at a time while the runs stay apart.
template <bool Inverse>
DSP_VECTOR void SplitOrMerge(Complex* z, int32_t n, const Complex* w) noexcept {
    const int32_t h = n / 2, last = n / 4;
    int32_t k = 1;
    for (; k + 4 <= last; k += 4) SplitFour<Inverse>(z + k, z + h - k - 3, Load(w + k));
    for (; k <= last; ++k) SplitPair<Inverse>(z, k, h - k, w[k]);
}

}  // namespace

void RealForwardSplit(Complex* z, int32_t n, const Complex* w) noexcept { SplitOrMerge<false>(z, n, w); }
void RealInverseMerge(Complex* z, int32_t n, const Complex* w) noexcept { SplitOrMerge<true>(z, n, w); }

// ---- The real pair's split and merge on a spectrum in bit-reversed order
// (slot p holds bin rev(p)). The slots of one octave [s, 2s) hold bins whose
// partners h - k lie in the same octave, mirrored: slot p pairs with slot
// 3s - 1 - p. The twiddles come in the same order: reversed[p] = w[rev(p)].
namespace {

template <bool Inverse>
DSP_VECTOR void ScrambledSplitOrMerge(Complex* z, int32_t n, const Complex* reversed) noexcept {
    const int32_t h = n / 2;
    for (int32_t s = 1; s < h; s <<= 1) {
        const int32_t end = s + s / 2 + (s == 1);  // the octave's first half (slot 1 is its own mirror)
        int32_t p = s;
        // Slots 3s - 4 - p ... 3s - 1 - p hold the mirrors, reversed.
        for (; s >= 8 && p + 4 <= end; p += 4) SplitFour<Inverse>(z + p, z + 3 * s - 4 - p, Load(reversed + p));
        for (; p < end; ++p) SplitPair<Inverse>(z, p, 3 * s - 1 - p, reversed[p]);
    }
}

}  // namespace

bool ScramblesAt(int32_t h) noexcept { return h >= 64 && Available(); }

void ScrambledTransform(Complex* x, int32_t n, const Complex* spans) noexcept { DifTransform(x, n, spans); }

void ScrambledSplit(Complex* z, int32_t n, const Complex* reversed, bool inverse) noexcept {
    if (inverse)
        ScrambledSplitOrMerge<true>(z, n, reversed);
    else
        ScrambledSplitOrMerge<false>(z, n, reversed);
}

#elif defined(DSP_HAVE_NEON)
namespace {

// AArch64: Advanced SIMD is part of the base architecture. Four complex
// values per step, split by the loads into a register of real and one of
// imaginary parts (LD2) and interleaved again by the stores (ST2).
using Quad = float32x4x2_t;

inline Quad Load(const Complex* p) noexcept { return vld2q_f32(reinterpret_cast<const float*>(p)); }
inline void Store(Complex* p, Quad v) noexcept { vst2q_f32(reinterpret_cast<float*>(p), v); }
inline Quad Make(float32x4_t re, float32x4_t im) noexcept {
    Quad q;
    q.val[0] = re;
    q.val[1] = im;
    return q;
}
inline Quad Add(Quad a, Quad b) noexcept { return Make(vaddq_f32(a.val[0], b.val[0]), vaddq_f32(a.val[1], b.val[1])); }
inline Quad Sub(Quad a, Quad b) noexcept { return Make(vsubq_f32(a.val[0], b.val[0]), vsubq_f32(a.val[1], b.val[1])); }
inline Quad Scale(Quad a, float f) noexcept { return Make(vmulq_n_f32(a.val[0], f), vmulq_n_f32(a.val[1], f)); }
// x * w, or x * conj(w) for the inverse.
template <bool Inverse>
inline Quad Mul(Quad x, Quad w) noexcept {
    const float32x4_t xr = x.val[0], xi = x.val[1], wr = w.val[0], wi = w.val[1];
    if (Inverse) return Make(vfmaq_f32(vmulq_f32(xr, wr), xi, wi), vfmsq_f32(vmulq_f32(xi, wr), xr, wi));
    return Make(vfmsq_f32(vmulq_f32(xr, wr), xi, wi), vfmaq_f32(vmulq_f32(xr, wi), xi, wr));
}
// -i x, or +i x for the inverse.
template <bool Inverse>
inline Quad Rotate(Quad x) noexcept {
    return Inverse ? Make(vnegq_f32(x.val[1]), x.val[0]) : Make(x.val[1], vnegq_f32(x.val[0]));
}
// Four values in reverse order, conjugated.
inline Quad ReverseConj(Quad v) noexcept {
    const float32x4_t re = vrev64q_f32(v.val[0]), im = vrev64q_f32(v.val[1]);
    return Make(vextq_f32(re, re, 2), vnegq_f32(vextq_f32(im, im, 2)));
}

// Spans 2 and 4 inside each group of four values: no multiplies. Two values
// per register here, as they lie in memory.
template <bool Inverse>
void FirstTwoSpans(Complex* x, int32_t n) noexcept {
    // -i y = (y.im, -y.re) and +i y = (-y.im, y.re), from (y.im, y.re).
    const float32x2_t rot = Inverse ? float32x2_t{-1.0f, 1.0f} : float32x2_t{1.0f, -1.0f};
    for (int32_t j = 0; j < n; j += 4) {
        float* p = reinterpret_cast<float*>(x + j);
        const float32x4_t v01 = vld1q_f32(p), v23 = vld1q_f32(p + 4);
        const float32x2_t y0 = vadd_f32(vget_low_f32(v01), vget_high_f32(v01));
        const float32x2_t y1 = vsub_f32(vget_low_f32(v01), vget_high_f32(v01));
        const float32x2_t y2 = vadd_f32(vget_low_f32(v23), vget_high_f32(v23));
        const float32x2_t y3 = vmul_f32(vrev64_f32(vsub_f32(vget_low_f32(v23), vget_high_f32(v23))), rot);
        vst1q_f32(p, vcombine_f32(vadd_f32(y0, y2), vadd_f32(y1, y3)));
        vst1q_f32(p + 4, vcombine_f32(vsub_f32(y0, y2), vsub_f32(y1, y3)));
    }
}

// One radix-2 span m over the whole transform.
template <bool Inverse>
void Span(Complex* x, int32_t n, int32_t m, const Complex* w) noexcept {
    const int32_t half = m / 2;
    for (int32_t j = 0; j < n; j += m) {
        for (int32_t k = 0; k < half; k += 4) {
            const Quad a = Load(x + j + k);
            const Quad t = Mul<Inverse>(Load(x + j + k + half), Load(w + k));
            Store(x + j + k, Add(a, t));
            Store(x + j + k + half, Sub(a, t));
        }
    }
}

// Spans m and 2m in one pass: each value is loaded and stored once for both.
template <bool Inverse>
void SpanPair(Complex* x, int32_t n, int32_t m, const Complex* w, const Complex* w2) noexcept {
    const int32_t q = m / 2;
    for (int32_t j = 0; j < n; j += 2 * m) {
        Complex* g = x + j;
        for (int32_t k = 0; k < q; k += 4) {
            const Quad wm = Load(w + k);
            const Quad x0 = Load(g + k), x1 = Load(g + k + q), x2 = Load(g + k + 2 * q), x3 = Load(g + k + 3 * q);
            const Quad t0 = Mul<Inverse>(x1, wm), t1 = Mul<Inverse>(x3, wm);
            const Quad a0 = Add(x0, t0), a1 = Sub(x0, t0), a2 = Add(x2, t1), a3 = Sub(x2, t1);
            const Quad u = Mul<Inverse>(a2, Load(w2 + k)), v = Mul<Inverse>(a3, Load(w2 + k + q));
            Store(g + k, Add(a0, u));
            Store(g + k + 2 * q, Sub(a0, u));
            Store(g + k + q, Add(a1, v));
            Store(g + k + 3 * q, Sub(a1, v));
        }
    }
}

template <bool Inverse>
void Transform(Complex* x, int32_t n, const Complex* spans) noexcept {
    FirstTwoSpans<Inverse>(x, n);
    int32_t m = 8;
    int32_t stages = 0;
    for (int32_t s = 8; s <= n; s <<= 1) ++stages;
    if (stages % 2) {  // an odd count starts with one span alone
        Span<Inverse>(x, n, m, spans + m / 2 - 4);
        m <<= 1;
    }
    for (; m < n; m <<= 2) SpanPair<Inverse>(x, n, m, spans + m / 2 - 4, spans + m - 4);
    if (Inverse) {
        const float scale = 1.0f / static_cast<float>(n);  // exact: a power of two
        for (int32_t i = 0; i < n; i += 4) Store(x + i, Scale(Load(x + i), scale));
    }
}

// The split (Inverse false) or the merge over bins 1 ... n/4, as the x86
// path: four k per step while the two runs stay apart, then one at a time.
template <bool Inverse>
void SplitOrMerge(Complex* z, int32_t n, const Complex* w) noexcept {
    const int32_t h = n / 2, last = n / 4;
    int32_t k = 1;
    for (; k + 4 <= last; k += 4) {
        const Quad a = Load(z + k), bc = ReverseConj(Load(z + h - k - 3));
        const Quad e = Add(a, bc), d = Sub(a, bc);
        const Quad o = Rotate<Inverse>(Mul<Inverse>(d, Load(w + k)));
        Store(z + k, Scale(Add(e, o), 0.5f));
        Store(z + h - k - 3, Scale(ReverseConj(Sub(e, o)), 0.5f));
    }
    for (; k <= last; ++k) {
        const Complex a = z[k], b = z[h - k], wk = w[k];
        const Complex e{a.re + b.re, a.im - b.im}, d{a.re - b.re, a.im + b.im};
        const Complex p = Inverse ? Complex{d.re * wk.re + d.im * wk.im, d.im * wk.re - d.re * wk.im}
                                  : Complex{d.re * wk.re - d.im * wk.im, d.re * wk.im + d.im * wk.re};
        const Complex o = Inverse ? Complex{-p.im, p.re} : Complex{p.im, -p.re};
        z[k] = {0.5f * (e.re + o.re), 0.5f * (e.im + o.im)};
        z[h - k] = {0.5f * (e.re - o.re), -0.5f * (e.im - o.im)};
    }
}

}  // namespace

bool Available() noexcept { return true; }
const char* Name() noexcept { return "neon"; }
bool ReversedTransform(Complex*, int32_t, const Complex*, bool) noexcept { return false; }  // the plain order

void Butterflies(Complex* x, int32_t n, const Complex* spans, bool inverse) noexcept {
    if (inverse)
        Transform<true>(x, n, spans);
    else
        Transform<false>(x, n, spans);
}

void RealForwardSplit(Complex* z, int32_t n, const Complex* w) noexcept { SplitOrMerge<false>(z, n, w); }
void RealInverseMerge(Complex* z, int32_t n, const Complex* w) noexcept { SplitOrMerge<true>(z, n, w); }
bool ScramblesAt(int32_t) noexcept { return false; }
void ScrambledTransform(Complex*, int32_t, const Complex*) noexcept {}
void ScrambledSplit(Complex*, int32_t, const Complex*, bool) noexcept {}

#else  // no vector butterflies on this architecture

bool Available() noexcept { return false; }
const char* Name() noexcept { return "plain"; }
bool ReversedTransform(Complex*, int32_t, const Complex*, bool) noexcept { return false; }
void Butterflies(Complex*, int32_t, const Complex*, bool) noexcept {}
void RealForwardSplit(Complex*, int32_t, const Complex*) noexcept {}
void RealInverseMerge(Complex*, int32_t, const Complex*) noexcept {}
bool ScramblesAt(int32_t) noexcept { return false; }
void ScrambledTransform(Complex*, int32_t, const Complex*) noexcept {}
void ScrambledSplit(Complex*, int32_t, const Complex*, bool) noexcept {}

#endif

}  // namespace dsp::vec
