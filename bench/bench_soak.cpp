// Soak: a live run on the virtual unit's default world through the program's
// run loop for 24 simulated hours (or the hours given), on simulated time, so
// the run goes as fast as the host correlates. Each simulated hour prints the
// resident memory; after the first hour's warm-up it must stay flat. The last
// line says whether it did: growth past hour 1 of at most 1 MiB.
//   bench_soak [HOURS]
// A plain program rather than a Google Benchmark one: a single long run is
// what is measured, not a repeated loop.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "app/RunLoop.h"
#include "app/RunRules.h"
#include "app/RunSettings.h"
#include "dsp/Correlation.h"
#include "hardware/CorrelationInput.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "platform/Paths.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"

namespace {

constexpr int64_t kHourMs = 3600 * 1000;
constexpr long kFlatLimitKb = 1024;

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = -1;
    while (status >> key)
        if (key == "VmRSS:") return status >> kb, kb;
    return kb;
}

// The run START makes on the scenario's pipe: rate and range from its travel time.
std::unique_ptr<CCorrelation> StartRun(const sim::Scenario& world) {
    CorrelationOptions options = CorrelationOptionsFromConfiguration();
    auto run = std::make_unique<CCorrelation>(500, 100, 100.0f, 1, 10000.0f, options);
    for (const sim::PipeSection& s : world.sections) {
        PipeSegment segment;
        segment.SetLength(static_cast<float>(s.length), LengthUnit::Metres);
        segment.SetVelocity(static_cast<float>(s.velocity));
        run->Pipe().AddSection(segment);
    }
    const float travelMs = run->Pipe().GetTotalTime(DelayUnit::Milliseconds);
    run->SetSampleRate(static_cast<float>(runrules::RateForTravelTime(travelMs).rate));
    run->SetPostFilter(g_configuration.postFilter);
    const runrules::RunRange range = runrules::RangeForStart(travelMs, false, runrules::kSurveyNone);
    run->Pipe().SetSurveyRange(runrules::kSurveyNone);
    run->SetRange(range.range, range.unit);
    runrules::ApplyDefaultBands(*run);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int hours = argc > 1 ? std::atoi(argv[1]) : 24;
    if (hours < 2 || hours > 48) return std::fprintf(stderr, "usage: bench_soak [HOURS 2-48]\n"), 2;
    platform::SetUnitRoot(std::filesystem::temp_directory_path() / "corr-soak");
    g_configuration = CConfiguration();
    platform::SimulatedClock clock;
    platform::ScopedClock scoped(clock);
    const sim::Scenario world = sim::DefaultScenario();
    auto unit = sim::InstallVirtualUnit(world);
    auto run = StartRun(world);
    long warm = 0, peak = 0;
    {
        SensorHardware hardware;
        RadioLink radio(hardware);
        RunView view;
        RunLoop loop(hardware, radio, view);
        hardware.SetOutputSampleRate(static_cast<int32_t>(run->SampleRate()));
        run->Clock().Start();
        loop.SetRunning(true);
        StartSampling(hardware, *run);
        const auto began = std::chrono::steady_clock::now();
        std::printf("hour rss_kb real_s speed samples_correlated\n");
        for (int hour = 1; hour <= hours; ++hour) {
            while (clock.TickCountMs() < hour * kHourMs) {
                clock.Advance(RunLoop::kTickMs);
                loop.Tick(*run);
            }
            const double real = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            const long rss = ResidentKb();
            if (hour == 1) warm = rss;
            if (rss > peak) peak = rss;
            std::printf("%4d %6ld %6.0f %5.0fx %ld\n", hour, rss, real, hour * 3600.0 / real,
                        static_cast<long>(run->SamplesCorrelated()));
            std::fflush(stdout);
        }
    }
    platform::SetDeviceProvider(nullptr);
    const long growth = peak - warm;
    std::printf("warm_rss_kb=%ld peak_rss_kb=%ld growth_kb=%ld %s\n", warm, peak, growth,
                growth <= kFlatLimitKb ? "flat" : "GROWING");
    return growth <= kFlatLimitKb ? 0 : 1;
}
