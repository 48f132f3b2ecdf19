// corrtool analyze: inputs, pipe and options of one pair, and its results.

#include "tools/AnalyzeJob.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "analysis/Confidence.h"
#include "analysis/Resample.h"
#include "analysis/WavInput.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "pipe/ComputationFile.h"
#include "pipe/Materials.h"
#include "platform/Numbers.h"
#include "settings/Configuration.h"
#include "tools/RunCommon.h"
#include "app/RunSettings.h"

namespace {

using analysis::InputError;

constexpr int32_t kMaxPeaks = 20;
constexpr int32_t kFeedFrames = 10000;
constexpr float kFullScale = 2048.0f;  // a float sample of 1.0 is the 12-bit rail

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The built-in material named (any case): its group and its first band's cut-offs.
bool FindMaterial(const std::string& name, PipeSegment& segment) {
    static const CMaterials table;
    for (int i = 0; i < CMaterials::kSlotCount; ++i) {
        const MaterialEntry& m = table.Slot(i);
        std::string ascii;
        for (char16_t c : m.name) ascii += static_cast<char>(c < 128 ? c : '?');
        if (m.name.empty() || Lower(ascii) != Lower(name)) continue;
        segment.SetMaterial(m.name);
        segment.SetMaterialGroup(m.group);
        segment.SetBand(m.bands[0]);
        return true;
    }
    return false;
}

// One "LEN:VEL[:MATERIAL]" section; length and velocity positive and finite.
bool ParseSection(const std::string& text, bool imperial, PipeSegment& segment, std::string& why) {
    std::vector<std::string> parts;
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ':');) parts.push_back(part);
    double length = 0, velocity = 0;
    if (parts.size() < 2 || parts.size() > 3 || !platform::ParseWholeDouble(parts[0], length) ||
        !platform::ParseWholeDouble(parts[1], velocity) || !(length > 0) || !(velocity > 0) ||
        !std::isfinite(length) || !std::isfinite(velocity))
        return why = "--pipe LEN:VEL[:MATERIAL][,...] with positive numbers, not '" + text + "'", false;
    if (parts.size() == 3 && !FindMaterial(parts[2], segment)) return why = "unknown material '" + parts[2] + "'", false;
    const LengthUnit unit = imperial ? LengthUnit::Feet : LengthUnit::Metres;
    segment.SetLength(ConvertLength(static_cast<float>(length), unit, LengthUnit::Metres), LengthUnit::Metres);
    segment.SetVelocity(imperial ? ConvertVelocity(static_cast<float>(velocity), VelocityUnit::FeetPerSecond,
                                                   VelocityUnit::MetresPerSecond)
                                 : static_cast<float>(velocity));
    return true;
}

bool ParsePipeText(const std::string& text, bool imperial, CPipe& pipe, std::string& why) {
    pipe.Clear();
    std::stringstream ss(text);
    for (std::string part; std::getline(ss, part, ',');) {
        PipeSegment segment;
        if (!ParseSection(part, imperial, segment, why)) return false;
        if (!pipe.AddSection(segment)) return why = "at most 10 pipe sections", false;
    }
    if (pipe.GetSectionCount() == 0) return why = "--pipe needs at least one section", false;
    pipe.SetSurveyRange(kSurveyNone);
    return true;
}

struct Pair {
    std::vector<float> red, blue;
    double rate = 0;
};

Pair FromAudio(analysis::Audio a, const std::string& name) {
    a = analysis::ToAnalysisRate(std::move(a));
    if (a.channels.size() != 2) throw InputError(name + ": a stereo WAV needs 2 channels, not " + std::to_string(a.channels.size()));
    return {std::move(a.channels[0]), std::move(a.channels[1]), a.rate};
}

Pair FromMono(const std::string& redName, const std::string& blueName) {
    analysis::Audio r = analysis::ReadWavFile(redName), b = analysis::ReadWavFile(blueName);
    for (const auto* a : {&r, &b})
        if (a->channels.size() != 1)
            throw InputError((a == &r ? redName : blueName) + ": a mono WAV needs 1 channel, not " +
                             std::to_string(a->channels.size()));
    if (r.rate != b.rate) throw InputError("the two recordings have different sample rates");
    r = analysis::ToAnalysisRate(std::move(r));
    b = analysis::ToAnalysisRate(std::move(b));
    const size_t n = std::min(r.channels[0].size(), b.channels[0].size());
    r.channels[0].resize(n);
    b.channels[0].resize(n);
    return {std::move(r.channels[0]), std::move(b.channels[0]), r.rate};
}

