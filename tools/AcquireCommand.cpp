// corrtool acquire: the sensor hardware against the virtual unit, headless and
// on simulated time, feeding a correlation run as the program's run loop does;
// prints the run's answer beside the scenario's own.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "hardware/CorrelationInput.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"
#include "tools/Corrtool.h"
#include "tools/RunCommon.h"
#include "app/RunSettings.h"

namespace {

constexpr uint32_t kTickMs = 100;           // the run loop's timer
constexpr int32_t kCorrelateLimit = 1 << 20;
constexpr int32_t kRangeUnitMs = 1;

struct AcquireOptions {
    double seconds = 10.0;
    std::string scenario;
    int32_t rate = 10000;
    int32_t stationA = 1, stationB = 2;
    std::vector<sim::PipeSection> pipe;  // empty: the scenario's
    std::optional<bool> fft;
    std::optional<std::pair<float, float>> band;  // Hz
    std::string out;
};

const char* const kUsage =
    "usage: corrtool acquire [--seconds N] [--scenario FILE] [--rate HZ] [--stations A,B]\n"
    "                        [--pipe LEN:SPEED[,LEN:SPEED...]] [--engine direct|fft] [--band LOW-HIGH] [--out NAME]\n";

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

bool Parse(const Args& args, AcquireOptions& o, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) return err << "corrtool: " << a << " needs a value\n" << kUsage, false;
        const std::string& v = args[++i];
        bool ok = true;
        try {
            if (a == "--seconds") o.seconds = std::stod(v), ok = o.seconds > 0 && o.seconds <= 3600;
            else if (a == "--scenario") o.scenario = v;
            else if (a == "--rate") {
                o.rate = std::stoi(v);
                ok = o.rate >= 1000 && o.rate <= 10000 && 10000 / (10000 / o.rate) == o.rate;
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
            else return err << "corrtool: unknown option " << a << '\n' << kUsage, false;
        } catch (const std::exception&) {
            ok = false;
        }
        if (!ok) return err << "corrtool: bad value for " << a << ": " << v << '\n' << kUsage, false;
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
    platform::FakeClock clock;
    platform::ScopedClock scoped(clock);
    std::shared_ptr<sim::VirtualUnit> unit = sim::InstallVirtualUnit(world);

    CorrelationOptions options = CorrelationOptionsFromConfiguration();
    options.multiFilter = false;  // one trace
    if (o.fft) options.useFftEngine = *o.fft;
    const float rate = static_cast<float>(o.rate);
    auto run = std::make_unique<CCorrelation>(500, 100, 100.0f, kRangeUnitMs, rate, options);
    CPipe& pipe = run->Pipe();
    for (const sim::PipeSection& s : o.pipe.empty() ? world.sections : o.pipe) {
        PipeSegment segment;
        segment.SetLength(static_cast<float>(s.length), LengthUnit::Metres);
        segment.SetVelocity(static_cast<float>(s.velocity));
        pipe.AddSection(segment);
    }
    pipe.SetStations(static_cast<StationCode>(o.stationA), static_cast<StationCode>(o.stationB));
    run->SetTraceCount(1);
    run->SetPostFilter(g_configuration.postFilter);
    run->SetRange(std::max(1.1f * pipe.GetTotalTime(DelayUnit::Milliseconds), 25.0f), kRangeUnitMs);
    if (o.band) ApplyBand(*run, *o.band);
    run->Clock().Start();

    int64_t blocks = 0;
    {
        SensorHardware hardware;
        hardware.SetOutputSampleRate(o.rate);
        const auto end = static_cast<int64_t>(o.seconds * 1000.0);
        while (clock.TickCountMs() < end) {
            clock.Advance(kTickMs);
            const int32_t before = run->RedRaw().SampleTotal();
            ProcessSampleBlock(hardware, *run);
            blocks += run->RedRaw().SampleTotal() != before;
            const SamplingState state = hardware.GetSamplingState();
            if (state == SamplingIdle || state == SamplingStalled || state == SamplingFinished)
                StartSampling(hardware, *run);
            while (run->Correlate(kCorrelateLimit) > 0) {
            }
        }
    }
    run->Clock().Stop();
    platform::SetDeviceProvider(nullptr);

    out << "scenario=" << (o.scenario.empty() ? "unit" : o.scenario) << '\n'
        << "seconds=" << clock.TickCountMs() / 1000.0 << '\n'
        << "sample_rate=" << run->SampleRate() << '\n'
        << "decimation=" << 10000 / o.rate << '\n'
        << "engine=" << (run->Options().useFftEngine ? "fft" : "direct") << '\n'
        << "blocks=" << blocks << '\n'
        << "blocks_overrun=" << unit->BlocksOverrun() << '\n'
        << "max_lag=" << run->MaxLag() << '\n'
        << "samples_correlated=" << run->SamplesCorrelated() << '\n';
    PrintPeak(*run, out);
    const auto a = WorldStation(o.stationA), b = WorldStation(o.stationB);
    if (a && b)
        out << "scenario_delay_samples="
            << (world.ArrivalSeconds(*a) - world.ArrivalSeconds(*b)) * sim::kWorldRate / (10000 / o.rate) << '\n';
    if (const auto pos = StationPosition(world, o.stationA))
        out << "scenario_distance_a_m=" << std::fabs(world.leakPosition - *pos) << '\n';

    if (!o.out.empty()) {
        if (!SaveRun(*run, o.out, err)) return 1;
        out << "saved=" << o.out << ".corr\n";
    }
    return 0;
}
