// corrtool corr: a saved run's details, and a replay of its recording through
// the same sample inputs and engines the program uses.

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "tools/Corrtool.h"
#include "tools/RunCommon.h"
#include "app/RunSettings.h"

namespace {

constexpr int32_t kFramesPerFeed = 10000;  // what the run loop feeds per tick in a replay

std::string Utf8(const std::u16string& s) { return platform::Utf16ToUtf8(s); }

void PrintDetails(const CCorrelation& run, std::ostream& out) {
    const auto& info = run.Info();
    out << "title=" << Utf8(info[0]) << '\n'
        << "comment1=" << Utf8(info[1]) << '\n'
        << "comment2=" << Utf8(info[2]) << '\n'
        << "comment3=" << Utf8(info[3]) << '\n'
        << "reference=" << Utf8(info[4]) << '\n'
        << "elapsed_s=" << run.Clock().ElapsedMs() / 1000.0 << '\n'
        << "pipe=" << Utf8(run.Pipe().GetDescription(LengthUnit::Metres)) << '\n'
        << "pipe_length_m=" << run.Pipe().GetTotalLength(LengthUnit::Metres) << '\n'
        << "filter=" << Utf8(run.FilterDescription()) << '\n'
        << "traces=" << run.TraceCount() << '\n'
        << "accumulators=" << run.ValidCount() << '\n'
        << "post_filter=" << run.PostFilter() << '\n'
        << "range=" << run.Range() << '\n'
        << "range_unit=" << run.RangeUnit() << '\n'
        << "max_lag=" << run.MaxLag() << '\n'
        << "samples_correlated=" << run.SamplesCorrelated() << '\n'
        << "red_samples_stored=" << run.RedSamplesReceived() << '\n'  // as read: the recording's frames
        << "file_sample_rate=" << run.FileSampleRate() << '\n';
}

struct ReplayOptions {
    std::string file;
    std::optional<bool> fft;
    std::optional<int32_t> postFilter;
    std::optional<int32_t> traces;
    std::optional<std::pair<float, float>> band;  // Hz; 0 = no cut-off
    std::string out;
};

// False (with a message) for anything that is not a known option.
bool ParseReplay(const Args& args, ReplayOptions& o, std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a.rfind("--", 0) != 0) {
            if (!o.file.empty()) return err << "corrtool: one FILE.corr only\n", false;
            o.file = a;
        } else if (!hasValue) {
            return err << "corrtool: " << a << " needs a value\n", false;
        } else if (a == "--engine" && (args[i + 1] == "direct" || args[i + 1] == "fft")) {
            o.fft = args[++i] == "fft";
        } else if (a == "--post-filter" && (args[i + 1] == "0" || args[i + 1] == "1")) {
            o.postFilter = std::stoi(args[++i]);
        } else if (a == "--traces" && (args[i + 1] == "1" || args[i + 1] == "3")) {
            o.traces = std::stoi(args[++i]);
        } else if (a == "--band") {
            std::pair<float, float> band;
            if (!ParseBand(args[++i], band)) return err << "corrtool: --band LOW-HIGH in Hz (0 = none)\n", false;
            o.band = band;
        } else if (a == "--out") {
            o.out = args[++i];
        } else {
            return err << "corrtool: unknown option or value " << a << ' ' << args[i + 1] << '\n', false;
        }
    }
    if (o.file.empty()) return err << "usage: corrtool corr replay FILE.corr [options]\n", false;
    return true;
}

}  // namespace

int CmdCorrInfo(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: corrtool corr info FILE\n";
        return 2;
    }
    std::ifstream file(args[0], std::ios::binary);
    if (!file.is_open()) {
        err << "corrtool: cannot open " << args[0] << '\n';
        return 1;
    }
    auto opened = CCorrelation::CreateStartupRun(CorrelationOptionsFromConfiguration());
    CCorrelation& run = *opened;
    try {
        run.Read(file);
    } catch (const archive::ArchiveError& e) {
        err << e.what() << '\n';
        return 1;
    }
    out << "file=" << args[0] << '\n';
    PrintDetails(run, out);
    PrintPeak(run, out);
    return 0;
}

int CmdCorrReplay(const Args& args, std::ostream& out, std::ostream& err) {
    ReplayOptions o;
    if (!ParseReplay(args, o, err)) return 2;
    std::ifstream corr(o.file, std::ios::binary);
    if (!corr.is_open()) {
        err << "corrtool: cannot open " << o.file << '\n';
        return 1;
    }
    const std::string recordingName = RecordingName(o.file);
    auto recording = std::make_unique<std::ifstream>(recordingName, std::ios::binary);
    if (!recording->is_open()) {
        err << "corrtool: cannot open the recording " << recordingName << '\n';
        return 1;
    }
    OpenedRun opened = OpenRunFromStreams(&corr, std::move(recording), CorrelationOptionsFromConfiguration());
    if (!opened.fileRead) {
        err << opened.error << '\n';
        return 1;
    }
    CCorrelation& run = *opened.run;
    StartReplay(run, {o.fft, o.postFilter, o.traces, o.band});
    const int64_t frames = ReplayRecording(run, kFramesPerFeed);
    run.Clock().Stop();
    out << "file=" << o.file << '\n'
        << "recording=" << recordingName << '\n'
        << "frames=" << frames << '\n'
        << "engine=" << (run.UsesFftEngine() ? "fft" : "direct") << '\n'
        << "kernel=" << corr::DirectEngine::KernelName() << '\n'
        << "post_filter=" << run.PostFilter() << '\n'
        << "traces=" << run.TraceCount() << '\n'
        << "sample_rate=" << run.SampleRate() << '\n'
        << "max_lag=" << run.MaxLag() << '\n'
        << "samples_correlated=" << run.SamplesCorrelated() << '\n'
        << "filter=" << Utf8(run.FilterDescription()) << '\n';
    // With nothing correlated there is no peak: no lag or distance is printed.
    const bool correlated = run.SamplesCorrelated() > 0;
    if (correlated) PrintPeak(run, out);
    else err << "corrtool: nothing was correlated: no peak and no distances\n";
    if (!o.out.empty()) {
        if (!SaveRun(run, o.out, err)) return 1;
        out << "saved=" << o.out << ".corr\n";
    }
    return correlated ? 0 : 1;
}
