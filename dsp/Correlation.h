#pragma once
// dsp/Correlation.h — CCorrelation, one correlation run: the Red and Blue
// sample stores (raw and band-filtered per trace), the band filters, the 64-bit
// correlation accumulators over lags -L ... +L, the analysis that turns an
// accumulator into a peak, an SNR and display columns, and the run's file.
//
// Lags: accumulator index i holds lag i - L; a positive lag means the Red
// signal arrives after the Blue signal. L = the range in samples, rounded,
// plus kGuardLags. Samples are 12-bit values in 16 bits.
//
// Configuration values arrive as CorrelationOptions (the caller copies them
// from the settings record); the object never reads the settings itself.

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dsp/CorrelationKernel.h"
#include "dsp/Filter.h"
#include "dsp/Wave.h"
#include "pipe/Pipe.h"

class CWaveReader;

// The settings the run reads, copied from the configuration record.
struct CorrelationOptions {
    bool useFftEngine = false;       // useFftEngine: FFT overlap-save engine
    bool multiFilter = false;        // multiFilter: three traces at construction
    bool bothPolarities = false;     // bit 0 of bothPolarities: negative peaks count
    int32_t peakSharpenPlastic = 0;  // 0-15, exponent of 1.516 for all-plastic pipes
    int32_t peakSharpenOther = 0;    // 0-15, for any other pipe
};

// One peak search over an accumulator.
struct PeakResult {
    int64_t maximum = 0;
    int32_t maximumIndex = 0;  // plateaus report their middle
    int64_t minimum = 0;
    int32_t minimumIndex = 0;
    int64_t mean = 0;          // rounded mean of the searched values
    int64_t height = 0;        // maximum - mean, or mean - minimum (both polarities)
    int32_t peakIndex = 0;     // index of the chosen extreme
};

// The run's elapsed time, on the platform tick count (ms).
struct Stopwatch {
    uint32_t accumulatedMs = 0;
    uint32_t startTick = 0;
    bool running = false;

    void Start();                 // start tick now, running
    void Stop();                  // accumulated += now - start
    void Clear() { *this = {}; }
    uint32_t ElapsedMs() const;   // accumulated + (now - start) while running
};

class CCorrelation {
public:
    static constexpr int32_t kGuardLags = 88;          // half the post-filter's taps
    static constexpr int32_t kTraces = 3;
    static constexpr int32_t kAccumulators = 5;         // 0-2 live, 1-4 snapshot history
    static constexpr int32_t kRawCapacity = 600000;
    static constexpr int32_t kFilteredCapacity = 210000;
    static constexpr int32_t kPostFilterTaps = 177;
    // Largest L and column count a run can have: 20 s of lags at 10 kHz and a
    // screen far wider than any display. Files beyond them are corrupt.
    static constexpr int32_t kMaxLag = 200000 + kGuardLags;
    static constexpr int32_t kMaxColumns = 1 << 16;

    //  columns : display columns, 0 ... kMaxColumns; height : peak column height
    //  range   : half-width of the lag window in unit (0 s, 1 ms, 2 samples)
    //  rate    : samples per second, > 0
    CCorrelation(int32_t columns = 500, int16_t height = 100, float range = 100.0f,
                 int32_t unit = 1, float rate = kUnitSampleRate, const CorrelationOptions& options = {});
    // The run the program starts with, and reopens saved runs into: 500
    // display columns of height 100 over a 100 ms range at rate.
    static std::unique_ptr<CCorrelation> CreateStartupRun(const CorrelationOptions& options,
                                                          float rate = kUnitSampleRate);
    ~CCorrelation();
    CCorrelation(const CCorrelation&) = delete;
    CCorrelation& operator=(const CCorrelation&) = delete;

    // Options read at every use (engine, polarity, sharpening).
    void SetOptions(const CorrelationOptions& options) { m_options = options; }
    const CorrelationOptions& Options() const noexcept { return m_options; }

