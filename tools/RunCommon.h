#pragma once
// tools/RunCommon.h — what the commands that run a correlation share: the
// band option, the result lines and saving a run.

#include <ostream>
#include <string>
#include <utility>

#include "dsp/Correlation.h"
#include "tools/ResultOut.h"

// "LOW-HIGH" in Hz, 0 for an open edge; false for anything else.
bool ParseBand(const std::string& text, std::pair<float, float>& band);

// Every trace's Red, Blue and correlation filter on one band, notch on with
// an empty notch band, as a run on a new pipe gets its default band.
void ApplyBand(CCorrelation& run, std::pair<float, float> hz);

// The results a run's peak gives: peak_lag, peak_delay_s, peak_height, snr
// and, on a described pipe, distance_a_m and distance_b_m.
void PrintPeak(CCorrelation& run, CResultOut& out);
// The same as key=value lines.
void PrintPeak(CCorrelation& run, std::ostream& out);

// NAME.corr and NAME_corr.wav; false with a message when either fails.
bool SaveRun(CCorrelation& run, const std::string& name, std::ostream& err);
