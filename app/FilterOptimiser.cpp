#include "app/FilterOptimiser.h"

#include <algorithm>
#include <cmath>

#include "dsp/Correlation.h"
#include "dsp/DSPLib.h"

namespace {

// Copies the newest n samples of a store without consuming them.
void ReadNewest(CWave& store, int32_t n, int16_t* out) {
    const int32_t kept = store.GetPos();
    store.SetPos(store.SampleTotal() - n);
    store.ReadSamples(n, out);
    store.SetPos(kept);
}

}  // namespace

FilterOptimiser::FilterOptimiser()
    : m_red(kSpectrumPoints + 2), m_blue(kSpectrumPoints + 2), m_spectrum(kSpectrumBins), m_samples(kSpectrumPoints) {}

void FilterOptimiser::Start(CCorrelation& run) {
    m_step = 0;
    m_count = kStepCount;
    m_pending = true;
    m_i = 0;
    m_j = 1;
    m_bestScore = kNoScore;
    m_bestLow = m_bestHigh = 0;
    m_original = run.PostFilterOf(0);
}

FilterOptimiser::Outcome FilterOptimiser::Step(CCorrelation& run) {
    if (!m_pending) return Outcome::Idle;
    if (m_step >= m_count) {
        Apply(run);
        m_pending = false;
        return Outcome::Applied;
    }
    if (m_step == 0) m_list = BuildList(run.RedRaw(), run.BlueRaw(), run.SampleRate());
    else TryBand(run);
    ++m_step;
    return Outcome::Stepped;
}

std::array<float, FilterOptimiser::kListSize> FilterOptimiser::BuildList(CWave& red, CWave& blue, float rate) {
    if (red.SamplesStored() < kSpectrumPoints || blue.SamplesStored() < kSpectrumPoints || !(rate > 0))
        return kDefaultList;
    const auto load = [&](CWave& store, std::vector<float>& buffer) {
        ReadNewest(store, kSpectrumPoints, m_samples.data());
        std::copy(m_samples.begin(), m_samples.end(), buffer.begin());
        dsp::RealFftForward(buffer.data(), kSpectrumPoints);
    };
    load(red, m_red);
    load(blue, m_blue);
    const float lowestBin = kLowestHz * static_cast<float>(kSpectrumPoints) / rate;
    for (int32_t k = 0; k < kSpectrumBins; ++k) {
        const auto magnitude = [k](const std::vector<float>& x) {
            return std::hypot(x[static_cast<size_t>(2 * k)], x[static_cast<size_t>(2 * k + 1)]);
        };
        m_spectrum[static_cast<size_t>(k)] =
            static_cast<float>(k) < lowestBin ? 0.0f : magnitude(m_red) * magnitude(m_blue);
    }
    std::array<float, kListSize> list = kDefaultList;
    for (int32_t m = 1; m < kListSize - 1; ++m) {
        const float p = BinPosition(m_spectrum, 10.0f * static_cast<float>(m));
        if (p < 0) return kDefaultList;  // silence: nothing to place the bands by
        list[static_cast<size_t>(m)] = p * rate / static_cast<float>(kSpectrumPoints);
    }
    return list;
}

float FilterOptimiser::BinPosition(std::span<const float> s, float percent) {
    const int32_t n = static_cast<int32_t>(s.size());
    if (!(percent > 0)) {
        for (int32_t k = 0; k < n; ++k)
            if (s[static_cast<size_t>(k)] != 0) return static_cast<float>(k);
        return static_cast<float>(n);
    }
    const auto trapezoid = [&](int32_t k) { return (s[static_cast<size_t>(k)] + s[static_cast<size_t>(k + 1)]) / 2; };
    float total = 0;
    for (int32_t k = 0; k + 1 < n; ++k) total += trapezoid(k);
    if (!(total > 0) || !std::isfinite(total)) return -1.0f;
    const float target = percent / 100.0f * total;
    float sum = 0;
    for (int32_t k = 0; k + 1 < n; ++k) {
        const float area = trapezoid(k);
        if (sum + area < target) {
            sum += area;
            continue;
        }
        // Within trapezoid k the density is s[k] + d x, so the area up to x is
        // s[k] x + d x^2 / 2; solve it for the remainder r.
        const float r = target - sum, a = s[static_cast<size_t>(k)], d = s[static_cast<size_t>(k + 1)] - a;
        float x;
        if (d != 0) x = (-a + std::sqrt(std::max(0.0f, a * a + 2 * d * r))) / d;
        else x = a != 0 ? r / a : 0.0f;
        return static_cast<float>(k) + std::clamp(x, 0.0f, 1.0f);
    }
    return static_cast<float>(n - 1);  // rounding left the target just beyond the last bin
}

void FilterOptimiser::TryBand(CCorrelation& run) {
    const float rate = run.SampleRate();
    const float low = m_list[static_cast<size_t>(m_i)], high = m_list[static_cast<size_t>(m_j)];
    FilterBand band;
    band.lowCut = low / rate;
    band.highCut = high / rate;
    run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    const std::vector<int16_t>& columns = run.DisplayTrace(0);
    const bool positive = std::any_of(columns.begin(), columns.end(), [](int16_t c) { return c > 0; });
    if (positive && run.LastPeakHeight() >= kMinPeakHeight) {
        double score = 0;
        for (int16_t c : columns) score += static_cast<double>(c) * c;
        const int32_t peakLag = run.FindPeak(0).peakIndex - run.MaxLag();
        if (std::abs(peakLag) <= kCentreLags) score *= kCentrePenalty;
        if (score < m_bestScore) {
            m_bestScore = score;
            m_bestLow = low;
            m_bestHigh = high;
        }
    }
    if (++m_j == kListSize) {
        ++m_i;
        m_j = m_i + 1;
    }
}

void FilterOptimiser::Apply(CCorrelation& run) {
    if (m_bestScore >= kNoScore) {
        // No band gave a peak worth scoring: the run keeps the band it had.
        run.PostFilterOf(0) = m_original;
    } else {
        const float rate = run.SampleRate();
        FilterBand band;
        band.lowCut = m_bestLow / rate;
        band.highCut = m_bestHigh / rate;
        run.RedFilter(0).SetBand(band, fir::kRectangular);
        run.BlueFilter(0).SetBand(band, fir::kRectangular);
        run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
    // The first trace's columns and peak follow the band it now has, not the last one tried.
    run.DisplayTrace(0);
}
