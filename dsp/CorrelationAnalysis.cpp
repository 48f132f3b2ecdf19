// CCorrelation: peak search, SNR, the display trace and the mapping between
// graph columns and delays. All lags are samples; index i holds lag i - L.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "dsp/Correlation.h"
#include "dsp/PeakSnr.h"

namespace {

constexpr float kSharpenBase = 1.516f;
constexpr double kSharpenThreshold = 1.01;
constexpr int32_t kPlasticGroup = 1;

// Integer part (toward zero) of a real, saturated to the target's range so
// that no stored or hostile value can make the conversion undefined.
template <typename Int>
Int Truncate(double v) noexcept {
    if (std::isnan(v)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
    if (v <= lo) return std::numeric_limits<Int>::min();
    if (v >= hi) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}

// a - b without overflow: the difference saturates at the 64-bit limits.
int64_t SatSub(int64_t a, int64_t b) noexcept {
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return r;
}

// The running extreme of the peak search: a plateau of equal extremes ends
// with its index moved to the plateau's middle.
struct Extreme {
    int64_t value;
    int32_t index = 0;
    int32_t run = 0;

    template <typename Better>
    void Take(int64_t v, int32_t i, Better better) noexcept {
        if (better(v, value)) {
            value = v;
            index = i;
            run = 1;
        } else if (v == value) {
            ++run;
        } else {
            index += run / 2;
            run = 0;
        }
    }
};

}  // namespace

int32_t CCorrelation::SelectedAccumulator() const noexcept {
    if (m_traceCount > 1 && m_selectedTrace >= 1 && m_selectedTrace <= kTraces) return kTraces - m_selectedTrace;
    return 0;
}

float CCorrelation::SharpenFactor() const {
    const int32_t sections = m_pipe.GetSectionCount();
    bool plastic = sections >= 1;
    for (int32_t i = 0; i < sections && i < CPipe::kMaxSections; ++i)
        plastic = plastic && m_pipe.GetSection(i).GetMaterialGroup() == kPlasticGroup;
    const int32_t n = plastic ? m_options.peakSharpenPlastic : m_options.peakSharpenOther;
    return std::pow(kSharpenBase, static_cast<float>(n));
}

PeakResult CCorrelation::FindPeak(int32_t t) const {
    PeakResult r;
    if (t < 0 || t >= kAccumulators) return r;
    const std::vector<int64_t>& acc = m_acc[t];
    if (acc.size() != 2 * static_cast<size_t>(m_maxLag) + 1) return r;
    const int64_t g = GuardWidth(), lags = m_maxLag;
    Extreme high{std::numeric_limits<int64_t>::min()}, low{std::numeric_limits<int64_t>::max()};
    float sum = 0;
    int32_t count = 0;
    const auto scan = [&](int64_t from, int64_t to) {
        for (int64_t lag = std::max(from, -lags); lag <= std::min(to, lags); ++lag) {
            const int32_t i = static_cast<int32_t>(lag + lags);
            const int64_t v = acc[static_cast<size_t>(i)];
            high.Take(v, i, [](int64_t a, int64_t b) { return a > b; });
            low.Take(v, i, [](int64_t a, int64_t b) { return a < b; });
            sum += static_cast<float>(v);
            ++count;
        }
    };
    if (m_suppressionOn) {
        scan(-lags + g, int64_t{m_suppressFirst} - 1 < lags - g ? int64_t{m_suppressFirst} - 1 : lags - g);
        scan(std::max(int64_t{m_suppressLimit} + 1, -lags + g), lags - g);
    } else {
        scan(-lags + g, lags - g);
    }
    if (count == 0) return r;
    r.maximum = high.value;
    r.maximumIndex = high.index;
    r.minimum = low.value;
    r.minimumIndex = low.index;
    r.mean = Truncate<int64_t>((sum + static_cast<float>(count / 2)) / static_cast<float>(count));
    r.height = SatSub(r.maximum, r.mean);
    r.peakIndex = r.maximumIndex;
    if (m_options.bothPolarities && SatSub(r.mean, r.minimum) > r.height) {
        r.height = SatSub(r.mean, r.minimum);
        r.peakIndex = r.minimumIndex;
    }
    return r;
}

float CCorrelation::PeakDelay(int32_t unit) const {
    const PeakResult peak = FindPeak(SelectedAccumulator());
    return ConvertDelay(static_cast<float>(peak.peakIndex - m_maxLag), DelayUnit::Samples,
                        static_cast<DelayUnit>(unit), m_sampleRate);
}

float CCorrelation::Snr() const {
    const std::vector<int64_t>& acc = m_acc[SelectedAccumulator()];
    if (acc.size() != 2 * static_cast<size_t>(m_maxLag) + 1) return 0;
    std::vector<float> values(acc.size());
    for (size_t i = 0; i < acc.size(); ++i) values[i] = static_cast<float>(acc[i]);
    float snr = dsp::PeakSnr(values, GuardWidth(), {m_suppressionOn, m_suppressFirst, m_suppressLimit});
    const float e = SharpenFactor();
    if (e > kSharpenThreshold) snr *= std::sqrt(e);
    return snr;
}

void CCorrelation::DerivePostFiltered(int32_t t) {
    const std::vector<int64_t>& u = m_unfiltered;
    const auto [lo, hi] = std::minmax_element(u.begin(), u.end());
    const int64_t smallest = *lo, largest = *hi;
    uint64_t range = static_cast<uint64_t>(largest) - static_cast<uint64_t>(smallest);
    int32_t shift = 0;  // > 0 right, < 0 left
    while (range >= 2048) range >>= 1, ++shift;
    while (range != 0 && range < 1024) range <<= 1, --shift;
    const int64_t mid = smallest / 2 + largest / 2;
    std::vector<int64_t>& acc = m_acc[t];
    acc.resize(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        const int64_t centred = static_cast<int64_t>(static_cast<uint64_t>(u[i]) - static_cast<uint64_t>(mid));
        acc[i] = shift >= 0 ? centred >> shift : static_cast<int64_t>(static_cast<uint64_t>(centred) << -shift);
    }
    // Along the lag axis through post-filter t, its delay of M lags taken out:
    // M zeros, the lags, M zeros through the filter, lag k from output 2M + k.
    CFilter& filter = m_postFilters[t];
    if (filter.Bypass()) return;
    const int32_t m = filter.Taps() / 2;
    const auto lags = static_cast<int32_t>(acc.size());  // 2L + 1
    std::vector<int16_t> line(static_cast<size_t>(2 * m + lags), 0);
    for (int32_t i = 0; i < lags; ++i) line[static_cast<size_t>(m + i)] = static_cast<int16_t>(acc[static_cast<size_t>(i)]);
    filter.Reset();
    filter.ExecuteBlock(line.data(), line.data(), static_cast<int32_t>(line.size()));
    for (int32_t i = 0; i < lags; ++i) acc[static_cast<size_t>(i)] = line[static_cast<size_t>(2 * m + i)];
    const int32_t last = lags - 1;  // 2L
    for (int32_t i = 0; i < m && i <= last; ++i) acc[static_cast<size_t>(i)] = acc[static_cast<size_t>(last - i)] = 0;
}

void CCorrelation::FillColumns(const std::vector<int64_t>& acc, const PeakResult& peak, float scale) {
    const bool both = m_options.bothPolarities;
    const int64_t lags = m_maxLag;
    int64_t b = m_leftLag;
    for (int32_t c = 0; c < m_columns; ++c) {
        const float span = static_cast<float>(int64_t{m_rightLag} - m_leftLag);
        int64_t e = Truncate<int32_t>(span * static_cast<float>(c + 1) / static_cast<float>(m_columns) +
                                      static_cast<float>(m_leftLag) - 1.0f);
        const int64_t next = e + 1;
        if (m_suppressionOn) {
            bool fired = false;
            if (m_suppressFirst <= e + 1 && e + 1 <= m_suppressLimit) b = int64_t{m_suppressLimit} + 1, fired = true;
            if (m_suppressFirst <= e && e <= m_suppressLimit) e = int64_t{m_suppressFirst} - 1, fired = true;
            if (fired && b > e) {
                m_display[static_cast<size_t>(c)] = -1;
                b = std::max(b, next);  // the next column starts after the zone
                continue;
            }
        }
        int64_t best = std::numeric_limits<int64_t>::min();
        for (int64_t lag = std::max(b, -lags); lag <= std::min(e, lags); ++lag) {
            const int64_t d = SatSub(acc[static_cast<size_t>(lag + lags)], peak.mean);
            best = std::max(best, both ? (d < 0 ? SatSub(0, d) : d) : d);
        }
        // Single precision, as the scale: the peak's own column then comes
        // out at the display height (in double it can land just below).
        const float height = best >= 0 ? static_cast<float>(best) / scale : 0.0f;
        m_display[static_cast<size_t>(c)] = static_cast<int16_t>(std::min<int32_t>(Truncate<int32_t>(height), 32767));
        b = next;
    }
}

void CCorrelation::Sharpen(float factor) {
    int16_t top = 0;
    for (int16_t v : m_display) top = std::max(top, v);
    for (int16_t& v : m_display)
        if (v > 0)
            v = static_cast<int16_t>(Truncate<int32_t>(top * std::pow(static_cast<double>(v) / top, double{factor})));
}

const std::vector<int16_t>& CCorrelation::DisplayTrace(int32_t t) {
    std::fill(m_display.begin(), m_display.end(), int16_t{0});
    if (t < 0 || t >= kAccumulators) return m_display;
    if (!FilterBeforeCorrelating() && t < m_traceCount) {
        if (m_unfiltered.size() != 2 * static_cast<size_t>(m_maxLag) + 1) {
            m_lastPeakHeight = 0;
            return m_display;
        }
        DerivePostFiltered(t);
    }
    const PeakResult peak = FindPeak(t);
    m_lastPeakHeight = static_cast<float>(peak.height);
    // A flat accumulator, or a height of 0 or less left by the rounded mean
    // under a non-flat one, has nothing to scale to: every column stays 0.
    if (peak.maximum == peak.minimum || peak.height <= 0 || m_displayHeight <= 0) return m_display;
    const float scale = static_cast<float>(peak.height) / static_cast<float>(m_displayHeight);
    FillColumns(m_acc[t], peak, scale);
    const float e = SharpenFactor();
    if (e > kSharpenThreshold) Sharpen(e);
    return m_display;
}

void CCorrelation::SetVisibleWindow(float from, float to, int32_t unit) {
    const auto samples = [&](float v) {
        return ConvertDelay(v, static_cast<DelayUnit>(unit), DelayUnit::Samples, m_sampleRate);
    };
    m_windowUnit = unit;
    m_leftLag = std::clamp(Truncate<int32_t>(std::ceil(samples(from))), -m_maxLag, m_maxLag);
    m_rightLag = std::clamp(Truncate<int32_t>(std::floor(samples(to))), -m_maxLag, m_maxLag);
    // A delay no float holds (a stored window taken into smaller units) is
    // kept as its lag's, so that the run is saved with a window it can read.
    const auto kept = [&](float delay, int32_t lag) {
        if (std::isfinite(delay)) return delay;
        const float own = ConvertDelay(static_cast<float>(lag), DelayUnit::Samples, static_cast<DelayUnit>(unit), m_sampleRate);
        return std::isfinite(own) ? own : 0.0f;
    };
    m_leftDelay = kept(from, m_leftLag);
    m_rightDelay = kept(to, m_rightLag);
}

float CCorrelation::VisibleLeft(int32_t unit) const {
    return ConvertDelay(m_leftDelay, static_cast<DelayUnit>(m_windowUnit), static_cast<DelayUnit>(unit), m_sampleRate);
}

float CCorrelation::VisibleRight(int32_t unit) const {
    return ConvertDelay(m_rightDelay, static_cast<DelayUnit>(m_windowUnit), static_cast<DelayUnit>(unit), m_sampleRate);
}

float CCorrelation::DelayOfColumn(int32_t column, int32_t unit) const {
    if (m_columns <= 0) return 0;
    const float lag = static_cast<float>(int64_t{m_rightLag} - m_leftLag) * static_cast<float>(column) /
                          static_cast<float>(m_columns) + static_cast<float>(m_leftLag);
    return ConvertDelay(lag, DelayUnit::Samples, static_cast<DelayUnit>(unit), m_sampleRate);
}

int32_t CCorrelation::ColumnOfDelay(float t, int32_t unit) const {
    const float lag = ConvertDelay(t, static_cast<DelayUnit>(unit), DelayUnit::Samples, m_sampleRate);
    const float width = static_cast<float>(int64_t{m_rightLag} - m_leftLag + 1);
    if (width == 0) return 0;
    return Truncate<int32_t>(std::floor((lag - static_cast<float>(m_leftLag)) / width * static_cast<float>(m_columns)));
}

int32_t CCorrelation::CursorColumn() const {
    return ColumnOfDelay(static_cast<float>(m_view.cursorLag), static_cast<int32_t>(DelayUnit::Samples));
}

void CCorrelation::SetSuppression(float from, float to, int32_t unit) {
    const auto samples = [&](float v) {
        return ConvertDelay(v, static_cast<DelayUnit>(unit), DelayUnit::Samples, m_sampleRate);
    };
    // Lags beyond -L - 1 ... L + 1 leave out nothing more; the bound keeps the +1 from overflowing.
    const auto lag = [&](float v) { return std::clamp(Truncate<int32_t>(samples(v)), -m_maxLag - 1, m_maxLag + 1); };
    m_suppressFirst = lag(from);
    m_suppressLimit = std::min(lag(to), m_maxLag) + 1;
    m_suppressionOn = true;
}