int16_t Counts(float x) { return static_cast<int16_t>(std::clamp(std::lround(x * kFullScale), -2048L, 2047L)); }

// The basic method as the unit runs it: 12-bit samples through the run's
// band filters and correlation engine.
analysis::UnitCurve UnitCurveOf(CCorrelation& run) {
    const int32_t selected = run.SelectedAccumulator();
    run.DisplayTrace(selected);  // in post-filter mode this derives the accumulator
    const std::vector<int64_t>& acc = run.Accumulator(selected);
    analysis::UnitCurve u;
    u.values.assign(acc.begin(), acc.end());
    u.peakIndex = run.FindPeak(selected).peakIndex;
    u.snr = run.Snr();
    u.guard = run.FilterBeforeCorrelating() ? 0 : CCorrelation::kGuardLags;
    return u;
}

// Maps a stage's own 0 ... 1 onto [from, to] of the whole job's progress.
Progress Stage(const Progress& whole, double from, double to) {
    if (!whole) return {};
    return [whole, from, to](double share) { whole(from + share * (to - from)); };
}

analysis::UnitCurve CorrelateAsTheUnit(const std::vector<float>& red, const std::vector<float>& blue, double rate,
                                       const CPipe& pipe, std::pair<double, double> band, const Progress& progress) {
    CorrelationOptions options = CorrelationOptionsFromConfiguration();
    options.multiFilter = false;
    options.useFftEngine = true;
    CCorrelation run(500, 100, 100.0f, 1, static_cast<float>(rate), options);
    run.Pipe() = pipe;
    run.SetTraceCount(1);
    run.SetPostFilter(0);
    run.SetRange(ReplayRangeMs(pipe), 1);
    ApplyBand(run, {static_cast<float>(band.first), static_cast<float>(band.second)});
    std::vector<int16_t> r(kFeedFrames), b(kFeedFrames);
    const size_t frames = std::min(red.size(), blue.size());
    for (size_t at = 0; at < frames; at += kFeedFrames) {
        if (progress) progress(static_cast<double>(at) / static_cast<double>(frames));
        const auto n = static_cast<int32_t>(std::min<size_t>(kFeedFrames, frames - at));
        for (int32_t i = 0; i < n; ++i) r[i] = Counts(red[at + i]), b[i] = Counts(blue[at + i]);
        run.AddRedSamples(r.data(), n);
        run.AddBlueSamples(b.data(), n);
        while (run.Correlate(kFeedFrames) > 0) {
        }
    }
    if (run.SamplesCorrelated() == 0) throw InputError("nothing was correlated: the recording is shorter than the lags");
    return UnitCurveOf(run);
}

// A saved run: its pipe, and for the basic method its replay exactly as
// `corr replay` runs it.
struct RunInput {
    CPipe pipe{10000.0f};
    std::pair<double, double> bandHz;  // the band the replay correlated in
    std::optional<analysis::UnitCurve> unit;
};

RunInput ReadRun(const AnalyzeJob& job, const std::optional<std::pair<float, float>>& band, bool basic,
                 const Progress& progress) {
    std::ifstream corr(job.run, std::ios::binary);
    if (!corr.is_open()) throw InputError(job.run + ": cannot open");
    auto recording = std::make_unique<std::ifstream>(RecordingName(job.run), std::ios::binary);
    if (!recording->is_open()) throw InputError(RecordingName(job.run) + ": cannot open");
    OpenedRun opened = OpenRunFromStreams(&corr, std::move(recording), CorrelationOptionsFromConfiguration());
    if (!opened.fileRead) throw InputError(job.run + ": " + opened.error);
    CCorrelation& run = *opened.run;
    RunInput in;
    in.pipe = run.Pipe();
    if (!basic) return in;
    StartReplay(run, {std::nullopt, std::nullopt, std::nullopt, band});
    run.SetDirectThreads(job.threads);
    const int64_t total = std::max<int64_t>(run.Recording() ? run.Recording()->FrameCount() : 0, 1);
    ReplayRecording(run, kFeedFrames, [&](int64_t fed) {
        if (progress) progress(static_cast<double>(fed) / static_cast<double>(total));
    });
    if (run.SamplesCorrelated() == 0) throw InputError(job.run + ": nothing was correlated: the recording is shorter than the lags");
    const FilterBand& b = run.RedFilter(0).Band();
    in.bandHz = {b.lowCut * run.SampleRate(), b.highCut > 0 ? b.highCut * run.SampleRate() : run.SampleRate() / 2};
    in.unit = UnitCurveOf(run);
    return in;
}

