#include "dsp/DSPLib.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dsp/FftVector.h"

namespace dsp {
namespace {

constexpr float kPi = 3.1415927f;

inline Complex Mul(Complex a, Complex b) noexcept {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Complex Conj(Complex a) noexcept { return {a.re, -a.im}; }
inline Complex Add(Complex a, Complex b) noexcept { return {a.re + b.re, a.im + b.im}; }
inline Complex Sub(Complex a, Complex b) noexcept { return {a.re - b.re, a.im - b.im}; }
inline Complex Half(Complex a) noexcept { return {0.5f * a.re, 0.5f * a.im}; }
inline Complex TimesMinusI(Complex a) noexcept { return {a.im, -a.re}; }
inline Complex TimesI(Complex a) noexcept { return {-a.im, a.re}; }

// The last `bits` bits of v in reverse order.
inline uint32_t Reversed(uint32_t v, int bits) noexcept {
    uint32_t r = 0;
    for (int k = 0; k < bits; ++k, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

// Swaps x[i] with x[reversed i]. An index splits into a top and a bottom of
// three bits each around a middle; reversal swaps the top with the reversed
// bottom, so the tile of one middle m (8 runs of 8 neighbours) exchanges with
// the tile of reversed m, and every access stays within 16 cache lines.
void BitReverse(Complex* x, int32_t n) noexcept {
    constexpr int kEdge = 3, kSide = 1 << kEdge;
    constexpr uint32_t kEdgeReversed[kSide] = {0, 4, 2, 6, 1, 5, 3, 7};
    const int bits = __builtin_ctz(static_cast<uint32_t>(n));
    if (bits < 2 * kEdge) {
        for (uint32_t i = 1; i < static_cast<uint32_t>(n); ++i) {
            const uint32_t j = Reversed(i, bits);
            if (i < j) std::swap(x[i], x[j]);
        }
        return;
    }
    const int middleBits = bits - 2 * kEdge, topShift = bits - kEdge;
    for (uint32_t m = 0; m < (1u << middleBits); ++m) {
        const uint32_t mr = Reversed(m, middleBits);
        if (mr < m) continue;  // that pair of tiles was exchanged from the other side
        Complex* tile = x + (m << kEdge);
        Complex* mirror = x + (mr << kEdge);
        for (uint32_t a = 0; a < kSide; ++a) {
            for (uint32_t c = 0; c < kSide; ++c) {
                const uint32_t i = (a << topShift) | c, j = (kEdgeReversed[c] << topShift) | kEdgeReversed[a];
                if (m != mr || i < j) std::swap(tile[i], mirror[j]);  // within one tile, each pair once
            }
        }
    }
}

// x[a] += t, x[b] = x[a] - t with t = x[b] * w (w conjugated for the inverse).
template <bool Inverse>
inline void Butterfly(Complex* x, int32_t a, int32_t b, Complex w) noexcept {
    const Complex t = Mul(x[b], Inverse ? Conj(w) : w);
    const Complex u = x[a];
    x[a] = Add(u, t);
    x[b] = Sub(u, t);
}

// Spans 2 and 4, whose twiddles are 1 and -i (+i inverse): no multiplies.
template <bool Inverse>
void FirstTwoStages(Complex* x, int32_t n) noexcept {
    for (int32_t j = 0; j < n; j += 2) {
        const Complex u = x[j], v = x[j + 1];
        x[j] = Add(u, v);
        x[j + 1] = Sub(u, v);
    }
    for (int32_t j = 0; j + 3 < n; j += 4) {
        const Complex u0 = x[j], t0 = x[j + 2];
        const Complex u1 = x[j + 1], t1 = Inverse ? TimesI(x[j + 3]) : TimesMinusI(x[j + 3]);
        x[j] = Add(u0, t0);
        x[j + 2] = Sub(u0, t0);
        x[j + 1] = Add(u1, t1);
        x[j + 3] = Sub(u1, t1);
    }
}

template <bool Inverse>
void Transform(Complex* x, int32_t n, const Complex* w) noexcept {
    BitReverse(x, n);
    FirstTwoStages<Inverse>(x, n);
    for (int32_t m = 8; m <= n; m <<= 1) {
        const int32_t half = m >> 1, stride = n / m;
        for (int32_t j = 0; j < n; j += m) {
            Complex* g = x + j;
            // half is a multiple of four from span 8 on.
            for (int32_t k = 0; k < half; k += 4) {
                Butterfly<Inverse>(g, k, k + half, w[k * stride]);
                Butterfly<Inverse>(g, k + 1, k + 1 + half, w[(k + 1) * stride]);
                Butterfly<Inverse>(g, k + 2, k + 2 + half, w[(k + 2) * stride]);
                Butterfly<Inverse>(g, k + 3, k + 3 + half, w[(k + 3) * stride]);
            }
        }
    }
    if (Inverse) {
        const float scale = 1.0f / static_cast<float>(n);  // exact: n is a power of two
        for (int32_t i = 0; i < n; ++i) x[i] = {x[i].re * scale, x[i].im * scale};
    }
}

}  // namespace

std::vector<Complex> BuildTwiddles(int32_t n) {
    std::vector<Complex> table(static_cast<size_t>(std::max(n / 2, 1)), Complex{1.0f, 0.0f});
    const int32_t quarter = n / 4;
    for (int32_t k = 0; k < quarter; ++k) {
        const float a = (static_cast<float>(2 * k) * kPi) / static_cast<float>(n);
        const float c = std::cos(a), s = std::sin(a);
        table[static_cast<size_t>(k)] = {c, -s};
        table[static_cast<size_t>(quarter + k)] = {-s, -c};
    }
    return table;  // size 2: the single entry stays 1
}

std::vector<Complex> BuildSpanTwiddles(int32_t n) {
    if (n < 8) return {};
    return vec::LaySpanTwiddles(BuildTwiddles(n).data(), n);
}

const std::vector<Complex>& TwiddleCache::Table(int32_t n) {
    std::lock_guard<std::mutex> hold(m_lock);
    auto& slot = m_tables[n];
    if (!slot) slot = std::make_unique<const std::vector<Complex>>(BuildTwiddles(n));
    return *slot;
}

const std::vector<Complex>& TwiddleCache::SpanTable(int32_t n) {
    std::lock_guard<std::mutex> hold(m_lock);
    auto& slot = m_spans[n];
    if (!slot) slot = std::make_unique<const std::vector<Complex>>(BuildSpanTwiddles(n));
    return *slot;
}

const std::vector<Complex>& TwiddleCache::ScrambledTable(int32_t n) {
    const std::vector<Complex>& table = Table(n);
    std::lock_guard<std::mutex> hold(m_lock);
    auto& slot = m_scrambled[n];
    if (!slot) {
        const int32_t h = n / 2;
        const int bits = __builtin_ctz(static_cast<uint32_t>(h));
        auto reversed = std::make_unique<std::vector<Complex>>(static_cast<size_t>(h));
        for (int32_t p = 0; p < h; ++p) {
            uint32_t k = 0;
            for (int b = 0; b < bits; ++b) k |= ((static_cast<uint32_t>(p) >> b) & 1u) << (bits - 1 - b);
            (*reversed)[static_cast<size_t>(p)] = table[k];
        }
        slot = std::move(reversed);
    }
    return *slot;
}

size_t TwiddleCache::Count() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_tables.size();
}

bool TwiddleCache::Holds(int32_t n) const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_tables.count(n) != 0;
}

TwiddleCache& ProgramTwiddles() {
    static TwiddleCache cache;
    return cache;
}

void FftKernel(Complex* data, int32_t n, const Complex* w, bool inverse, const Complex* spans) noexcept {
    if (n < 2) return;
    if (spans && n >= 8 && vec::Available()) {
        if (n >= 64 && vec::ReversedTransform(data, n, spans, inverse)) return;
        BitReverse(data, n);
        vec::Butterflies(data, n, spans, inverse);
        return;
    }
    if (inverse)
        Transform<true>(data, n, w);
    else
        Transform<false>(data, n, w);
}

namespace {

// Bins 0 and h of the real pair, which pair with no other bin.
void ForwardEdges(Complex* z, int32_t h) noexcept {
    const Complex z0 = z[0];
    z[h] = {z0.re - z0.im, 0.0f};
    z[0] = {z0.re + z0.im, 0.0f};
}

void InverseEdges(Complex* z, int32_t h) noexcept {
    const float x0 = z[0].re, xh = z[h].re;
    z[0] = {0.5f * (x0 + xh), 0.5f * (x0 - xh)};
}

}  // namespace

void RealForwardKernel(float* data, int32_t n, const Complex* w, const Complex* wHalf,
                       const Complex* spans) noexcept {
    const int32_t h = n / 2;
    Complex* z = reinterpret_cast<Complex*>(data);
    FftKernel(z, h, wHalf, false, spans);
    ForwardEdges(z, h);
    if (spans && vec::Available()) {
        vec::RealForwardSplit(z, n, w);
        return;
    }
    for (int32_t k = 1; k <= n / 4; ++k) {
        const Complex a = z[k], b = z[h - k];
        // Evens' spectrum E and odds' spectrum O of the pair k, h - k.
        const Complex e1 = Add(a, Conj(b)), o1 = Mul(TimesMinusI(Sub(a, Conj(b))), w[k]);
        const Complex e2 = Add(b, Conj(a)), o2 = Mul(TimesMinusI(Sub(b, Conj(a))), w[h - k]);
        z[k] = Half(Add(e1, o1));
        z[h - k] = Half(Add(e2, o2));
    }
}

void RealInverseKernel(float* data, int32_t n, const Complex* w, const Complex* wHalf,
                       const Complex* spans) noexcept {
    const int32_t h = n / 2;
    Complex* z = reinterpret_cast<Complex*>(data);
    InverseEdges(z, h);
    if (spans && vec::Available()) {
        vec::RealInverseMerge(z, n, w);
        FftKernel(z, h, wHalf, true, spans);
        return;
    }
    for (int32_t k = 1; k <= n / 4; ++k) {
        const Complex a = z[k], b = z[h - k];
        const Complex e1 = Add(a, Conj(b)), o1 = Mul(Sub(a, Conj(b)), Conj(w[k]));
        const Complex e2 = Add(b, Conj(a)), o2 = Mul(Sub(b, Conj(a)), Conj(w[h - k]));
        z[k] = Half(Add(e1, TimesI(o1)));
        z[h - k] = Half(Add(e2, TimesI(o2)));
    }
    FftKernel(z, h, wHalf, true);
}

void FftForward(Complex* data, int32_t n, TwiddleCache& cache) {
    FftKernel(data, n, cache.Table(n).data(), false, cache.SpanTable(n).data());
}

void FftInverse(Complex* data, int32_t n, TwiddleCache& cache) {
    FftKernel(data, n, cache.Table(n).data(), true, cache.SpanTable(n).data());
}

void RealFftForward(float* data, int32_t n, TwiddleCache& cache) {
    RealForwardKernel(data, n, cache.Table(n).data(), cache.Table(n / 2).data(),
                      cache.SpanTable(n / 2).data());
}

void RealFftForwardAnyOrder(float* data, int32_t n, TwiddleCache& cache) {
    const int32_t h = n / 2;
    if (!vec::ScramblesAt(h)) return RealFftForward(data, n, cache);
    Complex* z = reinterpret_cast<Complex*>(data);
    vec::ScrambledTransform(z, h, cache.SpanTable(h).data());
    ForwardEdges(z, h);
    vec::ScrambledSplit(z, n, cache.ScrambledTable(n).data(), false);
}

void RealFftInverseAnyOrder(float* data, int32_t n, TwiddleCache& cache) {
    const int32_t h = n / 2;
    if (!vec::ScramblesAt(h)) return RealFftInverse(data, n, cache);
    Complex* z = reinterpret_cast<Complex*>(data);
    InverseEdges(z, h);
    vec::ScrambledSplit(z, n, cache.ScrambledTable(n).data(), true);
    vec::Butterflies(z, h, cache.SpanTable(h).data(), true);
}

void RealFftInverse(float* data, int32_t n, TwiddleCache& cache) {
    RealInverseKernel(data, n, cache.Table(n).data(), cache.Table(n / 2).data(),
                      cache.SpanTable(n / 2).data());
}

}  // namespace dsp
