#include "dsp/Fir.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fir {
namespace {

constexpr float kPiF = 3.1415927f;
constexpr float kTwoPiF = 6.2831855f;

float Sinc(float x) { return x == 0.0f ? 1.0f : std::sin(x) / x; }

// 2 f sinc(2 pi k f): tap k of an ideal low-pass at f.
float LowPassTap(float f, int32_t k) { return 2.0f * f * Sinc(kTwoPiF * static_cast<float>(k) * f); }

// The window's factor at k taps from the centre.
float WindowFactor(int32_t window, int32_t k, int32_t length) {
    const int32_t m = length / 2;
    if (m == 0) return 1.0f;  // a single tap has nothing to taper
    const float fk = static_cast<float>(k);
    const float span = static_cast<float>(length - 1);
    switch (window) {
    case kWelch: {
        const float r = fk / static_cast<float>(m);
        return 1.0f - r * r;
    }
    case kBlackman:
        return 0.42f + 0.5f * std::cos(kTwoPiF * fk / span) + 0.08f * std::cos(2.0f * kTwoPiF * fk / span);
    case kHann: return 0.5f + 0.5f * std::cos(kTwoPiF * fk / span);
    case kCosine: return std::cos(kPiF * fk / span);
    case kGaussian: {
        const float r = fk / (0.3f * span);
        return std::exp(-0.5f * r * r);
    }
    default: return 1.0f;
    }
}

// h * 2^19 + 0.5 truncated toward zero. Settings read from a file may be
// anything: a value that is not a number becomes 0 and the rest saturates
// instead of overflowing the conversion.
int32_t ToQ19(float h) {
    const double v = static_cast<double>(h) * kOne + 0.5;
    if (!std::isfinite(v)) return 0;
    constexpr double kLimit = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

int32_t ValidLength(int32_t taps) noexcept { return std::clamp(taps | 1, 1, kMaxLength); }

Taps DesignBandTaps(const FilterBand& band, int32_t window, int32_t length) {
    Taps taps;
    taps.length = ValidLength(length);
    const int32_t m = taps.length / 2;
    taps.half.assign(static_cast<size_t>(m + 1), 0);
    for (int32_t k = 0; k <= m; ++k) {
        float h = band.highCut != 0.0f ? LowPassTap(band.highCut, k) : (k == 0 ? 1.0f : 0.0f);
        if (band.notchOn) h = h - LowPassTap(band.notchHigh, k) + LowPassTap(band.notchLow, k);
        if (band.lowCut != 0.0f) h -= LowPassTap(band.lowCut, k);
        h *= WindowFactor(window, k, taps.length);
        taps.half[static_cast<size_t>(k)] = ToQ19(h);
    }
    return taps;
}

State::State(int32_t length) : m_length(ValidLength(length)) { Reset(); }

void State::Reset() noexcept {
    // Sized once here; assign on the same size never allocates.
    m_delay.assign(2 * static_cast<size_t>(m_length), 0);
    m_pos = m_length - 1;
}

int32_t State::Push(const Taps& taps, int16_t x) noexcept {
    const int32_t n = m_length, m = n / 2;
    int32_t* delay = m_delay.data();
    delay[m_pos] = x;
    delay[m_pos + n] = x;
    if (++m_pos == n) m_pos = 0;
    // window[0] is the oldest of the last L samples, window[m] the centre.
    // The products are summed as unsigned 32-bit values: the same bits as the
    // two's-complement accumulator, without signed overflow.
    // Four running sums let the compiler keep four lanes busy.
    const int32_t* centre = delay + m_pos + m;
    const int32_t* c = taps.half.data();
    const auto term = [centre, c](int32_t i) {
        return static_cast<uint32_t>(c[i]) * static_cast<uint32_t>(centre[-i] + centre[i]);
    };
    uint32_t acc0 = static_cast<uint32_t>(c[0]) * static_cast<uint32_t>(centre[0]), acc1 = 0, acc2 = 0, acc3 = 0;
    int32_t i = 1;
    for (; i + 3 <= m; i += 4) {
        acc0 += term(i);
        acc1 += term(i + 1);
        acc2 += term(i + 2);
        acc3 += term(i + 3);
    }
    for (; i <= m; ++i) acc0 += term(i);
    return static_cast<int32_t>(acc0 + acc1 + acc2 + acc3);
}

}  // namespace fir
