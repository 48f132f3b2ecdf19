#include "dsp/Spectrum.h"

#include <algorithm>
#include <cmath>

#include "dsp/DSPLib.h"
#include "dsp/Wave.h"

namespace spectrum {

namespace {

// Columns beyond this are as good as infinitely far; keeps the rounding in int range.
constexpr double kColumnLimit = 1.0e6;

int32_t RoundColumn(double value) {
    if (!(value > -kColumnLimit)) return kOffAxisColumn;  // also NaN
    if (value > kColumnLimit) return static_cast<int32_t>(kColumnLimit);
    return static_cast<int32_t>(std::floor(value + 0.5));
}

}  // namespace

float FrequencyAxis::FrequencyAt(float column) const noexcept {
    const double x = column;
    if (linear) return static_cast<float>(x * NyquistHz() / kAxisColumns);
    const double lo = std::log10(static_cast<double>(kLogStartHz));
    const double hi = std::log10(static_cast<double>(NyquistHz()));
    return static_cast<float>(std::pow(10.0, lo + x * (hi - lo) / kAxisColumns));
}

int32_t FrequencyAxis::ColumnOf(float hz) const noexcept {
    if (linear) return RoundColumn(static_cast<double>(hz) * kAxisColumns / NyquistHz());
    if (!(hz > 0)) return kOffAxisColumn;
    const double lo = std::log10(static_cast<double>(kLogStartHz));
    const double hi = std::log10(static_cast<double>(NyquistHz()));
    return RoundColumn((std::log10(static_cast<double>(hz)) - lo) * kAxisColumns / (hi - lo));
}

int32_t FrequencyAxis::MarkerColumn(float hz) const noexcept {
    if (!(hz > 0)) return -1;
    return std::clamp(ColumnOf(hz), 0, kAxisColumns);
}

std::vector<AxisTick> AxisTicks(const FrequencyAxis& axis) {
    std::vector<AxisTick> ticks;
    const float top = axis.NyquistHz();
    const auto add = [&](float hz, bool labelled) {
        const int32_t c = axis.ColumnOf(hz);
        if (c >= 0 && c <= kAxisColumns) ticks.push_back({c, hz, labelled});
    };
    if (!axis.linear) {
        for (float decade = 10.0f; decade <= top; decade *= 10.0f)
            for (int m = 1; m <= 9; ++m) {
                const float hz = decade * static_cast<float>(m);
                if (hz < kLogStartHz || hz > top) continue;
                add(hz, m == 1 || m == 2 || m == 5);
            }
        return ticks;
    }
    constexpr float kSteps[] = {10, 20, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000};
    float step = kSteps[std::size(kSteps) - 1];
    for (float s : kSteps)
        if (top / s <= 10.0f) {
            step = s;
            break;
        }
    for (int i = 0; static_cast<float>(i) * step / 2 <= top; ++i) add(static_cast<float>(i) * step / 2, i % 2 == 0);
    return ticks;
}

LiveSpectrum::LiveSpectrum()
    : m_window(kPoints), m_work(kPoints + 2), m_red(kPoints), m_blue(kPoints), m_redMag(kBins), m_blueMag(kBins) {
    constexpr float kHalf = kPoints / 2;
    for (int32_t i = 0; i < kPoints; ++i) {
        const float u = (static_cast<float>(i) - kHalf) / kHalf;
        m_window[static_cast<size_t>(i)] = 1.0f - u * u;
    }
}

void LiveSpectrum::Clear() {
    std::fill(m_redMag.begin(), m_redMag.end(), 0.0f);
    std::fill(m_blueMag.begin(), m_blueMag.end(), 0.0f);
    m_redMax = m_blueMax = m_productMax = m_dominantHz = 0;
}

bool LiveSpectrum::Compute(CWave& red, CWave& blue, const FrequencyAxis& axis) {
    if (!ReadNewest(red, kPoints, m_red.data()) || !ReadNewest(blue, kPoints, m_blue.data())) {
        Clear();
        return false;
    }
    ComputeFromBlocks(m_red, m_blue, axis);
    return true;
}

void LiveSpectrum::ComputeFromBlocks(std::span<const int16_t> red, std::span<const int16_t> blue,
                                     const FrequencyAxis& axis) {
    if (red.size() != kPoints || blue.size() != kPoints || !(axis.rate > 0)) {
        Clear();
        return;
    }
    Transform(red, m_redMag, axis.rate);
    Transform(blue, m_blueMag, axis.rate);
    Analyse(axis);
}

void LiveSpectrum::Transform(std::span<const int16_t> samples, std::vector<float>& magnitudes, float rate) {
    for (int32_t i = 0; i < kPoints; ++i)
        m_work[static_cast<size_t>(i)] = static_cast<float>(samples[static_cast<size_t>(i)]) * m_window[static_cast<size_t>(i)];
    m_work[kPoints] = m_work[kPoints + 1] = 0;
    dsp::RealFftForward(m_work.data(), kPoints);
    const float lowestBin = kLowestHz * static_cast<float>(kPoints) / rate;
    for (int32_t k = 0; k < kBins; ++k) {
        const float re = m_work[static_cast<size_t>(2 * k)], im = m_work[static_cast<size_t>(2 * k + 1)];
        magnitudes[static_cast<size_t>(k)] = static_cast<float>(k) < lowestBin ? 0.0f : std::hypot(re, im);
    }
}

int32_t LiveSpectrum::SearchStartBin(const FrequencyAxis& axis) noexcept {
    if (axis.linear) return 0;
    return std::clamp(static_cast<int32_t>(std::floor(kLogStartHz * kPoints / axis.rate)), 0, kBins - 1);
}

void LiveSpectrum::Analyse(const FrequencyAxis& axis) {
    m_redMax = m_blueMax = m_productMax = 0;
    int32_t best = -1;
    for (int32_t k = SearchStartBin(axis); k < kBins; ++k) {
        const float r = m_redMag[static_cast<size_t>(k)], b = m_blueMag[static_cast<size_t>(k)];
        m_redMax = std::max(m_redMax, r);
        m_blueMax = std::max(m_blueMax, b);
        if (r * b > m_productMax) {
            m_productMax = r * b;
            best = k;
        }
    }
    m_dominantHz = best < 0 ? 0.0f : static_cast<float>(best) * axis.rate / kPoints;
}

std::vector<CurvePoint> LiveSpectrum::Curves(const FrequencyAxis& axis) const {
    std::vector<CurvePoint> points;
    const int32_t first = axis.linear ? 0 : static_cast<int32_t>(std::ceil(kLogStartHz * kPoints / axis.rate));
    const auto height = [](float value, float maximum) -> int16_t {
        if (!(maximum > 0)) return 0;
        return static_cast<int16_t>(std::clamp(std::floor(value * kCurveHeight / maximum), 0.0f,
                                               static_cast<float>(kCurveHeight)));
    };
    for (int32_t k = std::max(first, 0); k < kBins; ++k) {
        const int32_t column = axis.ColumnOf(static_cast<float>(k) * axis.rate / kPoints);
        if (column >= kAxisColumns) break;
        if (column < 0) continue;
        const float r = m_redMag[static_cast<size_t>(k)], b = m_blueMag[static_cast<size_t>(k)];
        points.push_back({column, height(r, m_redMax), height(b, m_blueMax), height(r * b, m_productMax)});
    }
    return points;
}

bool ReadNewest(CWave& store, int32_t n, int16_t* out) {
    if (n < 0 || store.SamplesStored() < n || store.SampleTotal() - n < store.FirstSample()) return false;
    const int32_t kept = store.GetPos();
    store.SetPos(store.SampleTotal() - n);
    const int32_t read = store.ReadSamples(n, out);
    store.SetPos(kept);
    return read == n;
}

}  // namespace spectrum
