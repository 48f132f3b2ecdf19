// The run loop on a fake clock: the rules START applies, the correlation
// budget, the indicators' cadence, the START gate on the virtual unit's radio
// levels, and the optimisations the loop starts by itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "TempUnitRoot.h"
#include "app/RunLoop.h"
#include "app/RunRules.h"
#include "dsp/Correlation.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"

namespace {

// What the loop showed, with the tick count of each call where it matters.
struct RecordingView : RunView {
    std::vector<uint32_t> elapsedAt, graphAt, radioAt;
    std::vector<RadioIcons> icons;
    std::vector<bool> startEnabled, optimiseEnabled;
    std::vector<int32_t> percents;
    int applied = 0, autoStops = 0;

    void ShowElapsed(std::u16string_view) override { elapsedAt.push_back(platform::GetTickCount()); }
    void InvalidateArea(const ScreenArea& a) override {
        if (a.left == kGraphRefreshArea.left && a.bottom == kGraphRefreshArea.bottom)
            graphAt.push_back(platform::GetTickCount());
    }
    void ShowRadioIcons(const RadioIcons& i) override {
        icons.push_back(i);
        radioAt.push_back(platform::GetTickCount());
    }
    void EnableStartCommands(bool on) override { startEnabled.push_back(on); }
    void EnableOptimiseCommand(bool on) override { optimiseEnabled.push_back(on); }
    void ShowOptimising(int32_t percent) override { percents.push_back(percent); }
    void OptimisationApplied() override { ++applied; }
    void AutoStop() override { ++autoStops; }
    int OptimisationsStarted() const { return static_cast<int>(std::count(optimiseEnabled.begin(), optimiseEnabled.end(), false)); }
};

// A clock whose performance counter moves `step` counts at every reading and
// wraps round its 64 bits as a hardware counter would.
class SteppingClock final : public platform::Clock {
public:
    SteppingClock(int64_t start, int64_t step, int64_t frequency) : m_counter(start), m_step(step), m_frequency(frequency) {}
    int64_t HostUtcMs() const override { return 1262304000000 + m_tick; }
    uint32_t TickCountMs() const override { return static_cast<uint32_t>(m_tick); }
    int64_t PerformanceCounter() const override {
        const int64_t v = m_counter;
        m_counter = static_cast<int64_t>(static_cast<uint64_t>(m_counter) + static_cast<uint64_t>(m_step));
        return v;
    }
    int64_t PerformanceFrequency() const override { return m_frequency; }
    void SleepMs(uint32_t ms) override { m_tick += ms; }
    int64_t m_tick = 0;
    mutable int64_t m_counter;
    int64_t m_step, m_frequency;
};

// A loop on a unit without devices (or on the virtual unit) and a one-trace run.
class LoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_configuration = CConfiguration();
        g_configuration.testMode = 0;
        g_replay = 0;
    }
    void TearDown() override {
        loop.reset();
        hw.reset();
        platform::SetDeviceProvider(nullptr);
        g_replay = 0;
    }
    void Make(std::shared_ptr<platform::DeviceProvider> provider = nullptr) {
        platform::SetDeviceProvider(std::move(provider));
        hw = std::make_unique<SensorHardware>();
        radio = std::make_unique<RadioLink>(*hw);
        loop = std::make_unique<RunLoop>(*hw, *radio, view);
    }
    // Advances the fake clock one period and ticks, n times.
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(RunLoop::kTickMs);
            loop->Tick(run);
        }
    }
    // Both raw stores get the same n samples of noise.
    void Feed(int32_t n) {
        std::vector<int16_t> x(static_cast<size_t>(n));
        for (int16_t& v : x) v = static_cast<int16_t>((seed = seed * 1103515245u + 12345u) >> 16) % 1000;
        run.AddRedSamples(x.data(), n);
        run.AddBlueSamples(x.data(), n);
    }

    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
    RecordingView view;
    CCorrelation run{500, 100, 100.0f, 1, 10000.0f};
    std::unique_ptr<SensorHardware> hw;
    std::unique_ptr<RadioLink> radio;
    std::unique_ptr<RunLoop> loop;
    uint32_t seed = 1;
};

}  // namespace

// ---- rules START applies ------------------------------------------------------------

TEST(AcquisitionRate, FollowsTheTravelTimeUpToTenfold) {
    struct Row { float ms; int32_t n, hz; };
    for (const Row& r : {Row{2000, 5, 2000}, Row{454, 1, 10000}, Row{455, 2, 5000}, Row{4090, 9, 1111},
                         Row{4091, 10, 1000}, Row{1.0e6f, 10, 1000}}) {
        const runrules::AcquisitionRate a = runrules::RateForTravelTime(r.ms);
        EXPECT_EQ(a.decimation, r.n) << r.ms;
        EXPECT_EQ(a.rate, r.hz) << r.ms;
    }
}