// The relative velocity error a computation file's fit gives.
double CompVelocityError(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) throw InputError(path + ": cannot open");
    Computation c;
    try {
        ReadComputation(file, c, LengthUnit::Metres, TimeUnit::Seconds);
    } catch (const std::exception& e) {
        throw InputError(path + ": " + e.what());
    }
    const double e = analysis::RelativeSlopeError(c.points);
    if (!std::isfinite(e)) throw InputError(path + ": the fit needs three points at two separations or more");
    return e;
}

void PrintPeakKeys(CResultOut& out, const analysis::PeakReport& p) {
    out.Number("peak_lag", p.lag);
    out.Number("peak_delay_s", p.delayS);
    out.Number("distance_a_m", p.distanceA);
    out.Number("distance_b_m", p.distanceB);
}

void PrintResult(const analysis::AnalysisResult& r, const CPipe& pipe, double velocityError, bool imperial,
                 CResultOut& out) {
    out.Text("method", analysis::WeightingName(r.weighting));
    out.Text("engine", r.unitEngine ? "unit" : "welch");
    out.Number("sample_rate", r.rate);
    out.Integer("max_lag", r.maxLag);
    out.Number("band_low_hz", r.lowHz);
    out.Number("band_high_hz", r.highHz);
    out.Integer("segment", r.segment);
    out.Integer("segments", r.segments);
    out.Integer("segments_gated", r.segments - r.segmentsKept);
    out.Integer("tone_bins_notched", r.tonesNotched);
    out.Number("coherence", r.coherence);
    out.Number("snr", r.snr);
    out.Number("pipe_length_m", pipe.GetTotalLength(LengthUnit::Metres));
    out.Number("velocity_error", velocityError);
    if (r.peaks.empty()) return;
    PrintPeakKeys(out, r.peaks.front());
    out.Number("delay_se_s", r.delaySe);
    out.Number("ci95_low_a_m", r.ciLowA);
    out.Number("ci95_high_a_m", r.ciHighA);
    out.Text("leak", LeakLine(r.peaks.front().distanceA, r.ciLowA, r.ciHighA, imperial, StationName(pipe.GetStationA())));
    out.BeginList("peaks");
    for (const analysis::PeakReport& p : r.peaks) {
        out.BeginItem();
        PrintPeakKeys(out, p);
        out.Number("relative_height", p.relative);
        out.EndItem();
    }
    out.EndList();
}

}  // namespace

analysis::AnalysisResult AnalyzePair(const std::vector<float>& red, const std::vector<float>& blue, double rate,
                                     const analysis::AnalysisRequest& request) {
    if (request.weighting != analysis::Weighting::None) return analysis::Analyze(red, blue, rate, request);
    const double high = request.pipe.GetHighCutoff();
    const std::pair<double, double> band =
        request.bandHz.value_or(std::pair<double, double>{request.pipe.GetLowCutoff(), high});
    // The unit's correlation takes about as long as the spectra: half each.
    const analysis::UnitCurve unit =
        CorrelateAsTheUnit(red, blue, rate, request.pipe, band, Stage(request.progress, 0, 0.5));
    analysis::AnalysisRequest spectra = request;
    spectra.progress = Stage(request.progress, 0.5, 1);
    return analysis::Analyze(red, blue, rate, spectra, &unit);
}

std::string LeakLine(double distance, double low, double high, bool imperial, const char* station) {
    const auto in = [&](double m) {
        return imperial ? ConvertLength(static_cast<float>(m), LengthUnit::Metres, LengthUnit::Feet) : m;
    };
    const char* unit = imperial ? "ft" : "m";
    std::string s = platform::FormatCString("LEAK %.1f %s from %s", in(distance), unit, station);
    if (std::isfinite(low) && std::isfinite(high))
        s += platform::FormatCString(" (%.1f-%.1f %s, 95 %%)", in(low), in(high), unit);
    return s;
}

std::string CheckJob(const AnalyzeJob& job) {
    const int forms = !job.run.empty() + (!job.red.empty() || !job.blue.empty()) + !job.stereo.empty();
    if (forms != 1) return "give one input: a run, red and blue, or stereo";
    if (job.red.empty() != job.blue.empty()) return "red and blue go together";
    if (job.run.empty() && job.pipe.empty()) return "recordings need --pipe LEN:VEL[:MATERIAL][,...]";
    analysis::Weighting w;
    if (!job.weighting.empty() && !analysis::ParseWeighting(job.weighting, w))
        return "--weighting none|phat|scot|ml, not '" + job.weighting + "'";
    std::pair<float, float> band;
    if (!job.band.empty() && !ParseBand(job.band, band)) return "--band LOW-HIGH in Hz, not '" + job.band + "'";
    CPipe pipe(10000.0f);
    std::string why;
    if (!job.pipe.empty() && !ParsePipeText(job.pipe, job.imperial, pipe, why)) return why;
    if (job.peaks < 1 || job.peaks > kMaxPeaks) return "--peaks 1 to 20";
    if (!(job.velocityErrorPct >= 0 && job.velocityErrorPct < 50)) return "--velocity-error 0 to 50 (%)";
    return "";
}

