// corrtool acquire: the sensor hardware against the virtual unit, headless and
// on simulated time, feeding a correlation run through the program's own run
// loop; prints the run's answer beside the scenario's own. With --unit audio
// an audio capture device is the converter instead: its reads pace the run,
// which stops early when the capture ends, and the capture's facts replace
// the scenario's answer.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "app/RunLoop.h"
#include "app/RunRules.h"
#include "app/RunSettings.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "hardware/CorrelationInput.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "platform/Numbers.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"
#include "tools/AudioCommands.h"
#include "tools/Corrtool.h"
#include "tools/Progress.h"
#include "tools/ResultOut.h"
#include "tools/RunCommon.h"

namespace {

constexpr int32_t kCorrelateLimit = 1 << 20;
constexpr int32_t kRangeUnitMs = 1;

struct AcquireOptions {
    double seconds = 10.0;
    std::string scenario;
    std::optional<int32_t> rate;  // Hz; none: as START chooses for the pipe
    int32_t stationA = 1, stationB = 2;
    std::vector<sim::PipeSection> pipe;  // empty: the scenario's
    std::optional<bool> fft;
    std::optional<std::pair<float, float>> band;  // Hz
    std::string out;
    std::string unit = "virtual";  // or audio[:DEVICE[@RATE]]
    bool json = false;
};

bool ParsePipe(const std::string& text, std::vector<sim::PipeSection>& pipe) {
    std::istringstream is(text);
    std::string part;
    while (std::getline(is, part, ',')) {
        sim::PipeSection s;
        char colon = 0;
        std::istringstream ps(part);
        if (!(ps >> s.length >> colon >> s.velocity) || colon != ':' || !(s.length > 0) || !(s.velocity > 0))
            return false;
        pipe.push_back(s);
    }
    return !pipe.empty() && pipe.size() <= static_cast<size_t>(CPipe::kMaxSections);
}

bool Parse(Args args, AcquireOptions& o, std::ostream& err) {
    o.json = TakeJsonFlag(args);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return err << "corrtool: " << a << " needs a value\n", UsageError("", "acquire", err), false;
        const std::string& v = args[++i];
        bool ok = true;
        try {
            if (a == "--seconds") ok = platform::ParseWholeDouble(v, o.seconds) && o.seconds > 0 && o.seconds <= 3600;
            else if (a == "--scenario") o.scenario = v;
            else if (a == "--unit") ok = v == "virtual" || v.rfind("audio", 0) == 0, o.unit = v;
            else if (a == "--rate") {
                const int32_t rate = std::stoi(v);
                ok = rate >= 1000 && rate <= 10000 && 10000 / (10000 / rate) == rate;
                o.rate = rate;
            } else if (a == "--stations") {
                char comma = 0;
                std::istringstream is(v);
                ok = static_cast<bool>(is >> o.stationA >> comma >> o.stationB) && comma == ',' && o.stationA >= 0 &&
                     o.stationA <= 3 && o.stationB >= 0 && o.stationB <= 3;
            } else if (a == "--pipe") ok = ParsePipe(v, o.pipe);
            else if (a == "--engine") ok = v == "direct" || v == "fft", o.fft = v == "fft";
            else if (a == "--band") {
                std::pair<float, float> band;
                ok = ParseBand(v, band);
                o.band = band;
            } else if (a == "--out") o.out = v;
            else return err << "corrtool: unknown option " << a << '\n', UsageError("", "acquire", err), false;
        } catch (const std::exception&) {
            ok = false;
        }
        if (!ok) return err << "corrtool: bad value for " << a << ": " << v << '\n', UsageError("", "acquire", err), false;
    }
    return true;
}

// Where a station's sensor sits on the scenario's pipe, m from Red; the Base
// is not on the pipe (none).
std::optional<double> StationPosition(const sim::Scenario& s, int32_t station) {
    switch (station) {
    case 1: return 0.0;
    case 2: return s.TotalLength();
    case 3: return s.yellowPosition < 0 ? s.TotalLength() : s.yellowPosition;
    default: return std::nullopt;
    }
}

// The world numbers its stations as the program does; the Base hears no leak.
std::optional<sim::Station> WorldStation(int32_t station) {
    if (!IsStationCode(station) || station == static_cast<int32_t>(StationCode::Base)) return std::nullopt;
    return static_cast<sim::Station>(station);
}

// The correlation filter's band, as --band takes it; the loop's automatic
// optimisation may have chosen it. "band_hz=LOW-HIGH" in lines; two numbers in JSON.
void PrintBand(CCorrelation& run, CResultOut& r) {
    const FilterBand& band = run.PostFilterOf(0).Band();
    const float low = band.lowCut * run.SampleRate(), high = band.highCut * run.SampleRate();
    if (!r.IsJson()) {
        std::ostringstream text;
        text << low << '-' << high;
        r.Text("band_hz", text.str());
        return;
    }
    r.Number("band_low_hz", low);
    r.Number("band_high_hz", high);
}

}  // namespace