// A pipe of no length would make n = 0 and the rate a division by zero.
TEST(AcquisitionRate, PipeWithoutTravelTimeRunsAtFullRate) {
    for (float ms : {0.0f, -3.0f, std::nanf("")}) {
        EXPECT_EQ(runrules::RateForTravelTime(ms).decimation, 1);
        EXPECT_EQ(runrules::RateForTravelTime(ms).rate, 10000);
    }
}

TEST(StartRange, TenPercentOverTheTravelTimeAndNeverBelow25Ms) {
    EXPECT_FLOAT_EQ(runrules::RangeForStart(10.0f, false, 1).range, 25.0f);
    EXPECT_FLOAT_EQ(runrules::RangeForStart(0.0f, false, 4).range, 25.0f);
    EXPECT_FLOAT_EQ(runrules::RangeForStart(std::nanf(""), false, 4).range, 25.0f);
    EXPECT_FLOAT_EQ(runrules::RangeForStart(1000.0f, true, 4).range, 1100.0f);
    struct Row { int32_t survey; float range; int32_t unit; };
    for (const Row& r : {Row{1, 250.0f, 1}, Row{2, 1.0f, 0}, Row{3, 2.0f, 0}, Row{0, 100.0f, 1}}) {
        const runrules::RunRange got = runrules::RangeForStart(1000.0f, true, r.survey);
        EXPECT_FLOAT_EQ(got.range, r.range) << r.survey;
        EXPECT_EQ(got.unit, r.unit) << r.survey;
        EXPECT_FALSE(got.described);
    }
}

// ---- the correlation budget ------------------------------------------------------------

// Before any measurement 1 item per 10^6 counts; then what the last tick
// that did work measured, unchanged by ticks with no items or no counts.
TEST_F(LoopTest, BudgetStartsSmallThenFollowsTheLastMeasuredTick) {
    SteppingClock counter(0, 1000, 1000000000);  // 1 GHz, 1 us per reading
    platform::ScopedClock use(counter);
    Make();
    Feed(20000);
    loop->SetRunning(true);
    loop->Tick(run);
    // 70 ms of 1 GHz, less the microsecond the tick has spent, at 1 item per 10^6 counts.
    EXPECT_EQ(loop->ItemsWanted(), 69);
    EXPECT_EQ(loop->ItemsDoneLast(), 69);
    EXPECT_EQ(loop->CounterTicksLast(), 1000);
    loop->Tick(run);  // 69 items per 1000 counts: everything there is
    EXPECT_GT(loop->ItemsWanted(), 1000000);
    const int32_t items = loop->ItemsDoneLast();
    EXPECT_EQ(items, loop->ItemsDone());
    loop->Tick(run);  // nothing new arrived
    EXPECT_EQ(loop->ItemsDone(), 0);
    EXPECT_EQ(loop->ItemsDoneLast(), items);
    counter.m_step = 0;  // a counter that does not advance
    Feed(3000);
    loop->Tick(run);
    EXPECT_GT(loop->ItemsDone(), 0);
    EXPECT_EQ(loop->ItemsDoneLast(), items);
    EXPECT_EQ(loop->CounterTicksLast(), 1000);
}

// A counter that wraps within a tick must not give a negative or huge span,
// and no estimate may overflow the request.
TEST_F(LoopTest, WrappingCounterIsTimedAcrossTheWrap) {
    SteppingClock counter(std::numeric_limits<int64_t>::max() - 1500, 1000, 1000000000);
    platform::ScopedClock use(counter);
    Make();
    Feed(20000);
    loop->SetRunning(true);
    loop->Tick(run);
    EXPECT_EQ(loop->CounterTicksLast(), 1000);
    EXPECT_EQ(RunLoop::CounterSpan(std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()), 1);
    EXPECT_EQ(RunLoop::CounterSpan(500, 100), 0);  // backwards
    EXPECT_EQ(RunLoop::ItemsForBudget(std::numeric_limits<int64_t>::max(), std::numeric_limits<int32_t>::max(), 1),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RunLoop::ItemsForBudget(-5, 100, 1), 1);
}

// ---- indicators ----------------------------------------------------------------------

TEST_F(LoopTest, ElapsedAndGraphEveryTwoSecondsRadioIconsEveryHalfSecond) {
    Make();
    run.Clock().Start();
    loop->SetRunning(true);
    loop->MarkRepainted();
    Ticks(100);  // 10 s
    EXPECT_EQ(view.elapsedAt.size(), 5u);
    EXPECT_EQ(view.graphAt.size(), 5u);
    for (size_t i = 1; i < view.elapsedAt.size(); ++i) EXPECT_GE(view.elapsedAt[i] - view.elapsedAt[i - 1], 2000u);
    ASSERT_EQ(view.radioAt.size(), 20u);
    for (size_t i = 1; i < view.radioAt.size(); ++i) EXPECT_EQ(view.radioAt[i] - view.radioAt[i - 1], 500u);
    EXPECT_FALSE(view.icons[0].blinkPhase);
    EXPECT_TRUE(view.icons[1].blinkPhase);
}

