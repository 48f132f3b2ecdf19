#pragma once
// dsp/RunPoint.h — one saved run as a point of a velocity computation: its
// sensor separation (the pipe's total length) across and its measured peak
// delay up, both in the display units.
//
// The delay is the selected accumulator's peak index minus the centre lag L,
// in samples, converted at the rate those lags were counted at: the run's own
// (a run decimated to 2000 Hz has five times the delay per lag of one at
// 10000 Hz). The pipe record also carries a rate, but START decimates the run
// without touching it, so a saved decimated run's pipe may still say 10000.

#include <istream>
#include <optional>
#include <string>

#include "dsp/Correlation.h"
#include "pipe/ComputationFile.h"
#include "pipe/Units.h"

struct RunPoint {
    float separation = 0;  // display length unit (m or ft)
    float delay = 0;       // display time unit (s or ms)
    StationCode stationA = StationCode::Red;
    StationCode stationB = StationCode::Blue;
};

// The point of a run in memory. Nothing for a run whose selected accumulator
// is not the 2 L + 1 lags its file promises.
std::optional<RunPoint> PointOfRun(const CCorrelation& run, LengthUnit length, TimeUnit time);

// Reads a ".corr" stream into a scratch run built as the program builds its
// own (options decide the peak polarity) and gives its point; nothing, with
// the reader's message in *error, when the file cannot be read.
std::optional<RunPoint> ReadRunPoint(std::istream& corr, const CorrelationOptions& options, LengthUnit length,
                                     TimeUnit time, std::string* error = nullptr);

// Appends the point, included. The first point of a computation also sets
// the stations shown at the graph's ends (A left, B right).
void AddRunPoint(Computation& c, const RunPoint& point);
