// CCorrelation: construction, ranges, the sample inputs, run resets, the
// snapshot history, playback and the stopwatch.

#include "dsp/Correlation.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "dsp/WaveFile.h"
#include "platform/Clock.h"

namespace {

// Samples the block inputs filter at a time, through a buffer on the stack.
constexpr int32_t kInputChunk = 2048;

// L for a range: the range in samples, rounded, plus the guard band; bounded
// so that no range can ask for more lags than a run can hold.
int32_t LagsForRange(float range, int32_t unit, float rate) {
    const float samples = ConvertDelay(range, static_cast<DelayUnit>(unit), DelayUnit::Samples, rate);
    // NaN passes std::clamp unchanged, and its cast to int is undefined.
    constexpr float kLargest = CCorrelation::kMaxLag - CCorrelation::kGuardLags;
    const float bounded = std::isnan(samples) ? 0.0f : std::clamp(samples, 0.0f, kLargest);
    return static_cast<int32_t>(std::floor(bounded + 0.5f)) + CCorrelation::kGuardLags;
}

}  // namespace

void Stopwatch::Start() {
    startTick = platform::GetTickCount();
    running = true;
}

void Stopwatch::Stop() {
    if (!running) return;
    accumulatedMs += platform::GetTickCount() - startTick;
    running = false;
}

uint32_t Stopwatch::ElapsedMs() const {
    return running ? accumulatedMs + (platform::GetTickCount() - startTick) : accumulatedMs;
}

CCorrelation::CCorrelation(int32_t columns, int16_t height, float range, int32_t unit, float rate,
                           const CorrelationOptions& options)
    : m_pipe(rate > 0 ? rate : kUnitSampleRate), m_options(options) {
    m_traceCount = options.multiFilter ? kTraces : 1;
    m_sampleRate = rate > 0 ? rate : kUnitSampleRate;
    m_range = range;
    m_rangeUnit = unit;
    m_maxLag = LagsForRange(range, unit, m_sampleRate);
    for (int32_t k = 0; k < m_traceCount; ++k) SizeTrace(k);
    SetDisplaySize(columns, height);
    ResetWindow();
    m_redRaw.SetCapacity(kRawCapacity);
    m_blueRaw.SetCapacity(kRawCapacity);
    for (int32_t k = 0; k < kTraces; ++k) {
        m_redFiltered[k].SetCapacity(kFilteredCapacity);
        m_blueFiltered[k].SetCapacity(kFilteredCapacity);
        m_postFilters[k].Design(fir::kWelch, kPostFilterTaps);
        // Designed from their empty bands, the input filters pass samples
        // through until a band is set (an undesigned filter outputs zeros).
        m_redFilter[k].Design(fir::kRectangular);
        m_blueFilter[k].Design(fir::kRectangular);
    }
}

CCorrelation::~CCorrelation() = default;

std::unique_ptr<CCorrelation> CCorrelation::CreateStartupRun(const CorrelationOptions& options, float rate) {
    return std::make_unique<CCorrelation>(500, 100, 100.0f, 1, rate, options);
}

void CCorrelation::SizeTrace(int32_t k) {
    m_position[k] = m_maxLag;
    m_acc[k].resize(2 * static_cast<size_t>(m_maxLag) + 1, 0);
    if (!FilterBeforeCorrelating()) {
        m_rawPosition = m_rawPriming + m_maxLag;
        m_unfiltered.resize(2 * static_cast<size_t>(m_maxLag) + 1, 0);
    }
}

void CCorrelation::ResetWindow() {
    m_leftDelay = -m_range;
    m_rightDelay = m_range;
    m_windowUnit = m_rangeUnit;
    m_leftLag = kGuardLags - m_maxLag;
    m_rightLag = m_maxLag - kGuardLags;
}

void CCorrelation::SetRange(float range, int32_t unit) {
    m_range = range;
    m_rangeUnit = unit;
    m_maxLag = LagsForRange(range, unit, m_sampleRate);
    for (int32_t k = 0; k < kTraces; ++k) SizeTrace(k);
    ResetWindow();
}

void CCorrelation::SetDisplaySize(int32_t columns, int16_t height) {
    m_columns = std::clamp(columns, 0, kMaxColumns);
    m_display.assign(static_cast<size_t>(m_columns), 0);
    m_displayHeight = height;
}

void CCorrelation::SetSampleRate(float rate) {
    if (!(rate > 0)) return;
    m_sampleRate = rate;
}

void CCorrelation::SetTraceCount(int32_t count) {
    m_traceCount = std::clamp(count, 1, kTraces);
    const size_t size = 2 * static_cast<size_t>(m_maxLag) + 1;
    for (int32_t k = 0; k < m_traceCount; ++k)
        if (m_acc[k].size() != size) SizeTrace(k);
}

void CCorrelation::FilterInto(std::array<CFilter, kTraces>& filters, std::array<CWave, kTraces>& stores,
                              const int16_t* x, int32_t n) {
    int16_t y[kInputChunk];
    for (int32_t k = 0; k < m_traceCount; ++k) {
        for (int32_t done = 0; done < n; done += kInputChunk) {
            const int32_t m = std::min(kInputChunk, n - done);
            filters[k].ExecuteBlock(x + done, y, m);
            stores[k].WriteSamples(m, y);
        }
    }
}

