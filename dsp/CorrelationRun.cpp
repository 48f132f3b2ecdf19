// Reopening a saved run and replaying its recording through the sample inputs.

#include <exception>
#include <fstream>
#include <limits>
#include <vector>

#include "archive/Archive.h"
#include "dsp/Correlation.h"
#include "dsp/WaveFile.h"
#include "platform/Files.h"

namespace {

// Frames a saved replay copies at a time.
constexpr int32_t kCopyFrames = 4096;

// Frames of the recording's end given to the inputs when a run is opened, so
// that the filters and stores hold real signal before the replay starts.
constexpr int32_t kPrimingFrames = 4096;

// Reads the run file into a new object; on any failure the half-read object
// is dropped and a new, empty one takes its place.
void ReadInto(OpenedRun& opened, std::istream* corr, const CorrelationOptions& options) {
    opened.run = CCorrelation::CreateStartupRun(options);
    if (!corr) return;
    try {
        opened.run->Read(*corr);
        opened.fileRead = true;
    } catch (const std::exception& e) {
        opened.error = e.what();
        opened.run = CCorrelation::CreateStartupRun(options);
    }
}

// A recording of kPrimingFrames or more gives its last ones to the inputs,
// marked as priming; the next frame read is the first.
void PrimeAndRewind(CCorrelation& run) {
    CWaveReader* recording = run.Recording();
    if (!recording) return;
    if (recording->FrameCount() >= kPrimingFrames) {
        recording->SetPosition(recording->FrameCount() - kPrimingFrames);
        run.FeedFromWav(kPrimingFrames);
        run.MarkRawPriming();
    }
    recording->SetPosition(0);
}

void AttachAndPrime(OpenedRun& opened, std::unique_ptr<CWaveReader> reader) {
    CWaveReader& recording = *reader;
    // Without its run file a recording still replays at the rate it was made at.
    const auto rate = static_cast<float>(recording.SampleRate());
    if (!opened.fileRead && IsUnitRate(rate) && rate != opened.run->SampleRate()) {
        opened.run = CCorrelation::CreateStartupRun(opened.run->Options(), rate);
    }
    opened.run->AttachRecording(std::move(reader));
    opened.recordingOpened = true;
    PrimeAndRewind(*opened.run);
}

}  // namespace

std::string RecordingName(const std::string& corrName) {
    std::string name = corrName + ".wav";
    const std::string from = ".corr.wav", to = "_corr.wav";
    for (size_t at = name.find(from); at != std::string::npos; at = name.find(from, at + to.size()))
        name.replace(at, from.size(), to);
    return name;
}

OpenedRun OpenRunFromStreams(std::istream* corr, std::unique_ptr<std::istream> recording,
                             const CorrelationOptions& options) {
    OpenedRun opened;
    ReadInto(opened, corr, options);
    if (recording) {
        auto reader = std::make_unique<CWaveReader>();
        if (reader->Open(std::move(recording))) AttachAndPrime(opened, std::move(reader));
    }
    return opened;
}

OpenedRun OpenRun(const std::string& corrPath, const CorrelationOptions& options) {
    OpenedRun opened;
    std::ifstream file = platform::OpenForRead(corrPath);
    ReadInto(opened, file.is_open() ? &file : nullptr, options);
    auto reader = std::make_unique<CWaveReader>();
    if (reader->Open(RecordingName(corrPath))) AttachAndPrime(opened, std::move(reader));
    return opened;
}

bool PushSavedRunAsSnapshot(CCorrelation& run, std::istream* corr, const CorrelationOptions& options) {
    OpenedRun saved;
    ReadInto(saved, corr, options);
    // The same lag count at another rate is another delay axis.
    if (!saved.fileRead || saved.run->MaxLag() != run.MaxLag() || saved.run->SampleRate() != run.SampleRate() ||
        saved.run->Accumulator(0).size() != run.Accumulator(0).size())
        return false;
    run.PushExternalSnapshot(saved.run->Accumulator(0));
    return true;
}

bool WriteRunRecording(CCorrelation& run, std::ostream& os) {
    CWaveReader* recording = run.Recording();
    if (!recording || !recording->Playable())
        return wavfile::WriteWav(os, run.RedRaw(), run.BlueRaw(), run.SampleRate());
    const int32_t resume = recording->Position();
    const int32_t frames = recording->FrameCount();
    wavfile::WriteHeader(os, static_cast<uint32_t>(frames), recording->Header().sampleRate);
    std::vector<int16_t> block(2 * static_cast<size_t>(kCopyFrames));
    int32_t copied = 0;
    recording->SetPosition(0);
    while (copied < frames && os.good()) {
        const int32_t got = recording->ReadFrames(kCopyFrames, block.data());
        if (got == 0) break;  // the file shrank since it was opened
        for (int32_t i = 0; i < 2 * got; ++i) archive::WriteInt16(os, block[static_cast<size_t>(i)]);
        copied += got;
    }
    recording->SetPosition(resume);
    os.flush();
    return os.good() && copied == frames;
}

void RestartReplay(CCorrelation& run) {
    run.Reset();
    PrimeAndRewind(run);
    run.RestartKeepingRaw();  // the priming leaves the filtered stores and the counters
}

int64_t ReplayRecording(CCorrelation& run, int32_t framesPerFeed, const std::function<void(int64_t fed)>& afterFeed) {
    int64_t fed = 0;
    for (;;) {
        const int32_t got = run.FeedFromWav(framesPerFeed);
        fed += got;
        int32_t absorbed = 0;
        do absorbed = run.Correlate(std::numeric_limits<int32_t>::max());
        while (absorbed > 0);
        if (got == 0) return fed;
        if (afterFeed) afterFeed(fed);
    }
}
