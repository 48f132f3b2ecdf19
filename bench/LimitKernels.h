// bench/LimitKernels.h — bench_correlation's register-blocked limit kernels,
// written once for every instruction set. Included by bench_correlation.cpp
// only, inside a namespace per instruction set (and that set's target
// region), after the definition of Ops:
//   Ops::W               lags per register (32-bit lanes)
//   Ops::Acc             one register of W 32-bit sums
//   Ops::Zero()          a register of zeros
//   Ops::Red(p)          the W sample pairs from p (2 W values)
//   Ops::Spread(bp)      the Blue pair bp[0], bp[1] in every lane
//   Ops::Dot(acc, r, b)  acc + the lanes' pair products of r with b
//   Ops::Get(p), Put(p, acc)  W 32-bit sums from and to memory
//   Ops::Widen(acc, out) out[l] += acc lane l, sign-extended, l < W
// and of Limit (the work areas) and kPairsPerFlush.
//
// Every kernel works on the pair layout of Limit (entry 2 m holds a[m], entry
// 2 m + 1 holds a[m + 1]), so lane l of the Red vector at sample x holds the
// pair a[x + l], a[x + l + 1], and keeps at most kPairsPerFlush pairs in a
// 32-bit sum before widening it into the 64-bit results.

// Blue slides past: register t (lags j + W t ...) takes the Blue pair W t
// samples behind the current one, so one Red load serves all R registers.
// Blue is padded with W (R - 1) zeros in front.
template <int R>
void Slide(const int16_t* pairs, const int16_t* bz, int32_t n, int32_t lagCount, int64_t* out) noexcept {
    constexpr int32_t W = Ops::W;
    const int32_t end = n + W * (R - 1);
    for (int32_t j = 0; j < lagCount; j += W * R) {
        for (int32_t q0 = 0; q0 < end; q0 += 2 * kPairsPerFlush) {
            typename Ops::Acc acc[R];
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) acc[t] = Ops::Zero();
            const int32_t stop = std::min(end, q0 + 2 * kPairsPerFlush);
            for (int32_t q = q0; q < stop; q += 2) {
                const typename Ops::Acc red = Ops::Red(pairs + 2 * (j + q));
#pragma GCC unroll 16
                for (int t = 0; t < R; ++t) acc[t] = Ops::Dot(acc[t], red, Ops::Spread(bz + q - W * t));
            }
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) Ops::Widen(acc[t], out + j + W * t);
        }
    }
}

// Blue broadcast once per step for a tile of R registers, each register
// loading its own Red vector: no ramps, R + 1 loads per R multiply-adds.
template <int R>
void Rows(const int16_t* pairs, const int16_t* blue, int32_t n, int32_t lagCount, int64_t* out) noexcept {
    constexpr int32_t W = Ops::W;
    for (int32_t j = 0; j < lagCount; j += W * R) {
        for (int32_t q0 = 0; q0 < n; q0 += 2 * kPairsPerFlush) {
            typename Ops::Acc acc[R];
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) acc[t] = Ops::Zero();
            const int32_t stop = std::min(n, q0 + 2 * kPairsPerFlush);
            for (int32_t q = q0; q < stop; q += 2) {
                const typename Ops::Acc bb = Ops::Spread(blue + q);
#pragma GCC unroll 16
                for (int t = 0; t < R; ++t) acc[t] = Ops::Dot(acc[t], Ops::Red(pairs + 2 * (j + W * t + q)), bb);
            }
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) Ops::Widen(acc[t], out + j + W * t);
        }
    }
}

// One window: B Blue pairs, broadcast into registers by SpreadWindow, and
// each Red vector the R registers need for them loaded once.
// Register t needs the Red vector at sample W t + 2 i for Blue pair i, so the
// vector at 2 u serves every t with 0 <= u - W t / 2 < B.
template <int B>
__attribute__((always_inline)) inline void SpreadWindow(const int16_t* blue, typename Ops::Acc* bb) noexcept {
#pragma GCC unroll 32
    for (int i = 0; i < B; ++i) bb[i] = Ops::Spread(blue + 2 * i);
}