TEST_F(LoopTest, NoReceptionWithoutTestModeOrReplayDisablesStart) {
    sim::Scenario world = sim::DefaultScenario();
    for (sim::StationWorld& s : world.stations) s.rssi = -140.0;
    auto unit = sim::InstallVirtualUnit(world);
    Make(unit);
    Ticks(5);
    ASSERT_EQ(view.startEnabled.size(), 1u);
    EXPECT_FALSE(view.startEnabled.back());
    EXPECT_EQ(view.icons.back().barsA, 0);
    g_configuration.testMode = 1;
    Ticks(5);
    EXPECT_TRUE(view.startEnabled.back());
    g_configuration.testMode = 0;
    g_replay = 1;
    Ticks(5);
    EXPECT_TRUE(view.startEnabled.back());
    EXPECT_TRUE(view.icons.back().replay);
    g_replay = 0;
    for (sim::StationWorld& s : unit->World().stations) s.rssi = -20.0;  // above the -50 dBm floor
    Ticks(200);  // the rating averages the last 20 readings
    EXPECT_TRUE(loop->RadioOk());
    EXPECT_TRUE(view.startEnabled.back());
}

// ---- optimisations the loop starts -----------------------------------------------------

class AutomaticOptimisation : public LoopTest, public ::testing::WithParamInterface<bool> {};

// With a good SNR only the first check (30 s) optimises; later checks move on
// by 30 s. With a poor one every check optimises and the next comes 60 s on.
TEST_P(AutomaticOptimisation, FirstCheckAlwaysOptimisesLaterOnlyForPoorSnr) {
    const bool goodSnr = GetParam();
    CorrelationOptions fft;
    fft.useFftEngine = true;  // the accumulator below is the one analysed
    run.SetOptions(fft);
    run.SetPostFilter(1);
    std::vector<int64_t>& acc = run.Accumulator(0);
    for (size_t i = 0; i < acc.size(); ++i) acc[i] = i % 2 ? 10 : -10;
    if (goodSnr) acc[run.MaxLag() + 301] = 120;  // neighbours below the mean: no lobe
    ASSERT_EQ(run.Snr() >= RunLoop::kGoodSnr, goodSnr) << run.Snr();
    Make();
    run.Clock().Start();
    loop->SetRunning(true);
    loop->RestartSurveyCheck();
    Ticks(299);
    EXPECT_EQ(view.OptimisationsStarted(), 0);
    Ticks(1);  // 30 s
    EXPECT_EQ(view.OptimisationsStarted(), 1);
    EXPECT_EQ(loop->SurveyCheckTimeMs(), 90000u);
    Ticks(890);  // 119 s: checks at 30 and 90 s
    EXPECT_EQ(view.OptimisationsStarted(), goodSnr ? 1 : 2);
    EXPECT_EQ(loop->SurveyCheckTimeMs(), goodSnr ? 120000u : 150000u);
    EXPECT_EQ(view.applied, view.OptimisationsStarted());
}
INSTANTIATE_TEST_SUITE_P(Snr, AutomaticOptimisation, ::testing::Bool());

// With no samples nothing scores, and the band the run had is kept rather
// than opened to no band at all.
TEST_F(LoopTest, OptimisationShowsOnePercentFirstAndIsAppliedAfterTheLastBand) {
    Make();
    run.SetPostFilter(1);
    FilterBand band;
    band.lowCut = 0.03f;
    band.highCut = 0.12f;
    run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    loop->StartOptimisation(run);
    EXPECT_EQ(view.optimiseEnabled, std::vector<bool>{false});
    Ticks(1);
    ASSERT_EQ(view.percents, std::vector<int32_t>{1});
    EXPECT_EQ(loop->Optimiser().List(), FilterOptimiser::kDefaultList);  // no samples yet
    Ticks(FilterOptimiser::kStepCount - 1);  // the 55 bands
    EXPECT_EQ(view.percents.back(), 100);
    EXPECT_EQ(view.applied, 0);
    EXPECT_TRUE(loop->Optimising());
    Ticks(1);
    EXPECT_EQ(view.applied, 1);
    EXPECT_FALSE(loop->Optimising());
    EXPECT_EQ(view.optimiseEnabled.back(), true);
    EXPECT_EQ(loop->Optimiser().BestScore(), FilterOptimiser::kNoScore);
    EXPECT_EQ(run.PostFilterOf(0).Band().lowCut, 0.03f);
    EXPECT_EQ(run.PostFilterOf(0).Band().highCut, 0.12f);
}

// A replay stops itself once its data end, and only once: a stopped replay
// must not be stopped and optimised again at every later update.
TEST_F(LoopTest, ReplayThatRanOutStopsOnceAndOptimises) {
    Make();
    g_replay = 1;
    run.SetPostFilter(1);
    run.Clock().Start();
    loop->SetRunning(true);
    loop->MarkRepainted();
    Ticks(40);  // no recording: the counters never move
    EXPECT_EQ(view.autoStops, 1);
    EXPECT_FALSE(loop->Running());
    Ticks(200);
    EXPECT_EQ(view.autoStops, 1);
    EXPECT_EQ(view.OptimisationsStarted(), 1);
}
