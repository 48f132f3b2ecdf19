#include "hardware/ChannelChain.h"

#include <cmath>
#include <numbers>


namespace hw {

AntiAliasTaps DesignAntiAliasTaps(int32_t decimation) {
    AntiAliasTaps t;
    if (decimation <= 1 || decimation > kMaxDecimation) return t;
    const int32_t n = kAntiAliasTaps[static_cast<size_t>(decimation)];
    const int32_t m = n / 2;
    const double cutoff = 0.4 / decimation;  // fraction of the input rate
    t.length = n;
    t.half.assign(static_cast<size_t>(m + 1), 0);
    int64_t sum = 0;
    for (int32_t k = 0; k <= m; ++k) {
        const double x = k - m;  // taps from the centre
        const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
        const double window = 0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (n - 1));
        const int32_t q = static_cast<int32_t>(std::lround(sinc * window * kQ15One));
        t.half[static_cast<size_t>(k)] = q;
        sum += k == m ? q : 2 * q;
    }
    // Rounding leaves the sum a few counts off; the centre takes the rest.
    t.half[static_cast<size_t>(m)] += static_cast<int32_t>(kQ15One - sum);
    return t;
}

const AntiAliasTaps& AntiAliasFor(int32_t decimation) {
    static const std::array<AntiAliasTaps, kMaxDecimation + 1> designs = [] {
        std::array<AntiAliasTaps, kMaxDecimation + 1> d;
        for (int32_t k = 1; k <= kMaxDecimation; ++k) d[static_cast<size_t>(k)] = DesignAntiAliasTaps(k);
        return d;
    }();
    if (decimation < 1 || decimation > kMaxDecimation) decimation = 1;
    return designs[static_cast<size_t>(decimation)];
}

void Decimator::SetFactor(int32_t decimation) {
    if (decimation < 1 || decimation > kMaxDecimation) decimation = 1;
    const AntiAliasTaps& taps = AntiAliasFor(decimation);
    m_half = taps.half;
    m_length = taps.length;
    m_history.assign(2 * static_cast<size_t>(m_length), 0);
    m_pos = 0;
    m_factor = decimation;
    m_countdown = decimation;
}

bool ChannelChain::Push(uint16_t raw, int16_t& out) noexcept {
    const int16_t x = m_dc.Push(m_clip.Push(DecodeRaw(raw)));
    return m_decimator.Push(x, out);
}

void BlockConditioner::Process(const SampleBlock& block) noexcept {
    int32_t nl = 0, nr = 0;
    for (int32_t k = 0; k < kPairsPerBlock; ++k) {
        if (m_left.Push(block.pairs[k][0], m_leftOut[static_cast<size_t>(nl)])) ++nl;
        if (m_right.Push(block.pairs[k][1], m_rightOut[static_cast<size_t>(nr)])) ++nr;
    }
    m_leftCount = nl;
    m_rightCount = nr;
}

}  // namespace hw
