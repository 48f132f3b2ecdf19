#pragma once
// analysis/Gcc.h — generalised cross-correlation: the averaged cross
// spectrum weighted per frequency bin, band-limited, with common tonal lines
// notched, and brought back to lags.
//
//   none : W = 1 (the band alone)
//   phat : W = 1 / |Grb|                 (phase transform: every bin counts alike)
//   scot : W = 1 / sqrt(Grr Gbb)         (smoothed coherence transform)
//   ml   : W = g / (|Grb| (1 - g)), g = |Grb|^2 / (Grr Gbb) clamped to
//          0 ... kMaxCoherence            (maximum likelihood, Hannan-Thomson)

#include <complex>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Welch.h"

namespace analysis {

enum class Weighting { None, Phat, Scot, Ml };

constexpr double kMaxCoherence = 0.99;
// A line is notched when both channels' power in its bin is more than
// kToneRatio times their median over +-kToneNeighbours bins; the notch takes
// the bin and the Hann window's main lobe, +-kToneHalfWidth bins.
constexpr double kToneRatio = 10.0;
constexpr int32_t kToneNeighbours = 32;
constexpr int32_t kToneHalfWidth = 2;

// "none", "phat", "scot", "ml"; false for anything else.
bool ParseWeighting(std::string_view text, Weighting& w);
const char* WeightingName(Weighting w);

// Per bin 0 ... n/2: 1 inside lowHz ... highHz, raised-cosine edges a fifth
// of the band wide inside it (the band's ringing about a peak stays under a
// tenth of it), 0 outside. highHz 0 means half the rate.
std::vector<double> BandMask(int32_t n, double rate, double lowHz, double highHz);

// Bins of tonal lines common to both channels (true = notched).
std::vector<bool> CommonTones(const CrossSpectra& s);

// The weight per bin, mask and notches applied.
std::vector<double> Weights(const CrossSpectra& s, Weighting w, const std::vector<double>& mask,
                            const std::vector<bool>& notched);

// Correlation over lags -maxLag ... maxLag (index lag + maxLag) of the cross
// spectrum rb (n/2 + 1 bins) weighted by w; positive lags: Red later.
std::vector<float> Correlate(const std::vector<std::complex<double>>& rb, const std::vector<double>& w,
                             int32_t n, int32_t maxLag);

// Magnitude-squared coherence averaged over the bins the mask passes (weighted
// by the mask), notched bins left out; 0 when none pass.
double BandCoherence(const CrossSpectra& s, const std::vector<double>& mask, const std::vector<bool>& notched);

}  // namespace analysis