    // ---- configuration ----------------------------------------------------
    // Recomputes L; accumulators are resized keeping their values and the
    // visible window returns to +-range.
    void SetRange(float range, int32_t unit);
    float Range() const noexcept { return m_range; }
    int32_t RangeUnit() const noexcept { return m_rangeUnit; }
    int32_t MaxLag() const noexcept { return m_maxLag; }
    // Resizes the display trace; height is what the peak column reaches.
    void SetDisplaySize(int32_t columns, int16_t height);
    int32_t Columns() const noexcept { return m_columns; }
    int16_t DisplayHeight() const noexcept { return m_displayHeight; }
    float SampleRate() const noexcept { return m_sampleRate; }
    void SetSampleRate(float rate);
    // 1 or 3; accumulators and positions of new traces are set up as at construction.
    void SetTraceCount(int32_t count);
    int32_t TraceCount() const noexcept { return m_traceCount; }
    // Copied from the configuration's postFilter at run start.
    void SetPostFilter(int32_t on) { m_postFilter = on; }
    int32_t PostFilter() const noexcept { return m_postFilter; }
    // Threads the direct engine may use for one call to Correlate: 1, the
    // default, keeps it on the calling thread. Results are the same for any count.
    void SetDirectThreads(int32_t threads) { m_direct.SetThreads(threads); }
    // The FFT engine runs when the options ask for it and its block for this
    // run's lags fits the filtered stores (up to 63035 lags); a longer pipe is
    // correlated by the direct engine, in the run's post-filter mode.
    bool UsesFftEngine() const noexcept {
        return m_options.useFftEngine && corr::FftSizeForLag(m_maxLag) <= kFilteredCapacity;
    }
    // True unless the run correlates unfiltered signals (post-filter mode with
    // the direct engine); every input and correlation step tests this.
    bool FilterBeforeCorrelating() const noexcept { return m_postFilter == 0 || UsesFftEngine(); }

    // ---- sample inputs (live acquisition and replay share them) ------------
    // Appends one sample to the Red raw store and, when filtering before
    // correlating, each trace's filter output to its Red filtered store.
    void AddRedSample(int16_t x);
    void AddBlueSample(int16_t x);
    // The same for n samples in order; identical to n single calls.
    void AddRedSamples(const int16_t* x, int32_t n);
    void AddBlueSamples(const int16_t* x, int32_t n);

    // ---- correlation -------------------------------------------------------
    // Absorbs up to limit new samples into every live accumulator; returns the
    // count absorbed (0 while either store lacks the data).
    int32_t Correlate(int32_t limit);
    // New run: accumulators, stores, counters and stopwatch cleared.
    void Reset();
    // Re-correlation: as Reset, but the raw stores keep their samples.
    void RestartKeepingRaw();
    // History: entry 0 is copied behind into entry 1; entry 4 is dropped.
    void PushSnapshot();
    // Another run's current accumulator becomes entry 1; entry 0 stays.
    void PushExternalSnapshot(const std::vector<int64_t>& accumulator);
    // Only the current result is valid again (the snapshots are dropped).
    void DropSnapshots() noexcept { m_validCount = 1; }
    // This becomes a one-trace run made from trace k (0-2) of other.
    void CopyTrace(const CCorrelation& other, int32_t k);

    // ---- playback ----------------------------------------------------------
    // Takes ownership of the recording a reopened run replays (null detaches).
    void AttachRecording(std::unique_ptr<CWaveReader> reader);
    CWaveReader* Recording() noexcept { return m_recording.get(); }
    // Reads up to limit frames and adds value / 16 of each channel as a Red
    // and a Blue sample; returns the frames read.
    int32_t FeedFromWav(int32_t limit);
    // The raw samples stored so far only settle the filters (a reopened run's
    // priming, which comes from the end of its recording): no restart
    // correlates them. Reset forgets the mark.
    void MarkRawPriming() noexcept;
    // Frames of the recording a save writes (WriteRunRecording): the whole
    // replayed recording, else what the Red raw store holds. The run file
    // stores this as its Red samples stored.
    int32_t RecordingFrames() const noexcept;

