#include "analysis/Peaks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace analysis {
namespace {

double Refined(std::span<const float> v, int32_t i) {
    const int32_t last = static_cast<int32_t>(v.size()) - 1, lags = last / 2;
    if (i <= 0 || i >= last) return i - lags;
    return i - lags + ParabolicOffset(v[i - 1], v[i], v[i + 1]);
}

}  // namespace

double ParabolicOffset(double left, double centre, double right) {
    const double curvature = left - 2 * centre + right;
    if (!(curvature < 0) || centre < left || centre < right) return 0;
    return std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
}

std::vector<Candidate> FindPeaks(std::span<const float> v, int32_t k, int32_t separation, int32_t guard) {
    const auto n = static_cast<int32_t>(v.size());
    if (n == 0 || k <= 0) return {};
    double mean = 0;
    for (float x : v) mean += x;
    mean /= n;
    std::vector<int32_t> maxima;
    for (int32_t i = std::max(1, guard); i < n - std::max(1, guard); ++i)
        if (v[i] >= v[i - 1] && v[i] > v[i + 1] && v[i] > mean) maxima.push_back(i);
    std::sort(maxima.begin(), maxima.end(), [&](int32_t a, int32_t b) { return v[a] > v[b]; });
    std::vector<Candidate> out;
    for (int32_t i : maxima) {
        const bool apart = std::all_of(out.begin(), out.end(),
                                       [&](const Candidate& c) { return std::abs(c.index - i) >= separation; });
        if (!apart) continue;
        const double best = out.empty() ? v[i] - mean : v[out.front().index] - mean;
        if (best > 0 && (v[i] - mean) / best < kLeastRelative) break;
        out.push_back({Refined(v, i), i, best > 0 ? (v[i] - mean) / best : 0.0});
        if (static_cast<int32_t>(out.size()) == k) break;
    }
    return out;
}

double LocalPeakLag(std::span<const float> v, int32_t index, int32_t halfWidth) {
    const auto n = static_cast<int32_t>(v.size());
    const int32_t from = std::max(0, index - halfWidth), to = std::min(n - 1, index + halfWidth);
    int32_t best = std::clamp(index, 0, n - 1);
    for (int32_t i = from; i <= to; ++i)
        if (v[i] > v[best]) best = i;
    return Refined(v, best);
}

}  // namespace analysis
