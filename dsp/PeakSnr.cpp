#include "dsp/PeakSnr.h"

#include <cmath>
#include <limits>

namespace dsp {

float PeakSnr(std::span<const float> values, int32_t guard, const LagGap& gap) {
    if (values.empty() || values.size() % 2 == 0) return 0;
    const int32_t lags = static_cast<int32_t>(values.size() / 2), g = guard;
    const auto skipped = [&](int32_t lag) { return gap.on && lag >= gap.first && lag < gap.limit; };
    float sum = 0;
    int32_t count = 0;
    for (int32_t lag = -lags + g; lag <= lags - g; ++lag)
        if (!skipped(lag)) sum += values[static_cast<size_t>(lag + lags)], ++count;
    if (count == 0) return 0;
    const float mean = sum / static_cast<float>(count);
    const auto dev = [&](int32_t i) { return values[static_cast<size_t>(i)] - mean; };
    float peak = -std::numeric_limits<float>::infinity(), spread = 0;
    int32_t p = 0;
    for (int32_t lag = -lags + g; lag <= lags - g; ++lag) {
        if (skipped(lag)) continue;
        const float d = dev(lag + lags);
        if (d > peak) peak = d, p = lag + lags;
        spread += std::fabs(d);
    }
    // Main lobe removal. The rightward walk starts where the leftward one
    // stopped, so the lobe's left side is taken off twice: this is the
    // instrument's SNR scale, which the optimisation threshold of 9.0 and the
    // quality icons were set against.
    while (p > g && dev(p - 1) * dev(p) > 0) --p, spread -= dev(p), --count;
    while (p < 2 * lags - g && dev(p + 1) * dev(p) > 0) ++p, spread -= dev(p), --count;
    // The walk can take off lags it never added (suppressed ones, or a lobe
    // wider than what is left): no spread or no lags left means no SNR.
    if (!(spread > 0) || count <= 0) return 0;
    return peak / (spread / static_cast<float>(count));
}

}  // namespace dsp
