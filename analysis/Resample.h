#pragma once
// analysis/Resample.h — a whole recording to the analysis rate.
//
// Recordings at more than kAnalysisRate are resampled to it by soxr at its
// very-high-quality setting (flat to 0.91 of the output Nyquist, 175 dB
// rejection), each channel through the same filter so that the delay between
// them is kept; the filter's latency is removed. Recordings at kAnalysisRate
// or below are analysed at their own rate: leak noise in water pipes lies
// below 5 kHz, so nothing above it is lost, and the unit's bands, lag ranges
// and SNR scale are those of its 10 000 Hz (or decimated) stream.

#include "analysis/WavInput.h"

namespace analysis {

constexpr double kAnalysisRate = 10000.0;

// True when this build can resample (soxr present).
bool CanResample() noexcept;

// audio at its own rate when at most kAnalysisRate, else at kAnalysisRate.
// Raises InputError when resampling is needed and not available.
Audio ToAnalysisRate(Audio audio);

}  // namespace analysis
