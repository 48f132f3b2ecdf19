#pragma once
// dsp/RunVerify.h — a saved run checked as a whole: the ".corr" file's chunk
// and record sizes against what its own fields announce, its counts, its lag
// count against its range and rate, "Red samples stored" against the frames
// of its recording, and the results it stores (the display trace, the cursor
// on the peak and, in post-filter mode, the filtered accumulators) against
// those recomputed from its accumulators.
//
// The sizes are walked independently of CCorrelation::Read, so a file the
// reader would take with a chunk it silently skips or reads short is still
// reported; the results are recomputed through the run's own analysis.

#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "dsp/Correlation.h"

// One thing in the run that disagrees with the rest of it.
struct RunDifference {
    std::string check;    // header, chunk, counts, lags, window, recording, post_filter, display, cursor, read
    std::string message;  // what was stored and what was expected, in one line
};

// Checks the run in corr and its recording (null when the "_corr.wav" is
// missing). options are the unit's settings; the display is also accepted
// when it matches under another polarity or sharpening setting, since the
// file does not store them. Returns no differences for a consistent run.
std::vector<RunDifference> VerifyRun(std::istream& corr, std::unique_ptr<std::istream> recording,
                                     const CorrelationOptions& options);
