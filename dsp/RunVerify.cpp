// A saved run checked as a whole: first the chunks, walked apart from the
// reader; then the run as CCorrelation::Read restores it, its counts and lag
// axis, its recording and the results recomputed from its accumulators.

#include "dsp/RunVerify.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <type_traits>

#include "archive/Archive.h"
#include "dsp/WaveFile.h"
#include "platform/Numbers.h"

namespace {

using Differences = std::vector<RunDifference>;

constexpr archive::Tag kMagic = archive::MakeTag("TkCo");
constexpr int32_t kVersion = 2;
constexpr int16_t kFileType = 1;
constexpr int32_t kDataSize = 93;       // with the elapsed time
constexpr int32_t kOlderDataSize = 89;  // files written before it kept no elapsed time
// Offsets in the "Data" body of the fields that other chunks' sizes follow.
constexpr int32_t kMaxLagAt = 8, kColumnsAt = 24, kValidCountAt = 65, kTraceCountAt = 69;
constexpr int32_t kInfoStrings = 5;       // title, comments 1-3, reference
constexpr int32_t kLargestSharpening = 15;
const char* const kRequired[] = {"Data", "Info", "Pipe", "FltL", "FltR", "Disp"};

void Add(Differences& out, const char* check, const std::string& message) { out.push_back({check, message}); }

template <typename T>
std::string N(T v) {
    if constexpr (std::is_floating_point_v<T>) return platform::FormatCString("%g", static_cast<double>(v));
    else return std::to_string(v);
}

// A tag as text; bytes that are not printable show as \xNN.
std::string TagText(const archive::Tag& tag) {
    std::string s;
    for (char c : tag) {
        if (c >= ' ' && c <= '~') s += c;
        else s += platform::FormatCString("\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    }
    return s;
}

// What the walk learns from the chunks: the fields sizes follow, and the
// accumulators in file order.
struct Layout {
    bool data = false;
    int32_t maxLag = 0, columns = 0, validCount = 0, traceCount = 0;
    std::vector<int32_t> accumulators;
    std::map<std::string, int32_t> seen;
    bool complete = false;  // a reader has everything and stops here
};

struct Walk {
    std::istringstream is;
    int64_t size;
    Differences& out;
    Layout layout;

    int64_t At() { return static_cast<int64_t>(is.tellg()); }
    int64_t Remaining() { return size - At(); }
    int32_t Int32At(int64_t offset) {
        int32_t v = 0;
        is.seekg(offset);
        archive::ReadInt32(is, v);
        return v;
    }
};

int32_t AccumulatorCount(const Layout& l) { return std::max(l.validCount, l.traceCount); }

bool CheckHeader(Walk& w) {
    const archive::Tag magic = archive::ReadTag(w.is);
    int32_t version = 0;
    int16_t type = 0;
    archive::ReadInt32(w.is, version);
    archive::ReadInt16(w.is, type);
    if (!archive::Failed(w.is) && magic == kMagic && version == kVersion && type == kFileType) return true;
    Add(w.out, "header", "magic " + TagText(magic) + ", version " + N(version) + ", type " + N(type) +
                             "; a run file has TkCo, 2, 1");
    return false;
}

bool CheckData(Walk& w, int64_t body, int32_t size) {
    if (size != kDataSize && size != kOlderDataSize) {
        Add(w.out, "chunk", "Data size " + N(size) + ", expected 93 (89 in older files)");
        return false;
    }
    Layout& l = w.layout;
    l.data = true;
    l.maxLag = w.Int32At(body + kMaxLagAt);
    l.columns = w.Int32At(body + kColumnsAt);
    l.validCount = w.Int32At(body + kValidCountAt);
    l.traceCount = w.Int32At(body + kTraceCountAt);
    return true;
}

// The reader takes the five strings and goes on after them whatever the
// size says: both must agree.
bool CheckInfo(Walk& w, int64_t body, int32_t size) {
    w.is.seekg(body);
    std::u16string s;
    try {
        for (int32_t i = 0; i < kInfoStrings; ++i) archive::CStringRead(s, w.is);
    } catch (const std::exception& e) {
        return Add(w.out, "chunk", std::string("Info: ") + e.what()), false;
    }
    if (w.At() - body == size) return true;
    return Add(w.out, "chunk", "Info size " + N(size) + ", its strings take " + N(w.At() - body)), false;
}

// The pipe is a sized record that its reader reads by its fields alone.
bool CheckPipe(Walk& w, int64_t record, int32_t size) {
    w.is.seekg(record);
    CPipe pipe(kUnitSampleRate);
    try {
        pipe.Read(w.is);
    } catch (const std::exception& e) {
        return Add(w.out, "chunk", std::string("Pipe: ") + e.what()), false;
    }
    const int64_t used = w.At() - record - 4;
    if (used == size) return true;
    return Add(w.out, "chunk", "Pipe record size " + N(size) + ", its fields take " + N(used)), false;
}

bool CheckSized(Walk& w, const std::string& name, int32_t size, int64_t expected, int64_t older = -1) {
    if (!w.layout.data) return Add(w.out, "chunk", name + " before Data, which sizes it"), false;
    if (size == expected || size == older) return true;
    return Add(w.out, "chunk", name + " size " + N(size) + ", expected " + N(expected)), false;
}

// Filter chunks have no size of their own: three sized records follow the tag.
bool WalkFilters(Walk& w, const std::string& name) {
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        int32_t size = 0;
        archive::ReadInt32(w.is, size);
        if (archive::Failed(w.is) || size < 0 || size > w.Remaining()) {
            Add(w.out, "chunk", name + " filter " + N(k) + ": size " + N(size) + " runs past the end of the file");
            return false;
        }
        if (size != CFilter::kRecordBodySize) {
            Add(w.out, "chunk", name + " filter " + N(k) + " size " + N(size) + ", expected " + N(CFilter::kRecordBodySize));
            return false;
        }
        w.is.seekg(w.At() + size);
    }
    return true;
}

// False when the chunk's size disagrees with its contents: what follows it
// cannot be found.
bool CheckChunk(Walk& w, const archive::Tag& tag, const std::string& name, int64_t record, int32_t size) {
    const int64_t body = record + 4;
    const int64_t lags = 2 * int64_t{w.layout.maxLag} + 1;
    if (name == "Data") return CheckData(w, body, size);
    if (name == "Info") return CheckInfo(w, body, size);
    if (name == "Pipe") return CheckPipe(w, record, size);
    if (name == "Disp") return CheckSized(w, name, size, 2 * int64_t{w.layout.columns});
    if (name == "CorU") return CheckSized(w, name, size, 8 * lags, 4 * lags);
    if (name.compare(0, 3, "Cor") == 0 && tag[3] >= '0' && tag[3] <= '4') {
        w.layout.accumulators.push_back(tag[3] - '0');
        return CheckSized(w, name, size, 8 * lags, 4 * lags);
    }
    return true;  // a chunk readers skip
}

// Chunks the reader needs are all seen and the last one read was the last
// accumulator: the reader stops there.
void UpdateComplete(Layout& l, bool accumulator) {
    for (const char* name : kRequired)
        if (!l.seen.count(name)) return;
    if (accumulator && l.accumulators.back() == AccumulatorCount(l) - 1) l.complete = true;
}

// Follows the chunks to the end of the file; false when a size stopped it.
bool WalkChunks(Walk& w) {
    while (w.Remaining() > 0) {
        if (w.Remaining() < 8) return Add(w.out, "chunk", N(w.Remaining()) + " bytes after the last whole chunk"), false;
        const archive::Tag tag = archive::ReadTag(w.is);
        const std::string name = TagText(tag);
        if (w.layout.complete) Add(w.out, "chunk", name + " after the last accumulator, where a reader stops");
        else if (w.layout.seen[name]++ == 1) Add(w.out, "chunk", name + " stored twice");
        if (name == "FltL" || name == "FltR") {
            if (!WalkFilters(w, name)) return false;
            UpdateComplete(w.layout, false);
            continue;
        }
        const int64_t record = w.At();
        int32_t size = 0;
        archive::ReadInt32(w.is, size);
        if (size < 0 || size > w.Remaining())
            return Add(w.out, "chunk", name + " size " + N(size) + " with " + N(w.Remaining()) + " bytes left"), false;
        const size_t accumulators = w.layout.accumulators.size();
        if (!CheckChunk(w, tag, name, record, size)) return false;
        w.is.clear();
        w.is.seekg(record + 4 + size);
        UpdateComplete(w.layout, w.layout.accumulators.size() > accumulators);
    }
    return true;
}

// Every chunk a run has, and the accumulators its counts call for.
void CheckCounts(Walk& w) {
    const Layout& l = w.layout;
    for (const char* name : kRequired)
        if (!l.seen.count(name)) Add(w.out, "chunk", std::string(name) + " missing");
    if (!l.data) return;
    if (l.validCount < 1 || l.validCount > CCorrelation::kAccumulators || l.traceCount < 1 ||
        l.traceCount > CCorrelation::kTraces) {
        Add(w.out, "counts", N(l.validCount) + " valid accumulators and " + N(l.traceCount) +
                                 " traces; a run has 1-5 and 1-3");
        return;
    }
    std::vector<int32_t> stored = l.accumulators, expected(static_cast<size_t>(AccumulatorCount(l)));
    std::sort(stored.begin(), stored.end());  // order and repeats are the walk's to report
    stored.erase(std::unique(stored.begin(), stored.end()), stored.end());
    for (size_t k = 0; k < expected.size(); ++k) expected[k] = static_cast<int32_t>(k);
    if (stored == expected) return;
    std::string list;
    for (int32_t k : stored) list += (list.empty() ? "Cor" : ", Cor") + N(k);
    Add(w.out, "counts", (list.empty() ? "no accumulator" : list) + " stored; " + N(l.validCount) + " valid and " +
                             N(l.traceCount) + " traces call for Cor0-Cor" + N(AccumulatorCount(l) - 1));
}

// ---- the run as read ----------------------------------------------------------

// L is the range in samples at the run's rate, rounded, plus the guard lags.
void CheckLagAxis(const CCorrelation& run, Differences& out) {
    static const char* const kUnits[] = {"s", "ms", "samples"};
    const int32_t unit = run.RangeUnit();
    if (unit < 0 || unit > 2) return Add(out, "lags", "range unit " + N(unit) + "; 0 (s), 1 (ms) or 2 (samples)");
    const float rate = run.FileSampleRate();
    const CCorrelation fresh(0, 0, run.Range(), unit, rate);
    if (fresh.MaxLag() != run.MaxLag())
        Add(out, "lags", "L " + N(run.MaxLag()) + " stored; a range of " + N(run.Range()) + ' ' + kUnits[unit] +
                             " at " + N(rate) + " Hz gives " + N(fresh.MaxLag()));
}

// The visible window and the selected trace index into the accumulators;
// false when they do not, as the display drawn over them cannot be checked.
bool CheckWindow(const CCorrelation& run, Differences& out) {
    const size_t before = out.size();
    const int32_t l = run.MaxLag();
    if (run.LeftLag() < -l || run.RightLag() > l || run.LeftLag() > run.RightLag())
        Add(out, "window", "lags " + N(run.LeftLag()) + " ... " + N(run.RightLag()) + "; a window lies in -" + N(l) +
                               " ... " + N(l));
    if (run.SelectedTrace() < 0 || run.SelectedTrace() > CCorrelation::kTraces)
        Add(out, "counts", "selected trace " + N(run.SelectedTrace()) + "; 0-3");
    return out.size() == before;
}

void CheckRecording(const CCorrelation& run, std::unique_ptr<std::istream> recording, Differences& out) {
    if (!recording) {
        Add(out, "recording", "missing");
        return;
    }
    CWaveReader reader;
    if (!reader.Open(std::move(recording)) || !reader.Playable()) {
        Add(out, "recording", "not a 16-bit stereo PCM recording");
        return;
    }
    const int64_t announced = reader.Header().dataSize / wavfile::kFrameBytes;
    if (announced != reader.FrameCount())
        Add(out, "recording", "header announces " + N(announced) + " frames, the file holds " + N(reader.FrameCount()));
    if (reader.FrameCount() != run.RedSamplesReceived())
        Add(out, "recording", "Red samples stored " + N(run.RedSamplesReceived()) + ", the recording holds " +
                                  N(reader.FrameCount()) + " frames");
    if (reader.SampleRate() != static_cast<int32_t>(run.FileSampleRate()))
        Add(out, "recording", "at " + N(reader.SampleRate()) + " Hz, the run at " + N(run.FileSampleRate()) + " Hz");
}

// Where two equally long series differ: "" when they agree, else the count
// and the first difference.
template <typename T>
std::string Mismatch(const std::vector<T>& stored, const std::vector<T>& recomputed, const char* what, int64_t offset) {
    if (stored.size() != recomputed.size()) return N(static_cast<int64_t>(stored.size())) + " " + what + " against " +
                                                   N(static_cast<int64_t>(recomputed.size()));
    int64_t count = 0, first = -1;
    for (size_t i = 0; i < stored.size(); ++i)
        if (stored[i] != recomputed[i] && count++ == 0) first = static_cast<int64_t>(i);
    if (count == 0) return "";
    const auto f = static_cast<size_t>(first);
    return N(count) + " of " + N(static_cast<int64_t>(stored.size())) + " " + what + " (first " + N(first - offset) +
           ": stored " + N(int64_t{stored[f]}) + ", recomputed " + N(int64_t{recomputed[f]}) + ")";
}

// In post-filter mode each trace's accumulator is "CorU" through the
// post-filter of the trace's stored band. False when the selected one differs.
bool CheckPostFiltered(CCorrelation& run, Differences& out) {
    if (run.PostFilter() == 0) return true;
    bool selectedAgrees = true;
    for (int32_t t = 0; t < run.TraceCount(); ++t) {
        const std::vector<int64_t> stored = run.Accumulator(t);
        run.DisplayTrace(t);
        const std::string m = Mismatch(stored, run.Accumulator(t), "lags differ", run.MaxLag());
        if (m.empty()) continue;
        Add(out, "post_filter", "Cor" + N(t) + " against CorU through the stored band: " + m);
        if (t == run.SelectedAccumulator()) selectedAgrees = false;
    }
    return selectedAgrees;
}

// The settings the display depends on that the file does not keep: the
// configured ones first, then every other polarity and sharpening.
std::vector<CorrelationOptions> DisplaySettings(const CorrelationOptions& configured) {
    std::vector<CorrelationOptions> all{configured};
    for (bool both : {configured.bothPolarities, !configured.bothPolarities}) {
        for (int32_t n = 0; n <= kLargestSharpening; ++n) {
            CorrelationOptions o = configured;
            o.bothPolarities = both;
            o.peakSharpenPlastic = o.peakSharpenOther = n;
            all.push_back(o);
        }
    }
    return all;
}

// stored: the display as read, before anything drew into the run's own.
void CheckDisplayAndCursor(CCorrelation& run, const std::vector<int16_t>& stored,
                           const CorrelationOptions& configured, Differences& out) {
    const int32_t s = run.SelectedAccumulator();
    std::string first;
    for (const CorrelationOptions& o : DisplaySettings(configured)) {
        run.SetOptions(o);
        const std::string m = Mismatch(stored, run.DisplayTrace(s), "columns differ", 0);
        if (m.empty()) {
            first.clear();
            break;
        }
        if (first.empty()) first = m;
    }
    if (!first.empty()) {
        run.SetOptions(configured);
        run.DisplayTrace(s);
        Add(out, "display", "against Cor" + N(s) + ": " + first);
    }
    if (!run.View().cursorOnPeak || run.SamplesCorrelated() == 0) return;
    const PeakResult peak = run.FindPeak(s);
    const int32_t lag = peak.peakIndex - run.MaxLag();
    if (peak.height > 0 && run.View().cursorLag != lag)
        Add(out, "cursor", "on the peak at lag " + N(run.View().cursorLag) + ", Cor" + N(s) + " peaks at lag " + N(lag));
}

}  // namespace

std::vector<RunDifference> VerifyRun(std::istream& corr, std::unique_ptr<std::istream> recording,
                                     const CorrelationOptions& options) {
    const std::string bytes{std::istreambuf_iterator<char>(corr), std::istreambuf_iterator<char>()};
    Differences out;
    Walk w{std::istringstream(bytes), static_cast<int64_t>(bytes.size()), out, {}};
    if (!CheckHeader(w)) return out;
    if (WalkChunks(w)) CheckCounts(w);

    // A run with post-filter accumulators was made by the direct engine,
    // which derives them; the FFT engine's setting would skip that.
    CorrelationOptions direct = options;
    direct.useFftEngine = false;
    auto run = CCorrelation::CreateStartupRun(direct);
    std::istringstream is(bytes);
    try {
        run->Read(is);
    } catch (const std::exception& e) {
        if (out.empty()) Add(out, "read", e.what());
        return out;
    }
    CheckLagAxis(*run, out);
    const bool windowed = CheckWindow(*run, out);
    CheckRecording(*run, std::move(recording), out);
    // Deriving the post-filtered traces draws each into the run's display.
    const std::vector<int16_t> stored = run->DisplayColumns();
    if (CheckPostFiltered(*run, out) && windowed) CheckDisplayAndCursor(*run, stored, direct, out);
    return out;
}