bool ParseAnalyzeArgs(const Args& args, AnalyzeJob& job, bool& json, std::ostream& err) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) return err << "corrtool: " << a << " needs a value\n", false;
        const std::string& v = args[++i];
        double number = 0;
        if (a == "--pipe") job.pipe = v;
        else if (a == "--band") job.band = v;
        else if (a == "--weighting") job.weighting = v;
        else if (a == "--units" && (v == "metric" || v == "imperial")) job.imperial = v == "imperial";
        else if (a == "--gate" && (v == "on" || v == "off")) job.gate = v == "on";
        else if (a == "--peaks" && platform::ParseWholeDouble(v, number) && number == std::floor(number) &&
                 std::fabs(number) <= kMaxPeaks)
            job.peaks = static_cast<int32_t>(number);
        else if (a == "--velocity-error" && platform::ParseWholeDouble(v, number)) job.velocityErrorPct = number;
        else if (a == "--comp") job.comp = v;
        else return err << "corrtool: unknown option or value " << a << ' ' << v << '\n', false;
    }
    if (files.size() == 1 && Lower(files[0]).ends_with(".corr")) job.run = files[0];
    else if (files.size() == 1) job.stereo = files[0];
    else if (files.size() == 2) job.red = files[0], job.blue = files[1];
    else return err << "usage: corrtool analyze RUN.corr | RED.wav BLUE.wav | STEREO.wav [options]\n", false;
    if (const std::string why = CheckJob(job); !why.empty()) return err << "corrtool: " << why << '\n', false;
    return true;
}

void RunAnalyzeJob(const AnalyzeJob& job, CResultOut& out, const Progress& progress) {
    if (const std::string why = CheckJob(job); !why.empty()) throw InputError(why);
    analysis::AnalysisRequest request;
    if (!job.weighting.empty()) analysis::ParseWeighting(job.weighting, request.weighting);
    std::pair<float, float> band;
    if (!job.band.empty() && ParseBand(job.band, band)) request.bandHz = band;
    request.gate = job.gate;
    request.peaks = job.peaks;
    request.velocityError = job.comp.empty() ? job.velocityErrorPct / 100 : CompVelocityError(job.comp);
    const bool basic = request.weighting == analysis::Weighting::None;
    std::string why;
    if (!job.pipe.empty()) ParsePipeText(job.pipe, job.imperial, request.pipe, why);

    Pair pair;
    std::optional<analysis::UnitCurve> unit;
    if (!job.run.empty()) {
        const std::optional<std::pair<float, float>> replayBand =
            job.band.empty() ? std::nullopt : std::optional(band);
        const bool replayed = basic && job.pipe.empty();
        RunInput in = ReadRun(job, replayBand, replayed, Stage(progress, 0, replayed ? 0.5 : 0));
        request.progress = Stage(progress, replayed ? 0.5 : 0, 1);
        if (job.pipe.empty()) request.pipe = in.pipe;
        if (in.unit && !request.bandHz) request.bandHz = in.bandHz;
        unit = std::move(in.unit);
        pair = FromAudio(analysis::ReadWavFile(RecordingName(job.run)), RecordingName(job.run));
        out.Text("run", job.run);
    } else if (!job.stereo.empty()) {
        pair = FromAudio(analysis::ReadWavFile(job.stereo), job.stereo);
        out.Text("stereo", job.stereo);
    } else {
        pair = FromMono(job.red, job.blue);
        out.Text("red", job.red);
        out.Text("blue", job.blue);
    }
    if (!request.progress) request.progress = progress;
    if (request.pipe.IsSurvey() || request.pipe.GetSectionCount() == 0)
        throw InputError("the run describes no pipe: give --pipe LEN:VEL[:MATERIAL][,...]");
    const analysis::AnalysisResult r = unit ? analysis::Analyze(pair.red, pair.blue, pair.rate, request, &*unit)
                                            : AnalyzePair(pair.red, pair.blue, pair.rate, request);
    PrintResult(r, request.pipe, request.velocityError, job.imperial, out);
}
