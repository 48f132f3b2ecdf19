// dsp/DirectSweep.h — the direct engine's windowed loop, written once for
// every instruction set. Included by CorrelationKernel.cpp only, inside a
// namespace per instruction set (and that set's target region), after the
// definitions of Ops (as DirectSlide.h describes, and these), BlockLength,
// kPartialProducts and kSweepPad (pairs of zeros after a block's Blue
// samples, 2 B at least: the work area reaches that far past the products):
//   Ops::Pair(bp)             the Blue pair bp[0], bp[1] in every lane
//   Ops::DotPair(acc, r, bb)  acc + the lanes' pair products of r with bb
//   Ops::Get(p), Ops::Put(p, acc)  W 32-bit sums from and to memory
//
// Within one partial-sum block, B Blue pairs at a time are broadcast into
// registers once and swept over every tile of lags; register t of a tile
// (lags j + W t ...) needs the Red vector at sample W t + 2 i for pair i, so
// each vector a tile needs for the window is loaded once and serves every
// register it can. The block's 32-bit sums wait in `part` between windows and
// are widened into the accumulators when the block ends. Unlike the sliding
// loop no products are spent on ramps: a window past the block's end meets
// Blue pairs of zeros only.

template <int R, int B>
__attribute__((always_inline)) inline void SweepWindow(const int16_t* red, const typename Ops::Acc* bb,
                                                       typename Ops::Acc* acc) noexcept {
    constexpr int32_t half = Ops::W / 2, steps = half * (R - 1) + B;
#pragma GCC unroll 256
    for (int u = 0; u < steps; ++u) {
        const typename Ops::Acc v = Ops::Red(red + 4 * u);
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) {
            const int i = u - half * t;
            if (i >= 0 && i < B) acc[t] = Ops::DotPair(acc[t], v, bb[i]);
        }
    }
}

// One window over every lag: tiles of R registers, then single registers.
template <int R, int B>
inline void SweepLags(const int16_t* red, const typename Ops::Acc* bb, int32_t lagCount, int32_t* part) noexcept {
    constexpr int32_t W = Ops::W;
    int32_t j = 0;
    for (; j + W * R <= lagCount; j += W * R) {
        typename Ops::Acc acc[R];
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) acc[t] = Ops::Get(part + j + W * t);
        SweepWindow<R, B>(red + 2 * j, bb, acc);
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) Ops::Put(part + j + W * t, acc[t]);
    }
    for (; j < lagCount; j += W) {
        typename Ops::Acc acc = Ops::Get(part + j);
        SweepWindow<1, B>(red + 2 * j, bb, &acc);
        Ops::Put(part + j, acc);
    }
}

// The whole direct block over the paired work area; part holds lagCount
// rounded up to W sums.
template <int R, int B>
void SweepKernel(const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c,
                 int32_t* part) noexcept {
    static_assert(2 * B <= kSweepPad);
    constexpr int32_t W = Ops::W;
    const int32_t rounded = (lagCount + W - 1) / W * W;
    int16_t blue[kPartialProducts + kSweepPad] = {};
    for (int32_t s = 0, len = 0; s < n; s += len) {
        len = BlockLength(n - s);
        std::copy(b + s, b + s + len, blue);
        std::fill(blue + len, blue + len + kSweepPad, int16_t{0});
        std::fill(part, part + rounded, 0);
        for (int32_t k = 0; k < len; k += 2 * B) {
            typename Ops::Acc bb[B];
#pragma GCC unroll 32
            for (int i = 0; i < B; ++i) bb[i] = Ops::Pair(blue + k + 2 * i);
            SweepLags<R, B>(pairs + 2 * (s + k), bb, lagCount, part);
        }
        int32_t j = 0;
        for (; j + W <= lagCount; j += W) Ops::Flush(Ops::Get(part + j), c + j);
        if (j < lagCount) {
            int64_t tail[W] = {};
            Ops::Flush(Ops::Get(part + j), tail);
            for (int32_t q = 0; q < lagCount - j; ++q) c[j + q] += tail[q];
        }
    }
}
