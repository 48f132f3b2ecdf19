#pragma once
// analysis/Welch.h — averaged auto and cross spectra of a Red/Blue pair.
//
// Segments of n points (a power of two), Hann window, 50 % overlap. With the
// gate on, a segment whose power on either channel is more than kGateRatio
// times that channel's median segment power (a burst: traffic, a vehicle
// over the pipe, a pump starting) is left out of every average. The kept
// segments are also summed in `blocks` consecutive groups, which the
// confidence interval's jackknife leaves out in turn.

#include <complex>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace analysis {

constexpr double kGateRatio = 4.0;  // 6 dB above the median segment power

struct WelchSettings {
    int32_t segment = 8192;  // points, power of two, >= 16
    bool gate = true;
    int32_t blocks = 8;      // groups for the spread, >= 1
    std::function<void(double)> progress;  // share of the segments transformed, 0 ... 1
};

struct CrossSpectra {
    int32_t n = 0;                              // segment length
    std::vector<double> rr, bb;                 // bins 0 ... n/2, mean |R|^2, |B|^2
    std::vector<std::complex<double>> rb;       // mean R conj(B)
    // Sums per block of consecutive kept segments.
    std::vector<std::vector<double>> blockRr, blockBb;
    std::vector<std::vector<std::complex<double>>> blockRb;
    int32_t segments = 0;                       // in the recording
    int32_t kept = 0;                           // after the gate
};

// The segment length for lags up to maxLag: the power of two at least
// 4 maxLag (a delay keeps at least 3/4 of a segment's overlap) and at least
// 4096 points, halved while fewer than 8 segments fit, never below
// 2 maxLag + 1 (no circular wrap). 0 when not even one such segment fits.
int32_t SegmentLength(int32_t maxLag, int64_t frames);

// red and blue of equal length, at least one segment.
CrossSpectra Welch(std::span<const float> red, std::span<const float> blue, const WelchSettings& settings);

}  // namespace analysis