void CCorrelation::AddRedSample(int16_t x) { AddRedSamples(&x, 1); }

void CCorrelation::AddBlueSample(int16_t x) { AddBlueSamples(&x, 1); }

void CCorrelation::AddRedSamples(const int16_t* x, int32_t n) {
    if (n <= 0) return;
    m_redRaw.WriteSamples(n, x);
    if (!FilterBeforeCorrelating()) return;
    FilterInto(m_redFilter, m_redFiltered, x, n);
    // A replay adds its whole recording to the count read from the file.
    m_redReceived = n > INT32_MAX - m_redReceived ? INT32_MAX : m_redReceived + n;
}

void CCorrelation::AddBlueSamples(const int16_t* x, int32_t n) {
    if (n <= 0) return;
    m_blueRaw.WriteSamples(n, x);
    if (!FilterBeforeCorrelating()) return;
    FilterInto(m_blueFilter, m_blueFiltered, x, n);
}

void CCorrelation::ClearRun(bool keepRaw) {
    const size_t size = 2 * static_cast<size_t>(m_maxLag) + 1;
    for (int32_t k = 0; k < m_traceCount; ++k) {
        m_acc[k].assign(size, 0);
        m_redFiltered[k].Reset();
        m_blueFiltered[k].Reset();
        m_position[k] = m_maxLag;
    }
    if (!keepRaw) {
        m_redRaw.Reset();
        m_blueRaw.Reset();
        m_rawPriming = 0;
        for (auto& work : m_optimiseWork) work.clear();
    }
    // Cleared in either mode: the range a restart sets next can change the
    // engine (CCorrelation::UsesFftEngine), and SetRange keeps what it finds.
    m_unfiltered.assign(FilterBeforeCorrelating() ? m_unfiltered.size() : size, 0);
    // The first sample after the priming; the next step moves it up to the
    // oldest sample + L when the store has dropped it.
    m_rawPosition = m_rawPriming + m_maxLag;
    m_samplesCorrelated = 0;
    m_redReceived = 0;
    m_stopwatch.Clear();
}

void CCorrelation::Reset() { ClearRun(false); }

void CCorrelation::RestartKeepingRaw() { ClearRun(true); }

void CCorrelation::PushSnapshot() {
    for (int32_t i = std::min(m_validCount, kAccumulators - 1); i >= 1; --i) m_acc[i] = m_acc[i - 1];
    m_validCount = std::min(m_validCount + 1, kAccumulators);
}

void CCorrelation::PushExternalSnapshot(const std::vector<int64_t>& accumulator) {
    for (int32_t i = std::min(m_validCount, kAccumulators - 1); i >= 2; --i) m_acc[i] = m_acc[i - 1];
    m_acc[1] = accumulator;
    m_validCount = std::min(m_validCount + 1, kAccumulators);
}

void CCorrelation::CopyTrace(const CCorrelation& other, int32_t k) {
    k = std::clamp(k, 0, kTraces - 1);
    // The lag axis travels with the accumulator, so that its length and L agree.
    m_range = other.m_range;
    m_rangeUnit = other.m_rangeUnit;
    m_maxLag = other.m_maxLag;
    m_sampleRate = other.m_sampleRate;
    m_traceCount = 1;
    m_position[0] = other.m_position[k];
    m_acc[0] = other.m_acc[k];
    m_redFiltered[0] = other.m_redFiltered[k];
    m_blueFiltered[0] = other.m_blueFiltered[k];
    m_redFilter[0] = other.m_redFilter[k];
    m_blueFilter[0] = other.m_blueFilter[k];
    m_postFilters[0] = other.m_postFilters[k];
    m_leftLag = std::clamp(m_leftLag, -m_maxLag, m_maxLag);
    m_rightLag = std::clamp(m_rightLag, -m_maxLag, m_maxLag);
}

void CCorrelation::AttachRecording(std::unique_ptr<CWaveReader> reader) { m_recording = std::move(reader); }

int32_t CCorrelation::FeedFromWav(int32_t limit) {
    if (!m_recording || limit <= 0) return 0;
    if (m_playback.size() < 4 * static_cast<size_t>(limit)) m_playback.resize(4 * static_cast<size_t>(limit));
    int16_t* frames = m_playback.data();
    const int32_t got = m_recording->ReadFrames(limit, frames);
    int16_t* red = frames + 2 * static_cast<size_t>(limit);
    int16_t* blue = red + limit;
    for (int32_t i = 0; i < got; ++i) {
        red[i] = static_cast<int16_t>(frames[2 * i] / wavfile::kSampleScale);
        blue[i] = static_cast<int16_t>(frames[2 * i + 1] / wavfile::kSampleScale);
    }
    AddRedSamples(red, got);
    AddBlueSamples(blue, got);
    return got;
}

void CCorrelation::MarkRawPriming() noexcept { m_rawPriming = m_redRaw.SampleTotal(); }

int32_t CCorrelation::RecordingFrames() const noexcept {
    if (m_recording && m_recording->Playable()) return m_recording->FrameCount();
    return m_redRaw.SamplesStored();
}

std::u16string CCorrelation::FilterDescription(const FilterWords& words) const {
    if (m_traceCount >= 2) return words.multiple;
    return m_redFilter[0].Description(m_sampleRate, words);
}
