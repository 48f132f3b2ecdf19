// A 60-minute replay at the 2 s range (L = 20088) with three traces, as
// `corrtool corr replay` runs it: the run file opened, its recording primed
// and replayed in feeds of 10000 frames, every feed correlated, then the peak
// and the display. Engine by engine, with the CPU seconds of each stage as
// counters (read: WAV frames into memory; filter: the sample inputs, band
// filters and stores; correlate: the engine; analyse: peak, SNR, display),
// the helpers' included, and the whole replay's wall-clock seconds. The FIR
// baseline replays with the scalar filter definition in the same run; the
// direct engine runs alone, then with its blocks shared among every core.
//
// The recording is synthesised once (a leak 4000 samples nearer Red, three
// bands) into $TMPDIR/bench_replay/, about 144 MB, and kept for the next run
// and for profiling `corrtool corr replay` on the same file.
//   bench_replay [--minutes N] [benchmark options]

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "tools/RunCommon.h"

namespace {

constexpr int32_t kRate = 10000;
constexpr int32_t kFramesPerFeed = 10000;
constexpr int32_t kLeakLead = 4000;  // samples the leak reaches Red before Blue
int32_t g_minutes = 60;

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The process's: a stage's helpers count with it, and they take nothing while
// they wait.
double CpuSeconds() { return Seconds(CLOCK_PROCESS_CPUTIME_ID); }

std::filesystem::path Folder() {
    const char* tmp = std::getenv("TMPDIR");
    return std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "bench_replay";
}

std::string RunName() { return (Folder() / ("leak" + std::to_string(g_minutes) + "min")).string(); }

// Frames of 12-bit leak noise shared by both stations, each with its own
// noise, scaled by 16 as the unit records them.
void WriteRecording(const std::string& path, int32_t frames) {
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    wavfile::WriteHeader(os, static_cast<uint32_t>(frames), kRate);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> leak(-700, 700), noise(-300, 300);
    std::vector<int16_t> history(kLeakLead, 0);  // the leak as it reached Red
    std::vector<int16_t> block;
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(frames - done, 65536);
        block.resize(2 * static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            const auto s = static_cast<int16_t>(leak(gen));
            int16_t& slot = history[static_cast<size_t>((done + i) % kLeakLead)];
            const int16_t late = slot;
            slot = s;
            block[2 * static_cast<size_t>(i)] = static_cast<int16_t>((s + noise(gen)) * 16);
            block[2 * static_cast<size_t>(i) + 1] = static_cast<int16_t>((late + noise(gen)) * 16);
        }
        os.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(4 * n));
        done += n;
    }
}

// A survey at the longest range with three bands, as the program saves it.
void WriteRunFile(const std::string& path) {
    CCorrelation run(500, 100, 100.0f, 1, kRate, CorrelationOptions{false, true});
    run.Pipe().SetSurveyRange(kSurveyMaximum);
    const float bands[3][2] = {{200, 1500}, {100, 800}, {400, 2500}};
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        FilterBand band;
        band.lowCut = bands[k][0] / kRate;
        band.highCut = bands[k][1] / kRate;
        run.RedFilter(k).SetBand(band);
        run.BlueFilter(k).SetBand(band);
    }
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    run.Write(os);
}

void EnsureRecording() {
    const int32_t frames = g_minutes * 60 * kRate;
    const std::string name = RunName();
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(name + "_corr.wav", ec);
    if (!ec && bytes == 44 + 4 * static_cast<uintmax_t>(frames) && std::filesystem::exists(name + ".corr")) return;
    std::filesystem::create_directories(Folder());
    WriteRecording(name + "_corr.wav", frames);
    WriteRunFile(name + ".corr");
}

struct Stages {
    double read = 0, filter = 0, correlate = 0, analyse = 0;
};

