#pragma once
// analysis/Peaks.h — candidate peaks of a correlation over lags -L ... L
// (index lag + L): local maxima, strongest first, at least a main lobe apart,
// each refined below one sample.

#include <cstdint>
#include <span>
#include <vector>

namespace analysis {

constexpr double kLeastRelative = 0.2;

struct Candidate {
    double lag = 0;        // samples, refined
    int32_t index = 0;     // the maximum's index (lag + L)
    double relative = 0;   // height above the curve's mean over the best one's, 0 ... 1
};

// The vertex of the parabola through (-1, left), (0, centre), (1, right):
// an offset in -0.5 ... 0.5 from the centre sample, 0 when the three points
// are not a maximum.
double ParabolicOffset(double left, double centre, double right);

// Up to k local maxima above the curve's mean and at least kLeastRelative of
// the best one's height, the strongest first, each at least `separation`
// samples from every stronger one. Only lags inside the
// window count: guard lags at either end and the ends themselves (a rising
// edge there is no peak) are left out.
std::vector<Candidate> FindPeaks(std::span<const float> values, int32_t k, int32_t separation, int32_t guard = 0);

// The largest value within +-halfWidth of index, refined; for a block's
// estimate near the best peak.
double LocalPeakLag(std::span<const float> values, int32_t index, int32_t halfWidth);

}  // namespace analysis
