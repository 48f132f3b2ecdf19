// corrtool corr: a saved run's details, and a replay of its recording through
// the same sample inputs and engines the program uses.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "app/RunSettings.h"
#include "tools/Corrtool.h"
#include "tools/Progress.h"
#include "tools/RunCommon.h"

namespace {

constexpr int32_t kFramesPerFeed = 10000;  // what the run loop feeds per tick in a replay

std::string Utf8(const std::u16string& s) { return platform::Utf16ToUtf8(s); }

void PrintDetails(const CCorrelation& run, CResultOut& out) {
    const auto& info = run.Info();
    out.Text("title", Utf8(info[0]));
    out.Text("comment1", Utf8(info[1]));
    out.Text("comment2", Utf8(info[2]));
    out.Text("comment3", Utf8(info[3]));
    out.Text("reference", Utf8(info[4]));
    out.Number("elapsed_s", run.Clock().ElapsedMs() / 1000.0);
    out.Text("pipe", Utf8(run.Pipe().GetDescription(LengthUnit::Metres)));
    out.Number("pipe_length_m", run.Pipe().GetTotalLength(LengthUnit::Metres));
    out.Text("filter", Utf8(run.FilterDescription()));
    out.Number("traces", run.TraceCount());
    out.Number("accumulators", run.ValidCount());
    out.Number("post_filter", run.PostFilter());
    out.Number("range", run.Range());
    out.Number("range_unit", run.RangeUnit());
    out.Number("max_lag", run.MaxLag());
    out.Number("samples_correlated", run.SamplesCorrelated());
    out.Number("red_samples_stored", run.RedSamplesReceived());  // as read: the recording's frames
    out.Number("file_sample_rate", run.FileSampleRate());
}

struct ReplayOptions {
    std::vector<std::string> files;
    int32_t jobs = 0;  // 0: every core
    std::optional<bool> fft;
    std::optional<int32_t> postFilter;
    std::optional<int32_t> traces;
    std::optional<std::pair<float, float>> band;  // Hz; 0 = no cut-off
    std::string out;
    bool json = false;
};

// False (with a message) for anything that is not a known option.
bool ParseReplay(Args args, ReplayOptions& o, std::ostream& err) {
    o.json = TakeJsonFlag(args);
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a.rfind("--", 0) != 0) {
            o.files.push_back(a);
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
        } else if (a == "--jobs") {
            if (!ParseJobs(args[++i], o.jobs, err)) return false;
        } else {
            return err << "corrtool: unknown option or value " << a << ' ' << args[i + 1] << '\n', false;
        }
    }
    if (o.files.empty()) return UsageError("corr", "replay", err), false;
    if (o.files.size() > 1 && !o.out.empty()) return err << "corrtool: --out takes one FILE.corr\n", false;
    return true;
}

}  // namespace

int CmdCorrInfo(const Args& argsIn, std::ostream& out, std::ostream& err) {
    Args args = argsIn;
    const bool json = TakeJsonFlag(args);
    if (args.size() != 1) return UsageError("corr", "info", err);
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
    CResultOut r(out, json);
    r.Text("file", args[0]);
    PrintDetails(run, r);
    PrintPeak(run, r);
    r.Finish();
    return 0;
}

namespace {

// One replay, its lines to out and its messages to err; progress on a
// terminal only when asked.
// threads: what the direct engine may use for this run.
int ReplayOne(const ReplayOptions& o, const std::string& file, std::ostream& out, std::ostream& err,
              bool progress, int32_t threads) {
    std::ifstream corr(file, std::ios::binary);
    if (!corr.is_open()) {
        err << "corrtool: cannot open " << file << '\n';
        return 1;
    }
    const std::string recordingName = RecordingName(file);
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
    run.SetDirectThreads(threads);
    int64_t frames = 0;
    if (progress) {
        CProgress shown(err, "corr replay", run.Recording() ? run.Recording()->FrameCount() : 0);
        frames = ReplayRecording(run, kFramesPerFeed, [&](int64_t fed) { shown.Update(fed); });
    } else {
        frames = ReplayRecording(run, kFramesPerFeed);
    }
    run.Clock().Stop();
    CResultOut r(out, o.json);
    r.Text("file", file);
    r.Text("recording", recordingName);
    r.Number("frames", frames);
    r.Text("engine", run.UsesFftEngine() ? "fft" : "direct");
    r.Text("kernel", corr::DirectEngine::KernelName());
    r.Number("post_filter", run.PostFilter());
    r.Number("traces", run.TraceCount());
    r.Number("sample_rate", run.SampleRate());
    r.Number("max_lag", run.MaxLag());
    r.Number("samples_correlated", run.SamplesCorrelated());
    r.Text("filter", Utf8(run.FilterDescription()));
    // With nothing correlated there is no peak: no lag or distance is printed.
    const bool correlated = run.SamplesCorrelated() > 0;
    if (correlated) PrintPeak(run, r);
    else err << "corrtool: nothing was correlated: no peak and no distances\n";
    const bool saved = o.out.empty() || SaveRun(run, o.out, err);
    if (!o.out.empty() && saved) r.Text("saved", o.out + ".corr");
    r.Finish();
    return saved && correlated ? 0 : 1;
}

}  // namespace

int CmdCorrReplay(const Args& args, std::ostream& out, std::ostream& err) {
    ReplayOptions o;
    if (!ParseReplay(args, o, err)) return 2;
    // Every core (or --jobs threads in all): runs side by side, and what is
    // left over shared by each run's direct engine. Each run's lines and
    // messages come in the files' order, the worst status last.
    const int32_t threads = JobThreads(o.jobs, kMaxJobs);
    if (o.files.size() == 1) return ReplayOne(o, o.files[0], out, err, true, threads);
    const int32_t runs = JobThreads(o.jobs, o.files.size());
    int status = 0;
    RunInOrder(
        o.files.size(), runs,
        [&](size_t i) {
            std::ostringstream lines, messages;
            JobOutput done;
            try {
                done.status = ReplayOne(o, o.files[i], lines, messages, false, std::max(1, threads / runs));
            } catch (const std::exception& e) {
                messages << "corrtool: " << o.files[i] << ": " << e.what() << '\n';
                done.status = 1;
            }
            done.out = lines.str();
            done.err = messages.str();
            return done;
        },
        [&](size_t, JobOutput& done) {
            out << done.out << std::flush;
            err << done.err << std::flush;
            status = std::max(status, done.status);
        });
    return status;
}