// ReplayRecording's loop with a clock between its stages.
Stages Replay(CCorrelation& run) {
    Stages s;
    std::vector<int16_t> frames(2 * kFramesPerFeed), red(kFramesPerFeed), blue(kFramesPerFeed);
    for (;;) {
        double t = CpuSeconds();
        const int32_t got = run.Recording()->ReadFrames(kFramesPerFeed, frames.data());
        double now = CpuSeconds();
        s.read += now - t;
        t = now;
        for (int32_t i = 0; i < got; ++i) {
            red[i] = static_cast<int16_t>(frames[2 * i] / wavfile::kSampleScale);
            blue[i] = static_cast<int16_t>(frames[2 * i + 1] / wavfile::kSampleScale);
        }
        run.AddRedSamples(red.data(), got);
        run.AddBlueSamples(blue.data(), got);
        now = CpuSeconds();
        s.filter += now - t;
        t = now;
        while (run.Correlate(std::numeric_limits<int32_t>::max()) > 0) {
        }
        now = CpuSeconds();
        s.correlate += now - t;
        if (got == 0) break;
    }
    const double t = CpuSeconds();
    std::ostringstream sink;
    PrintPeak(run, sink);
    s.analyse = CpuSeconds() - t;
    return s;
}

void BM_Replay(benchmark::State& state, bool fft, const char* fir, int32_t threads) {
    EnsureRecording();
    const std::string name = RunName();
    fir::SelectPath(fir);
    Stages total;
    double wall = 0;
    int64_t lag = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::ifstream corr(name + ".corr", std::ios::binary);
        auto wav = std::make_unique<std::ifstream>(name + "_corr.wav", std::ios::binary);
        OpenedRun opened = OpenRunFromStreams(&corr, std::move(wav), CorrelationOptions{fft, true});
        state.ResumeTiming();
        const double t = CpuSeconds(), start = Seconds(CLOCK_MONOTONIC);
        StartReplay(*opened.run, {fft, 1, 3, {}});
        opened.run->SetDirectThreads(threads);
        total.filter += CpuSeconds() - t;  // the priming
        const Stages s = Replay(*opened.run);
        total.read += s.read;
        total.filter += s.filter;
        total.correlate += s.correlate;
        total.analyse += s.analyse;
        wall += Seconds(CLOCK_MONOTONIC) - start;
        lag = opened.run->FindPeak(opened.run->SelectedAccumulator()).peakIndex - opened.run->MaxLag();
    }
    state.SetLabel(std::string(fft ? "fft" : "direct post-filter") + ", FIR " + fir::PathName() + ", " +
                   std::to_string(threads) + " thread(s)");
    fir::SelectPath("");
    const auto perIteration = [&](double v) { return benchmark::Counter(v / static_cast<double>(state.iterations())); };
    state.counters["read_s"] = perIteration(total.read);
    state.counters["filter_s"] = perIteration(total.filter);
    state.counters["correlate_s"] = perIteration(total.correlate);
    state.counters["analyse_s"] = perIteration(total.analyse);
    state.counters["wall_s"] = perIteration(wall);
    state.counters["peak_lag"] = static_cast<double>(lag);
    state.SetItemsProcessed(state.iterations() * int64_t{g_minutes} * 60 * kRate);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0) {
            g_minutes = std::max(1, std::atoi(argv[i + 1]));
            for (int j = i; j + 2 < argc; ++j) argv[j] = argv[j + 2];
            argc -= 2;
            break;
        }
    }
    const auto cores = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    benchmark::RegisterBenchmark("Replay/fft/fir_scalar", BM_Replay, true, "scalar", 1)->Unit(benchmark::kSecond)->Iterations(1);
    benchmark::RegisterBenchmark("Replay/fft", BM_Replay, true, "", 1)->Unit(benchmark::kSecond)->Iterations(1);
    benchmark::RegisterBenchmark("Replay/direct", BM_Replay, false, "", 1)->Unit(benchmark::kSecond)->Iterations(1);
    if (cores > 1)
        benchmark::RegisterBenchmark("Replay/direct/every_core", BM_Replay, false, "", cores)
            ->Unit(benchmark::kSecond)
            ->Iterations(1)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