    // ---- analysis ----------------------------------------------------------
    PeakResult FindPeak(int32_t accumulator) const;
    // Peak lag of the selected accumulator in unit (0 s, 1 ms, 2 samples).
    float PeakDelay(int32_t unit) const;
    // Signal-to-noise ratio of the selected accumulator; 0 when undefined.
    float Snr() const;
    // Column heights of accumulator t: the peak reaches the display height,
    // suppressed columns are -1. Kept in the object (and in files).
    const std::vector<int16_t>& DisplayTrace(int32_t t);
    const std::vector<int16_t>& DisplayColumns() const noexcept { return m_display; }
    // Index of the accumulator the analysis uses for the selected trace.
    int32_t SelectedAccumulator() const noexcept;
    void SetSelectedTrace(int32_t s) { m_selectedTrace = s; }
    int32_t SelectedTrace() const noexcept { return m_selectedTrace; }
    float LastPeakHeight() const noexcept { return m_lastPeakHeight; }

    // Visible window: left = ceil, right = floor of the delays in samples,
    // clamped to -L ... L.
    void SetVisibleWindow(float from, float to, int32_t unit);
    float VisibleLeft(int32_t unit) const;
    float VisibleRight(int32_t unit) const;
    int32_t LeftLag() const noexcept { return m_leftLag; }
    int32_t RightLag() const noexcept { return m_rightLag; }
    float DelayOfColumn(int32_t column, int32_t unit) const;
    int32_t ColumnOfDelay(float t, int32_t unit) const;
    int32_t CursorColumn() const;
    // Lags from ... to (from <= to) are left out of the search and shown as -1.
    void SetSuppression(float from, float to, int32_t unit);
    void SetSuppressionOn(bool on) { m_suppressionOn = on; }
    bool SuppressionOn() const noexcept { return m_suppressionOn; }
    int32_t SuppressionFirst() const noexcept { return m_suppressFirst; }
    int32_t SuppressionLimit() const noexcept { return m_suppressLimit; }

    // ---- file --------------------------------------------------------------
    // The ".corr" file: header, "Data", "Info", "Pipe", "FltL", "FltR",
    // "Disp", "CorU" in post-filter mode, "Cor0" ...
    void Write(std::ostream& os) const;
    // Raises archive::ArchiveError with the reader's message; a failed read
    // leaves the object partly filled, so callers discard it.
    void Read(std::istream& is, bool headerOnly = false);

