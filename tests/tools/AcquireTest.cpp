// Acquisition end to end: the virtual unit's world with a leak at a known
// place, the sensor hardware's chain feeding a correlation run, and the run's
// answer against the world's truth; then corrtool acquire as a user runs it.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempUnitRoot.h"
#include "dsp/Correlation.h"
#include "hardware/CorrelationInput.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "sim/VirtualUnit.h"
#include "ToolRun.h"

namespace {

double Number(const std::string& out, const std::string& key) {
    const std::string v = FieldOf(out, key);
    EXPECT_FALSE(v.empty()) << key << " missing in\n" << out;
    return v.empty() ? NAN : std::stod(v);
}

// 300 m of pipe at 1200 m/s with the leak 100 m from Red: Red hears it after
// 83.3 ms, Blue after 166.7 ms, so the lag is -833.3 samples at 10 kHz.
sim::Scenario KnownPipe() {
    sim::Scenario s = sim::DefaultScenario();
    s.seed = 99;
    s.sections = {{300.0, 1200.0}};
    s.leakPosition = 100.0;
    s.leakLevel = 250.0;
    return s;
}

}  // namespace

class AcquisitionFindsTheLeak : public ::testing::TestWithParam<int32_t> {
protected:
    void TearDown() override { platform::SetDeviceProvider(nullptr); }
    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
};

TEST_P(AcquisitionFindsTheLeak, WithinOneSampleOfTheTrueDelay) {
    const int32_t decimation = GetParam();
    const sim::Scenario world = KnownPipe();
    sim::InstallVirtualUnit(world);
    const float rate = 10000.0f / static_cast<float>(decimation);
    CCorrelation run(500, 100, 100.0f, 1, rate);
    PipeSegment section;
    section.SetLength(300.0f, LengthUnit::Metres);
    section.SetVelocity(1200.0f);
    run.Pipe().AddSection(section);
    run.SetRange(1.1f * run.Pipe().GetTotalTime(DelayUnit::Milliseconds), 1);

    SensorHardware hardware;
    hardware.SetOutputSampleRate(10000 / decimation);
    while (clock.TickCountMs() < 4000) {  // a few seconds of simulated time
        clock.Advance(100);
        ProcessSampleBlock(hardware, run);
        const SamplingState s = hardware.GetSamplingState();
        if (s == SamplingIdle || s == SamplingStalled || s == SamplingFinished) StartSampling(hardware, run);
        while (run.Correlate(1 << 20) > 0) {
        }
    }
    ASSERT_GT(run.SamplesCorrelated(), 30000 / decimation);
    const PeakResult peak = run.FindPeak(run.SelectedAccumulator());
    const double expected = world.ExpectedDelaySamples(rate);
    EXPECT_NEAR(peak.peakIndex - run.MaxLag(), expected, sim::Scenario::kDelayTolerance)
        << "decimation " << decimation;
}

INSTANTIATE_TEST_SUITE_P(FullAndDecimatedRates, AcquisitionFindsTheLeak, ::testing::Values(1, 4, 10));

class AcquireCommand : public ::testing::Test {
protected:
    TempUnitRoot root;
    Args Base() const { return {"--root", root.Path().string(), "acquire"}; }
    // corrtool acquire with these options on the test's unit root.
    ToolResult Run(const Args& options) const {
        Args args = Base();
        args.insert(args.end(), options.begin(), options.end());
        return Tool(args);
    }
};

TEST_F(AcquireCommand, DefaultWorldIsFoundAtFullAndDecimatedRates) {
    for (const char* rate : {"10000", "2000"}) {
        const ToolResult r = Run({"--seconds", "6", "--rate", rate});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NEAR(Number(r.out, "peak_lag"), Number(r.out, "scenario_delay_samples"), 1.0) << r.out;
        EXPECT_NEAR(Number(r.out, "distance_a_m"), Number(r.out, "scenario_distance_a_m"), 1.5) << r.out;
        EXPECT_GT(Number(r.out, "snr"), 9.0);
        EXPECT_EQ(Number(r.out, "blocks_overrun"), 0);
        // The loop restarts every finished acquisition: most of the time is correlated.
        EXPECT_GT(Number(r.out, "samples_correlated"), 0.8 * 6 * std::stod(rate)) << r.out;
    }
}

