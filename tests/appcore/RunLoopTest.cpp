// The run loop on a fake clock: the rules START applies, the correlation
// budget, the indicators' cadence, the START gate on the virtual unit's radio
// levels, and the optimisations the loop starts by itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include "TempUnitRoot.h"
#include "archive/Archive.h"
#include "dsp/CorrTestSupport.h"
#include "app/RunLoop.h"
#include "app/RunRules.h"
#include "dsp/Correlation.h"
#include "hardware/CorrelationInput.h"
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
    std::vector<bool> startEnabled, optimiseEnabled, stallShown;  // stallShown: changes only
    std::vector<int32_t> percents;
    std::vector<StatusMessage> status;
    int applied = 0, autoStops = 0;

    void ShowStatusLine(StatusMessage m) override { status.push_back(m); }

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
    void ShowStallIcon(bool shown) override {
        if (stallShown.empty() || stallShown.back() != shown) stallShown.push_back(shown);
    }
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
    // Starts r's stopwatch and the loop on it, the graph just painted.
    void Begin(CCorrelation& r) {
        r.Clock().Start();
        loop->SetRunning(true);
        loop->MarkRepainted();
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

// A pipe of no length (or none at all) runs at the full rate: n = 0 would
// make the rate a division by zero.
TEST(AcquisitionRate, FollowsTheTravelTimeUpToTenfold) {
    struct Row { float ms; int32_t n, hz; };
    for (const Row& r : {Row{2000, 5, 2000}, Row{454, 1, 10000}, Row{455, 2, 5000}, Row{4090, 9, 1111},
                         Row{4091, 10, 1000}, Row{1.0e6f, 10, 1000}, Row{0, 1, 10000}, Row{-3, 1, 10000},
                         Row{std::nanf(""), 1, 10000}}) {
        const runrules::AcquisitionRate a = runrules::RateForTravelTime(r.ms);
        EXPECT_EQ(a.decimation, r.n) << r.ms;
        EXPECT_EQ(a.rate, r.hz) << r.ms;
    }
}

TEST(StartRange, TenPercentOverTheTravelTimeAndNeverBelow25Ms) {
    for (auto [ms, replay, survey, range] : {std::tuple{10.0f, false, 1, 25.0f}, {0.0f, false, 4, 25.0f},
                                             {std::nanf(""), false, 4, 25.0f}, {1000.0f, true, 4, 1100.0f}})
        EXPECT_FLOAT_EQ(runrules::RangeForStart(ms, replay, survey).range, range) << ms;
    struct Row { int32_t survey; float range; int32_t unit; };
    for (const Row& r : {Row{1, 250.0f, 1}, Row{2, 1.0f, 0}, Row{3, 2.0f, 0}, Row{0, 100.0f, 1}}) {
        const runrules::RunRange got = runrules::RangeForStart(1000.0f, true, r.survey);
        EXPECT_FLOAT_EQ(got.range, r.range) << r.survey;
        EXPECT_EQ(got.unit, r.unit) << r.survey;
        EXPECT_FALSE(got.described);
    }
}

// Every pipe START takes is correlated over its whole range, by the engine
// asked for or, where the FFT block would not fit the filtered stores, by the
// direct one; the others are refused. Each taken row is fed until its first
// block and must correlate.
TEST(StartRange, EveryPipeStartTakesCorrelates) {
    using runrules::StartRefusal;
    struct Row { float travelMs; int32_t postFilter; bool fft; StartRefusal refusal; };
    for (const Row& r : {Row{57000, 1, true, StartRefusal::None},    // the largest FFT block that fits
                         Row{60000, 0, true, StartRefusal::None},    // FFT block too big: direct, filtered
                         Row{90000, 1, true, StartRefusal::None},    // direct on the raw stores
                         Row{93000, 0, false, StartRefusal::None},
                         Row{94000, 0, false, StartRefusal::BeyondFilteredStore},
                         Row{100000, 0, true, StartRefusal::BeyondFilteredStore},
                         Row{181000, 1, false, StartRefusal::None},
                         Row{182000, 1, true, StartRefusal::BeyondLagRange},
                         Row{std::nanf(""), 1, false, StartRefusal::None}}) {
        const float rate = static_cast<float>(runrules::RateForTravelTime(r.travelMs).rate);
        const runrules::RunRange range = runrules::RangeForStart(r.travelMs, false, runrules::kSurveyNone);
        ASSERT_EQ(runrules::RefusalForRange(range.range, range.unit, rate, r.postFilter, r.fft), r.refusal) << r.travelMs;
        if (r.refusal != StartRefusal::None) continue;
        CorrelationOptions options;
        options.useFftEngine = r.fft;
        CCorrelation run(500, 100, 100.0f, 1, rate, options);
        run.SetPostFilter(r.postFilter);
        run.SetRange(range.range, range.unit);
        const int32_t block = run.UsesFftEngine() ? corr::FftSizeForLag(run.MaxLag()) : 2 * run.MaxLag() + 64;
        const std::vector<int16_t> x = Noise(static_cast<size_t>(block) + 64, 5, 500);
        run.AddRedSamples(x.data(), static_cast<int32_t>(x.size()));
        run.AddBlueSamples(x.data(), static_cast<int32_t>(x.size()));
        EXPECT_GT(run.Correlate(64), 0) << r.travelMs;
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

// The update also moves an auto cursor to the peak.
TEST_F(LoopTest, ElapsedAndGraphEveryTwoSecondsRadioIconsEveryHalfSecond) {
    Make();
    CorrelationOptions fft;
    fft.useFftEngine = true;  // the accumulator below is the one shown
    run.SetOptions(fft);
    run.Accumulator(0)[static_cast<size_t>(run.MaxLag() + 301)] = 500;
    run.View().cursorOnPeak = 1;
    Begin(run);
    Ticks(100);  // 10 s
    EXPECT_EQ(view.elapsedAt.size(), 5u);
    EXPECT_EQ(view.graphAt.size(), 5u);
    for (size_t i = 1; i < view.elapsedAt.size(); ++i) EXPECT_GE(view.elapsedAt[i] - view.elapsedAt[i - 1], 2000u);
    ASSERT_EQ(view.radioAt.size(), 20u);
    for (size_t i = 1; i < view.radioAt.size(); ++i) EXPECT_EQ(view.radioAt[i] - view.radioAt[i - 1], 500u);
    EXPECT_FALSE(view.icons[0].blinkPhase);
    EXPECT_TRUE(view.icons[1].blinkPhase);
    EXPECT_EQ(run.View().cursorLag, 301);
}

// Red blinks 1 s lit, 1 s dark while the unit charges; otherwise the LED is dark.
TEST_F(LoopTest, StatusLedBlinksRedOnlyWhileCharging) {
    constexpr uint32_t kRedLine = 26;  // PB_RED, lit at 0
    for (const sim::Supply supply : {sim::Supply::Charging, sim::Supply::Battery}) {
        sim::Scenario world = sim::DefaultScenario();
        world.supply = supply;
        const auto unit = sim::InstallVirtualUnit(world);
        Make(unit);
        hw->SetChargerShutdown(false);
        std::string lit;
        for (int i = 0; i < 22; ++i) {
            Ticks(1);
            lit += unit->LineState(kRedLine).level == 0 ? 'R' : '.';
        }
        EXPECT_EQ(lit, supply == sim::Supply::Charging ? "RRRRRRRRR...........RR" : std::string(22, '.'));
    }
    // Unplugged while it is lit: dark from the next tick.
    const auto unit = sim::InstallVirtualUnit([] {
        sim::Scenario world = sim::DefaultScenario();
        world.supply = sim::Supply::Charging;
        return world;
    }());
    Make(unit);
    hw->SetChargerShutdown(false);
    Ticks(2);
    ASSERT_EQ(unit->LineState(kRedLine).level, 0u);
    unit->World().supply = sim::Supply::Battery;
    Ticks(1);
    EXPECT_NE(unit->LineState(kRedLine).level, 0u);
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
    unit->World().Of(static_cast<sim::Station>(run.Pipe().GetStationB())).rssi = -140.0;  // one station is not enough
    Ticks(200);
    EXPECT_FALSE(loop->RadioOk());
    EXPECT_FALSE(view.startEnabled.back());
}

// A converter that stops delivering shows the stall icon on the first starved
// tick and is started again on the next; the run then goes on.
TEST_F(LoopTest, StalledConverterIsRestartedOnTheSecondStarvedTick) {
    platform::SimulatedClock simulated;  // correlation keeps up: a tick without a block is starved
    platform::ScopedClock use(simulated);
    const auto unit = sim::InstallVirtualUnit();
    Make(unit);
    const auto tick = [&] {
        simulated.Advance(RunLoop::kTickMs);
        loop->Tick(run);
    };
    run.SetRange(5.0f, 1);
    hw->SetOutputSampleRate(10000);
    StartSampling(*hw, run);
    loop->SetRunning(true);
    for (int i = 0; i < 5; ++i) tick();
    unit->FailRequests(hw::IOCTL_READ_BLOCK, -1);  // a failed read ends the acquisition
    tick();
    ASSERT_EQ(hw->GetSamplingState(), SamplingFinished);
    EXPECT_TRUE(loop->StallPending());
    EXPECT_EQ(view.stallShown, (std::vector<bool>{false, true}));
    tick();
    EXPECT_EQ(std::tuple(hw->GetSamplingState(), loop->StallPending()), std::tuple(SamplingStarted, false));
    unit->ClearFaults();
    const int32_t correlated = run.SamplesCorrelated();
    for (int i = 0; i < 10; ++i) tick();
    EXPECT_GT(run.SamplesCorrelated(), correlated);
    EXPECT_EQ(view.stallShown.back(), false);
    // A run put in place while a restart is pending starts with none pending.
    unit->FailRequests(hw::IOCTL_READ_BLOCK, -1);
    tick();
    ASSERT_TRUE(loop->StallPending());
    loop->RunReplaced();
    EXPECT_FALSE(loop->StallPending());
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
    EXPECT_EQ(std::tuple(view.applied, loop->Optimising(), view.optimiseEnabled.back()), std::tuple(1, false, true));
    EXPECT_EQ(loop->Optimiser().BestScore(), FilterOptimiser::kNoScore);
    EXPECT_EQ(std::pair(run.PostFilterOf(0).Band().lowCut, run.PostFilterOf(0).Band().highCut), std::pair(0.03f, 0.12f));
}

// A replay stops itself once its data end, and only once: a stopped replay
// must not be stopped and optimised again at every later update.
TEST_F(LoopTest, ReplayThatRanOutStopsOnceAndOptimises) {
    Make();
    g_replay = 1;
    run.SetPostFilter(1);
    Begin(run);
    Ticks(40);  // no recording: the counters never move
    EXPECT_EQ(std::tuple(view.autoStops, loop->Running()), std::tuple(1, false));
    Ticks(200);
    EXPECT_EQ(std::tuple(view.autoStops, view.OptimisationsStarted()), std::tuple(1, 1));
}

// ---- what a run keeps while the loop optimises, replays and fills its stores -----------

namespace {

// A recording of noise both channels hear, Red 20 samples after Blue, under
// independent noise, at 10 kHz.
std::string NoiseRecording(int32_t frames) {
    const auto common = Noise(static_cast<size_t>(frames) + 20, 11, 600);
    const auto red = Noise(static_cast<size_t>(frames), 12, 300), blue = Noise(static_cast<size_t>(frames), 13, 300);
    std::vector<int16_t> values(2 * static_cast<size_t>(frames));
    for (size_t i = 0; i < static_cast<size_t>(frames); ++i) {
        values[2 * i] = static_cast<int16_t>((common[i] + red[i]) * wavfile::kSampleScale);
        values[2 * i + 1] = static_cast<int16_t>((common[i + 20] + blue[i]) * wavfile::kSampleScale);
    }
    return WavBytes(values);
}

std::unique_ptr<CWaveReader> Reader(const std::string& bytes) {
    auto reader = std::make_unique<CWaveReader>();
    reader->Open(std::make_unique<std::istringstream>(bytes));
    return reader;
}

// A store that has counted all but `room` of the samples a store can count.
void NearlyFull(CWave& store, int32_t room) {
    constexpr int32_t kSlots = 2001;
    const int32_t total = CWave::kMaxTotal - room;
    std::ostringstream record;
    for (int32_t v : {2 * (kSlots + 6), kSlots, total, total % kSlots}) archive::WriteInt32(record, v);
    for (int32_t i = 0; i < kSlots; ++i) archive::WriteInt16(record, static_cast<int16_t>(i % 200 - 100));
    std::istringstream is(record.str());
    store.Read(is);
}

}  // namespace

// An optimisation that ends on a 2-second update must not look like a replay
// whose data ran out (the counters stood still for the optimisation): at each
// of the 20 tick phases of the update the replay reads its whole recording.
TEST_F(LoopTest, OptimisationEndingOnAnUpdateNeverStopsAReplayEarly) {
    constexpr int32_t kFrames = 300000;  // 30 ticks of replay
    const std::string wav = NoiseRecording(kFrames);
    SteppingClock counter(0, 1000, 1000000000);
    platform::ScopedClock use(counter);
    Make();
    g_replay = 1;
    for (int phase = 0; phase < 20; ++phase) {
        CCorrelation replay(500, 100, 5.0f, 1, 10000.0f);
        replay.SetPostFilter(1);
        replay.SetRange(5.0f, 1);
        replay.AttachRecording(Reader(wav));
        loop->RunReplaced();
        view = RecordingView();
        Begin(replay);
        for (int tick = 1; view.autoStops == 0 && tick < 400; ++tick) {
            counter.m_tick += RunLoop::kTickMs;
            if (tick == 1 + phase) loop->StartOptimisation(replay);
            loop->Tick(replay);
        }
        EXPECT_EQ(view.autoStops, 1) << "phase " << phase;
        EXPECT_EQ(replay.RedRaw().SampleTotal(), kFrames) << "phase " << phase;
    }
}

// The screen's replay with the FFT engine correlates every block of a 60 s
// recording, as corrtool corr replay does: a tick brings 10000 frames, twice
// a block's new samples here, and what is not absorbed would overflow.
TEST_F(LoopTest, FftReplayOnTheScreenCorrelatesAsTheToolDoes) {
    constexpr int32_t kFrames = 600000;
    const std::string wav = NoiseRecording(kFrames);
    CorrelationOptions fft;
    fft.useFftEngine = true;
    const auto prepared = [&] {
        // 560 ms of lags: 16384-point blocks of 5008 new samples.
        auto r = std::make_unique<CCorrelation>(500, 100, 560.0f, 1, 10000.0f, fft);
        r->AttachRecording(Reader(wav));
        return r;
    };
    auto tool = prepared();
    ReplayRecording(*tool);
    ASSERT_GT(tool->SamplesCorrelated(), kFrames - 16384);

    platform::SimulatedClock simulated;
    platform::ScopedClock use(simulated);
    Make();
    g_replay = 1;
    auto screen = prepared();
    Begin(*screen);
    while (view.autoStops == 0 && simulated.TickCountMs() < 200000) {
        simulated.Advance(RunLoop::kTickMs);
        loop->Tick(*screen);
    }
    EXPECT_EQ(screen->SamplesCorrelated(), tool->SamplesCorrelated());
    EXPECT_EQ(screen->Accumulator(0), tool->Accumulator(0));
}

// A store counts 2^31 - 1 samples: a live run that cannot take another block
// stops, says why, and keeps what it correlated.
TEST_F(LoopTest, LiveRunAtTheSampleLimitStopsAndKeepsItsResult) {
    Make(sim::InstallVirtualUnit());
    run.SetPostFilter(1);
    run.SetRange(5.0f, 1);
    NearlyFull(run.RedRaw(), 3000);
    NearlyFull(run.BlueRaw(), 3000);
    hw->SetOutputSampleRate(10000);
    StartSampling(*hw, run);
    run.Clock().Start();
    loop->SetRunning(true);
    Ticks(30);
    EXPECT_EQ(std::tuple(loop->Running(), view.autoStops, std::count(view.status.begin(), view.status.end(), StatusMessage::SampleLimit)),
              std::tuple(false, 1, 1));
    EXPECT_GT(run.RedRaw().SampleTotal(), CWave::kMaxTotal - 3000);  // blocks were taken up to the limit
    EXPECT_EQ(run.RedRaw().SampleTotal(), run.BlueRaw().SampleTotal());
    EXPECT_GT(run.SamplesCorrelated(), 0);
    const int32_t kept = run.SamplesCorrelated();
    Ticks(30);
    EXPECT_EQ(run.SamplesCorrelated(), kept);
}

namespace {

struct ToneRun {
    float snrBeforeOptimising = 0, snr = 0, distanceA = 0;
    int32_t redTotal = 0;   // samples the run recorded
    int optimisations = 0;
};

// 62 s of a live run on the common-tone world (160 m at 1000 m/s, the leak
// 60 m from Red, 60 Hz hum four times its level on both stations), set up as
// START sets it (rate, range, a 200-2500 Hz band in force) and driven on
// simulated time as corrtool acquire drives it.
ToneRun RunCommonToneWorld(int32_t filterOptimisation) {
    g_configuration.filterOptimisation = filterOptimisation;
    g_configuration.postFilter = 1;
    g_configuration.useFftEngine = 0;
    platform::SimulatedClock clock;
    platform::ScopedClock use(clock);
    const auto unit = sim::InstallVirtualUnit(
        sim::LoadScenarioFile(std::filesystem::path(CORRELATOR_SOURCE_DIR) / "resources/scenarios/common_tone.txt"));
    CCorrelation run(500, 100, 100.0f, 1, 10000.0f);
    PipeSegment section;
    section.SetLength(160.0f, LengthUnit::Metres);
    section.SetVelocity(1000.0f);
    run.Pipe().AddSection(section);
    run.Pipe().SetStations(StationCode::Red, StationCode::Blue);
    run.Pipe().SetSurveyRange(runrules::kSurveyNone);
    const float travelMs = run.Pipe().GetTotalTime(DelayUnit::Milliseconds);
    const int32_t rate = runrules::RateForTravelTime(travelMs).rate;
    run.SetSampleRate(static_cast<float>(rate));
    run.SetPostFilter(1);
    const runrules::RunRange range = runrules::RangeForStart(travelMs, false, runrules::kSurveyNone);
    run.SetRange(range.range, range.unit);
    FilterBand band;
    band.lowCut = 200.0f / static_cast<float>(rate);
    band.highCut = 2500.0f / static_cast<float>(rate);
    band.notchOn = true;
    run.RedFilter(0).SetBand(band, fir::kRectangular);
    run.BlueFilter(0).SetBand(band, fir::kRectangular);
    run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);

    ToneRun result;
    {
        SensorHardware hardware;
        RadioLink radio(hardware);
        RecordingView view;
        RunLoop loop(hardware, radio, view);
        hardware.SetOutputSampleRate(rate);
        run.Clock().Start();
        loop.RestartSurveyCheck();
        loop.SetRunning(true);
        StartSampling(hardware, run);
        loop.MarkRepainted();
        while (clock.TickCountMs() < 62000) {
            clock.Advance(RunLoop::kTickMs);
            loop.Tick(run);
            if (view.OptimisationsStarted() == 0) {  // what the screen shows until the first optimisation
                run.DisplayTrace(0);
                result.snrBeforeOptimising = run.Snr();
            }
        }
        result.optimisations = view.OptimisationsStarted();
    }
    while (run.Correlate(1 << 20) > 0) {
    }
    platform::SetDeviceProvider(nullptr);
    run.DisplayTrace(0);
    result.snr = run.Snr();
    run.Pipe().SetDelay(run.PeakDelay(static_cast<int32_t>(DelayUnit::Seconds)), DelayUnit::Seconds);
    result.distanceA = run.Pipe().GetDistanceFromA(LengthUnit::Metres);
    result.redTotal = run.RedRaw().SampleTotal();
    return result;
}

}  // namespace

// Loud hum common to both stations must not talk the automatic optimisation
// into a worse band: the run ends on the leak with an SNR no lower than the
// band in force gave, and the seconds the optimisation took are recorded like
// any others.
TEST_F(LoopTest, AutomaticOptimisationUnderCommonHumKeepsTheRunOnTheLeak) {
    const ToneRun optimised = RunCommonToneWorld(2);
    ASSERT_EQ(optimised.optimisations, 1);
    EXPECT_NEAR(optimised.distanceA, 60.0f, 1.0f);
    EXPECT_GE(optimised.snr, optimised.snrBeforeOptimising);
    const ToneRun plain = RunCommonToneWorld(1);  // manual: the loop never optimises
    ASSERT_EQ(plain.optimisations, 0);
    EXPECT_NEAR(optimised.redTotal, plain.redTotal, 1023);
}
