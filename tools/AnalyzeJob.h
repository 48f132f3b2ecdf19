#pragma once
// tools/AnalyzeJob.h — one pair for `corrtool analyze` and each line of
// `corrtool batch`: where the recordings come from, the pipe, the band and
// the method, and running it into a result writer.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/Analyzer.h"
#include "tools/Corrtool.h"
#include "tools/ResultOut.h"

struct AnalyzeJob {
    // One input form: a saved run, two mono WAVs, or one stereo WAV (left = Red).
    std::string run;
    std::string red, blue;
    std::string stereo;
    std::string pipe;       // "LEN:VEL[:MATERIAL][,...]"; empty: the run's pipe
    std::string band;       // "LOW-HIGH" Hz; empty: the pipe's recommended cut-offs
    std::string weighting;  // none, phat, scot, ml; empty: the default
    bool imperial = false;  // --pipe in ft and ft/s, the leak line in ft
    bool gate = true;
    int32_t peaks = analysis::kDefaultPeaks;
    double velocityErrorPct = 100 * analysis::kDefaultVelocityError;
    std::string comp;       // a velocity computation whose fit gives the velocity error instead
    int32_t threads = 1;    // the direct engine's, where a saved run replays through it
};

// Told the share of a job done, 0 ... 1, as it goes.
using Progress = std::function<void(double)>;

// Parses analyze's arguments; false with a message on err. json: --json.
bool ParseAnalyzeArgs(const Args& args, AnalyzeJob& job, bool& json, std::ostream& err);

// Checks the job's fields (one input form, pipe, band, method); the message
// of the first fault, empty when it can run.
std::string CheckJob(const AnalyzeJob& job);

// Analyses the pair and writes its results (not Finish). Raises
// analysis::InputError with the reason when an input cannot be read or
// analysed. progress, when given, hears how far the replay and the spectra are.
void RunAnalyzeJob(const AnalyzeJob& job, CResultOut& out, const Progress& progress = {});

// One pair at rate with the request's method; for the basic method the
// unit's own correlation of the pair as 12-bit samples (full scale 1.0)
// through its band filters and FFT engine. Raises analysis::InputError.
analysis::AnalysisResult AnalyzePair(const std::vector<float>& red, const std::vector<float>& blue, double rate,
                                     const analysis::AnalysisRequest& request);

// "LEAK 70.0 m from Red (68.4-71.6 m, 95 %)"; without an interval the
// parenthesis is left out.
std::string LeakLine(double distance, double low, double high, bool imperial, const char* station);
