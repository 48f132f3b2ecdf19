#include "analysis/Gcc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/DSPLib.h"

namespace analysis {
namespace {

constexpr double kTiny = 1e-30;

double Coherence(const CrossSpectra& s, size_t k) {
    const double d = s.rr[k] * s.bb[k];
    return d > kTiny ? std::min(std::norm(s.rb[k]) / d, kMaxCoherence) : 0.0;
}

double Weight(const CrossSpectra& s, Weighting w, size_t k) {
    const double mag = std::abs(s.rb[k]);
    switch (w) {
    case Weighting::None: return 1.0;
    case Weighting::Phat: return mag > kTiny ? 1.0 / mag : 0.0;
    case Weighting::Scot: {
        const double d = std::sqrt(s.rr[k] * s.bb[k]);
        return d > kTiny ? 1.0 / d : 0.0;
    }
    case Weighting::Ml: {
        const double g = Coherence(s, k);
        return mag > kTiny ? g / (mag * (1.0 - g)) : 0.0;
    }
    }
    return 0.0;
}

bool LineAt(const std::vector<double>& p, int32_t k) {
    const int32_t bins = static_cast<int32_t>(p.size());
    const int32_t from = std::max(0, k - kToneNeighbours), to = std::min(bins - 1, k + kToneNeighbours);
    std::vector<double> around(p.begin() + from, p.begin() + to + 1);
    auto mid = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
    std::nth_element(around.begin(), mid, around.end());
    return p[static_cast<size_t>(k)] > kToneRatio * *mid;
}

}  // namespace

bool ParseWeighting(std::string_view text, Weighting& w) {
    for (Weighting c : {Weighting::None, Weighting::Phat, Weighting::Scot, Weighting::Ml})
        if (text == WeightingName(c)) return w = c, true;
    return false;
}

const char* WeightingName(Weighting w) {
    switch (w) {
    case Weighting::None: return "none";
    case Weighting::Phat: return "phat";
    case Weighting::Scot: return "scot";
    case Weighting::Ml: return "ml";
    }
    return "";
}

std::vector<double> BandMask(int32_t n, double rate, double lowHz, double highHz) {
    const int32_t bins = n / 2 + 1;
    const double nyquist = rate / 2, high = highHz > 0 ? std::min(highHz, nyquist) : nyquist;
    const double edge = (high - lowHz) / 5;
    std::vector<double> m(static_cast<size_t>(bins), 0.0);
    for (int32_t k = 1; k < bins; ++k) {
        const double f = k * rate / n;
        if (f < lowHz || f > high) continue;
        const double inside = std::min(f - lowHz, high - f);
        m[static_cast<size_t>(k)] = inside >= edge || edge <= 0 ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * inside / edge);
    }
    return m;
}

std::vector<bool> CommonTones(const CrossSpectra& s) {
    const int32_t bins = static_cast<int32_t>(s.rr.size());
    std::vector<bool> notched(static_cast<size_t>(bins), false);
    for (int32_t k = 1; k < bins; ++k) {
        if (!LineAt(s.rr, k) || !LineAt(s.bb, k)) continue;
        for (int32_t j = std::max(0, k - kToneHalfWidth); j <= std::min(bins - 1, k + kToneHalfWidth); ++j)
            notched[static_cast<size_t>(j)] = true;
    }
    return notched;
}

std::vector<double> Weights(const CrossSpectra& s, Weighting w, const std::vector<double>& mask,
                            const std::vector<bool>& notched) {
    std::vector<double> out(mask.size(), 0.0);
    for (size_t k = 0; k < mask.size(); ++k)
        if (mask[k] > 0 && !notched[k]) out[k] = mask[k] * Weight(s, w, k);
    return out;
}

std::vector<float> Correlate(const std::vector<std::complex<double>>& rb, const std::vector<double>& w,
                             int32_t n, int32_t maxLag) {
    std::vector<float> buffer(static_cast<size_t>(n) + 2);
    for (size_t k = 0; k < w.size(); ++k) {
        const std::complex<double> x = rb[k] * w[k];
        buffer[2 * k] = static_cast<float>(x.real());
        buffer[2 * k + 1] = static_cast<float>(x.imag());
    }
    dsp::RealFftInverse(buffer.data(), n);
    std::vector<float> c(2 * static_cast<size_t>(maxLag) + 1);
    for (int32_t lag = -maxLag; lag <= maxLag; ++lag)
        c[static_cast<size_t>(lag + maxLag)] = buffer[static_cast<size_t>((lag + n) % n)];
    return c;
}

double BandCoherence(const CrossSpectra& s, const std::vector<double>& mask, const std::vector<bool>& notched) {
    double sum = 0, weight = 0;
    for (size_t k = 0; k < mask.size(); ++k) {
        if (mask[k] <= 0 || notched[k]) continue;
        sum += mask[k] * Coherence(s, k);
        weight += mask[k];
    }
    return weight > 0 ? sum / weight : 0.0;
}

}  // namespace analysis
