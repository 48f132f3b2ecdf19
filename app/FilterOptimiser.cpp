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

void FilterOptimiser::Start(CCorrelation& /*run*/) {
    m_step = 0;
    m_count = kStepCount;
    m_pending = true;
    m_i = 0;
    m_j = 1;
    m_bestScore = kNoScore;
    m_bestIsInForce = true;
    m_bestLow = m_bestHigh = 0;
}

FilterOptimiser::Outcome FilterOptimiser::Step(CCorrelation& run) {
    if (!m_pending) return Outcome::Idle;
    if (m_step >= m_count) {
        Apply(run);
        m_pending = false;
        return Outcome::Applied;
    }
    if (m_step == 0) {
        m_list = BuildList(run.RedRaw(), run.BlueRaw(), run.SampleRate());
        ScoreBandInForce(run);
    } else {
        TryBand(run);
    }
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

namespace {

// The accumulator the bands are judged on: the unfiltered one of a run in
// post-filter mode; empty when the run filters its signals (the correlation
// filter then shapes nothing a band could be judged by).
std::span<const int64_t> Unfiltered(const CCorrelation& run) {
    const std::vector<int64_t>& u = run.UnfilteredAccumulator();
    if (run.FilterBeforeCorrelating() || u.size() != 2 * static_cast<size_t>(run.MaxLag()) + 1) return {};
    return u;
}

}  // namespace

double FilterOptimiser::Score(const CFilter& filter, std::span<const int64_t> u, bool bothPolarities) {
    const int32_t n = static_cast<int32_t>(u.size()), guard = CCorrelation::kGuardLags;
    if (n % 2 == 0 || n < 2 * guard + 1) return kNoScore;
    const int32_t lags = (n - 1) / 2, first = guard, last = n - 1 - guard;
    // The filter along the lag axis, centred: coefficient |d| of the symmetric
    // FIR (Q19) weighs lags i - d and i + d; lags beyond the accumulator count as 0.
    const fir::Taps& taps = filter.FirTaps();
    const int32_t m = filter.Bypass() ? 0 : taps.length / 2;
    std::vector<double> x(u.begin(), u.end()), y(static_cast<size_t>(last - first + 1));
    const auto at = [&](int32_t j) { return j >= 0 && j < n ? x[static_cast<size_t>(j)] : 0.0; };
    double sum = 0;
    for (int32_t i = first; i <= last; ++i) {
        double v = m == 0 ? at(i) : static_cast<double>(taps.half[0]) * at(i);
        for (int32_t d = 1; d <= m; ++d)
            v += static_cast<double>(taps.half[static_cast<size_t>(d)]) * (at(i - d) + at(i + d));
        y[static_cast<size_t>(i - first)] = v;
        sum += v;
    }
    const double mean = sum / static_cast<double>(y.size());
    double energy = 0, height = 0;
    int32_t peak = 0;
    for (size_t k = 0; k < y.size(); ++k) {
        const double d = y[k] - mean;
        energy += d * d;
        const double excursion = bothPolarities ? std::fabs(d) : d;
        if (excursion > height) height = excursion, peak = static_cast<int32_t>(k) + first;
    }
    if (!(height > 0) || !std::isfinite(energy)) return kNoScore;
    double score = energy / static_cast<double>(y.size()) / (height * height);
    if (std::abs(peak - lags) <= kCentreLags) score *= kCentrePenalty;
    return score;
}

void FilterOptimiser::ScoreBandInForce(CCorrelation& run) {
    const CFilter& inForce = run.PostFilterOf(0);
    m_bestScore = Score(inForce, Unfiltered(run), run.Options().bothPolarities);
    m_bestIsInForce = true;
    m_bestLow = inForce.Band().lowCut * run.SampleRate();
    m_bestHigh = inForce.Band().highCut * run.SampleRate();
}

void FilterOptimiser::TryBand(CCorrelation& run) {
    const float rate = run.SampleRate();
    const float low = m_list[static_cast<size_t>(m_i)], high = m_list[static_cast<size_t>(m_j)];
    FilterBand band;
    band.lowCut = low / rate;
    band.highCut = high / rate;
    m_trial.SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    const double score = Score(m_trial, Unfiltered(run), run.Options().bothPolarities);
    if (score < m_bestScore) {
        m_bestScore = score;
        m_bestIsInForce = false;
        m_bestLow = low;
        m_bestHigh = high;
    }
    if (++m_j == kListSize) {
        ++m_i;
        m_j = m_i + 1;
    }
}

void FilterOptimiser::Apply(CCorrelation& run) {
    // The band in force stays unless a candidate beat it (or nothing scored).
    if (!m_bestIsInForce) {
        const float rate = run.SampleRate();
        FilterBand band;
        band.lowCut = m_bestLow / rate;
        band.highCut = m_bestHigh / rate;
        // An empty notch (0, 0) leaves the response as it is, and keeps an open
        // band's filters designed as a reopened run rebuilds them.
        band.notchOn = true;
        run.RedFilter(0).SetBand(band, fir::kRectangular);
        run.BlueFilter(0).SetBand(band, fir::kRectangular);
        run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
    // The first trace's columns and peak follow the band it now has.
    run.DisplayTrace(0);
}
