#include "tools/RunCommon.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "dsp/WaveFile.h"
#include "platform/DurableWrite.h"
#include "platform/Numbers.h"
#include "settings/Configuration.h"

bool ParseBand(const std::string& text, std::pair<float, float>& band) {
    double lowHz = 0, highHz = 0;
    const size_t dash = platform::ParseDouble(text, lowHz);
    if (dash == 0 || dash >= text.size() || text[dash] != '-' ||
        !platform::ParseWholeDouble(std::string_view(text).substr(dash + 1), highHz))
        return false;
    const auto low = static_cast<float>(lowHz), high = static_cast<float>(highHz);
    if (!(low >= 0) || !(high >= 0) || (high > 0 && high <= low)) return false;
    band = {low, high};
    return true;
}

void ApplyBand(CCorrelation& run, std::pair<float, float> hz) {
    FilterBand band;
    band.lowCut = hz.first / run.SampleRate();
    band.highCut = hz.second / run.SampleRate();
    band.notchOn = true;
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        run.RedFilter(k).SetBand(band, fir::kRectangular);
        run.BlueFilter(k).SetBand(band, fir::kRectangular);
        run.PostFilterOf(k).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
}

void PrintPeak(CCorrelation& run, CResultOut& out) {
    const int32_t selected = run.SelectedAccumulator();
    run.DisplayTrace(selected);  // in post-filter mode this derives the accumulator
    const PeakResult peak = run.FindPeak(selected);
    const float delay = run.PeakDelay(static_cast<int32_t>(DelayUnit::Seconds));
    out.Number("peak_lag", peak.peakIndex - run.MaxLag());
    out.Number("peak_delay_s", delay);
    out.Number("peak_height", peak.height);
    out.Number("snr", run.Snr());
    CPipe& pipe = run.Pipe();
    if (pipe.IsSurvey() || pipe.GetSectionCount() == 0) return;
    pipe.SetDelay(delay, DelayUnit::Seconds);
    out.Number("distance_a_m", pipe.GetDistanceFromA(LengthUnit::Metres));
    out.Number("distance_b_m", pipe.GetDistanceFromB(LengthUnit::Metres));
}

void PrintPeak(CCorrelation& run, std::ostream& out) {
    CResultOut lines(out, false);
    PrintPeak(run, lines);
}

float ReplayRangeMs(const CPipe& pipe) {
    switch (pipe.GetSurveyRange()) {
    case kSurveyNone: return std::max(1.1f * pipe.GetTotalTime(DelayUnit::Milliseconds), 25.0f);
    case kSurveyMedium: return 250.0f;
    case kSurveyLong: return 1000.0f;
    case kSurveyMaximum: return 2000.0f;
    default: return 100.0f;
    }
}

void StartReplay(CCorrelation& run, const ReplaySettings& o) {
    constexpr int32_t kRangeUnitMs = 1;
    CorrelationOptions options = run.Options();
    if (o.fft) options.useFftEngine = *o.fft;
    run.SetOptions(options);
    run.SetTraceCount(o.traces.value_or(options.multiFilter ? 3 : 1));
    run.SetPostFilter(o.postFilter.value_or(g_configuration.postFilter));
    const float fileRate = run.FileSampleRate();
    if (fileRate > 0 && fileRate <= 10000.0f) run.SetSampleRate(fileRate);
    run.SetRange(ReplayRangeMs(run.Pipe()), kRangeUnitMs);
    if (o.band) ApplyBand(run, *o.band);
    RestartReplay(run);  // primed through the filters it replays with, as on the screen
    run.Clock().Start();
}

bool SaveRun(CCorrelation& run, const std::string& name, std::ostream& err) {
    // In post-filter mode a trace's accumulator is derived when it is shown:
    // every trace is derived before the file keeps it, the selected one last
    // so that the stored display is its own, as the screen leaves it.
    for (int32_t t = 0; t < run.TraceCount(); ++t) run.DisplayTrace(t);
    run.DisplayTrace(run.SelectedAccumulator());
    // One set: the run file never stands beside another save's recording.
    const bool saved = platform::WriteHostFilesDurably({
        {name + "_corr.wav", [&](std::ostream& os) { return WriteRunRecording(run, os); }},
        {name + ".corr",
         [&](std::ostream& os) {
             run.Write(os);
             return static_cast<bool>(os);
         }},
    });
    if (!saved) return err << "corrtool: cannot write " << name << ".corr or its recording\n", false;
    return true;
}

void RunInOrder(size_t count, int32_t jobs, const std::function<JobOutput(size_t)>& work,
                const std::function<void(size_t, JobOutput&)>& done) {
    if (jobs <= 1 || count <= 1) {
        for (size_t i = 0; i < count; ++i) {
            JobOutput output = work(i);
            done(i, output);
        }
        return;
    }
    std::vector<JobOutput> outputs(count);
    std::vector<bool> ready(count, false);
    std::atomic<size_t> next{0};
    std::mutex lock;
    std::condition_variable finished;
    std::vector<std::thread> workers;
    for (int32_t j = 0; j < jobs; ++j) {
        workers.emplace_back([&] {
            for (size_t i; (i = next++) < count;) {
                JobOutput output = work(i);
                std::lock_guard hold(lock);
                outputs[i] = std::move(output);
                ready[i] = true;
                finished.notify_all();
            }
        });
    }
    for (size_t i = 0; i < count; ++i) {
        std::unique_lock hold(lock);
        finished.wait(hold, [&] { return static_cast<bool>(ready[i]); });
        JobOutput output = std::move(outputs[i]);
        hold.unlock();
        done(i, output);
    }
    for (std::thread& t : workers) t.join();
}

bool ParseJobs(const std::string& text, int32_t& jobs, std::ostream& err) {
    double n = 0;
    if (!platform::ParseWholeDouble(text, n) || n < 1 || n > kMaxJobs || n != static_cast<int32_t>(n))
        return err << "corrtool: --jobs 1 to " << kMaxJobs << '\n', false;
    jobs = static_cast<int32_t>(n);
    return true;
}

int32_t JobThreads(int32_t requested, size_t count) {
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    const int32_t wanted = requested > 0 ? requested : cores;
    return static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(wanted), std::max<size_t>(count, 1)));
}
