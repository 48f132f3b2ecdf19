#pragma once
// dsp/PeakSnr.h — the instrument's signal-to-noise ratio of a correlation:
// the peak's height above the mean, over the mean absolute deviation of the
// lags outside the peak's main lobe. The run's SNR and the office analysis
// share it, so an SNR means the same on the screen and in a report.

#include <cstdint>
#include <span>

namespace dsp {

// Lags left out of the measure: first <= lag < limit when on.
struct LagGap {
    bool on = false;
    int32_t first = 0;
    int32_t limit = 0;
};

//  values : one value per lag, index lag + L for lags -L ... L (2L + 1 values)
//  guard  : lags at either end left out, 0 ... L
// 0 when undefined (no values, no spread outside the lobe).
float PeakSnr(std::span<const float> values, int32_t guard, const LagGap& gap = {});

}  // namespace dsp
