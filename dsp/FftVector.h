#pragma once
// dsp/FftVector.h — the FFT's bit reversal and butterflies, four complex values
// per register (AVX2 with FMA on x86-64, NEON on 64-bit ARM), for DSPLib only;
// Name() tells what runs.

#include <cstdint>
#include <vector>

#include "dsp/DSPLib.h"

namespace dsp::vec {

// The twiddles of a transform of n >= 8 points laid out span by span for
// the functions below, from the size-n table w: for every span m = 8, 16,
// ..., n, its m/2 twiddles exp(-2 pi i k / m), k < m/2, from entry m - 8,
// each group of four as four (re, re) and then four (im, im) on x86-64; from
// entry m/2 - 4, as they are, elsewhere.
std::vector<Complex> LaySpanTwiddles(const Complex* w, int32_t n);

// True when this CPU runs the functions below (checked once).
bool Available() noexcept;
// "avx2", "neon", or "plain" where the one-at-a-time butterflies run.
const char* Name() noexcept;

// The whole transform of n >= 64 points in natural order, the inverse
// scaled by 1/n: the bit reversal, then Butterflies. False, x untouched,
// where this architecture has no such path (the caller reverses the order
// itself and calls Butterflies).
//  spans : LaySpanTwiddles for n
bool ReversedTransform(Complex* x, int32_t n, const Complex* spans, bool inverse) noexcept;

// Every butterfly of a transform of n >= 8 points whose input is already in
// bit-reversed order, the inverse scaled by 1/n.
//  spans : LaySpanTwiddles for n
void Butterflies(Complex* x, int32_t n, const Complex* spans, bool inverse) noexcept;

// The real pair's split and merge steps over bins 1 ... h/2 of the packed
// half-size spectrum z (h = n/2 complex values), with the size-n table w.
void RealForwardSplit(Complex* z, int32_t n, const Complex* w) noexcept;
void RealInverseMerge(Complex* z, int32_t n, const Complex* w) noexcept;

// ---- The same transforms with the spectrum in bit-reversed order (slot p
// holds bin rev(p) over log2 of the complex size), which saves the
// reordering passes where only a product of spectra is wanted.

// True when the functions below run a complex transform of h points.
bool ScramblesAt(int32_t h) noexcept;
// The forward transform of n points in natural order, out in bit-reversed
// order (decimation in frequency); Butterflies(x, n, spans, true) is its
// inverse.
void ScrambledTransform(Complex* x, int32_t n, const Complex* spans) noexcept;
// RealForwardSplit (inverse false) or RealInverseMerge on the bit-reversed
// half-size spectrum z of n reals, with reversed[p] = w[rev(p)] for p < n/2.
void ScrambledSplit(Complex* z, int32_t n, const Complex* reversed, bool inverse) noexcept;

}  // namespace dsp::vec
