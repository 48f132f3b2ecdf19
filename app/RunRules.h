#pragma once
// app/RunRules.h — the main screen's run rules that need no window: the
// acquisition rate and the delay range a pipe asks for, the default bands a
// new run gets, and which commands are enabled. Pure functions, so the screen,
// corrtool and the tests apply the same rules.

#include <cstdint>

class CCorrelation;

namespace runrules {

constexpr int32_t kUnitRate = 10000;          // converter samples per second
constexpr int32_t kMaxDecimation = 10;
constexpr float kTravelMsPerDecimation = 500.0f;
constexpr float kRangeMargin = 1.1f;          // range and rate allow 10 % over the pipe's travel time
constexpr float kMinRangeMs = 25.0f;
constexpr int32_t kSurveyNone = 4;            // a pipe's survey range when it is described

// Decimation n and the output rate a live run uses.
struct AcquisitionRate {
    int32_t decimation = 1;     // 1 ... 10
    int32_t rate = kUnitRate;   // 10000 / n (integer division), Hz
};

// n = ceil(1.1 x travel time / 500 ms), 1 ... 10. A pipe with no travel time
// (0, negative or not a number) gets n = 1: the full rate is always defined.
//  travelMs : the pipe's total travel time, ms
AcquisitionRate RateForTravelTime(float travelMs);

// The delay range of a run, in its unit (1 ms, 0 s).
struct RunRange {
    float range = 100.0f;
    int32_t unit = 1;
    bool described = true;  // the range comes from the pipe; its survey range becomes 4
};

// Live runs, and replays of runs made on a described pipe (survey range 4):
// 1.1 x travel time, at least 25 ms (also for a travel time of 0 or not a
// number). Replays of survey runs: survey range 1 gives 250 ms, 2 gives 1 s,
// 3 gives 2 s, any other 100 ms.
RunRange RangeForStart(float travelMs, bool replay, int32_t recordedSurveyRange);

// Why a run cannot correlate every lag its pipe asks for; START refuses it.
enum class StartRefusal {
    None,
    BeyondLagRange,       // string 211: the range exceeds the 200000 lags a run can hold
                          // (beyond about 182 s of travel time at 1000 Hz)
    BeyondFilteredStore,  // string 212: pre-filtering (postFilter 0) with more lags than the
                          // filtered stores can correlate (beyond about 93 s at 1000 Hz)
};
// Samples kept free in a filtered store beyond the 2L a direct block reads.
constexpr int32_t kFilteredStoreMargin = 5000;

// The rule for a run over range (unit 0 s, 1 ms) at rate with the given
// post-filter mode and engine option; the FFT engine falls back to the direct
// one where its block does not fit (CCorrelation::UsesFftEngine).
//  rate : samples per second, > 0
StartRefusal RefusalForRange(float range, int32_t unit, float rate, int32_t postFilter, bool useFftEngine);

// START, SURVEY and RESUME: start allowed (no file bar up) and some source
// worth starting: both stations heard, test mode, or a replay.
bool StartCommandsEnabled(bool startAllowed, bool radioOk, bool testMode, bool replay);

// OPTIMISE FILTERS: one trace, post-filter mode 1, optimisation not disabled (0).
bool OptimiseCommandEnabled(int32_t traceCount, int32_t postFilter, int32_t filterOptimisation);

// The bands START and SURVEY give a run while the default-bands flag is set.
// One trace: trace 1's three filters get the pipe's recommended cut-offs with
// the notch on and an empty notch band. Three traces: 0-200 Hz, 200-400 Hz and
// 400 Hz upward, notch off. Every trace's Red and Blue filters are then
// designed with the rectangular window at their stored length, its
// correlation filter with the Welch window and 177 taps. The pipe and the
// sample rate must already be the run's.
void ApplyDefaultBands(CCorrelation& run);

}  // namespace runrules
