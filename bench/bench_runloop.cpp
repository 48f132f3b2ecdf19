// A live run at 10 kHz, one 100 ms tick per iteration: 1000 new samples per
// channel reach the run, then the run loop ticks (fetch, correlate within its
// budget, indicators) and, at every 2-second update, the display trace of
// each trace is derived as the paint will. The baseline is the bare
// correlation of the same samples with nothing around it. Items are samples
// per channel; "core_pct" is the share of one core the run takes: CPU time
// per iteration / 100 ms, in per cent (the library prints it with an "s",
// as it does every inverted rate). Arguments: range (ms), traces, the
// post-filter setting.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <vector>

#include "app/RunLoop.h"
#include "app/RunRules.h"
#include "dsp/Correlation.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "settings/Configuration.h"

namespace {

constexpr int32_t kTickSamples = 1000;       // 100 ms at 10 kHz
constexpr int32_t kRecordSamples = 1 << 16;  // the noise the ticks cycle through
constexpr int32_t kLeakLag = 37;

// Simulated tick count (one tick per iteration, so the 2-second update comes
// every 20 iterations as in a live run) with the host's performance counter,
// so that the loop's budget is real time.
class BenchClock final : public platform::Clock {
public:
    int64_t HostUtcMs() const override { return 1262304000000 + m_ms; }
    uint32_t TickCountMs() const override { return static_cast<uint32_t>(m_ms); }
    int64_t PerformanceCounter() const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    int64_t PerformanceFrequency() const override { return 1000000000; }
    void SleepMs(uint32_t ms) override { m_ms += ms; }
    int64_t m_ms = 0;
};

// The paint's share of a 2-second update: every trace's display columns.
class PaintingView final : public RunView {
public:
    explicit PaintingView(CCorrelation& run) : m_run(run) {}
    void InvalidateArea(const ScreenArea&) override {
        for (int32_t t = 0; t < m_run.TraceCount(); ++t) benchmark::DoNotOptimize(m_run.DisplayTrace(t).data());
    }

private:
    CCorrelation& m_run;
};

struct LiveRun {
    std::vector<int16_t> red, blue;
    std::unique_ptr<CCorrelation> run;
    int32_t next = 0;

    explicit LiveRun(const benchmark::State& state) : red(kRecordSamples), blue(kRecordSamples) {
        std::mt19937 gen(11);
        std::normal_distribution<double> n(0.0, 300.0);
        std::vector<int16_t> leak(kRecordSamples + kLeakLag);
        for (int16_t& v : leak) v = static_cast<int16_t>(n(gen));
        for (int32_t i = 0; i < kRecordSamples; ++i) {
            red[static_cast<size_t>(i)] = static_cast<int16_t>(leak[static_cast<size_t>(i + kLeakLag)] / 2 + n(gen) / 2);
            blue[static_cast<size_t>(i)] = static_cast<int16_t>(leak[static_cast<size_t>(i)] / 2 + n(gen) / 2);
        }
        CorrelationOptions options;  // the direct engine, as configured by default
        run = std::make_unique<CCorrelation>(500, 100, static_cast<float>(state.range(0)), 1, 10000.0f, options);
        run->SetTraceCount(static_cast<int32_t>(state.range(1)));
        run->SetPostFilter(static_cast<int32_t>(state.range(2)));
        runrules::ApplyDefaultBands(*run);
        for (int i = 0; i < 3; ++i) Feed();  // fill the lag window before timing
        while (run->Correlate(1 << 20) > 0) {
        }
    }
    void Feed() {
        run->AddRedSamples(red.data() + next, kTickSamples);
        run->AddBlueSamples(blue.data() + next, kTickSamples);
        next = (next + kTickSamples) % (kRecordSamples - kTickSamples);
    }
};

void Report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kTickSamples);
    // elapsed / (iterations x 0.1 s) x 100 %
    state.counters["core_pct"] = benchmark::Counter(static_cast<double>(state.iterations()) * 0.001,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_BareCorrelation(benchmark::State& state) {
    LiveRun live(state);
    for (auto _ : state) {
        live.Feed();
        benchmark::DoNotOptimize(live.run->Correlate(kTickSamples));
    }
    Report(state);
}

void BM_RunLoopTick(benchmark::State& state) {
    g_configuration = CConfiguration();
    g_configuration.testMode = 0;
    g_configuration.filterOptimisation = 0;  // no optimisation in the measured run
    BenchClock clock;
    platform::ScopedClock scoped(clock);
    platform::SetDeviceProvider(nullptr);  // a unit without devices: the loop's requests are no-ops
    LiveRun live(state);
    SensorHardware hardware;
    RadioLink radio(hardware);
    PaintingView view(*live.run);
    RunLoop loop(hardware, radio, view);
    loop.SetRunning(true);
    live.run->Clock().Start();
    for (auto _ : state) {
        clock.m_ms += RunLoop::kTickMs;
        live.Feed();
        loop.Tick(*live.run);
    }
    Report(state);
}

void Sweep(benchmark::internal::Benchmark* b) {
    b->ArgNames({"range_ms", "traces", "post"});
    for (int64_t post : {1, 0})
        for (int64_t range : {100, 2000})
            for (int64_t traces : {1, 3}) b->Args({range, traces, post});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_BareCorrelation)->Apply(Sweep);
BENCHMARK(BM_RunLoopTick)->Apply(Sweep);

BENCHMARK_MAIN();