int CmdAcquire(const Args& args, std::ostream& out, std::ostream& err) {
    AcquireOptions o;
    if (!Parse(args, o, err)) return 2;
    sim::Scenario world;
    try {
        world = sim::LoadUnitScenario(o.scenario);
    } catch (const sim::ScenarioError& e) {
        err << "corrtool: " << e.what() << '\n';
        return 1;
    }
    LoadGlobalRecords();

    // Simulated time: the virtual converter's reads advance this clock.
    platform::SimulatedClock clock;
    platform::ScopedClock scoped(clock);
    // The virtual unit, or an audio interface whose capture paces the reads.
    std::shared_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<AcquireAudio> audio;
    if (o.unit == "virtual") unit = sim::InstallVirtualUnit(world);
    else if (!(audio = InstallAcquireAudio(o.unit, err))) return 1;

    CorrelationOptions options = CorrelationOptionsFromConfiguration();
    options.multiFilter = false;  // one trace
    if (o.fft) options.useFftEngine = *o.fft;
    auto run = std::make_unique<CCorrelation>(500, 100, 100.0f, kRangeUnitMs, 10000.0f, options);
    CPipe& pipe = run->Pipe();
    for (const sim::PipeSection& s : o.pipe.empty() ? world.sections : o.pipe) {
        PipeSegment segment;
        segment.SetLength(static_cast<float>(s.length), LengthUnit::Metres);
        segment.SetVelocity(static_cast<float>(s.velocity));
        pipe.AddSection(segment);
    }
    pipe.SetStations(static_cast<StationCode>(o.stationA), static_cast<StationCode>(o.stationB));
    // As START: the rate and the range from the pipe's travel time.
    const float travelMs = pipe.GetTotalTime(DelayUnit::Milliseconds);
    const int32_t rate = o.rate.value_or(runrules::RateForTravelTime(travelMs).rate);
    run->SetSampleRate(static_cast<float>(rate));
    run->SetTraceCount(1);
    run->SetPostFilter(g_configuration.postFilter);
    const runrules::RunRange range = runrules::RangeForStart(travelMs, false, runrules::kSurveyNone);
    pipe.SetSurveyRange(runrules::kSurveyNone);
    run->SetRange(range.range, range.unit);
    // As START on a new unit: the pipe's recommended band unless one is given.
    if (o.band) ApplyBand(*run, *o.band);
    else runrules::ApplyDefaultBands(*run);

    {
        SensorHardware hardware;
        RadioLink radio(hardware);
        RunView view;  // nothing to show
        RunLoop loop(hardware, radio, view);
        hardware.SetOutputSampleRate(rate);
        run->Clock().Start();
        loop.RestartSurveyCheck();
        loop.SetRunning(true);
        StartSampling(hardware, *run);
        loop.MarkRepainted();
        const auto end = static_cast<int64_t>(o.seconds * 1000.0);
        CProgress progress(err, "acquire", end);
        while (clock.TickCountMs() < end && !(audio && audio->Ended())) {
            clock.Advance(RunLoop::kTickMs);
            loop.Tick(*run);
            progress.Update(clock.TickCountMs());
        }
        loop.SetRunning(false);
        run->Clock().Stop();
    }
    // What was acquired but not yet correlated belongs to the answer.
    while (run->Correlate(kCorrelateLimit) > 0) {
    }
    platform::SetDeviceProvider(nullptr);

    CResultOut r(out, o.json);
    if (audio) audio->Print(r);
    else r.Text("scenario", o.scenario.empty() ? "unit" : o.scenario);
    r.Number("seconds", clock.TickCountMs() / 1000.0);
    r.Number("sample_rate", run->SampleRate());
    r.Number("decimation", runrules::kUnitRate / static_cast<int32_t>(run->SampleRate()));
    r.Text("engine", run->UsesFftEngine() ? "fft" : "direct");
    if (unit) {
        r.Number("blocks", unit->SamplesDelivered() / sim::kPairsPerBlock);
        r.Number("blocks_overrun", unit->BlocksOverrun());
    }
    r.Number("max_lag", run->MaxLag());
    r.Number("samples_correlated", run->SamplesCorrelated());
    PrintBand(*run, r);
    // With nothing correlated there is no peak: no lag or distance is printed.
    const bool correlated = run->SamplesCorrelated() > 0;
    if (correlated) PrintPeak(*run, r);
    else err << "corrtool: nothing was correlated: no peak and no distances\n";
    const auto a = WorldStation(o.stationA), b = WorldStation(o.stationB);
    if (a && b && unit)
        r.Number("scenario_delay_samples", (world.ArrivalSeconds(*a) - world.ArrivalSeconds(*b)) * run->SampleRate());
    if (const auto pos = StationPosition(world, o.stationA); pos && unit)
        r.Number("scenario_distance_a_m", std::fabs(world.leakPosition - *pos));

    const bool saved = o.out.empty() || SaveRun(*run, o.out, err);
    if (!o.out.empty() && saved) r.Text("saved", o.out + ".corr");
    r.Finish();
    return saved && correlated ? 0 : 1;
}
