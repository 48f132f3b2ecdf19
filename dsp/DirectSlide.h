// dsp/DirectSlide.h — the direct engine's register-blocked loop, written once
// for every instruction set. Included by CorrelationKernel.cpp only, inside a
// namespace per instruction set (and that set's target region), after the
// definitions of Ops, BlockLength, kPartialProducts and kZeroPair:
//   Ops::W                 lags per register (32-bit lanes)
//   Ops::Acc               one register of W 32-bit sums
//   Ops::Zero()            a register of zeros
//   Ops::Red(p)            the W sample pairs from p (2 W values)
//   Ops::Blue              one Blue pair as the kernel keeps it (a broadcast
//                          register, or the pair itself where the multiply
//                          broadcasts from memory)
//   Ops::Spread(bp)        the Blue pair bp[0], bp[1] as a Blue
//   Ops::Dot(acc, red, b)  acc + the lanes' pair products with the Blue pair b
//   Ops::Flush(acc, out)   out[l] += acc lane l, sign-extended, l < W
//
// Lane l of register t holds lag j + W t + l. A Red vector of pairs, loaded
// once, serves every register t with the Blue pair W t products earlier, so
// Blue slides past the block of lags. Within one partial-sum block the Blue
// samples are padded with zeros on both sides, so that the registers entering
// and leaving the block add nothing outside it. Blue is spread once per block
// into the form the multiply takes, for all the block's tiles.

// One tile of R registers over one partial-sum block of len products.
//  pairs : the pair of the tile's first lag and the block's first product
//  blue  : the block's Blue pairs, blue[i] for products 2 i, 2 i + 1, with
//          W (R - 1) / 2 pairs of zeros before blue[0] and W R / 2 after
template <int R>
inline void SlideTile(const int16_t* pairs, const typename Ops::Blue* blue, int32_t len, int64_t* out) noexcept {
    typename Ops::Acc acc[R];
#pragma GCC unroll 16
    for (int t = 0; t < R; ++t) acc[t] = Ops::Zero();
    const int32_t steps = (len + 1) / 2 + Ops::W * (R - 1) / 2;
    for (int32_t i = 0; i < steps; ++i) {
        const typename Ops::Acc red = Ops::Red(pairs + 4 * i);
#pragma GCC unroll 16
        for (int t = 0; t < R; ++t) acc[t] = Ops::Dot(acc[t], red, blue[i - Ops::W * t / 2]);
    }
#pragma GCC unroll 16
    for (int t = 0; t < R; ++t) Ops::Flush(acc[t], out + Ops::W * t);
}

// The whole direct block over the paired work area, R registers per tile.
template <int R>
void SlideKernel(const int16_t* pairs, const int16_t* b, int32_t n, int32_t lagCount, int64_t* c) noexcept {
    constexpr int32_t W = Ops::W, before = W * (R - 1) / 2;
    constexpr int32_t entries = before + (kPartialProducts + 1) / 2 + W * R / 2;
    alignas(64) typename Ops::Blue spread[entries];
    std::fill(spread, spread + before, Ops::Spread(kZeroPair));
    typename Ops::Blue* blue = spread + before;
    for (int32_t s = 0, len = 0; s < n; s += len) {
        len = BlockLength(n - s);
        const int32_t pairCount = (len + 1) / 2;
        for (int32_t i = 0; i < len / 2; ++i) blue[i] = Ops::Spread(b + s + 2 * i);
        if (len % 2) {  // an odd block ends with one product, paired with zero
            const int16_t last[2] = {b[s + len - 1], 0};
            blue[len / 2] = Ops::Spread(last);
        }
        std::fill(blue + pairCount, spread + entries, Ops::Spread(kZeroPair));
        int32_t j = 0;
        for (; j + W * R <= lagCount; j += W * R) SlideTile<R>(pairs + 2 * (j + s), blue, len, c + j);
        for (; j + W <= lagCount; j += W) SlideTile<1>(pairs + 2 * (j + s), blue, len, c + j);
        if (j < lagCount) {
            int64_t tail[W] = {};
            SlideTile<1>(pairs + 2 * (j + s), blue, len, tail);
            for (int32_t q = 0; q < lagCount - j; ++q) c[j + q] += tail[q];
        }
    }
}
