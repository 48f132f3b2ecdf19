// CCorrelation: the correlate step of both engines. Positions are Red sample
// numbers; a trace absorbs sample p only when Red holds p + L and Blue holds p,
// so every lag -L ... +L sees real samples.

#include <algorithm>

#include "dsp/Correlation.h"

namespace {

// Copies count samples from sample number `from` on. The oldest sample held
// sits in the writer's slot, where the store reports nothing unread, so the
// rest is taken one sample at a time.
void CopyFromStore(CWave& store, int32_t from, int32_t count, int16_t* destination) noexcept {
    store.SetPos(from);
    const int32_t got = store.ReadSamples(count, destination);
    for (int32_t i = got; i < count; ++i) destination[i] = store.ReadSample();
}

// The samples first ... first + count - 1 of a store: where they lie when
// they are contiguous, else copied into `spare`.
const int16_t* StoredOrCopied(CWave& store, int32_t first, int32_t count, int16_t* spare) noexcept {
    if (const int16_t* run = store.StoredRun(first, count)) return run;
    CopyFromStore(store, first, count, spare);
    return spare;
}

// Moves a position that fell behind the oldest stored sample of either store
// up to the oldest one it can use; the accumulators keep their sums.
int32_t SkipForward(int32_t position, int32_t lags, const CWave& red, const CWave& blue) noexcept {
    if (position - lags < red.FirstSample()) position = red.FirstSample() + lags;
    if (position < blue.FirstSample()) position = blue.FirstSample();
    return position;
}

// New samples a trace at position can absorb from both stores.
int32_t Available(int32_t position, int32_t lags, const CWave& red, const CWave& blue) noexcept {
    return std::min(red.SampleTotal() - position - lags, blue.SampleTotal() - position);
}

void Grow(std::vector<int16_t>& v, int64_t n) {
    if (static_cast<int64_t>(v.size()) < n) v.resize(static_cast<size_t>(n));
}

}  // namespace

int32_t CCorrelation::Correlate(int32_t limit) {
    if (UsesFftEngine()) return CorrelateFft(limit);
    if (!FilterBeforeCorrelating()) return CorrelateDirectRaw(limit);
    return CorrelateDirectFiltered(limit);
}

// Trace slot's block of n samples from Red sample p: both stores are read past
// it, and the samples are taken where they lie or copied into the slot's spares.
corr::DirectTeam::Block CCorrelation::DirectBlock(int32_t slot, CWave& red, CWave& blue, int32_t p, int32_t n,
                                                  std::vector<int64_t>& c) {
    const int32_t lagCount = 2 * m_maxLag + 1;
    if (c.size() != static_cast<size_t>(lagCount)) c.resize(static_cast<size_t>(lagCount), 0);
    std::vector<int16_t>& spareRed = m_spareRed[static_cast<size_t>(slot)];
    std::vector<int16_t>& spareBlue = m_spareBlue[static_cast<size_t>(slot)];
    Grow(spareRed, int64_t{n} + 2 * m_maxLag);
    Grow(spareBlue, n);
    const int16_t* a = StoredOrCopied(red, p - m_maxLag, n + 2 * m_maxLag, spareRed.data());
    const int16_t* b = StoredOrCopied(blue, p, n, spareBlue.data());
    red.SetPos(p + n - m_maxLag);
    blue.SetPos(p + n);
    return {a, b, c.data()};
}

int32_t CCorrelation::CorrelateDirectRaw(int32_t limit) {
    // After a restart the position is 0 and moves up to the oldest sample + L.
    m_rawPosition = SkipForward(m_rawPosition, m_maxLag, m_redRaw, m_blueRaw);
    const int32_t n = std::min(limit, Available(m_rawPosition, m_maxLag, m_redRaw, m_blueRaw));
    if (n < 1) return 0;
    const corr::DirectTeam::Block block = DirectBlock(0, m_redRaw, m_blueRaw, m_rawPosition, n, m_unfiltered);
    m_direct.Accumulate({&block, 1}, n, 2 * m_maxLag + 1);
    m_rawPosition += n;
    m_samplesCorrelated += n;
    return n;
}

int32_t CCorrelation::CorrelateDirectFiltered(int32_t limit) {
    // Every trace absorbs the same count, the least any of them can take.
    int32_t n = limit;
    for (int32_t k = 0; k < m_traceCount; ++k) {
        m_position[k] = SkipForward(m_position[k], m_maxLag, m_redFiltered[k], m_blueFiltered[k]);
        n = std::min(n, Available(m_position[k], m_maxLag, m_redFiltered[k], m_blueFiltered[k]));
    }
    if (n < 1) return 0;
    std::array<corr::DirectTeam::Block, kTraces> blocks{};
    for (int32_t k = 0; k < m_traceCount; ++k) {
        blocks[k] = DirectBlock(k, m_redFiltered[k], m_blueFiltered[k], m_position[k], n, m_acc[k]);
        m_position[k] += n;
    }
    m_direct.Accumulate({blocks.data(), static_cast<size_t>(m_traceCount)}, n, 2 * m_maxLag + 1);
    m_samplesCorrelated += n;
    return n;
}

int32_t CCorrelation::CorrelateFft(int32_t /*limit: one whole block per call*/) {
    const int32_t size = corr::FftSizeForLag(m_maxLag);
    const int32_t newSamples = size - 2 * m_maxLag;
    for (int32_t k = 0; k < m_traceCount; ++k) {
        m_position[k] = SkipForward(m_position[k], m_maxLag, m_redFiltered[k], m_blueFiltered[k]);
        if (Available(m_position[k], m_maxLag, m_redFiltered[k], m_blueFiltered[k]) < newSamples) return 0;
    }
    if (m_fftA.size() != static_cast<size_t>(size) + 2) {
        m_fftA.assign(static_cast<size_t>(size) + 2, 0.0f);
        m_fftB.assign(static_cast<size_t>(size) + 2, 0.0f);
    }
    Grow(m_spareRed[0], size);
    Grow(m_spareBlue[0], newSamples);
    const size_t lagCount = 2 * static_cast<size_t>(m_maxLag) + 1;
    for (int32_t k = 0; k < m_traceCount; ++k) {
        const int32_t p = m_position[k];
        if (m_acc[k].size() != lagCount) m_acc[k].resize(lagCount, 0);
        const int16_t* red = StoredOrCopied(m_redFiltered[k], p - m_maxLag, size, m_spareRed[0].data());
        const int16_t* blue = StoredOrCopied(m_blueFiltered[k], p, newSamples, m_spareBlue[0].data());
        m_redFiltered[k].SetPos(p + newSamples - m_maxLag);
        m_blueFiltered[k].SetPos(p + newSamples);
        corr::FftBlock(red, blue, m_maxLag, size, m_fftA.data(), m_fftB.data(), m_acc[k].data());
        m_position[k] += newSamples;
    }
    m_samplesCorrelated += newSamples;
    return newSamples;
}
