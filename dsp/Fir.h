#pragma once
// dsp/Fir.h — the band filters' linear-phase FIR: windowed-sinc design and the
// symmetric fixed-point filter.
//
// Coefficients are Q19 (1.0 = 524288), centre tap first; only the centre and
// one half of the odd-length response are kept. The running state keeps a
// doubled delay line, so the last L samples are always contiguous and nothing
// is ever shifted. Samples are 12-bit values in 16 bits; the accumulator is
// 32 bits and wraps as two's complement for inputs wider than that.

#include <cstdint>
#include <string_view>
#include <vector>

// A band as fractions of the sample rate, 0 <= value < 0.5.
struct FilterBand {
    float lowCut = 0;      // high-pass edge; 0 = no high-pass
    float highCut = 0;     // low-pass edge; 0 = no low-pass
    bool notchOn = false;  // the notch band below is rejected
    float notchLow = 0;    // lower edge of the rejected band
    float notchHigh = 0;   // upper edge of the rejected band
};

namespace fir {

constexpr int32_t kFracBits = 19;
constexpr int32_t kOne = 1 << kFracBits;         // 1.0 in Q19
constexpr int32_t kRound = 1 << (kFracBits - 1); // added before the final shift
constexpr int32_t kMaxLength = 4095;

// Window codes of the design.
enum Window : int32_t {
    kRectangular = 0,  // also any unknown code
    kWelch = 1,        // 1 - (k/M)^2
    kBlackman = 2,
    kHann = 3,
    kCosine = 4,
    kGaussian = 5,     // sigma 0.3 (L - 1)
};

// Taps of one design: half[0] is the centre, half[M] the outermost pair.
struct Taps {
    std::vector<int32_t> half{0};  // M + 1 Q19 values, M = length / 2
    int32_t length = 1;            // L, odd, 1 ... kMaxLength
};

// An odd length in 1 ... kMaxLength: an even request gets one more tap.
int32_t ValidLength(int32_t taps) noexcept;

// Windowed-sinc design in single precision (pure): low-pass at highCut (or a
// unit impulse without one), minus the notch band, minus a low-pass at lowCut.
//  window : Window code; length : taps, made valid by ValidLength
Taps DesignBandTaps(const FilterBand& band, int32_t window, int32_t length);

// The running part: one per channel and trace.
class State {
public:
    //  length : the Taps' length it will run with
    explicit State(int32_t length = 1);
    // Clears the history; the write position returns to L - 1.
    void Reset() noexcept;
    int32_t Length() const noexcept { return m_length; }

    // Pushes one sample and returns the Q19 accumulator; the caller rounds
    // with (acc + kRound) >> kFracBits and keeps the low 16 bits.
    // taps.length must equal Length().
    int32_t Push(const Taps& taps, int16_t x) noexcept;
    // n pushes in order, each accumulator as its Output: bit for bit what
    // single pushes give, in blocks on the fastest path this CPU runs.
    //  n >= 0; in and out may be the same array
    void Filter(const Taps& taps, const int16_t* in, int16_t* out, int32_t n) noexcept;

    // Samples the block path takes at a time.
    static constexpr int32_t kBlock = 1024;

private:
    void FilterBlock(const Taps& taps, const int16_t* in, int16_t* out, int32_t n) noexcept;

    std::vector<int32_t> m_delay;  // 2 * L samples, each stored twice
    int32_t m_pos = 0;             // next write slot, 0 ... L - 1
    int32_t m_length = 1;
};

// The block path Filter runs: "avx2-pairs" (x86 with AVX2: two taps per
// 16-bit multiply-add while the samples fit 15 bits, else as "avx2"), "avx2"
// (eight 32-bit lanes), "blocks" (the same blocks in portable code) or
// "scalar" (single pushes, the definition).
const char* PathName() noexcept;
// Selects a path by name (tests and benchmarks); an empty name restores the
// best. False, and no change, when this CPU cannot run it.
bool SelectPath(std::string_view name);

// The accumulator as a 16-bit output sample.
inline int16_t Output(int32_t acc) noexcept {
    const uint32_t rounded = static_cast<uint32_t>(acc) + static_cast<uint32_t>(kRound);
    return static_cast<int16_t>(static_cast<int32_t>(rounded) >> kFracBits);
}

}  // namespace fir
