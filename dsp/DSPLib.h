#pragma once
// dsp/DSPLib.h — the program's FFT: a radix-2 complex pair and a real pair
// built on it, single precision, in place.
//
// Twiddle tables are built once per transform size and kept for the life of
// the program in one shared cache; a repeated transform of the same size costs
// only its butterflies. Sizes are powers of two, at least 2 (real transforms:
// at least 4); the transforms do not check this.
//
// On CPUs with AVX2 and FMA the butterflies run four complex values per
// register, two spans per pass, on per-span twiddle tables; elsewhere they run
// one at a time. Both give the same transform within single-precision rounding.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace dsp {

// One complex value; arrays of them are interleaved reals (re, im, re, im ...).
struct Complex {
    float re;
    float im;
};
static_assert(sizeof(Complex) == 2 * sizeof(float));

// Twiddle tables by transform size: for size N, N/2 values, entry k =
// exp(-2 pi i k / N), built from one single-precision angle per quarter step.
class TwiddleCache {
public:
    // The table for size n, built on first use (the only allocation). The
    // reference stays valid for the life of the cache.
    const std::vector<Complex>& Table(int32_t n);
    // Number of sizes held.
    size_t Count() const;
    bool Holds(int32_t n) const;
    // The per-span layout of the size-n table (BuildSpanTwiddles), built on
    // first use, kept apart from the tables above (Count and Holds ignore it).
    const std::vector<Complex>& SpanTable(int32_t n);
    // The size-n table's entries in bit-reversed order over log2(n/2) bits
    // (entry p = table[rev(p)], n/2 entries), for the real pair's bins in
    // that order; built on first use, apart as SpanTable.
    const std::vector<Complex>& ScrambledTable(int32_t n);

private:
    mutable std::mutex m_lock;
    std::map<int32_t, std::unique_ptr<const std::vector<Complex>>> m_tables;
    std::map<int32_t, std::unique_ptr<const std::vector<Complex>>> m_spans;
    std::map<int32_t, std::unique_ptr<const std::vector<Complex>>> m_scrambled;
};

// The one cache the whole program shares.
TwiddleCache& ProgramTwiddles();

// The table of size n as built for the cache (pure; exposed for tests).
std::vector<Complex> BuildTwiddles(int32_t n);
// The same values laid out span by span for the vector butterflies
// (vec::LaySpanTwiddles; empty below n = 8).
std::vector<Complex> BuildSpanTwiddles(int32_t n);

// Unscaled forward DFT of n complex values in place: X[k] = sum x[j] w^(jk),
// w = exp(-2 pi i / n).
void FftForward(Complex* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());
// Inverse DFT including the 1/n scale, in place.
void FftInverse(Complex* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());

// n reals in a buffer of n + 2 floats become bins 0 ... n/2 in place (bin k
// in floats 2k, 2k + 1; bins 0 and n/2 have imaginary part 0). Uses the
// size-n and size-n/2 tables.
void RealFftForward(float* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());
// The exact inverse of RealFftForward: bins 0 ... n/2 back to n reals.
void RealFftInverse(float* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());
// The same pair with bins 1 ... n/2 - 1 in an order the vector butterflies
// reach without reordering passes (bit-reversed where they run, natural
// elsewhere); bins 0 and n/2 stay where RealFftForward puts them. Only for
// work that treats every bin alike, such as a product of two spectra: the
// inverse takes a spectrum in the order the forward gave.
void RealFftForwardAnyOrder(float* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());
void RealFftInverseAnyOrder(float* data, int32_t n, TwiddleCache& cache = ProgramTwiddles());

// The butterflies alone, on tables the caller already holds; no allocation.
//  w : the size-n table; wHalf : the size-n/2 table
//  spans : the span layout of the complex transform's table (size n for
//          FftKernel, n/2 for the real pair), or null for the one-at-a-time
//          butterflies on any CPU
void FftKernel(Complex* data, int32_t n, const Complex* w, bool inverse,
               const Complex* spans = nullptr) noexcept;
void RealForwardKernel(float* data, int32_t n, const Complex* w, const Complex* wHalf,
                       const Complex* spans = nullptr) noexcept;
void RealInverseKernel(float* data, int32_t n, const Complex* w, const Complex* wHalf,
                       const Complex* spans = nullptr) noexcept;

// Start-up self-test: empty text, or one located line per failed check.
std::string DSPLibSelfTest();

}  // namespace dsp