// The default settings optimise the band at 30 s of a run, pausing the
// correlation for the 56 steps; the leak stays where it is. The 1.5 km pipe
// runs at the rate START chooses for it: 1.1 x 1200 ms / 500 ms gives n = 3.
TEST_F(AcquireCommand, LongRunsAndLongPipesStillFindTheLeak) {
    const auto file = root.Path() / "long.txt";
    std::ofstream(file) << "seed 3\nsection 1500 1250\nleak 400 300\n";
    for (const bool longPipe : {false, true}) {
        Args options = {"--seconds", "40"};
        if (longPipe) options.insert(options.end(), {"--scenario", file.string()});
        const ToolResult r = Run(options);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(Number(r.out, "decimation"), longPipe ? 3 : 1);
        EXPECT_NEAR(Number(r.out, "peak_lag"), Number(r.out, "scenario_delay_samples"), 1.0) << r.out;
        EXPECT_NEAR(Number(r.out, "distance_a_m"), Number(r.out, "scenario_distance_a_m"), 1.5) << r.out;
        EXPECT_GT(Number(r.out, "snr"), 9.0);
    }
}

TEST_F(AcquireCommand, SwappedStationsTurnTheDelayRound) {
    const ToolResult r = Run({"--seconds", "5", "--stations", "2,1"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GT(Number(r.out, "scenario_delay_samples"), 0);
    EXPECT_NEAR(Number(r.out, "peak_lag"), Number(r.out, "scenario_delay_samples"), 1.0);
    EXPECT_NEAR(Number(r.out, "scenario_distance_a_m"), 130.0, 1e-9);  // leak 70 m from Red on 200 m
}

TEST_F(AcquireCommand, ScenarioFileWithDropoutsAndClippingStillLocates) {
    const auto file = root.Path() / "field.txt";
    std::ofstream(file) << "seed 5\nsection 250 1100\nleak 180 350\n"
                           "station red noise 60 clip 3 0.02\nstation blue dropout 4 0.5\n";
    const ToolResult r = Run({"--seconds", "8", "--scenario", file.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NEAR(Number(r.out, "peak_lag"), Number(r.out, "scenario_delay_samples"), 1.0) << r.out;
}

TEST_F(AcquireCommand, SavedRunReopensWithTheSamePeak) {
    const std::string name = (root.Path() / "acq").string();
    const ToolResult r = Run({"--seconds", "4", "--out", name});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FieldOf(r.out, "saved"), name + ".corr");
    ASSERT_TRUE(std::filesystem::exists(name + "_corr.wav"));
    const ToolResult info = Tool({"corr", "info", name + ".corr"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(FieldOf(info.out, "peak_lag"), FieldOf(r.out, "peak_lag"));
}

TEST_F(AcquireCommand, BadOptionsAndScenariosAreRefused) {
    ToolResult r = Run({"--rate", "3000"});  // not 10000 / D
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("bad value for --rate"), std::string::npos);
    EXPECT_EQ(Run({"--pipe", "100:0"}).code, 2);
    const auto file = root.Path() / "bad.txt";
    std::ofstream(file) << "section 100 1000\nleak 10 abc\n";
    r = Run({"--scenario", file.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "corrtool: scenario line 2: 'abc' is not a number\n");
}

// A run too short to fill its lag window correlates nothing: neither the
// acquisition nor a replay of what it saved may print a peak or distances
// as if they were a result.
TEST_F(AcquireCommand, NothingCorrelatedPrintsNoResult) {
    const std::string name = (root.Path() / "short").string();
    const ToolResult acquired = Run({"--seconds", "0.1", "--out", name});
    const ToolResult replayed = Tool({"corr", "replay", name + ".corr"});
    for (const ToolResult* r : {&acquired, &replayed}) {
        EXPECT_EQ(FieldOf(r->out, "samples_correlated"), "0") << r->out;
        EXPECT_EQ(r->code, 1);
        EXPECT_NE(r->err.find("nothing was correlated"), std::string::npos) << r->err;
        for (const char* key : {"peak_lag", "snr", "distance_a_m", "distance_b_m"})
            EXPECT_EQ(FieldOf(r->out, key), "") << key;
    }
}