    // ---- inspection and small state ---------------------------------------
    const std::vector<int64_t>& Accumulator(int32_t k) const { return m_acc.at(static_cast<size_t>(k)); }
    std::vector<int64_t>& Accumulator(int32_t k) { return m_acc.at(static_cast<size_t>(k)); }
    const std::vector<int64_t>& UnfilteredAccumulator() const noexcept { return m_unfiltered; }
    int32_t ValidCount() const noexcept { return m_validCount; }
    int32_t Position(int32_t k) const { return m_position.at(static_cast<size_t>(k)); }
    int32_t RawPosition() const noexcept { return m_rawPosition; }
    int32_t SamplesCorrelated() const noexcept { return m_samplesCorrelated; }
    int32_t RedSamplesReceived() const noexcept { return m_redReceived; }
    float FileSampleRate() const noexcept { return m_fileSampleRate; }
    CWave& RedRaw() noexcept { return m_redRaw; }
    CWave& BlueRaw() noexcept { return m_blueRaw; }
    const CWave& RedRaw() const noexcept { return m_redRaw; }
    const CWave& BlueRaw() const noexcept { return m_blueRaw; }
    const CWave& RedFiltered(int32_t k) const { return m_redFiltered.at(static_cast<size_t>(k)); }
    const CWave& BlueFiltered(int32_t k) const { return m_blueFiltered.at(static_cast<size_t>(k)); }
    CFilter& RedFilter(int32_t k) { return m_redFilter.at(static_cast<size_t>(k)); }
    CFilter& BlueFilter(int32_t k) { return m_blueFilter.at(static_cast<size_t>(k)); }
    CFilter& PostFilterOf(int32_t k) { return m_postFilters.at(static_cast<size_t>(k)); }
    const CFilter& RedFilter(int32_t k) const { return m_redFilter.at(static_cast<size_t>(k)); }
    const CFilter& BlueFilter(int32_t k) const { return m_blueFilter.at(static_cast<size_t>(k)); }
    CPipe& Pipe() noexcept { return m_pipe; }
    const CPipe& Pipe() const noexcept { return m_pipe; }
    // Title, comment lines 1-3, reference.
    std::array<std::u16string, 5>& Info() noexcept { return m_info; }
    const std::array<std::u16string, 5>& Info() const noexcept { return m_info; }
    Stopwatch& Clock() noexcept { return m_stopwatch; }
    const Stopwatch& Clock() const noexcept { return m_stopwatch; }
    // words.multiple ("MULTIPLE") for two traces or more, else Red filter 0's description.
    std::u16string FilterDescription(const FilterWords& words = {}) const;

    // Plain state the graph view and the run loop keep here.
    struct ViewState {
        uint8_t displayMode = 0;   // the graph view's mode byte
        int32_t cursorLag = 0;
        uint8_t cursorOnPeak = 0;
    };
    ViewState& View() noexcept { return m_view; }
    const ViewState& View() const noexcept { return m_view; }
    // Working arrays of the run loop's filter optimisation; Reset empties them.
    std::array<std::vector<float>, 3>& OptimiseWork() noexcept { return m_optimiseWork; }

private:
    void SizeTrace(int32_t k);             // position L, accumulator 2L + 1 (resize)
    void ResetWindow();                    // +-range, as lags 88 - L ... L - 88
    void ClearRun(bool keepRaw);
    int32_t CorrelateFft(int32_t limit);
    int32_t CorrelateDirectRaw(int32_t limit);
    int32_t CorrelateDirectFiltered(int32_t limit);
    corr::DirectTeam::Block DirectBlock(int32_t slot, CWave& red, CWave& blue, int32_t p, int32_t n,
                                        std::vector<int64_t>& c);
    void FilterInto(std::array<CFilter, kTraces>& filters, std::array<CWave, kTraces>& stores,
                    const int16_t* x, int32_t n);
    int32_t GuardWidth() const noexcept { return FilterBeforeCorrelating() ? 0 : kGuardLags; }
    float SharpenFactor() const;
    void DerivePostFiltered(int32_t t);
    void FillColumns(const std::vector<int64_t>& acc, const PeakResult& peak, float scale);
    void Sharpen(float factor);
    void ReadData(std::istream& is);
    void ReadAccumulator(std::istream& is, std::vector<int64_t>& acc, bool headerOnly);
    void ReadFilters(std::istream& is, std::array<CFilter, kTraces>& filters);

