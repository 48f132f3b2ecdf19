#pragma once
// tools/RunCommon.h — what the commands that run a correlation share: the
// band option, the result lines and saving a run.

#include <cstddef>
#include <functional>
#include <optional>
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

// The replay range, ms: a pipe's travel time plus 10 % (at least 25 ms), or
// the recorded survey range.
float ReplayRangeMs(const CPipe& pipe);

// What a replay may choose instead of the run's own settings.
struct ReplaySettings {
    std::optional<bool> fft;
    std::optional<int32_t> postFilter;
    std::optional<int32_t> traces;
    std::optional<std::pair<float, float>> band;  // Hz; 0 = no cut-off
};

// START in replay mode: traces, post-filter mode, range from the pipe and
// band chosen, then the replay restarted from the recording's first frame and
// the stopwatch running.
void StartReplay(CCorrelation& run, const ReplaySettings& o);

// NAME.corr and NAME_corr.wav; false with a message when either fails.
bool SaveRun(CCorrelation& run, const std::string& name, std::ostream& err);

// What one job of a command that runs many prints, and its exit status.
struct JobOutput {
    std::string out, err;
    int status = 0;
};

// Runs work(i) for i = 0 ... count - 1 on up to jobs threads (one: on the
// calling thread, in turn) and hands each output to done(i, output) on the
// calling thread in index order, as soon as it and all before it are ready.
void RunInOrder(size_t count, int32_t jobs, const std::function<JobOutput(size_t)>& work,
                const std::function<void(size_t, JobOutput&)>& done);

// --jobs N: 1 ... kMaxJobs; false with the message otherwise.
constexpr int32_t kMaxJobs = 256;
bool ParseJobs(const std::string& text, int32_t& jobs, std::ostream& err);
// Threads for count jobs: the requested count (0: every core), at most count.
int32_t JobThreads(int32_t requested, size_t count);
