#pragma once
// dsp/DirectBlocks.h — what every direct kernel agrees on: how a block's
// products split into 32-bit partial sums, and the paired work area's
// layout and padding. Included by the kernels' sources and their tests.

#include "dsp/CorrelationKernel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace corr::direct {

// Length of the next partial sum when rem products are left: 511 while that
// many remain, then the largest of 256 ... 16 that fits, then single products.
inline int32_t BlockLength(int32_t rem) noexcept {
    if (rem >= kPartialProducts) return kPartialProducts;
    for (int32_t len = 256; len >= 16; len >>= 1)
        if (rem >= len) return len;
    return 1;
}

// Widest register any kernel reads (16 lags): the work area is padded to it.
constexpr int32_t kLagPad = 16;
// Samples a windowed kernel reads past a block's last product (its widest
// window of Blue pairs): the work area is padded by as many.
constexpr int32_t kSweepPad = 32;

// Two consecutive samples as one 32-bit lane, the first in the low half.
inline int32_t LoadPair(const int16_t* p) noexcept {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

constexpr int16_t kZeroPair[2] = {0, 0};

// Entries of the paired work area for count samples of a (count >= 1):
// entry 2 m holds a[m] and 2 m + 1 holds a[m + 1], the last pair's second
// half zero; every entry from there to end is zero, so that lags past the
// end of a tile add nothing.
inline void BuildPairs(const int16_t* a, int32_t count, int16_t* pairs, int16_t* end) noexcept {
    for (int32_t m = 0; m + 1 < count; ++m) {
        pairs[2 * m] = a[m];
        pairs[2 * m + 1] = a[m + 1];
    }
    pairs[2 * (count - 1)] = a[count - 1];
    std::fill(pairs + 2 * count - 1, end, int16_t{0});
}

}  // namespace corr::direct