template <int R, int B>
__attribute__((always_inline)) inline void Window(const int16_t* red, const typename Ops::Acc* bb,
                                                  typename Ops::Acc* acc) noexcept {
    constexpr int32_t half = Ops::W / 2, steps = half * (R - 1) + B;
#pragma GCC unroll 256
    for (int u = 0; u < steps; ++u) {
        const typename Ops::Acc v = Ops::Red(red + 4 * u);
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) {
            const int i = u - half * t;
            if (i >= 0 && i < B) acc[t] = Ops::Dot(acc[t], v, bb[i]);
        }
    }
}

// Tiles outside, windows inside: the R sums stay in registers across the
// windows of a flush. blue holds n samples padded with zeros to whole windows.
template <int R, int B>
void WindowTiles(const int16_t* pairs, const int16_t* blue, int32_t n, int32_t lagCount, int64_t* out) noexcept {
    constexpr int32_t W = Ops::W, perFlush = kPairsPerFlush / B;
    for (int32_t j = 0; j < lagCount; j += W * R) {
        for (int32_t k = 0; k < n;) {
            typename Ops::Acc acc[R];
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) acc[t] = Ops::Zero();
            for (int32_t w = 0; w < perFlush && k < n; ++w, k += 2 * B) {
                typename Ops::Acc bb[B];
                SpreadWindow<B>(blue + k, bb);
                Window<R, B>(pairs + 2 * (j + k), bb, acc);
            }
#pragma GCC unroll 16
            for (int t = 0; t < R; ++t) Ops::Widen(acc[t], out + j + W * t);
        }
    }
}

// Windows outside, tiles inside: each Blue window is broadcast once for all
// lags, the 32-bit sums of every lag kept in part between windows.
template <int R, int B>
void WindowSweep(const int16_t* pairs, const int16_t* blue, int32_t n, int32_t lagCount, int64_t* out,
                 int32_t* part) noexcept {
    constexpr int32_t W = Ops::W, perFlush = kPairsPerFlush / B;
    for (int32_t k = 0; k < n;) {
        std::fill(part, part + lagCount + W * R, 0);
        for (int32_t w = 0; w < perFlush && k < n; ++w, k += 2 * B) {
            typename Ops::Acc bb[B];
            SpreadWindow<B>(blue + k, bb);
            for (int32_t j = 0; j < lagCount; j += W * R) {
                typename Ops::Acc acc[R];
#pragma GCC unroll 16
                for (int t = 0; t < R; ++t) acc[t] = Ops::Get(part + j + W * t);
                Window<R, B>(pairs + 2 * (j + k), bb, acc);
#pragma GCC unroll 16
                for (int t = 0; t < R; ++t) Ops::Put(part + j + W * t, acc[t]);
            }
        }
        for (int32_t j = 0; j < lagCount; j += W) Ops::Widen(Ops::Get(part + j), out + j);
    }
}

// The kernels as the benchmark calls them: pairing, the kernel, the results.
template <int R>
void SlideLimit(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, Ops::W * R, Ops::W * (R - 1));
    Slide<R>(w.pairs.data(), w.Blue(), n, lagCount, w.out.data());
    w.Finish(lagCount, c);
}

template <int R>
void RowsLimit(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, Ops::W * R, 0);
    Rows<R>(w.pairs.data(), w.Blue(), n, lagCount, w.out.data());
    w.Finish(lagCount, c);
}

template <int R, int B>
void TilesLimit(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, Ops::W * R, 0);
    WindowTiles<R, B>(w.pairs.data(), w.Blue(), n, lagCount, w.out.data());
    w.Finish(lagCount, c);
}

template <int R, int B>
void SweepLimit(const int16_t* a, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c, Limit& w) {
    w.Prepare(a, b, n, lagCount, Ops::W * R, 0);
    WindowSweep<R, B>(w.pairs.data(), w.Blue(), n, lagCount, w.out.data(), w.part.data());
    w.Finish(lagCount, c);
}