    float m_range = 100.0f;
    int32_t m_rangeUnit = 1;
    std::array<int32_t, kTraces> m_position{};
    int32_t m_rawPosition = 0;
    int32_t m_rawPriming = 0;              // Red raw samples that only prime the filters
    int32_t m_maxLag = 0;
    std::vector<int16_t> m_display;
    int32_t m_columns = 0;
    float m_leftDelay = 0, m_rightDelay = 0;
    int32_t m_windowUnit = 1;
    int32_t m_leftLag = 0, m_rightLag = 0;
    int16_t m_displayHeight = 100;
    int32_t m_suppressFirst = 0, m_suppressLimit = 0;
    int32_t m_samplesCorrelated = 0;
    std::vector<int64_t> m_unfiltered;
    std::array<std::vector<int64_t>, kAccumulators> m_acc;
    CPipe m_pipe;
    float m_sampleRate = kUnitSampleRate;
    CWave m_redRaw, m_blueRaw;
    std::array<CWave, kTraces> m_redFiltered, m_blueFiltered;
    std::array<CFilter, kTraces> m_redFilter, m_blueFilter, m_postFilters;
    std::array<std::u16string, 5> m_info;
    int32_t m_validCount = 1;
    int32_t m_selectedTrace = 0;
    float m_lastPeakHeight = 0;
    int32_t m_traceCount = 1;
    float m_fileSampleRate = kUnitSampleRate;
    int32_t m_redReceived = 0;
    int32_t m_postFilter = 0;
    std::unique_ptr<CWaveReader> m_recording;
    bool m_suppressionOn = false;
    std::vector<float> m_fftA, m_fftB;     // N + 2 each, kept between calls
    Stopwatch m_stopwatch;
    CorrelationOptions m_options;
    ViewState m_view;
    std::array<std::vector<float>, 3> m_optimiseWork;

    // Engine work areas, grown on demand and kept.
    corr::DirectTeam m_direct;
    // Samples of a block that wrap round a store's end, one pair per trace.
    std::array<std::vector<int16_t>, kTraces> m_spareRed, m_spareBlue;
    std::vector<int16_t> m_input;
    std::vector<int16_t> m_playback;
};

// The recording of a run file: name + ".wav" with ".corr.wav" replaced by
// "_corr.wav" (run1.corr -> run1_corr.wav; other names just gain ".wav").
std::string RecordingName(const std::string& corrName);

// Opening a saved run as OPEN does: a new object reads the file (any read
// error discards it for a new, empty one), its recording is attached, and
// when it holds at least 4096 frames its last 4096 prime the inputs and it is
// rewound. Paths are device paths.
struct OpenedRun {
    std::unique_ptr<CCorrelation> run;
    bool fileRead = false;        // false: the file was missing or unreadable
    std::string error;            // the reader's message when it failed
    bool recordingOpened = false;
};
OpenedRun OpenRun(const std::string& corrPath, const CorrelationOptions& options);
// The same from streams (tests, host files); recording may be null.
OpenedRun OpenRunFromStreams(std::istream* corr, std::unique_ptr<std::istream> recording,
                             const CorrelationOptions& options);

// OPEN AS SNAPSHOT: the saved run read from corr joins run's history as an
// external snapshot when its lag count and sample rate equal run's. A missing
// or unreadable file is never pushed (it would show as an empty trace).
// Returns whether the snapshot was taken.
bool PushSavedRunAsSnapshot(CCorrelation& run, std::istream* corr, const CorrelationOptions& options);

// The recording a saved run carries: when it replays one, that recording's
// frames unchanged (its raw stores hold the priming frames before them, and
// only the part of a long recording that fits); else its raw stores, as
// wavfile::WriteWav writes them. The replay's read position is kept. False
// when the stream failed or the recording could not be read whole.
bool WriteRunRecording(CCorrelation& run, std::ostream& os);

// START, SURVEY and SNAPSHOT RESTART on a replay: the run restarts as a new
// run and its recording is read again from its first frame, primed as OPEN
// primes it; the priming frames are never correlated, so a replay correlates
// at most the frames its recording holds. Without a recording, a new run.
void RestartReplay(CCorrelation& run);

// Replays the whole attached recording through the sample inputs, as START in
// replay mode does, correlating after every feed; returns the frames fed.
// afterFeed, when given, hears the frames fed so far after each feed.
int64_t ReplayRecording(CCorrelation& run, int32_t framesPerFeed = 10000,
                        const std::function<void(int64_t fed)>& afterFeed = {});
